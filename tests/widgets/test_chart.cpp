// The chart of the live values and the drive logs: what it draws is what the polls
// read, it sends nothing of its own, a failed poll is a gap and a failure row, and a
// recording reads back with the same values.
#include "support/widget_harness.h"

#include "chart/chart_room.h"
#include "chart/live_chart_window.h"
#include "chart/log_viewer_window.h"
#include "core/drive_log.h"
#include "workshop/workshop.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#if defined(__unix__)
#include <csignal>
#include <sys/resource.h>
#endif

using namespace tuma;
using namespace tuma::test;

namespace {

class OpenOnly : public WorkshopDialogs {
public:
    bool askDetails(QWidget*, const QString&, const QString&, tuma::Vehicle&) override { return false; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    bool openDocument(const QString&) override { return true; }
    QString path;
};

class Chart : public Windows {
protected:
    QTemporaryDir dir;
    OpenOnly dialogs;

    void beforeCreate() override { dialogsInUse = &dialogs; }
    LiveChartWindow* openChart()
    {
        action("acao_grafico")->trigger();
        return house->chart().chart();
    }
    // `n` ticks of the monitor, as Timer_Read delivers them.
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advanceMs(500);
            MainForm->Timer_ReadTimer();
        }
    }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    std::string readText(const QString& file) const
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll().toStdString();
    }
    static double box(QLineEdit* e) { return e->text().toDouble(); }
    // Lanes top to bottom: correction, temperature, MAP, lambda, engine speed, injection.
    std::vector<double> lastDrawn(ChartWindow* c) const
    {
        std::vector<double> v;
        for (int lane = 0; lane < 6; ++lane)
            v.push_back(c->lane(lane).back());
        return v;
    }
};

TEST_F(Chart, DrawsExactlyWhatThePollsReadAndAsksNothing)
{
    connectAndRead();
    LiveChartWindow* c = openChart();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->objectName(), "GraficoForm");
    EXPECT_EQ(c->windowTitle(), QString::fromUtf8("Gráfico dos Valores Instantâneos"));
    EXPECT_TRUE(c->isVisible());
    controller.frames.clear();
    ticks(12);
    // One ReadLive of 67..76 per tick, and nothing else on the line.
    ASSERT_EQ(controller.frames.size(), 12u);
    for (const auto& f : controller.frames) {
        EXPECT_EQ(f.command, cmd::ReadLive);
        EXPECT_EQ(f.address, 67);
    }
    ASSERT_EQ(c->times().size(), 12u);
    EXPECT_EQ(lastDrawn(c),
              (std::vector<double>{box(MainForm->atual_corr), box(MainForm->atual_temp), box(MainForm->atual_map),
                                   box(MainForm->atual_lambda), box(MainForm->atual_rpm), box(MainForm->atual_inj)}));
}

TEST_F(Chart, ClosedAndReopenedItKeepsEverythingSinceTheStart)
{
    connectAndRead();
    ticks(3);
    LiveChartWindow* c = openChart();
    EXPECT_EQ(c->times().size(), 3u);
    c->close();
    ticks(4);
    EXPECT_EQ(openChart(), c);
    EXPECT_EQ(c->times().size(), 7u);
    EXPECT_TRUE(c->isVisible());
}

TEST_F(Chart, AFailedPollIsAGapAndAFailureRow)
{
    connectAndRead();
    LiveChartWindow* c = openChart();
    c->startRecordingTo(path("r.csv"));
    ASSERT_TRUE(c->recorder().active());
    ticks(3);
    controller.setFault(sim::Fault::Silent);
    ticks(1);
    EXPECT_EQ(boxes.shown, std::vector<Box>({CommFailure}));
    for (int lane = 0; lane < 6; ++lane)
        EXPECT_TRUE(std::isnan(c->lane(lane).back())) << lane;
    // "&Ler " starts the monitor again, and the recording goes on.
    controller.setFault(sim::Fault::None);
    boxes.shown.clear();
    MainForm->lerClick();
    ticks(2);
    // A monitor stopped without a failure ("&Gravar ", the programming dialog): when
    // the polls come back, the line does not bridge the silence.
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    ticks(1);
    c->stopRecording();
    const std::string text = readText(path("r.csv"));
    EXPECT_NE(text.find(",Falha na Comunicação\n"), std::string::npos);
    const DriveLog log = readDriveLog(text);
    ASSERT_TRUE(log.ok) << log.error;
    ASSERT_EQ(log.samples.size(), 7u); // the recording goes on through the failure
    EXPECT_FALSE(log.samples[3].ok);
    EXPECT_TRUE(log.samples[4].ok);
    EXPECT_TRUE(log.samples[6].ok);
    size_t gaps = 0;
    for (double v : c->lane(0))
        gaps += std::isnan(v);
    EXPECT_EQ(gaps, 2u); // the failed poll, and the silence
}

