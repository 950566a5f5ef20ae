#pragma once
// The platform the program runs on: the system's serial ports and regional settings,
// and the demo port when TUMA_SIMULATOR is set.
#include "forms/platform.h"

Platform systemPlatform();
