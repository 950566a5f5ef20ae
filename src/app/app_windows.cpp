#include "app/app_windows.h"

#include "app/demo_port.h"
#include "app/porta_serial.h"
#include "app/principal.h"
#include "app/program.h"
#include "app/platform.h"
#include "app/tumaprogram.h"

TMainForm* MainForm = nullptr;
TForm2* Form2 = nullptr;
TProgramForm* ProgramForm = nullptr;
TProgramTumaForm* ProgramTumaForm = nullptr;

static QStringList systemPorts()
{
    QStringList names;
    // The demo port comes first, so that it is the one preselected.
    if (demoPortEnabled())
        names << DemoPortName;
    names << systemPortNames();
    return names;
}

Platform systemPlatform()
{
    Platform p;
    p.listPorts = systemPorts;
    p.makePort = [](const std::string& name) -> std::unique_ptr<tuma::SerialPort> {
        if (demoPortEnabled() && name == DemoPortName)
            return makeDemoPort();
        return makeSystemPort();
    };
    p.devicePath = systemDevicePathRule();
    return p;
}

void createWindows(const Platform& platform)
{
    MainForm = new TMainForm();
    Form2 = new TForm2(platform);
    ProgramForm = new TProgramForm();
    ProgramTumaForm = new TProgramTumaForm();
}

void destroyWindows()
{
    delete ProgramTumaForm;
    ProgramTumaForm = nullptr;
    delete ProgramForm;
    ProgramForm = nullptr;
    delete Form2; // closes the port, putting its timeouts back
    Form2 = nullptr;
    delete MainForm;
    MainForm = nullptr;
}