TEST_F(Chart, ARecordingReadsBackWithTheSameValuesInBothStyles)
{
    for (char sep : {'.', ','}) {
        // The program as it starts with the user's separator.
        tearDownHouse();
        platform.decimalSeparator = sep;
        build();
        connectAndRead();
        LiveChartWindow* c = openChart();
        const QString file = path(QString("s%1.csv").arg(sep == '.' ? "point" : "comma"));
        c->startRecordingTo(file);
        ticks(5);
        c->mark();
        ticks(2);
        c->stopRecording();
        EXPECT_EQ(c->recorder().rows(), 7);
        const std::string text = readText(file);
        EXPECT_EQ(text.rfind("\xEF\xBB\xBFsegundos", 0), 0u);
        EXPECT_NE(text.find(sep == ',' ? ";data_hora;" : ",data_hora,"), std::string::npos) << sep;
        const DriveLog log = readDriveLog(text);
        ASSERT_TRUE(log.ok) << log.error;
        EXPECT_EQ(log.decimalSeparator, sep);
        ASSERT_EQ(log.samples.size(), 7u);
        const size_t first = c->times().size() - 7;
        for (size_t i = 0; i < 7; ++i) {
            // The log keeps the table's order; the lanes put the correction first.
            const std::array<double, 6>& v = log.samples[i].values;
            EXPECT_EQ((std::vector<double>{v[3], v[0], v[1], v[2], v[4], v[5]}),
                      (std::vector<double>{c->lane(0)[first + i], c->lane(1)[first + i], c->lane(2)[first + i],
                                           c->lane(3)[first + i], c->lane(4)[first + i], c->lane(5)[first + i]}))
                << i;
        }
        EXPECT_EQ(log.samples[5].marker, 1); // dropped after the fifth row, written on the sixth
        // The viewer shows the same drive.
        dialogs.path = file;
        action("acao_abrir_registro")->trigger();
        auto* viewer = qobject_cast<LogViewerWindow*>(QApplication::topLevelWidgets().last());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowTitle().endsWith(QFileInfo(file).fileName()))
                viewer = qobject_cast<LogViewerWindow*>(w);
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->times().size(), 7u);
        EXPECT_EQ(viewer->lane(4), std::vector<double>(c->lane(4).end() - 7, c->lane(4).end()));
        EXPECT_EQ(viewer->markerCount(), 1);
        viewer->close();
    }
}

