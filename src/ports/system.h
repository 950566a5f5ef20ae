#pragma once
// What the program and tuma-cli take from the system they run on: its serial ports,
// the port object and device path for a port name, and the user's decimal separator.
// One file per system defines it, chosen in CMake: system_posix.cpp (Qt SerialPort and
// Qt's view of the locale) and system_win32.cpp (the registry's port list, SetupAPI's
// device names, the Win32 port and the regional settings).
#include "core/link.h"
#include "core/serial_port.h"

#include <memory>
#include <string>
#include <vector>

namespace tuma {

// The serial ports the system lists, in its order. Descriptions are looked up only
// when asked for: the port dialog shows names alone.
std::vector<PortEntry> systemPorts(bool withDescriptions);
// An unopened port of the system's kind.
std::unique_ptr<SerialPort> makeSystemPort();
// How a port name becomes the device to open.
Link::DevicePathRule systemDevicePathRule();
// The user's decimal separator, from the regional settings, through
// usableDecimalSeparator() (core/number_text.h).
char userDecimalSeparator();

} // namespace tuma
