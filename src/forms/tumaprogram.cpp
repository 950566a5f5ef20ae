#include "forms/tumaprogram.h"

#include "core/commands.h"
#include "core/memory_map.h"
#include "widgets/handlers.h"
#include "widgets/message_box.h"

#include <QCloseEvent>

using namespace tuma;

TProgramTumaForm::TProgramTumaForm(MessageBoxes& b, QWidget* parent) : QDialog(parent), boxes(b)
{
    setupUi(this);
    live = LiveBoxes(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    move(463, 225);
    mensagem2->hide();
    mensagem3->hide();
    button_Cancel->setAutoDefault(true);
    button_Cancel->setFocus();
    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connectTick(Timer1, this, [this] { Timer1Timer(); });
    connect(button_Cancel, &QPushButton::clicked, this, whenEnabled(button_Cancel, [this] { button_CancelClick(); }));
}

void TProgramTumaForm::closeEvent(QCloseEvent* e) { e->ignore(); }

void TProgramTumaForm::finish() { done(QDialog::Accepted); }

bool TProgramTumaForm::follow(Procedure procedure)
{
    completed = false;
    const bool map = procedure == Procedure::Map;
    mensagem->setText(map ? "Programando Sensor MAP" : "Programando Sonda / RPM");
    Tag = map ? 1 : 0;
    Timer1->start();
    exec();
    return completed;
}

void TProgramTumaForm::Timer1Timer()
{
    uint8_t buffer[addr::LiveCount] = {};
    // The short read holds no engine speed: the scale is never read.
    if (commands::readShortLive(*link, buffer))
        live.show(buffer, addr::ShortLiveFirst, "1");
    uint8_t status = 0;
    if (!commands::readStatus(*link, buffer, status))
        return;
    if (procedure() == Procedure::LambdaIdle) {
        if (!(status & bits::LambdaIdleRunning)) {
            Timer1->stop();
            completed = true;
            boxes.showMessage("Programação Completada!", "Completada");
            finish();
        }
        return;
    }
    if (status & bits::MapRunning) {
        if (status & bits::MapWaitsOperator) {
            mensagem2->setVisible(mensagem2->isHidden());
            mensagem3->setVisible(mensagem3->isHidden());
        }
    } else {
        Timer1->stop();
        mensagem2->hide();
        mensagem3->hide();
        completed = true;
        boxes.showMessage("Programação Completada!", "Completada");
        finish();
    }
}

void TProgramTumaForm::button_CancelClick()
{
    // Stopped first: a tick inside the box below would find the aborted procedure
    // no longer running and report it as completed.
    Timer1->stop();
    if (commands::setProgramMode(*link, programMode::Reset))
        boxes.showMessage("Programação Abortada!", "Cancelado");
    // The next procedure starts without the prompts of an aborted MAP learning.
    mensagem2->hide();
    mensagem3->hide();
    finish();
}