TEST_F(Chart, ADamagedLogIsRefusedNamingTheLine)
{
    QFile f(path("bad.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(DriveLogFormat('.').header().c_str());
    f.write("0.000,2026-12-09T15:30:00.000,20,0.90,137,1,830\n");
    f.close();
    dialogs.path = path("bad.csv");
    const int windows = QApplication::topLevelWidgets().size();
    action("acao_abrir_registro")->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Abrir registro");
    EXPECT_TRUE(boxes.shown[0].text.contains("linha 2: a linha tem 7 campos")) << boxes.shown[0];
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
}

TEST_F(Chart, AFileWithAPauseShowsAGapNotALine)
{
    const DriveLogFormat f('.');
    const uint8_t live[10] = {0x09, 0x3D, 0x88, 0x13, 0, 32, 0, 190, 255, 51};
    std::string text = f.header();
    for (const auto& [seconds, t] :
         {std::pair{0.0, "2026-12-09T15:30:00.000"}, std::pair{0.5, "2026-12-09T15:30:00.500"},
          std::pair{9.0, "2026-12-09T15:30:09.000"}})
        text += f.row(seconds, t, live, 0, "");
    const DriveLog log = readDriveLog(text);
    ASSERT_TRUE(log.ok) << log.error;
    LogViewerWindow viewer(log, "x.csv", '.');
    ASSERT_EQ(viewer.times().size(), 4u);
    EXPECT_TRUE(std::isnan(viewer.lane(0)[2]));
    EXPECT_EQ(viewer.lane(4)[3], 1200);
    EXPECT_TRUE(viewer.readoutAt(viewer.times()[1]).contains("RPM 1200 RPM"))
        << viewer.readoutAt(viewer.times()[1]).toStdString();
}

// The lanes are painted onto the window by the chart itself (captions drawn once into
// pictures, the grid as rectangles): each of the six bands holds its caption at the
// left and a line in its colour, and the window is white where nothing is drawn.
TEST_F(Chart, EveryLaneIsPaintedWithItsCaptionAndItsLine)
{
    const DriveLogFormat f('.');
    std::string text = f.header();
    for (int i = 0; i < 120; ++i) {
        const uint8_t swing = static_cast<uint8_t>(i % 2 ? 40 : 200);
        const uint8_t live[10] = {swing, swing, swing, 0x13, 0, swing, 0, swing, swing, swing};
        const QString t
            = QDateTime(QDate(2026, 12, 9), QTime(15, 30)).addMSecs(i * 500).toString("yyyy-MM-ddTHH:mm:ss.zzz");
        text += f.row(i * 0.5, t.toStdString(), live, 0, "");
    }
    const DriveLog log = readDriveLog(text);
    ASSERT_TRUE(log.ok) << log.error;
    LogViewerWindow viewer(log, "x.csv", '.');
    viewer.show();
    viewer.drawNow();
    QWidget* plot = viewer.findChild<QWidget*>("grafico");
    ASSERT_NE(plot, nullptr);
    const QImage image = plot->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int band = image.height() / 6;
    EXPECT_EQ(QColor(image.pixel(image.width() - 3, 1)), QColor(Qt::white));
    for (int lane = 0; lane < 6; ++lane) {
        int caption = 0, coloured = 0, dark = 0;
        for (int y = lane * band; y < (lane + 1) * band; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c(image.pixel(x, y));
                const int spread = std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
                if (x < 20 && c.lightness() < 128)
                    ++caption;
                if (x >= 80 && spread > 60)
                    ++coloured;
                if (x >= 80 && spread < 10 && c.red() > 40 && c.red() < 90)
                    ++dark;
            }
        }
        EXPECT_GT(caption, 30) << "lane " << lane;
        // The last lane is drawn in dark grey, the others in colour.
        EXPECT_GT(lane == 5 ? dark : coloured, 100) << "lane " << lane;
    }
}

TEST_F(Chart, AWriteThatFailsStopsTheRecordingOnceAndTheMonitorGoesOn)
{
#if defined(__unix__)
    connectAndRead();
    LiveChartWindow* c = openChart();
    c->startRecordingTo(path("full.csv"));
    ticks(2);
    // The disk is full from here on: the file may grow by no more than it has.
    struct rlimit saved { };
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit full = saved;
    full.rlim_cur = static_cast<rlim_t>(QFileInfo(path("full.csv")).size());
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    MainForm->Timer_Read->start();
    ticks(3);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Gravar registro");
    EXPECT_TRUE(boxes.shown[0].text.contains("o monitoramento continua"));
    EXPECT_FALSE(c->recorder().active());
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
    EXPECT_EQ(c->times().size(), 5u);
    const DriveLog log = readDriveLog(readText(path("full.csv")));
    EXPECT_TRUE(log.ok) << log.error;
    EXPECT_EQ(log.samples.size(), 2u);
#else
    GTEST_SKIP() << "file size limits are a POSIX means";
#endif
}

// Following the polls, the lanes scroll what is on screen and draw only the new edge,
// the time labels and the lanes whose scale moved. What the screen then shows must be
// the whole drawing, pixel for pixel, through gaps, markers and scales that change.
class PaintLog : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            qint64 area = 0;
            for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                area += qint64(r.width()) * r.height();
            areas.push_back(area);
        }
        return false;
    }
    std::vector<qint64> areas;
};

// The lanes alone in a window, their paints logged.
class ChartLanesDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(900, 640);
        lanes = new ChartLanes(&window, Qt::UTC);
        lanes->setGeometry(window.rect());
        lanes->installEventFilter(&paints);
        window.show();
        ASSERT_TRUE(waitUntil([&] { return !paints.areas.empty(); }));
    }
    // What the screen shows against the lanes drawn whole, pixels that differ.
    int differingFromWhole() const
    {
        const QImage onScreen
            = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage whole = lanes->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (onScreen.size() != whole.size())
            return -1;
        int differing = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                differing += onScreen.pixel(x, y) != whole.pixel(x, y);
        return differing;
    }
    QWidget window;
    ChartLanes* lanes = nullptr;
    PaintLog paints;
};

