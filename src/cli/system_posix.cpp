#include "cli/system.h"

#include "ports/qt_serial_port.h"

#include <QLocale>
#include <QSerialPortInfo>

#include <unistd.h>

namespace tuma::cli {

CliSystem hostSystem()
{
    CliSystem s;
    s.portFactory = [](const std::string&) { return std::make_unique<QtSerialPort>(); };
    s.devicePathRule = posixDevicePath;
    s.listPorts = [] {
        std::vector<PortEntry> list;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            // The adapter's maker and product as the USB device reports them (sysfs).
            QString d = info.manufacturer();
            if (!info.description().isEmpty())
                d += (d.isEmpty() ? "" : " ") + info.description();
            if (info.hasVendorIdentifier())
                d += QString(" [%1:%2]").arg(info.vendorIdentifier(), 4, 16, QChar('0')).arg(info.productIdentifier(), 4, 16, QChar('0'));
            list.push_back({info.portName().toStdString(), d.trimmed().toStdString()});
        }
        return list;
    };
    const QString point = QLocale::system().decimalPoint();
    s.decimalSeparator = point == "," ? ',' : '.';
    s.inputIsTerminal = isatty(0);
    s.outputIsTerminal = isatty(1);
    s.programVersion = TUMA_VERSION;
    return s;
}

} // namespace tuma::cli
