#pragma once
// The running system's ports, terminal and regional settings for tuma-cli; one file
// per system defines it (system_posix.cpp, system_win32.cpp).
#include "cli/cli.h"

namespace tuma::cli {
CliSystem hostSystem();
}
