#include "cli/cli.h"

#include "cli/args.h"
#include "cli/session.h"

#include <exception>
#include <ostream>

namespace tuma::cli {

int runCli(const std::vector<std::string>& argList, CliSystem& system)
{
    const Args args = parseArgs(argList);
    if (args.help) {
        *system.out << Usage;
        return Done;
    }
    if (!args.error.empty()) {
        *system.err << "tuma-cli: " << args.error << "\n" << Usage;
        return BadUsage;
    }
    try {
        Session session(args, system);
        return session.run();
    } catch (const std::exception& e) {
        *system.err << "tuma-cli: " << e.what() << "\n";
        return Failed;
    }
}

} // namespace tuma::cli
