#include "app/platform.h"

#include "ports/qt_serial_port.h"

#include <QLocale>
#include <QSerialPortInfo>

QStringList systemPortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}

std::unique_ptr<tuma::SerialPort> makeSystemPort() { return std::make_unique<tuma::QtSerialPort>(); }

tuma::Link::DevicePathRule systemDevicePathRule() { return tuma::posixDevicePath; }

char systemDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    const QChar c = point.isEmpty() ? QChar('.') : point.at(0);
    return c.toLatin1() ? c.toLatin1() : '.';
}
