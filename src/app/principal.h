#pragma once
// The main window: the parameter form, the live values and the operation buttons.
#include "app/live_boxes.h"
#include "app/live_history.h"
#include "app/ui_principal.h"
#include "core/commands.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

class ChartWindow;
class FieldEntry;
class QAction;
class QLineEdit;
class QMenu;
class TForm2;
class TProgramForm;
struct ProgrammingOutcome;
struct LinkInfo;
namespace tuma {
struct Parameter;
}

class TMainForm : public QWidget, public Ui::TMainForm {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The port dialog (which owns the link) and the programming dialog that the
    // buttons open.
    void useWindows(TForm2* portDialog, TProgramForm* programmingDialog);
    // The user's decimal separator, with which the fields show and take numbers.
    void setDecimalSeparator(char sep) { decimalSep = sep; }
    char decimalSeparator() const { return decimalSep; }

    // Operation buttons.
    void configClick();
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
    // The workshop's menu: right-click on the form outside an edit field, or the
    // items' shortcuts.
    void salvarClick();
    void abrirClick();
    void fichaClick();
    void sobreClick();
    void graficoClick();
    void abrir_registroClick();
    QMenu* menu_oficina;
    QAction* acao_salvar;
    QAction* acao_abrir;
    QAction* acao_ficha;
    QAction* acao_sobre;
    QAction* acao_grafico;
    QAction* acao_abrir_registro;
    // Every poll since the start, for the chart; the live chart once opened.
    LiveHistory history;
    ChartWindow* chart = nullptr;
    QList<QPointer<ChartWindow>> viewers; // the logs opened
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

    QTimer* Timer_Read;
    QString savedText;
    tuma::commands::LiveImage liveValues = {};
    tuma::commands::ConfigImage configBlock = {};
    uint8_t editFlags = 0;

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void createWorkshopMenu();
    // Salvar and Ficha need a block read; Abrir a checked link.
    void updateWorkshopMenu();
    LinkInfo linkInfo() const;
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
    char decimalSep = '.';
    // The block as the last successful "&Ler " found it (with a mixture the
    // programming dialog stored since), for the files and the sheet.
    tuma::commands::ConfigImage lastRead = {};
    bool haveLastRead = false;
};
