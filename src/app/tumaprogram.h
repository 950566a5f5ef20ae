#pragma once
// The progress window that follows a learning procedure until the controller
// reports it finished or the user cancels it.
#include "app/ui_tumaprogram.h"

#include <QDialog>
#include <QTimer>

class TProgramTumaForm : public QDialog, public Ui::TProgramTumaForm {
    Q_OBJECT
public:
    explicit TProgramTumaForm(QWidget* parent = nullptr);

    enum class Procedure { LambdaIdle, Map };
    // Follows a learning procedure that has just been started, until it ends.
    void follow(Procedure procedure);

    void Timer1Timer();
    void button_CancelClick();

    int Tag = 0; // 0: lambda probe and idle speed; anything else: MAP
    QTimer* Timer1;

protected:
    // The window has no close box: it ends by completion or by Cancel only.
    void reject() override {}
    void closeEvent(QCloseEvent* e) override;

private:
    void finish();
};
