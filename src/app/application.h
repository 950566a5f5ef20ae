#pragma once
// The application object and its standard error display: an error that an event
// handler does not catch is shown with its text and the program goes on.
#include <QApplication>
#include <QString>

#include <exception>
#include <utility>

extern const char* const ApplicationTitle;

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

class TumaApplication : public QApplication {
public:
    TumaApplication(int& argc, char** argv);
    // A last line of defence for handlers not wrapped by guarded().
    bool notify(QObject* receiver, QEvent* event) override;
};

// The user's decimal separator, taken from the regional settings.
void applyRegionalSettings();
