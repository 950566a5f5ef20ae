#include "app/display.h"

// Windows paints through GDI, with nothing to settle beforehand.
void beforeDisplay() { }
void displayReached() { }
