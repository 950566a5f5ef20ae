#pragma once
// "Procurar controlador...": each serial port asked in turn for the controller's version,
// with the very request and timing of the port dialog's OK, each port closed again
// before the next. A port another program holds is passed by and said so; the PC's own
// ports (a motherboard's UART, often not even wired) are asked only when every port is.
#include "core/link.h"
#include "core/serial_port.h"

#include <string>
#include <vector>

namespace tuma {

bool builtInPort(const PortEntry& port);

struct PortProbe {
    enum class Result { Waiting, NotAsked, Connected, Busy, Refused, Missing, Silent, Answered };
    PortEntry port;
    Result result = Result::Waiting;
    std::string version; // "2.5", when it answered
};
// What was found, in the technician's words: "respondeu: controlador versão 2.5".
std::string probeText(const PortProbe& probe);

class PortSearch {
public:
    // `connected`: the port this program's link already holds, checked, with `version`;
    // it is not opened again.
    PortSearch(std::vector<PortEntry> ports, bool allPorts, Link::PortFactory factory, Link::DevicePathRule rule,
               const std::string& connected = {}, const std::string& version = {});
    // Asks the next port that is to be asked; false once none is left.
    bool next();
    const std::vector<PortProbe>& probes() const { return list; }
    // The ports where a controller answered (the connected one included).
    std::vector<std::string> found() const;

private:
    std::vector<PortProbe> list;
    Link::PortFactory factory;
    Link::DevicePathRule rule;
    size_t at = 0;
};

} // namespace tuma
