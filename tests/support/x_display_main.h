#pragma once
// The main of the tests that run on a virtual X display (gui/xserver.sh): the display
// named in the file TUMA_X_DISPLAY_FILE, the program's own application object.
#include "app/application.h"

#include <QApplication>
#include <QFile>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tuma::test {

inline int runOnXDisplay(int argc, char** argv)
{
    if (const char* file = std::getenv("TUMA_X_DISPLAY_FILE")) {
        QFile f(QString::fromLocal8Bit(file));
        if (f.open(QIODevice::ReadOnly))
            qputenv("DISPLAY", f.readAll().trimmed());
    }
    TumaApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace tuma::test
