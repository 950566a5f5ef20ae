#include "app/platform.h"

#include "ports/win32_serial_port.h"
#include "ports/win32_system.h"

QStringList systemPortNames()
{
    QStringList names;
    for (const std::string& name : tuma::serialCommPorts())
        names << QString::fromLocal8Bit(name.c_str());
    return names;
}

std::unique_ptr<tuma::SerialPort> makeSystemPort() { return std::make_unique<tuma::Win32SerialPort>(); }

tuma::Link::DevicePathRule systemDevicePathRule() { return tuma::windowsDevicePath; }

char systemDecimalSeparator() { return tuma::userDecimalSeparator(); }

// Windows paints through GDI, with nothing to settle beforehand.
void beforeDisplay() {}
void displayReached() {}
