#pragma once
// How the windows reach the display, settled per system: display_posix.cpp (X) and
// display_win32.cpp (nothing to settle).

// Runs before the application object exists; what it set is undone by
// displayReached() once the display has been opened.
void beforeDisplay();
void displayReached();
