#pragma once
// Drives the real windows against the simulated controller on a virtual-clock line,
// and answers every message box, keeping them in order.
#include "app/app_windows.h"
#include "app/application.h"
#include "app/house.h"
#include "app/system_platform.h"
#include "core/commands.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "forms/porta_serial.h"
#include "forms/principal.h"
#include "forms/program.h"
#include "forms/tumaprogram.h"
#include "sim/controller.h"
#include "sim/sim_line.h"
#include "widgets/message_box.h"
#include "workshop/details_dialog.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tuma::test {

struct Box {
    QString text;
    QString caption;
    BoxButtons buttons;
    bool operator==(const Box& o) const { return text == o.text && caption == o.caption && buttons == o.buttons; }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b)
{
    return os << "[" << b.caption.toStdString() << ": " << b.text.toStdString()
              << (b.buttons == BoxButtons::YesNo ? " (Yes/No)" : "") << "]";
}

inline Box ok(const char* text, const char* caption)
{
    return {QString::fromUtf8(text), QString::fromUtf8(caption), BoxButtons::Ok};
}
inline Box yesNo(const char* text, const char* caption)
{
    return {QString::fromUtf8(text), QString::fromUtf8(caption), BoxButtons::YesNo};
}

// Processes events until `done` holds or the time is up; gtest's own assertions then
// report the outcome (QtTest's macros would not reach gtest).
inline bool waitUntil(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return done();
}

inline const Box CommFailure = ok("Falha na Comunicação", "Falha");

class ScriptedBoxes : public MessageBoxes {
public:
    BoxAnswer show(const QString& text, const QString& caption, BoxButtons buttons) override
    {
        if (passTo)
            return passTo->show(text, caption, buttons);
        shown.push_back({text, caption, buttons});
        if (whileOpen)
            whileOpen(shown.back());
        if (buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        if (answers.empty())
            return BoxAnswer::Yes;
        BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<Box> shown;
    std::deque<BoxAnswer> answers;
    // Runs while a box is open, as timer ticks do inside a real one.
    std::function<void(const Box&)> whileOpen;
    // The real boxes, when a test wants them.
    MessageBoxes* passTo = nullptr;
};

// Dialogs that a test did not arrange: every one is cancelled.
class CancelledDialogs : public WorkshopDialogs {
public:
    bool askDetails(QWidget*, const QString&, const QString&, tuma::Vehicle&) override { return false; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool openDocument(const QString&) override { return false; }
};

class Windows : public ::testing::Test {
protected:
    VirtualClock clock;
    sim::Controller controller;
    ScriptedBoxes boxes;
    QStringList ports{"ttyS0", "DEMO"};
    int portsMade = 0;

    Platform platform;
    CancelledDialogs cancelled;
    WorkshopDialogs* dialogsInUse = &cancelled; // a fixture's own, set in beforeCreate()
    QTemporaryDir documents;                    // the documents folder, of the test's own
    QTemporaryDir data;                         // the program's own data folder (the live history)
    std::unique_ptr<House> house;

    static TumaApplication* app() { return static_cast<TumaApplication*>(QCoreApplication::instance()); }
    void build()
    {
        house = std::make_unique<House>(platform,
                                        HouseServices{boxes, *dialogsInUse, documents.path(),
                                                      [this] { return clock.nowUs() / 1000; }, data.path()});
    }
    void tearDownHouse() { house.reset(); }
    // An item of the main window's menus, by its name.
    static QAction* action(const char* name)
    {
        for (QAction* a : MainForm->actions())
            if (a->objectName() == QLatin1String(name))
                return a;
        ADD_FAILURE() << "no action " << name;
        return nullptr;
    }
    QString workshopFolder() const { return WorkshopFolders(documents.path()).workshop(); }

    void SetUp() override
    {
        app()->useBoxes(&boxes);
        controller.logFrames = true;
        platform.listPorts = [this] { return ports; };
        platform.makePort = [this](const std::string& name) -> std::unique_ptr<SerialPort> {
            if (name != "DEMO")
                return nullptr; // no such port on this machine
            ++portsMade;
            return std::make_unique<SimLinePort>(clock, controller);
        };
        beforeCreate();
        build();
    }
    virtual void beforeCreate() { }
    void TearDown() override
    {
        house.reset();
        app()->useBoxes(nullptr);
    }

    // Runs `action` once the modal window that `open` shows is up.
    static void whenModal(const std::function<void()>& open, std::function<void()> action)
    {
        QTimer::singleShot(0, [action] { action(); });
        open();
    }

    // "&Config." with the given port name typed into the dialog and OK pressed.
    void configWith(const QString& port)
    {
        whenModal([] { MainForm->configClick(); },
                  [port] {
                      Form2->combo_porta->setEditText(port);
                      Form2->button_OK->click();
                  });
    }
    void connectLink()
    {
        configWith("DEMO");
        ASSERT_TRUE(Form2->linkChecked());
        boxes.shown.clear();
        controller.frames.clear();
    }
    void connectAndRead()
    {
        connectLink();
        MainForm->lerClick();
        boxes.shown.clear();
        controller.frames.clear();
    }
    // "&Programar", the item and percentage chosen, OK pressed; `beforeOk` runs
    // just before OK (to arrange what answers the windows that follow).
    void programWith(int item, int mix = 0, std::function<void()> beforeOk = {})
    {
        whenModal([] { MainForm->progClick(); },
                  [item, mix, beforeOk] {
                      ProgramForm->setProgTypeIndex(item);
                      ProgramForm->setMixIndex(mix);
                      if (beforeOk)
                          beforeOk();
                      ProgramForm->button_OK->click();
                  });
    }
    std::vector<sim::Frame> framesOf(uint8_t command) const
    {
        std::vector<sim::Frame> out;
        for (const auto& f : controller.frames)
            if (f.command == command)
                out.push_back(f);
        return out;
    }
    std::string text(QLineEdit* e) const { return e->text().toStdString(); }
};

} // namespace tuma::test
