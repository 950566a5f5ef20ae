#include "cli/terminal.h"

#include <io.h>

namespace tuma::cli {
bool inputIsTerminal() { return _isatty(0); }
bool outputIsTerminal() { return _isatty(1); }
} // namespace tuma::cli
