#pragma once
// The programming dialog: one of the controller's four programming actions.
#include "core/events.h"
#include "forms/ui_program.h"

#include <QButtonGroup>
#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>

class TProgramTumaForm;
namespace tuma {
class Link;
}

// What one opening of the dialog did to the controller, for the main window to apply
// to its image of the parameter block.
struct ProgrammingOutcome {
    enum Kind {
        Nothing,                 // cancelled, or answered No
        MixtureStored,           // `mixture` is now at address 3
        ControllerMayHaveChanged // a reset, a learning procedure or a failed request
    } kind
        = Nothing;
    uint8_t mixture = 0;
    // What was confirmed and how it went; absent when nothing was.
    bool confirmed = false;
    tuma::ProgrammingFacts facts;
};

class MessageBoxes;

class TProgramForm : public QDialog, public Ui::TProgramForm {
    Q_OBJECT
public:
    explicit TProgramForm(MessageBoxes& boxes, QWidget* parent = nullptr);

    // The link the actions go out on, and the window that follows a learning procedure.
    void useWindows(tuma::Link& link, TProgramTumaForm* progressWindow);

    // Shows the dialog modally. The mixture scales by the maximum correction, taken
    // from this text (limite_corr's) when OK is pressed, with the user's separator.
    ProgrammingOutcome program(const QString& maxCorrectionText, char decimalSeparator);

    void prog_typeClick();
    void button_OKClick();
    void button_CancelClick();

    // The radio groups' selected items.
    int progTypeIndex() const { return progTypeGroup.checkedId(); }
    int mixIndex() const { return mixGroup.checkedId(); }
    void setProgTypeIndex(int i);
    void setMixIndex(int i);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    MessageBoxes& boxes;
    QButtonGroup progTypeGroup;
    QButtonGroup mixGroup;
    tuma::Link* link = nullptr;
    TProgramTumaForm* progress = nullptr;
    std::string maxCorrection;
    char decimalSep = '.';
    ProgrammingOutcome outcome;
};
