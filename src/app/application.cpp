#include "app/application.h"

#include "app/display.h"
#include "app/message_box.h"
#include "app/paint_cache.h"

#include <QElapsedTimer>

#include <memory>


const char* const ApplicationTitle = "Tuma Programável";

void showApplicationError(const QString& text)
{
    showMessage(text, QString::fromUtf8(ApplicationTitle));
}

void showApplicationError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        showApplicationError(QString::fromUtf8(e.what()));
    } catch (...) {
        showApplicationError(QString());
    }
}

void connectTick(QTimer* timer, QObject* context, std::function<void()> handler)
{
    struct State {
        bool serving = false;
        bool owed = false;
    };
    auto state = std::make_shared<State>();
    QObject::connect(timer, &QTimer::timeout, context, [timer, handler = std::move(handler), state] {
        if (state->serving && !state->owed) {
            state->owed = true; // the tick that fell due: it follows the input
            return;
        }
        // Further ticks while serving come from a window that the input opened (a
        // modal dialog runs its own loop): they run as usual.
        QElapsedTimer took;
        took.start();
        guarded(handler)();
        while (timer->isActive() && took.elapsed() >= timer->interval()) {
            state->serving = true;
            state->owed = false;
            QCoreApplication::processEvents();
            state->serving = false;
            if (!state->owed || !timer->isActive())
                break;
            took.restart();
            guarded(handler)();
        }
    });
}

void nameApplication()
{
    QApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
}

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