TEST_F(ChartLanesDrawing, WhatIsScrolledIsTheWholeDrawing)
{
    const double start = 1.8e9;
    for (int i = 0; i < 400; ++i) {
        const double t = start + i * 0.5 + (i > 200 ? 3 : 0); // a silence after poll 200
        LaneValues v;
        for (int k = 0; k < LaneCount; ++k)
            // Values in a steady band, as at idle (read as bytes), and two that drift.
            v[static_cast<size_t>(k)] = k < 3 ? 100 * k + std::round(8 * std::sin(i * (1.1 + 0.3 * k)))
                                              : 100 * k + 40 * std::sin(i * (0.02 + 0.01 * k));
        // And a lambda that steps, as an engine starting: labels at the lanes' edges.
        v[2] = (i / 40) % 3 == 1 ? 450 : (i / 40) % 3 == 2 ? -0.5 : 20;
        lanes->add(t, i % 97 != 13, v, i == 150 ? 1 : 0);
        if (i == 250)
            lanes->markFinding({t, QString::fromUtf8("⚠ Sonda lenta"), true});
        lanes->followTo(i < 320 ? 60 : 30);
        lanes->redraw();
        QApplication::processEvents();
    }
    EXPECT_EQ(differingFromWhole(), 0);
    // And most polls were drawn in part: a third of the lanes' area or less.
    const qint64 full = qint64(lanes->width()) * lanes->height();
    const auto partial
        = std::count_if(paints.areas.begin(), paints.areas.end(), [&](qint64 a) { return a * 3 < full; });
    EXPECT_GT(partial, 250) << paints.areas.size() << " paints";
}

// Lines unlike the steady idle one, followed as polls come, still end as the whole
// drawing: ten minutes in view (a poll or two to a pixel), and
// a line broken by failures into pieces and lone points.
struct LineShape {
    const char* name;
    double step;   // seconds between polls
    double span;   // seconds in view
    int polls;     // each added before the view moves
    int failEvery; // a failed poll every so many (0: none)
};

class LineShapes : public ChartLanesDrawing, public ::testing::WithParamInterface<LineShape> { };

TEST_P(LineShapes, FollowedTheyEndAsTheWholeDrawing)
{
    const LineShape& shape = GetParam();
    const double start = 1.8e9;
    for (int i = 0; i < shape.polls; ++i) {
        LaneValues v;
        for (int k = 0; k < LaneCount; ++k)
            v[static_cast<size_t>(k)] = 100 * k + 30 * std::sin(i * (0.37 + 0.11 * k)) + (i % 7);
        const bool ok = shape.failEvery == 0 || i % shape.failEvery != 0;
        lanes->add(start + i * shape.step, ok, v, 0);
        if (i % 4 == 3) {
            lanes->followTo(shape.span);
            lanes->redraw();
            QApplication::processEvents();
        }
    }
    EXPECT_EQ(differingFromWhole(), 0);
}

INSTANTIATE_TEST_SUITE_P(Chart, LineShapes,
                         ::testing::Values(LineShape{"TenMinutesInView", 0.5, 600, 1600, 0},
                                           LineShape{"LonePointsBetweenFailures", 0.5, 30, 400, 2},
                                           LineShape{"ShortPiecesBetweenFailures", 0.5, 60, 400, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

// Paused (the view no longer follows), polls that land past the right edge change
// nothing on screen: no paint at all once the line has left the view, and what shows
// after going on again is the whole drawing, down to the pixel of a finding's line
// that stands above the top lane.
TEST_F(ChartLanesDrawing, PollsPastAPausedViewPaintNothing)
{
    const double start = 1.8e9;
    const auto poll = [&](int i, bool follow) {
        LaneValues v;
        for (int k = 0; k < LaneCount; ++k)
            v[static_cast<size_t>(k)] = 100 * k + (i % 5);
        lanes->add(start + i * 0.5, true, v, 0);
        if (follow)
            lanes->followTo(60);
        lanes->redraw();
        QApplication::processEvents();
    };
    for (int i = 0; i < 200; ++i)
        poll(i, true);
    for (int i = 200; i < 210; ++i) // the line runs on to the edge
        poll(i, false);
    const size_t before = paints.areas.size();
    for (int i = 210; i < 260; ++i)
        poll(i, false);
    EXPECT_EQ(paints.areas.size(), before);
    // A finding marked meanwhile is drawn, paused or not.
    lanes->markFinding({start + 90, QString::fromUtf8("⚠ Sonda lenta"), true});
    lanes->redraw();
    QApplication::processEvents();
    EXPECT_GT(paints.areas.size(), before);
    for (int i = 260; i < 280; ++i)
        poll(i, true);
    EXPECT_EQ(differingFromWhole(), 0);
}

} // namespace
