#include "app/display.h"

#include <QByteArray>
#include <QtGlobal>

namespace {
bool shmTurnedOff = false;
}

// On X, each repaint through shared memory costs a round trip to the server before the
// same pixels may be drawn again, and the live boxes and a focused field's cursor
// repaint the same few hundred pixels twice a second: sent in the request itself they
// cost less and need no reply. The user's own setting, either way, stands.
void beforeDisplay()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
        shmTurnedOff = true;
    }
}

// Read once, when the display is opened; programs started from here get the
// environment as it was.
void displayReached()
{
    if (shmTurnedOff)
        qunsetenv("QT_XCB_NO_MITSHM");
    shmTurnedOff = false;
}
