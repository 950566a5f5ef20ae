#pragma once
// The registry's and SetupAPI's view of the serial ports, behind ports/system.h.
#include <map>
#include <string>
#include <vector>

namespace tuma {

// The port names listed under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: the
// string data of its values, in the order the registry enumerates them. Values that
// hold no string are skipped; an absent key gives an empty list.
std::vector<std::string> serialCommPorts();

// The friendly name of each present port device, by its port name, as the Device
// Manager shows it ("USB-SERIAL CH340 (COM5)"), from SetupAPI.
std::map<std::string, std::string> portFriendlyNames();

} // namespace tuma
