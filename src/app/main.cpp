#include "app/application.h"
#include "app/principal.h"
#include "app/app_windows.h"

int main(int argc, char** argv)
{
    TumaApplication app(argc, argv);
    nameApplication();
    applyRegionalSettings();
    try {
        createWindows(systemPlatform());
        MainForm->show();
        app.exec();
    } catch (...) {
        showApplicationError(std::current_exception());
    }
    destroyWindows();
    return 0;
}
