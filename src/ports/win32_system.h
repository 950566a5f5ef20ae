#pragma once
// What the program takes from Windows besides the port itself.
#include <string>
#include <vector>

namespace tuma {

// The port names listed under HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: the
// string data of its values, in the order the registry enumerates them. Values that
// hold no string are skipped; an absent key gives an empty list.
std::vector<std::string> serialCommPorts();

// The user's decimal separator from the regional settings (also one changed by hand).
char userDecimalSeparator();

} // namespace tuma
