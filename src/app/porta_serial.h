#pragma once
// The serial port dialog; it also owns the link to the controller.
#include "core/link.h"
#include "app/ui_porta_serial.h"
#include "app/app_windows.h"

#include <QDialog>

class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(const Platform& platform, QWidget* parent = nullptr);
    ~TForm2() override;

    void FormCreate();
    void button_OKClick();
    void button_CancelClick();

    // The link operations, for every window.
    bool OpenPort();
    bool Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t* data, size_t room)
    {
        return controllerLink.Exchange(command, address, count, data, room);
    }
    template <size_t Room>
    bool Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t (&data)[Room])
    {
        return controllerLink.Exchange(command, address, count, data, Room);
    }
    bool ClosePort() { return controllerLink.ClosePort(); }

    // True when the last OK found a controller that answered with its version.
    bool linkChecked() const { return checked; }
    // The link, for the protocol calls of every window.
    tuma::Link& link() { return controllerLink; }

private:
    tuma::Link controllerLink;
    std::function<QStringList()> listPorts;
    bool checked = false;
};
