#pragma once
// The four windows, created once at start and reached through these instances.
#include "core/link.h"

#include <QStringList>

#include <functional>

class TMainForm;
class TForm2;
class TProgramForm;
class TProgramTumaForm;

extern TMainForm* MainForm;
extern TForm2* Form2;
extern TProgramForm* ProgramForm;
extern TProgramTumaForm* ProgramTumaForm;

// What the windows take from the system: the list of serial ports and the ports
// themselves. Tests put a simulated line in their place.
struct Platform {
    std::function<QStringList()> listPorts;
    tuma::Link::PortFactory makePort;
    tuma::Link::DevicePathRule devicePath = tuma::posixDevicePath;
};

// The system's serial ports, and the demo port when TUMA_SIMULATOR is set.
Platform systemPlatform();

void createWindows(const Platform& platform);
void destroyWindows();
