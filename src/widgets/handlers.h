#pragma once
// How the windows' event handlers run: an error that a handler does not catch goes to
// the application's standard error display, which shows its text, and the program goes
// on; buttons act only while enabled; timer ticks wait for input that came meanwhile.
#include <QAbstractButton>
#include <QString>
#include <QTimer>

#include <exception>
#include <functional>
#include <utility>

extern const char* const ApplicationTitle;

// The application's standard error display. The application object implements it; a
// program whose application object does not says the error on standard error.
class ErrorDisplay {
public:
    virtual ~ErrorDisplay() = default;
    virtual void showError(const QString& text) = 0;
};

void showApplicationError(const QString& text);
void showApplicationError(std::exception_ptr error);

// Wraps an event handler so that what it does not catch reaches the error display.
template <class F>
auto guarded(F handler)
{
    return [handler = std::move(handler)]() {
        try {
            handler();
        } catch (...) {
            showApplicationError(std::current_exception());
        }
    };
}

// A button's click handler that acts only while the button is enabled. An accelerator
// presses its button with an animated click that lands 100 ms later: by then the
// button may have been disabled (a failed poll), and a disabled button does nothing.
template <class F>
auto whenEnabled(QAbstractButton* button, F handler)
{
    return guarded([button, handler = std::move(handler)]() {
        if (button->isEnabled())
            handler();
    });
}

// Connects a timer to its handler. A handler that outlasts the interval (a silent
// controller) lets a tick fall due; input that came meanwhile, such as a click on
// Cancel, is served before that one further tick, as on a platform whose timer
// messages wait while input is pending.
void connectTick(QTimer* timer, QObject* context, std::function<void()> handler);
