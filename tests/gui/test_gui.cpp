// The real program's windows on an X display with a window manager (see
// gui/xserver.sh): what the window manager shows as each caption, and a key that
// waits in the X queue while a poll blocks.
#include "app/app_windows.h"
#include "app/application.h"
#include "app/house.h"
#include "app/menu_bar.h"
#include "core/commands.h"
#include "core/memory_map.h"
#include "forms/porta_serial.h"
#include "forms/principal.h"
#include "forms/program.h"
#include "forms/tumaprogram.h"
#include "sim/controller.h"
#include "sim/sim_line.h"
#include "support/widget_harness.h"
#include "support/x_display_main.h"
#include "widgets/message_box.h"
#include "workshop/details_dialog.h"
#include "workshop/history_recorder.h"
#include "workshop/history_window.h"

#include <QTemporaryDir>
#include <memory>

#include "workshop/history_recorder.h"
#include "workshop/history_window.h"
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace tuma;

namespace {

// A little longer than the widget tests wait: the keys go through the X server.
bool waitFor(const std::function<bool()>& done) { return tuma::test::waitUntil(done, 4000); }

// The title as the window manager receives it.
QString wmName(const QWidget* w)
{
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(w->winId()), "_NET_WM_NAME"});
    if (!xprop.waitForFinished(5000))
        return "(xprop did not answer)";
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const int first = out.indexOf('"');
    const int last = out.lastIndexOf('"');
    return first >= 0 && last > first ? out.mid(first + 1, last - first - 1) : out;
}

class RealWindows : public ::testing::Test {
protected:
    RealClock clock;
    sim::Controller controller;
    QtMessageBoxes boxes;
    QtWorkshopDialogs dialogs;
    QTemporaryDir documents;
    std::unique_ptr<House> house;
    void SetUp() override
    {
        nameApplication();
        controller.logFrames = true;
        Platform platform;
        platform.listPorts = [] { return QStringList{"DEMO"}; };
        platform.makePort = [this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); };
        house = std::make_unique<House>(platform, HouseServices{boxes, dialogs, documents.path()});
    }
    void TearDown() override { house.reset(); }
};

TEST_F(RealWindows, TitleBarsReadTheirCaptionAndNothingMore)
{
    struct Shown {
        QWidget* window;
        const char* caption;
    };
    for (const Shown& s :
         {Shown{MainForm, "Marvolan - Tuma Programável v 2.5"}, Shown{Form2, "Configuração Porta Serial"},
          Shown{ProgramForm, "Programação do Aparelho Tuma "}, Shown{ProgramTumaForm, "Programação do Tuma "}}) {
        s.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s.window));
        EXPECT_EQ(wmName(s.window).toStdString(), s.caption);
        s.window->hide();
    }
    MainForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
    const char* captions[] = {"Versão",   "Falha",       "Fail",       "Aviso",     "Aviso!",          "Erro!",
                              "Gravação", "Programação", "Completada", "Cancelado", "Tuma Programável"};
    for (const char* caption : captions) {
        QString seen;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box && QTest::qWaitForWindowExposed(box))
                seen = wmName(box);
            if (auto* b = qobject_cast<QMessageBox*>(box))
                b->done(QMessageBox::Ok);
        });
        boxes.showMessage("texto", QString::fromUtf8(caption));
        EXPECT_EQ(seen.toStdString(), caption);
    }
}

// A silent controller blocks each tick of the progress window for two failed
// exchanges. Cancel pressed during one is served before the tick that fell due.
TEST_F(RealWindows, CancelDuringABlockedTickActsBeforeTheNextTick)
{
    ASSERT_TRUE(Form2->link().OpenPort("DEMO"));
    controller.setFault(sim::Fault::Silent);
    ProgramTumaForm->Tag = 1;
    std::chrono::steady_clock::time_point pressed;
    std::thread keyboard([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // inside the first tick
        pressed = std::chrono::steady_clock::now();
        QProcess::execute("xdotool", {"key", "Return"});
    });
    ProgramTumaForm->Timer1->start();
    ProgramTumaForm->exec();
    const auto closed = std::chrono::steady_clock::now();
    keyboard.join();

    int valueReads = 0;
    bool cancelled = false;
    for (const sim::Frame& f : controller.frames) {
        if (f.command == cmd::SetProgramMode) {
            cancelled = true;
            EXPECT_EQ(f.data, std::vector<uint8_t>{0});
            break;
        }
        if (f.command == cmd::ReadLive && f.address == addr::ShortLiveFirst)
            ++valueReads;
    }
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(valueReads, 3); // the first tick's three attempts, and no second tick
    std::printf(
        "[ figure ] Xvfb, simulated silent line on the wall clock: Cancel closed the window %.2f s after the key\n",
        std::chrono::duration<double>(closed - pressed).count());
}

// The keyboard as a technician uses it, with the menu bar over the form: the menus by
// Alt+letter, F10 and Alt alone, and the form's own accelerators as before.
TEST_F(RealWindows, TheKeyboardReachesTheMenusAndTheFormsAccelerators)
{
    MainForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    QMenuBar* bar = house->menuBar().bar();
    const auto keys = [](const QString& sequence) {
        QProcess::execute("xdotool", QStringList{"key", "--delay", "60"} + sequence.split(' '));
    };
    const auto openMenu = [bar]() -> QString {
        for (QAction* a : bar->actions())
            if (a->menu() && a->menu()->isVisible())
                return a->menu()->objectName();
        return {};
    };
    keys("alt+e");
    EXPECT_TRUE(waitFor([&] { return openMenu() == "menu_exibir"; }));
    keys("Escape Escape");
    EXPECT_TRUE(waitFor([&] { return openMenu().isEmpty(); }));
    keys("alt+u");
    EXPECT_TRUE(waitFor([&] { return openMenu() == "menu_ajuda"; }));
    keys("Escape Escape");
    keys("F10");
    EXPECT_TRUE(waitFor([&] { return openMenu() == "menu_arquivo"; }));
    keys("Escape Escape");
    EXPECT_TRUE(waitFor([&] { return openMenu().isEmpty() && QApplication::activeWindow() == MainForm; }));
    keys("alt");
    EXPECT_TRUE(waitFor([&] { return bar->activeAction() != nullptr; }));
    keys("Escape");
    EXPECT_TRUE(waitFor([&] { return bar->activeAction() == nullptr; }));

    // Ctrl+H opens the history in a window of its own; the window manager closes it.
    keys("ctrl+h");
    EXPECT_TRUE(waitFor(
        [&] { return house->history().window() && QApplication::activeWindow() == house->history().window(); }));
    keys("alt+F4");
    EXPECT_TRUE(waitFor([&] { return !house->history().window()->isVisible(); }));
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));

    // The form's accelerators: Alt+C opens the port dialog (closed here by Escape).
    bool dialogShown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (Form2->isVisible() && !dialogShown) {
            dialogShown = true;
            Form2->button_Cancel->click();
        }
    });
    poll.start(20);
    keys("alt+c");
    EXPECT_TRUE(waitFor([&] { return dialogShown && !Form2->isVisible(); }));
    poll.stop();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    keys("alt+s");
    EXPECT_TRUE(waitFor([] { return !MainForm->isVisible(); }));
}

} // namespace

int main(int argc, char** argv) { return tuma::test::runOnXDisplay(argc, argv); }
