#pragma once
// The serial port dialog; it also owns the link to the controller.
#include "core/link.h"
#include "forms/platform.h"
#include "forms/ui_porta_serial.h"

#include <QDialog>

class MessageBoxes;

class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    TForm2(const Platform& platform, MessageBoxes& boxes, QWidget* parent = nullptr);
    ~TForm2() override;

    void FormCreate();
    void button_OKClick();
    void button_CancelClick();
    // Selects `port` in the list (typed in, when the list lacks it).
    void choosePort(const QString& port);

    // The link operations; every window exchanges through link().
    bool OpenPort();
    bool ClosePort() { return controllerLink.ClosePort(); }

    // True when the last OK found a controller that answered with its version.
    bool linkChecked() const { return checked; }
    // What that check found: the controller's version ("2.5") and the port's name.
    QString controllerVersion() const { return checked ? version : QString(); }
    QString checkedPort() const { return checked ? port : QString(); }
    // The link, for the protocol calls of every window.
    tuma::Link& link() { return controllerLink; }

private:
    MessageBoxes& boxes;
    tuma::Link controllerLink;
    std::function<QStringList()> listPorts;
    bool checked = false;
    QString version, port;
};
