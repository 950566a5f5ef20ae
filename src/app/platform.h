#pragma once
// What the program takes from the system it runs on. One file per system defines
// these: platform_win32.cpp (the Win32 port, the registry's port list, the user's
// regional settings) and platform_posix.cpp (Qt SerialPort and its port list).
#include "core/link.h"

#include <QStringList>

#include <memory>

// The serial ports the system lists, in its order.
QStringList systemPortNames();
// An unopened port of the system's kind.
std::unique_ptr<tuma::SerialPort> makeSystemPort();
// How a port name becomes the device to open.
tuma::Link::DevicePathRule systemDevicePathRule();
// The user's decimal separator.
char systemDecimalSeparator();
// Settles how the windows reach the display; runs before the application object
// exists, and what it set is undone by displayReached() once it has been read.
void beforeDisplay();
void displayReached();
