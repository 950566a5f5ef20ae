#include "widgets/handlers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtDebug>

#include <memory>

const char* const ApplicationTitle = "Tuma Programável";

void showApplicationError(const QString& text)
{
    if (auto* display = dynamic_cast<ErrorDisplay*>(QCoreApplication::instance()))
        display->showError(text);
    else
        qWarning().noquote() << text;
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
