#pragma once
// tuma-cli's command line: the options, the command and its arguments, and the usage
// text printed with a mistake in them.
#include <string>
#include <vector>

namespace tuma::cli {

extern const char* const Usage;

struct Args {
    std::string port, command;
    std::vector<std::string> positional;
    bool force = false, yes = false, probe = false, help = false;
    int seconds = 0;
    std::string filter, history;
    int limit = 50;
    std::string error;
};

// The line's words; a mistake is named in `error`.
Args parseArgs(const std::vector<std::string>& args);

} // namespace tuma::cli
