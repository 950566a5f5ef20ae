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
// Puts `bytes` under `path` so that the name never holds less than a whole file, the
// old one or the new one, whatever stops the program or the PC: written beside it,
// forced to the disk, then moved over it in one step (and, on POSIX, the folder's entry
// forced to the disk too). False, with the system's reason in `why`, when it could not;
// the old file is then as it was.
// `path` in UTF-8 (or, on Windows, in the system's code page as a console's arguments
// come).
bool replaceFile(const std::string& path, const std::string& bytes, std::string& why);
// The folder of the program's own data, that no sync client holds: %LOCALAPPDATA%\Tuma
// on Windows, $XDG_DATA_HOME/tuma (~/.local/share/tuma) elsewhere. UTF-8; not made here.
std::string userDataFolder();
// The computer's name, as the network knows it; UTF-8.
std::string computerName();

} // namespace tuma
