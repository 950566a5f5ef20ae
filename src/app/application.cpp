#include "app/application.h"

#include "app/display.h"
#include "widgets/message_box.h"
#include "widgets/paint_cache.h"

#include <QtDebug>

void nameApplication() { QApplication::setApplicationName(QString::fromUtf8(ApplicationTitle)); }

namespace {
// Settles how the windows reach the display before QApplication opens it; the
// argument count passes through, as the base class's constructor wants it.
int& argcAfterSettlingTheDisplay(int& argc)
{
    beforeDisplay();
    return argc;
}
} // namespace

TumaApplication::TumaApplication(int& argc, char** argv) : QApplication(argcAfterSettlingTheDisplay(argc), argv)
{
    displayReached();
    installPaintCache();
}

bool TumaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showApplicationError(std::current_exception());
        return false;
    }
}

void TumaApplication::showError(const QString& text)
{
    if (boxes)
        boxes->showMessage(text, QString::fromUtf8(ApplicationTitle));
    else
        qWarning().noquote() << text;
}
