#pragma once
// The progress window that follows a learning procedure until the controller
// reports it finished or the user cancels it.
#include "forms/ui_tumaprogram.h"
#include "widgets/live_boxes.h"

#include <QDialog>
#include <QTimer>

namespace tuma {
class Link;
}

class MessageBoxes;

class TProgramTumaForm : public QDialog, public Ui::TProgramTumaForm {
    Q_OBJECT
public:
    explicit TProgramTumaForm(MessageBoxes& boxes, QWidget* parent = nullptr);

    // The link the window polls on.
    void useLink(tuma::Link& controllerLink) { link = &controllerLink; }

    enum class Procedure { LambdaIdle, Map };
    // Follows a learning procedure that has just been started, until it ends; true when
    // the controller reported it finished (false: cancelled).
    bool follow(Procedure procedure);

    void Timer1Timer();
    void button_CancelClick();

    // The procedure followed, kept as the window's integer Tag: 0 for the lambda probe
    // and idle speed, anything else for the MAP sensor.
    int Tag = 0;
    Procedure procedure() const { return Tag == 0 ? Procedure::LambdaIdle : Procedure::Map; }
    QTimer* Timer1;

protected:
    // The window has no close box: it ends by completion or by Cancel only.
    void reject() override { }
    void closeEvent(QCloseEvent* e) override;

private:
    MessageBoxes& boxes;
    void finish();
    bool completed = false;
    tuma::Link* link = nullptr;
    LiveBoxes live;
};
