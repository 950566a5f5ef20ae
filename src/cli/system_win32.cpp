#include "cli/system.h"

#include "ports/win32_serial_port.h"
#include "ports/win32_system.h"

#include <io.h>

namespace tuma::cli {

CliSystem hostSystem()
{
    CliSystem s;
    s.portFactory = [](const std::string&) { return std::make_unique<Win32SerialPort>(); };
    s.devicePathRule = windowsDevicePath;
    s.listPorts = [] {
        std::vector<PortEntry> list;
        const std::map<std::string, std::string> friendly = portFriendlyNames();
        for (const std::string& name : serialCommPorts()) {
            const auto it = friendly.find(name);
            list.push_back({name, it == friendly.end() ? std::string() : it->second});
        }
        return list;
    };
    s.decimalSeparator = userDecimalSeparator() == ',' ? ',' : '.';
    s.inputIsTerminal = _isatty(0);
    s.outputIsTerminal = _isatty(1);
    s.programVersion = TUMA_VERSION;
    return s;
}

} // namespace tuma::cli
