#pragma once
// The application object: it settles how the windows reach the display, installs the
// caching style and is the standard error display, in the boxes the start hands it.
#include "widgets/handlers.h"

#include <QApplication>

class MessageBoxes;

// Names the application. The title is the error display's caption only: window
// captions carry nothing but their own text.
void nameApplication();

class TumaApplication : public QApplication, public ErrorDisplay {
public:
    TumaApplication(int& argc, char** argv);
    // A last line of defence for handlers not wrapped by guarded().
    bool notify(QObject* receiver, QEvent* event) override;

    // The boxes errors are shown in; nullptr: standard error.
    void useBoxes(MessageBoxes* b) { boxes = b; }
    void showError(const QString& text) override;

private:
    MessageBoxes* boxes = nullptr;
};
