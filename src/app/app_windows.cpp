#include "app_windows.h"

#include "demo_port.h"
#include "porta_serial.h"
#include "principal.h"
#include "program.h"
#include "tumaprogram.h"

#ifdef _WIN32
#include "core/win32_serial_port.h"
#include "core/win32_system.h"
#else
#include "core/qt_serial_port.h"
#include <QSerialPortInfo>
#endif

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
#ifdef _WIN32
    for (const std::string& name : tuma::serialCommPorts())
        names << QString::fromLocal8Bit(name.c_str());
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
#endif
    return names;
}

Platform systemPlatform()
{
    Platform p;
    p.listPorts = systemPorts;
    p.makePort = [](const std::string& name) -> std::unique_ptr<tuma::SerialPort> {
        if (demoPortEnabled() && name == DemoPortName)
            return makeDemoPort();
#ifdef _WIN32
        return std::make_unique<tuma::Win32SerialPort>();
#else
        return std::make_unique<tuma::QtSerialPort>();
#endif
    };
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
