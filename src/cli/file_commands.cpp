// tuma-cli show and diff: a parameter file read, or two compared (or one with the
// controller).
#include "cli/session.h"

#include "core/texts.h"

#include <algorithm>
#include <iterator>

namespace tuma::cli {

using texts::CommFailure;

int Session::show()
{
    if (args.positional.size() != 1)
        return usage("show leva um arquivo");
    ParsedFile f;
    if (!loadFile(args.positional[0], f))
        return BadUsage;
    out() << args.positional[0] << " (" << f.header.date << ", controlador " << f.header.controllerVersion << ", porta "
          << f.header.port << ")\n";
    for (const VehicleField& v : VehicleFields)
        if (const std::string& value = f.header.vehicle.*v.member; !value.empty())
            out() << "  " << v.caption << ": " << value << "\n";
    showImage(f.image);
    return Done;
}

int Session::diff()
{
    if (args.positional.empty() || args.positional.size() > 2)
        return usage("diff leva um ou dois arquivos");
    ParsedFile a, b;
    if (!loadFile(args.positional[0], a))
        return BadUsage;
    Block other{};
    std::string otherName;
    if (args.positional.size() == 2) {
        if (!loadFile(args.positional[1], b))
            return BadUsage;
        other = b.image;
        otherName = args.positional[1];
    } else {
        if (args.port.empty())
            return usage("diff com um arquivo só compara com o controlador: -p PORTA");
        if (!open())
            return Failed;
        if (!commands::readConfig(link, other))
            return failed(CommFailure);
        otherName = "o controlador em " + args.port;
    }
    out() << args.positional[0] << " -> " << otherName << ":\n";
    if (!printDiff(a.image, other)) {
        out() << "  iguais\n";
        return Done;
    }
    return Failed;
}

} // namespace tuma::cli
