#include "ports/system.h"

#include "core/number_text.h"
#include "ports/qt_serial_port.h"

#include <QLocale>
#include <QSerialPortInfo>

namespace tuma {

namespace {
// The adapter's maker and product as the USB device reports them (sysfs).
std::string describe(const QSerialPortInfo& info)
{
    QString d = info.manufacturer();
    if (!info.description().isEmpty())
        d += (d.isEmpty() ? "" : " ") + info.description();
    if (info.hasVendorIdentifier())
        d += QString(" [%1:%2]")
                 .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                 .arg(info.productIdentifier(), 4, 16, QChar('0'));
    return d.trimmed().toStdString();
}
} // namespace

std::vector<PortEntry> systemPorts(bool withDescriptions)
{
    std::vector<PortEntry> list;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        list.push_back({info.portName().toStdString(), withDescriptions ? describe(info) : std::string()});
    return list;
}

std::unique_ptr<SerialPort> makeSystemPort() { return std::make_unique<QtSerialPort>(); }

Link::DevicePathRule systemDevicePathRule() { return posixDevicePath; }

char userDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return usableDecimalSeparator(point.size() == 1 ? point.at(0).toLatin1() : '\0');
}

} // namespace tuma
