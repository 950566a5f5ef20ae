#pragma once
// What the windows take from the system: the list of serial ports, the ports
// themselves and the user's decimal separator. Tests put a simulated line in their
// place.
#include "core/link.h"

#include <QStringList>

#include <functional>

struct Platform {
    std::function<QStringList()> listPorts;
    // The same ports with their adapters' names, for a search; empty: the names alone.
    std::function<std::vector<tuma::PortEntry>()> describePorts;
    tuma::Link::PortFactory makePort;
    tuma::Link::DevicePathRule devicePath = tuma::posixDevicePath;
    char decimalSeparator = '.';
};
