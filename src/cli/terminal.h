#pragma once
// Whether tuma-cli talks to a person: one file per system defines these
// (terminal_posix.cpp, terminal_win32.cpp).
namespace tuma::cli {
bool inputIsTerminal();
bool outputIsTerminal();
} // namespace tuma::cli
