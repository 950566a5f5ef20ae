#include "forms/program.h"

#include "core/commands.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "core/texts.h"
#include "forms/tumaprogram.h"
#include "widgets/handlers.h"
#include "widgets/message_box.h"

#include <QKeyEvent>

using namespace tuma;

namespace {
enum Item { Mixture = 0, Reset = 1, LambdaIdle = 2, Map = 3 };
}

TProgramForm::TProgramForm(MessageBoxes& b, QWidget* parent) : QDialog(parent), boxes(b)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    move(411, 169);
    int id = 0;
    for (QRadioButton* r : {prog_type_0, prog_type_1, prog_type_2, prog_type_3})
        progTypeGroup.addButton(r, id++);
    id = 0;
    for (QRadioButton* r : {mix_values_0, mix_values_1, mix_values_2, mix_values_3, mix_values_4})
        mixGroup.addButton(r, id++);
    prog_type_0->setChecked(true);
    mix_values_0->setChecked(true);
    button_OK->setAutoDefault(true);
    button_Cancel->setAutoDefault(true);
    connect(&progTypeGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            guarded([this] { prog_typeClick(); })();
    });
    connect(button_OK, &QPushButton::clicked, this, whenEnabled(button_OK, [this] { button_OKClick(); }));
    connect(button_Cancel, &QPushButton::clicked, this, whenEnabled(button_Cancel, [this] { button_CancelClick(); }));
}

void TProgramForm::useWindows(tuma::Link& controllerLink, TProgramTumaForm* progressWindow)
{
    link = &controllerLink;
    progress = progressWindow;
}

ProgrammingOutcome TProgramForm::program(const QString& maxCorrectionText, char decimalSeparator)
{
    maxCorrection = maxCorrectionText.toStdString();
    decimalSep = decimalSeparator;
    outcome = {};
    exec();
    return outcome;
}

void TProgramForm::setProgTypeIndex(int i)
{
    if (QAbstractButton* b = progTypeGroup.button(i))
        b->setChecked(true);
}

void TProgramForm::setMixIndex(int i)
{
    if (QAbstractButton* b = mixGroup.button(i))
        b->setChecked(true);
}

void TProgramForm::keyPressEvent(QKeyEvent* e)
{
    // No button answers Escape here.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TProgramForm::prog_typeClick() { mix_values->setEnabled(progTypeIndex() == Mixture); }

void TProgramForm::button_OKClick()
{
    const double L = parseDecimal(maxCorrection, decimalSep);
    const int item = progTypeIndex();
    if (boxes.confirm("Confirma Programação do Tuma !!!!", texts::ConfirmCaption) && item >= Mixture && item <= Map) {
        // The byte is kept apart from the buffer, which the answer's payload overwrites.
        uint8_t value = programMode::Reset;
        switch (item) {
        case Mixture:
            value = mixtureByte(mixIndex(), L);
            break;
        case LambdaIdle:
            value = programMode::LambdaIdle;
            break;
        case Map:
            value = programMode::Map;
            break;
        default:
            break;
        }
        const bool sent
            = item == Mixture ? commands::writeMixture(*link, value) : commands::setProgramMode(*link, value);
        outcome = {};
        if (item == Mixture && sent) {
            outcome.kind = ProgrammingOutcome::MixtureStored;
            outcome.mixture = value;
        } else {
            outcome.kind = ProgrammingOutcome::ControllerMayHaveChanged;
        }
        outcome.confirmed = true;
        outcome.facts.action = static_cast<ProgrammingFacts::Action>(item);
        outcome.facts.sent = sent;
        if (item == Mixture) {
            outcome.facts.mixture = value;
            outcome.facts.share = mixIndex();
        }

        if (!sent) {
            boxes.showMessage(texts::CommFailure, texts::CommFailureCaption);
        } else if (item == Mixture || item == Reset) {
            boxes.showMessage(texts::ProgrammingOk, "Programação");
        } else {
            outcome.facts.finished = progress->follow(item == Map ? TProgramTumaForm::Procedure::Map
                                                                  : TProgramTumaForm::Procedure::LambdaIdle);
        }
    }
    close();
}

void TProgramForm::button_CancelClick() { close(); }
