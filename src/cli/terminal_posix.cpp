#include "cli/terminal.h"

#include <unistd.h>

namespace tuma::cli {
bool inputIsTerminal() { return isatty(0); }
bool outputIsTerminal() { return isatty(1); }
} // namespace tuma::cli
