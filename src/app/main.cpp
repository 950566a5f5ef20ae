#include "application.h"
#include "principal.h"
#include "windows.h"

int main(int argc, char** argv)
{
    try {
        TumaApplication app(argc, argv);
        QApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
        QApplication::setApplicationDisplayName(QString::fromUtf8(ApplicationTitle));
        applyRegionalSettings();
        int result = 0;
        try {
            createWindows(systemPlatform());
            MainForm->show();
            app.exec();
        } catch (...) {
            showApplicationError(std::current_exception());
        }
        destroyWindows();
        (void)result;
    } catch (...) {
        // Nothing can be shown without the application object.
    }
    return 0;
}
