#pragma once
// The main window: the parameter form, the live values and the operation buttons. It
// tells what happened through its signals (a block read, a block written, a poll, the
// monitor started or stopped, a programming action, the link checked); whoever wants
// to know listens, and the window knows none of them.
#include "core/commands.h"
#include "core/events.h"
#include "core/pending_changes.h"
#include "forms/ui_principal.h"
#include "widgets/live_boxes.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

class FieldEntry;
class MessageBoxes;
class QLineEdit;
class TForm2;
class TProgramForm;
struct ProgrammingOutcome;
namespace tuma {
struct Parameter;
}

// The live-values timer, which says when it starts or stops.
class MonitorTimer : public QTimer {
    Q_OBJECT
public:
    using QTimer::QTimer;
    void start()
    {
        const bool was = isActive();
        QTimer::start();
        if (!was)
            emit runningChanged(true);
    }
    void stop()
    {
        const bool was = isActive();
        QTimer::stop();
        if (was)
            emit runningChanged(false);
    }

signals:
    void runningChanged(bool running);
};

class TMainForm : public QWidget, public Ui::TMainForm {
    Q_OBJECT
public:
    explicit TMainForm(MessageBoxes& boxes, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The port dialog (which owns the link) and the programming dialog that the
    // buttons open.
    void useWindows(TForm2* portDialog, TProgramForm* programmingDialog);
    // The user's decimal separator, with which the fields show and take numbers.
    void setDecimalSeparator(char sep) { decimalSep = sep; }
    char decimalSeparator() const { return decimalSep; }

    // Operation buttons.
    void configClick();
    // The port a search found, chosen in the port dialog's list and checked exactly as
    // its OK checks one, with the same boxes, the dialog itself not shown.
    void checkPort(const QString& port);
    void progClick();
    void sairClick();
    void lerClick();
    void gravarClick();
    // Live values.
    void Timer_ReadTimer();
    // Idle speed and scale.
    void rpmdownClick();
    void rpmupClick();
    void rpm_cal_buttonClick();
    // For work on the line beside the form's own (a file put back): checks the entry
    // being typed and stops the monitor, as "&Gravar " does; false when the entry was
    // refused. releaseMonitor() fills the form again first when `reread`, then starts
    // the monitor.
    bool holdMonitor();
    void releaseMonitor(bool reread);
    tuma::Link& link();
    // Option check boxes.
    void acel_rapida_enClick();
    void sonda_enClick();
    void banda_largaClick();
    void heat_enClick();

    // Field entry: savedText on entry, the check on exit.
    void limite_corrEnter() { fieldEnter(limite_corr); }
    void limite_corrExit();
    void temp_corrEnter() { fieldEnter(temp_corr); }
    void temp_corrExit() { fieldExit(temp_corr); }
    void var_inicialEnter() { fieldEnter(var_inicial); }
    void var_inicialExit() { fieldExit(var_inicial); }
    void tempo_extraEnter() { fieldEnter(tempo_extra); }
    void tempo_extraExit() { fieldExit(tempo_extra); }
    void injecao_extraEnter() { fieldEnter(injecao_extra); }
    void injecao_extraExit() { fieldExit(injecao_extra); }
    void temp_max_extraEnter() { fieldEnter(temp_max_extra); }
    void temp_max_extraExit() { fieldExit(temp_max_extra); }
    void tempo_partidaEnter() { fieldEnter(tempo_partida); }
    void tempo_partidaExit() { fieldExit(tempo_partida); }
    void temp_max_coldEnter() { fieldEnter(temp_max_cold); }
    void temp_max_coldExit() { fieldExit(temp_max_cold); }
    void porc_misturaEnter() { fieldEnter(porc_mistura); }
    void porc_misturaExit();
    void tempo_ajusteEnter() { fieldEnter(tempo_ajuste); }
    void tempo_ajusteExit() { fieldExit(tempo_ajuste); }
    void valor_lambdaEnter() { fieldEnter(valor_lambda); }
    void valor_lambdaExit() { fieldExit(valor_lambda); }

    MonitorTimer* Timer_Read;
    QString savedText;
    tuma::commands::LiveImage liveValues = {};
    tuma::Block configBlock = {};
    uint8_t editFlags = 0;

signals:
    // The port dialog closed: with a checked link or without one.
    void linkChanged(const tuma::LinkFacts& facts);
    // "&Ler " has the block and is about to fill the form with it: edits typed and not
    // written are about to go.
    void formReplacing();
    // "&Ler " read the block (and filled the form), or did not.
    void blockRead(const tuma::Block& block);
    void blockReadFailed();
    // A confirmed "&Gravar " is about to send this block: whoever keeps the
    // controller's history keeps it before it goes out. The "&Ler " that follows the
    // write belongs to it: its blockRead() comes before blockWritten().
    void writing(const tuma::Block& sent);
    // A confirmed "&Gravar ": what was sent and what the read after it found.
    void blockWritten(const tuma::WriteFacts& facts);
    // A poll of the monitor has just ended: the ten bytes from address 67, or a failure.
    void polled(tuma::Poll poll);
    // Timer_Read started or stopped.
    void monitorChanged(bool running);
    // A confirmed programming action.
    void programmed(const tuma::ProgrammingFacts& facts);
    // The form as "&Gravar " would send it: after an entry's exit check accepts it, an
    // option box, the idle speed or its scale changes, and after each read or write.
    void formChanged(const tuma::FormState& form);

public:
    // The form as it stands, as formChanged() tells it.
    tuma::FormState formState() const;

private:
    // What follows the port dialog's OK, from the dialog or from a search.
    void portChecked();
    void publishForm() { emit formChanged(formState()); }
    // What the programming dialog changed in the controller since the last read.
    void apply(const ProgrammingOutcome& outcome);
    // A field's or label's text for the conversions.
    static std::string textOf(const QLineEdit* field);
    std::string scaleText() const;

    // The edit field of a parameter row.
    QLineEdit* fieldOf(const tuma::Parameter& p) const;
    const tuma::Parameter* parameterOf(const QLineEdit* field) const;
    void fieldEnter(QLineEdit* field);
    // True when the entry stands.
    bool fieldExit(QLineEdit* field);
    void reject(QLineEdit* field, const char* message, const char* caption);
    // The exit check of the field that holds the focus; false when it rejected it.
    bool checkFocusedField();
    void setEnabledAll(std::initializer_list<QWidget*> widgets, bool on);
    void setFlag(uint8_t bit, bool on);

    std::vector<std::pair<const tuma::Parameter*, QLineEdit*>> fields;
    FieldEntry* entry = nullptr;
    LiveBoxes live;
    TForm2* portDialog = nullptr;
    TProgramForm* programmingDialog = nullptr;
    MessageBoxes& boxes;
    char decimalSep = '.';
    bool lastReadOk = false; // the block of the last "&Ler " came
};
