#pragma once
// The four windows, created once at start and reached through these instances. Only
// the program's composition (house.cpp) and this list's own file include this header:
// the windows are handed what they need instead of reaching for each other.
#include "forms/platform.h"

class MessageBoxes;
class TMainForm;
class TForm2;
class TProgramForm;
class TProgramTumaForm;

extern TMainForm* MainForm;
extern TForm2* Form2;
extern TProgramForm* ProgramForm;
extern TProgramTumaForm* ProgramTumaForm;

void createWindows(const Platform& platform, MessageBoxes& boxes);
void destroyWindows();
