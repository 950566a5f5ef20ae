#include "ports/system.h"

#include "core/number_text.h"
#include "ports/win32_serial_port.h"
#include "ports/win32_system.h"

#include <windows.h>

namespace tuma {

std::vector<PortEntry> systemPorts(bool withDescriptions)
{
    std::vector<PortEntry> list;
    const std::map<std::string, std::string> friendly =
        withDescriptions ? portFriendlyNames() : std::map<std::string, std::string>();
    for (const std::string& name : serialCommPorts()) {
        const auto it = friendly.find(name);
        list.push_back({name, it == friendly.end() ? std::string() : it->second});
    }
    return list;
}

std::unique_ptr<SerialPort> makeSystemPort() { return std::make_unique<Win32SerialPort>(); }

Link::DevicePathRule systemDevicePathRule() { return windowsDevicePath; }

char userDecimalSeparator()
{
    // Also a separator the user changed by hand in the regional settings.
    char sep[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, sizeof sep) > 0 && sep[1] == '\0')
        return usableDecimalSeparator(sep[0]);
    return '.';
}

} // namespace tuma
