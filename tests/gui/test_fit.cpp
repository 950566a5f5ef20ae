// Every window the program opens, on the screens workshops have: a 1366 x 768 laptop and
// a 1920 x 1080 screen at 150 % display scaling (QT_SCALE_FACTOR=1.5), each with a
// 40-pixel taskbar at the bottom. Each window opens whole inside the room the taskbar
// leaves, title bar and frame included, every button in view. Run on an X display of
// that size with a window manager (gui/xserver.sh).
#include "app/application.h"
#include "app/house.h"
#include "core/drive_log.h"
#include "core/param_file.h"
#include "support/widget_harness.h"
#include "support/x_display_main.h"
#include "workshop/compare_window.h"
#include "workshop/details_dialog.h"
#include "workshop/history_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tuma;

namespace {

bool waitFor(const std::function<bool()>& done) { return tuma::test::waitUntil(done, 5000); }

// A dock along the bottom that reserves its height, as the Windows taskbar or a
// desktop's panel does: the screen's available room shrinks by it.
class Taskbar : public QWidget {
public:
    explicit Taskbar(int pixels)
    {
        setAttribute(Qt::WA_X11NetWmWindowTypeDock);
        setWindowFlag(Qt::FramelessWindowHint);
        const QScreen* s = QGuiApplication::primaryScreen();
        const double scale = s->devicePixelRatio();
        const QRect all = s->geometry();
        const int logical = static_cast<int>(pixels / scale + 0.5);
        setGeometry(all.left(), all.bottom() + 1 - logical, all.width(), logical);
        show();
        const int widthPx = static_cast<int>(all.width() * scale + 0.5);
        QProcess::execute("xprop",
                          {"-id", QString::number(winId()), "-f", "_NET_WM_STRUT_PARTIAL", "32c", "-set",
                           "_NET_WM_STRUT_PARTIAL", QString("0,0,0,%1,0,0,0,0,0,0,0,%2").arg(pixels).arg(widthPx - 1)});
    }
};

class LogChosen : public QtWorkshopDialogs {
public:
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    QString path;
};

class Fit : public ::testing::Test {
protected:
    RealClock clock;
    sim::Controller controller;
    QtMessageBoxes boxes;
    LogChosen dialogs;
    QTemporaryDir documents;
    std::unique_ptr<House> house;
    std::unique_ptr<Taskbar> taskbar;
    QRect room;

    void SetUp() override
    {
        nameApplication();
        Platform platform;
        platform.listPorts = [] { return QStringList{"DEMO"}; };
        platform.makePort = [this](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); };
        house = std::make_unique<House>(platform, HouseServices{boxes, dialogs, documents.path()});
        MainForm->show();
        taskbar = std::make_unique<Taskbar>(40);
        const QScreen* s = QGuiApplication::primaryScreen();
        ASSERT_TRUE(waitFor([s] { return s->availableGeometry().height() < s->geometry().height(); }))
            << "the window manager never left room for the taskbar: is openbox running on " << qgetenv("DISPLAY").data()
            << "?";
        room = s->availableGeometry();
        std::printf("screen %dx%d at %.2f: room %dx%d+%d+%d\n", s->geometry().width(), s->geometry().height(),
                    s->devicePixelRatio(), room.width(), room.height(), room.x(), room.y());
    }
    void TearDown() override
    {
        house.reset();
        taskbar.reset();
    }
    static QAction* action(const char* name)
    {
        for (QAction* a : MainForm->actions())
            if (a->objectName() == QLatin1String(name))
                return a;
        return nullptr;
    }
    static QSet<QWidget*> shownWindows()
    {
        QSet<QWidget*> all;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                all.insert(w);
        return all;
    }
    // The window `open` shows, once the window manager has framed it.
    QWidget* opened(const std::function<void()>& open)
    {
        const QSet<QWidget*> before = shownWindows();
        open();
        QWidget* found = nullptr;
        waitFor([&] {
            for (QWidget* w : shownWindows())
                if (!before.contains(w) && w != taskbar.get() && w->frameGeometry() != w->geometry())
                    found = w;
            return found != nullptr;
        });
        return found;
    }
    void expectWhole(QWidget* w, const char* what)
    {
        ASSERT_NE(w, nullptr) << what << " did not open";
        QCoreApplication::processEvents();
        const QRect frame = w->frameGeometry();
        EXPECT_TRUE(room.contains(frame))
            << what << ": frame " << frame.width() << "x" << frame.height() << "+" << frame.x() << "+" << frame.y()
            << " outside the room " << room.width() << "x" << room.height() << "+" << room.x() << "+" << room.y();
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(w) || b->inherits("QToolButton"))
                continue;
            const QRect at(b->mapTo(w, QPoint(0, 0)), b->size());
            EXPECT_TRUE(w->rect().contains(at)) << what << ": button \"" << b->text().toStdString() << "\" cut off";
        }
        w->close();
    }
};

TEST_F(Fit, EveryWindowOpensWholeInsideTheRoom)
{
    expectWhole(opened([] { action("acao_historico")->trigger(); }), "the history");
    expectWhole(opened([] { action("acao_manual")->trigger(); }), "the manual");
    expectWhole(opened([] { action("acao_alteracoes")->trigger(); }), "the changes");
    expectWhole(opened([] { action("acao_grafico")->trigger(); }), "the chart");
    expectWhole(opened([] { action("acao_diagnostico")->trigger(); }), "the diagnosis");
    expectWhole(opened([] { action("acao_verificacao")->trigger(); }), "the guided check");
    expectWhole(opened([] { action("acao_procurar")->trigger(); }), "the search for the controller");

    const DriveLogFormat format('.');
    const uint8_t live[10] = {10, 0, 200, 100, 128, 50, 0, 40, 0, 30};
    std::string text = format.header();
    for (int i = 0; i < 40; ++i)
        text += format.row(i * 0.5, "2026-12-11T10:00:00.000", live, 0, "");
    dialogs.path = documents.filePath("registro.csv");
    QFile f(dialogs.path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(text));
    f.close();
    expectWhole(opened([] { action("acao_abrir_registro")->trigger(); }), "the log viewer");

    Block image{};
    const ParsedFile file = parseParameterFile(formatParameterFile(FileHeader{}, image));
    CompareWindow compare(MainForm, "a.tuma", file, image, "2.5", '.');
    expectWhole(opened([&] { compare.show(); }), "the comparison");
}

} // namespace

int main(int argc, char** argv) { return tuma::test::runOnXDisplay(argc, argv); }
