#include "app/application.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Headless unless told otherwise. Wine does not pass QT_QPA_PLATFORM through, so
    // TUMA_TEST_QPA_PLATFORM can name the platform too.
    if (!qgetenv("TUMA_TEST_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", qgetenv("TUMA_TEST_QPA_PLATFORM"));
    else if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", TUMA_TEST_PLATFORM);
    TumaApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
