#include "app/application.h"
#include "app/app_windows.h"
#include "app/principal.h"

int main(int argc, char** argv)
{
    TumaApplication app(argc, argv);
    nameApplication();
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
