// tuma-cli ports, version and backup: what asks the controller and keeps what it says.
#include "cli/session.h"

#include "core/texts.h"
#include "core/workshop_files.h"

namespace tuma::cli {

using texts::CommFailure;

int Session::ports()
{
    const std::vector<PortEntry> list = sys.listPorts ? sys.listPorts() : std::vector<PortEntry>{};
    if (list.empty())
        out() << "Nenhuma porta serial encontrada.\n";
    for (const PortEntry& p : list) {
        out() << p.name;
        if (!p.description.empty())
            out() << "\t" << p.description;
        if (args.probe) {
            Link probe(sys.portFactory, sys.devicePathRule);
            commands::Version v;
            if (!probe.OpenPort(p.name))
                out() << "\t(em uso ou sem permissão: deixada como está)";
            else if (commands::readVersion(probe, v))
                out() << "\tcontrolador versão " << int(v.major) << "." << int(v.minor);
            else
                out() << "\tsem resposta";
        }
        out() << "\n";
    }
    return Done;
}

int Session::version()
{
    if (!open())
        return Failed;
    commands::Version v;
    if (!commands::readVersion(link, v))
        return failed(CommFailure);
    out() << int(v.major) << "." << int(v.minor) << "\n";
    return Done;
}

int Session::backup()
{
    if (args.positional.size() > 1)
        return usage("backup leva no máximo um arquivo");
    // Named as the windows name a file saved now; a name already taken gets the next number.
    const std::string path = args.positional.empty()
        ? files::unusedPath(files::fileName("", files::nameStamp(files::Moment::now()), files::ParameterExtension),
                            exists)
        : args.positional[0];
    if (!args.force && exists(path))
        return badFile(path + " já existe (use --force para sobrescrever)");
    if (!open())
        return Failed;
    Block image{};
    std::string versionText;
    if (!readBlock(image, versionText))
        return failed(CommFailure);
    if (history::Store* h = historyStore()) {
        history::Entry e = entryNow(history::Kind::Read, versionText);
        e.block = image;
        e.detail = "tuma-cli backup";
        h->add(e);
    }
    std::string why;
    if (!writeFile(path, formatParameterFile(headerNow(versionText), image), why))
        return failed(why);
    out() << "Parâmetros salvos em " << path << "\n";
    return Done;
}

} // namespace tuma::cli
