#include "tumaprogram.h"

#include "application.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "message_box.h"
#include "porta_serial.h"
#include "principal.h"

#include <QCloseEvent>

using namespace tuma;

TProgramTumaForm::TProgramTumaForm(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
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

void TProgramTumaForm::Timer1Timer()
{
    uint8_t buffer[10] = {};
    if (Form2->Exchange(cmd::ReadLive, addr::ShortLiveFirst, addr::LiveCount, buffer)) {
        auto at = [&buffer](uint16_t a) { return buffer[addr::at(a, addr::ShortLiveFirst)]; };
        atual_temp->setText(QString::fromStdString(formatGeneral(MainForm->AdcToCelsius(at(addr::EngineTemp)))));
        atual_map->setText(QString::fromStdString(mapVoltageDecode(at(addr::MapVoltage))));
        atual_lambda->setText(QString::fromStdString(millivoltText(at(addr::LambdaVoltage))));
    }
    // An answer without the status byte would leave the value bytes in its place,
    // and they could read as "finished".
    if (!Form2->Exchange(cmd::ReadLive, addr::Status, addr::StatusCount, buffer) || Form2->link.lastPayloadLength < 1)
        return;
    const uint8_t status = buffer[0];
    if (Tag == 0) {
        if (!(status & bits::LambdaIdleRunning)) {
            Timer1->stop();
            showMessage("Programação Completada!", "Completada");
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
        showMessage("Programação Completada!", "Completada");
        finish();
    }
}

void TProgramTumaForm::button_CancelClick()
{
    // Stopped first: a tick inside the box below would find the aborted procedure
    // no longer running and report it as completed.
    Timer1->stop();
    uint8_t data[1] = {programMode::Reset};
    if (Form2->Exchange(cmd::SetProgramMode, 1, 1, data))
        showMessage("Programação Abortada!", "Cancelado");
    // The next procedure starts without the prompts of an aborted MAP learning.
    mensagem2->hide();
    mensagem3->hide();
    finish();
}
