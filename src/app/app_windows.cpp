#include "app/app_windows.h"

#include "forms/porta_serial.h"
#include "forms/principal.h"
#include "forms/program.h"
#include "forms/tumaprogram.h"

TMainForm* MainForm = nullptr;
TForm2* Form2 = nullptr;
TProgramForm* ProgramForm = nullptr;
TProgramTumaForm* ProgramTumaForm = nullptr;

void createWindows(const Platform& platform, MessageBoxes& boxes)
{
    MainForm = new TMainForm(boxes);
    MainForm->setDecimalSeparator(platform.decimalSeparator);
    Form2 = new TForm2(platform, boxes);
    ProgramForm = new TProgramForm(boxes);
    ProgramTumaForm = new TProgramTumaForm(boxes);
    // Who shows whom: the main window opens the port dialog and the programming
    // dialog, which opens the progress window.
    MainForm->useWindows(Form2, ProgramForm);
    ProgramForm->useWindows(Form2->link(), ProgramTumaForm);
    ProgramTumaForm->useLink(Form2->link());
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
