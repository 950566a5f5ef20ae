#include "app/system_platform.h"

#include "app/demo_port.h"
#include "ports/system.h"

namespace {
QStringList systemPortNames()
{
    QStringList names;
    // The demo port comes first, so that it is the one preselected.
    if (demoPortEnabled())
        names << DemoPortName;
    for (const tuma::PortEntry& port : tuma::systemPorts(false))
        names << QString::fromLocal8Bit(port.name.c_str());
    return names;
}
} // namespace

Platform systemPlatform()
{
    Platform p;
    p.listPorts = systemPortNames;
    p.describePorts = [] {
        std::vector<tuma::PortEntry> ports;
        if (demoPortEnabled())
            ports.push_back({DemoPortName, "Controlador simulado (demonstração)"});
        for (tuma::PortEntry& port : tuma::systemPorts(true))
            ports.push_back(std::move(port));
        return ports;
    };
    p.makePort = [](const std::string& name) -> std::unique_ptr<tuma::SerialPort> {
        if (demoPortEnabled() && name == DemoPortName)
            return makeDemoPort();
        return tuma::makeSystemPort();
    };
    p.devicePath = tuma::systemDevicePathRule();
    p.decimalSeparator = tuma::userDecimalSeparator();
    return p;
}
