#pragma once
// tuma-cli's commands over the same link, protocol calls and parameter table as the
// windows. The system's parts (ports, clock, terminal) come in through CliSystem, so
// that tests run the commands against a simulated controller.
#include "core/link.h"

#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace tuma::cli {

enum Exit { Done = 0, Failed = 1, BadUsage = 2 };

struct CliSystem {
    Link::PortFactory portFactory;
    Link::DevicePathRule devicePathRule = posixDevicePath;
    std::function<std::vector<PortEntry>()> listPorts;
    char decimalSeparator = '.';
    bool inputIsTerminal = false;
    bool outputIsTerminal = false;
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    std::string programVersion;
    // The workshop's history, in the program's own data folder; empty: none. One found
    // where earlier versions kept it (Documentos/Tuma/historico.sqlite) is moved there first.
    std::string historyFile;
    std::string oldHistoryFile;
    // Puts a whole file under a name, the old one or the new one there whatever happens
    // (ports/system.h's replaceFile).
    bool (*replaceFile)(const std::string& path, const std::string& bytes, std::string& why) = nullptr;
    // Set (from a signal handler) to end `log`.
    std::atomic<bool>* stop = nullptr;
};

int runCli(const std::vector<std::string>& args, CliSystem& system);

} // namespace tuma::cli
