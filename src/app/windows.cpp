#include "windows.h"

#include "core/qt_serial_port.h"
#include "demo_port.h"
#include "porta_serial.h"
#include "principal.h"
#include "program.h"
#include "tumaprogram.h"

#include <QSerialPortInfo>
#ifdef Q_OS_WIN
#include <QSettings>
#endif

TMainForm* MainForm = nullptr;
TForm2* Form2 = nullptr;
TProgramForm* ProgramForm = nullptr;
TProgramTumaForm* ProgramTumaForm = nullptr;

static QStringList systemPorts()
{
    QStringList names;
#ifdef Q_OS_WIN
    // The names Windows lists under HARDWARE\DEVICEMAP\SERIALCOMM, in its order.
    QSettings key("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM", QSettings::NativeFormat);
    for (const QString& value : key.childKeys()) {
        const QVariant data = key.value(value);
        if (data.typeId() == QMetaType::QString)
            names << data.toString();
    }
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
#endif
    if (demoPortEnabled())
        names << DemoPortName;
    return names;
}

Platform systemPlatform()
{
    Platform p;
    p.listPorts = systemPorts;
    p.makePort = [](const std::string& name) -> std::unique_ptr<tuma::SerialPort> {
        if (demoPortEnabled() && name == DemoPortName)
            return makeDemoPort();
        return std::make_unique<tuma::QtSerialPort>();
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
