#include "core/port_search.h"

#include "core/commands.h"

namespace tuma {

namespace {
bool has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }
} // namespace

bool builtInPort(const PortEntry& p)
{
    // Linux names a motherboard's UARTs ttyS (32 of them, wired or not); Windows
    // describes them as the standard communications port, in the system's language.
    return p.name.compare(0, 4, "ttyS") == 0 || has(p.description, "Communications Port")
        || has(p.description, "Porta de comunica");
}

std::string probeText(const PortProbe& p)
{
    using R = PortProbe::Result;
    switch (p.result) {
    case R::Waiting:
        return "aguardando";
    case R::NotAsked:
        return "porta do próprio computador: não procurada (marque \"Todas as portas\")";
    case R::Connected:
        return "já conectada neste programa: controlador versão " + p.version;
    case R::Busy:
        return "ocupada por outro programa: não procurada";
    case R::Refused:
        return "sem permissão, ou ocupada por outro programa";
    case R::Missing:
        return "não pôde ser aberta";
    case R::Silent:
        return "sem resposta";
    case R::Answered:
        return "respondeu: controlador versão " + p.version;
    }
    return {};
}

PortSearch::PortSearch(std::vector<PortEntry> ports, bool allPorts, Link::PortFactory f, Link::DevicePathRule r,
                       const std::string& connected, const std::string& version)
    : factory(std::move(f)), rule(r)
{
    for (PortEntry& port : ports) {
        PortProbe p{std::move(port), PortProbe::Result::Waiting, {}};
        if (!connected.empty() && p.port.name == connected) {
            p.result = PortProbe::Result::Connected;
            p.version = version;
        } else if (!allPorts && builtInPort(p.port)) {
            p.result = PortProbe::Result::NotAsked;
        }
        list.push_back(std::move(p));
    }
}

bool PortSearch::next()
{
    while (at < list.size() && list[at].result != PortProbe::Result::Waiting)
        ++at;
    if (at >= list.size())
        return false;
    PortProbe& p = list[at++];
    using R = PortProbe::Result;
    Link link(factory, rule);
    if (!link.OpenPort(p.port.name)) {
        const PortError why = link.openFailure();
        p.result = why == PortError::Busy ? R::Busy : why == PortError::Denied ? R::Refused : R::Missing;
        return true;
    }
    commands::Version v;
    if (commands::readVersion(link, v)) {
        p.result = R::Answered;
        p.version = std::to_string(v.major) + "." + std::to_string(v.minor);
    } else {
        p.result = R::Silent;
    }
    link.ClosePort();
    return true;
}

std::vector<std::string> PortSearch::found() const
{
    std::vector<std::string> names;
    for (const PortProbe& p : list)
        if (p.result == PortProbe::Result::Answered || p.result == PortProbe::Result::Connected)
            names.push_back(p.port.name);
    return names;
}

} // namespace tuma
