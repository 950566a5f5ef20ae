// Figures for the link and the program; printed, never asserted.
#include "app/app_windows.h"
#include "app/application.h"
#include "app/house.h"
#include "app/system_platform.h"
#include "chart/chart_lanes.h"
#include "chart/chart_room.h"
#include "chart/log_viewer_window.h"
#include "core/commands.h"
#include "core/drive_log.h"
#include "core/installation_checks.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "core/parameters.h"
#include "core/workshop_files.h"
#include "forms/porta_serial.h"
#include "forms/principal.h"
#include "history/history_store.h"
#include "ports/qt_serial_port.h"
#include "sim/controller.h"
#include "sim/engine.h"
#include "sim/pty_server.h"
#include "sim/sim_line.h"
#include "widgets/message_box.h"
#include "workshop/details_dialog.h"
#include "workshop/history_recorder.h"
#include "workshop/history_window.h"

#include <QTableWidget>
#include <sqlite3.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <qcustomplot.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <new>
#include <vector>

#include <sys/resource.h>

#include "support/counting_new.h"

using namespace tuma;

namespace {

// The physical bound of one 10-byte read: request and answer on the line, then the
// 20 ms of silence that ends the read; the simulated controller adds 2 ms before it
// answers.
constexpr double kBoundMs = (16 + 13) * 0.521 + 20.0;
constexpr double kSimLatencyMs = 2.0;

// tuma-sim in a process of its own, so that its work is not counted as the program's.
struct SimProcess {
    QProcess process;
    QString port;
    bool start()
    {
        process.start(TUMA_SIM_BINARY, {"--quiet"});
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (port.isEmpty() && t.elapsed() < 5000) {
            process.waitForReadyRead(100);
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                if (line.startsWith("Port to type in the port dialog: "))
                    port = line.section(": ", 1);
            }
        }
        return !port.isEmpty();
    }
    ~SimProcess()
    {
        process.kill();
        process.waitForFinished(3000);
    }
};

double exchangeMs(Link& link, int rounds)
{
    uint8_t live[10] = {};
    QElapsedTimer t;
    t.start();
    int good = 0;
    for (int i = 0; i < rounds; ++i)
        good += link.Exchange(cmd::ReadLive, 67, 10, live);
    const double ms = t.nsecsElapsed() / 1e6 / rounds;
    if (good != rounds)
        std::printf("  (%d of %d exchanges failed)\n", rounds - good, rounds);
    return ms;
}

// Runs `measure` on a link through Qt SerialPort to the simulator on a pty.
template <class Measure>
void overPty(sim::Fault fault, Measure measure)
{
    sim::Controller controller;
    controller.setFault(fault);
    sim::PtyServer server(controller);
    if (!server.start())
        return;
    server.startThread();
    Link link([](const std::string&) { return std::make_unique<QtSerialPort>(); });
    if (link.OpenPort(server.portName()))
        measure(link);
    link.ClosePort();
    server.stop();
}

void benchExchange()
{
    std::printf("One 10-byte Exchange (ReadLive 67): physical bound %.1f ms, %.1f ms with the simulator's latency\n",
                kBoundMs, kBoundMs + kSimLatencyMs);
    {
        RealClock clock;
        sim::Controller controller;
        Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
        link.OpenPort("DEMO");
        const double ms = exchangeMs(link, 40);
        std::printf("  demo port (simulated line, wall clock): %6.2f ms  ratio %.3f\n", ms,
                    ms / (kBoundMs + kSimLatencyMs));
    }
    overPty(sim::Fault::None, [](Link& link) {
        const double ms = exchangeMs(link, 40);
        std::printf("  Qt SerialPort over a pty, peer paced at 19200 baud: %6.2f ms  ratio %.3f\n", ms,
                    ms / (kBoundMs + kSimLatencyMs));
    });
    // A silent controller: 3 x (16 x 0.521 + 350) = 1075 ms, then 350 ms more for the drain.
    overPty(sim::Fault::Silent, [](Link& link) {
        uint8_t live[10] = {};
        QElapsedTimer t;
        t.start();
        link.Exchange(cmd::ReadLive, 67, 10, live);
        const double first = t.nsecsElapsed() / 1e6;
        t.restart();
        link.Exchange(cmd::ReadLive, 67, 10, live);
        const double second = t.nsecsElapsed() / 1e6;
        std::printf("  silent controller, Qt SerialPort over a pty: %.0f ms, then %.0f ms with the drain\n", first,
                    second);
    });
}

long countAllocations(Link& link, int rounds)
{
    uint8_t cfg[25] = {}, live[10] = {};
    link.Exchange(cmd::ReadConfig, 1, 25, cfg); // buffers that live as long as the port
    const long before = g_allocations;
    for (int i = 0; i < rounds; ++i) {
        link.Exchange(cmd::ReadConfig, 1, 25, cfg);
        link.Exchange(cmd::ReadLive, 67, 10, live);
    }
    return g_allocations - before;
}

void benchAllocations()
{
    // Every heap allocation of the process counts, Qt's malloc ones included.
    std::printf("Allocations per Exchange (malloc and new):\n");
    {
        VirtualClock clock;
        sim::Controller controller;
        Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
        link.OpenPort("DEMO");
        const int rounds = 10000;
        const long n = countAllocations(link, rounds);
        std::printf("  simulated line, virtual clock: %.3f (%ld in %d exchanges)\n", double(n) / (2 * rounds), n,
                    2 * rounds);
    }
    SimProcess sim;
    if (sim.start()) {
        Link link([](const std::string&) { return std::make_unique<QtSerialPort>(); });
        if (link.OpenPort(sim.port.toStdString())) {
            const int rounds = 200;
            const long n = countAllocations(link, rounds);
            std::printf("  Qt SerialPort over a pty:      %.3f (%ld in %d exchanges)\n", double(n) / (2 * rounds), n,
                        2 * rounds);
        }
    }
}

// Counts the paint events each widget receives, to show what a tick repaints.
class PaintCounter : public QObject {
public:
    std::map<QString, int> counts;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++counts[QString("%1 %2").arg(o->metaObject()->className(), o->objectName())];
        return false;
    }
};

class SilentBoxes : public MessageBoxes {
public:
    BoxAnswer show(const QString&, const QString&, BoxButtons) override { return BoxAnswer::Yes; }
};

struct Cpu {
    double user = 0, system = 0;
};

Cpu cpuNow()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return {u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6, u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6};
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The measured stretch in a function of its own, so that a profiler can be told to
// record only it (valgrind --toggle-collect='*monitorFor*').
__attribute__((noinline)) void monitorFor(int ms) { runEventsFor(ms); }

// The program as main() puts it together, with boxes that answer by themselves and a
// documents folder of its own; `program` is the one running.
struct Program {
    Program() : house(systemPlatform(), HouseServices{boxes, dialogs, documents.path()}) { program = this; }
    ~Program() { program = nullptr; }
    static Program* program;
    SilentBoxes boxes;
    QtWorkshopDialogs dialogs;
    QTemporaryDir documents;
    House house;
};
Program* Program::program = nullptr;
ChartRoom& chartRoom() { return Program::program->house.chart(); }

// The program's own windows and event loop on the real path: Qt SerialPort over a pty
// to tuma-sim in its own process, the port opened as the port dialog opens it. Runs
// `body` with the main window shown; false when the port did not open.
template <class Body>
bool onRealPath(Body body)
{
    SimProcess sim;
    if (!sim.start())
        return false;
    Program running;
    MainForm->show();
    Form2->combo_porta->setEditText(sim.port);
    const bool opened = Form2->OpenPort();
    if (opened)
        body();
    return opened;
}

void benchPollingCpu(int seconds)
{
    const bool opened = onRealPath([seconds] {
        MainForm->lerClick(); // starts the monitor
        // The window's first paint and the filling of the form are not monitoring.
        runEventsFor(2000);
        // To take the figure apart: TUMA_BENCH_HIDDEN (no painting at all),
        // TUMA_BENCH_IDLE (no polling), TUMA_BENCH_NOCARET (no blinking cursor),
        // TUMA_BENCH_PAINTS (what each widget repaints).
        if (qEnvironmentVariableIsSet("TUMA_BENCH_HIDDEN"))
            MainForm->hide();
        if (qEnvironmentVariableIsSet("TUMA_BENCH_IDLE"))
            MainForm->Timer_Read->stop();
        if (qEnvironmentVariableIsSet("TUMA_BENCH_NOCARET"))
            MainForm->gravar->setFocus();
        PaintCounter paints;
        const bool countPaints = qEnvironmentVariableIsSet("TUMA_BENCH_PAINTS");
        if (countPaints)
            qApp->installEventFilter(&paints);
        const Cpu c0 = cpuNow();
        monitorFor(seconds * 1000);
        const Cpu c1 = cpuNow();
        const double user = c1.user - c0.user, system = c1.system - c0.system, cpu = user + system;
        std::printf("CPU while monitoring (running windows and event loop after 2 s of settling, %s, Qt SerialPort "
                    "over a pty): "
                    "%.3f s in %d s (user %.3f, system %.3f), %.3f s a minute, %.2f s an hour; monitor %s\n",
                    qPrintable(QGuiApplication::platformName()), cpu, seconds, user, system, cpu * 60 / seconds,
                    cpu * 3600 / seconds, MainForm->Timer_Read->isActive() ? "still running" : "STOPPED");
        if (countPaints) {
            qApp->removeEventFilter(&paints);
            for (const auto& [name, n] : paints.counts)
                std::printf("  paints: %5d %s\n", n, qPrintable(name));
        }
    });
    if (!opened)
        std::printf("CPU while monitoring: the port did not open\n");
}

// tuma-cli's log against tuma-sim, both in their own processes: the spacing of the
// rows' timestamps around the 500 ms cadence.
void benchLogCadence(int seconds)
{
    SimProcess sim;
    if (!sim.start())
        return;
    QProcess cli;
    cli.start(TUMA_CLI_BINARY, {"-p", sim.port, "log", "--seconds", QString::number(seconds)});
    if (!cli.waitForFinished((seconds + 10) * 1000)) {
        std::printf("tuma-cli log: did not finish\n");
        return;
    }
    std::vector<double> at;
    for (const QByteArray& line : cli.readAllStandardOutput().split('\n')) {
        // The second field is the local time.
        const QDateTime t
            = QDateTime::fromString(QString::fromUtf8(line.mid(line.indexOf(',') + 1, 23)), "yyyy-MM-ddTHH:mm:ss.zzz");
        if (t.isValid())
            at.push_back(double(t.toMSecsSinceEpoch()));
    }
    if (at.size() < 3) {
        std::printf("tuma-cli log: %zu rows\n", at.size());
        return;
    }
    double lo = 1e9, hi = 0, sum = 0;
    for (size_t i = 1; i < at.size(); ++i) {
        const double d = at[i] - at[i - 1];
        lo = std::min(lo, d);
        hi = std::max(hi, d);
        sum += d;
    }
    std::printf("tuma-cli log over a pty, %d s: %zu rows, spacing %.0f..%.0f ms, mean %.1f ms (cadence 500)\n", seconds,
                at.size(), lo, hi, sum / double(at.size() - 1));
}

double residentMb()
{
    QFile status("/proc/self/status");
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS"))
                return line.simplified().split(' ').value(1).toDouble() / 1024.0;
    return 0;
}

// The CPU of the whole program at rest (no monitoring, the caret blinking), monitoring
// with the chart closed, and monitoring with the chart open at 60 s, in one run on the
// real path.
void benchChartCpu(int seconds)
{
    onRealPath([seconds] {
        MainForm->lerClick();
        MainForm->Timer_Read->stop();
        runEventsFor(2000);
        const auto stretch = [seconds](const char* what) {
            const Cpu c0 = cpuNow();
            monitorFor(seconds * 1000);
            const Cpu c1 = cpuNow();
            const double cpu = (c1.user - c0.user) + (c1.system - c0.system);
            std::printf("  %-34s %.3f s a minute\n", what, cpu * 60 / seconds);
            return cpu;
        };
        std::printf("CPU of the program (%s, Qt SerialPort over a pty, tuma-sim paced, %d s each):\n",
                    qPrintable(QGuiApplication::platformName()), seconds);
        const double rest = stretch("at rest (caret blinking):");
        MainForm->Timer_Read->start();
        runEventsFor(1000);
        const double closed = stretch("monitoring, chart closed:");
        chartRoom().graficoClick();
        runEventsFor(2000);
        const double open = stretch("monitoring, chart open at 60 s:");
        std::printf("  chart open / closed: %.2f (aim: at most 2); chart open / at rest: %.2f\n", open / closed,
                    open / rest);
    });
}

// A drive log of `rows` polls of the simulated controller, as the recording writes it.
std::string syntheticLog(int rows)
{
    VirtualClock clock;
    sim::Controller controller;
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
    link.OpenPort("ttyS0");
    const DriveLogFormat format(',');
    std::string text = format.header();
    commands::LiveImage live{};
    const QDateTime start = QDateTime::currentDateTime();
    for (int i = 0; i < rows; ++i) {
        clock.advanceMs(500);
        commands::readLive(link, live);
        text += format.row(i * 0.5, start.addMSecs(i * 500).toString("yyyy-MM-ddTHH:mm:ss.zzz").toStdString(), live,
                           i % 600 == 599 ? i / 600 + 1 : 0, "");
    }
    return text;
}

// Opening a 1-hour and a 10-hour log: read, chart built, shown and drawn once.
void benchLogOpen()
{
    for (const int rows : {7200, 72000}) {
        const std::string text = syntheticLog(rows);
        QElapsedTimer t;
        t.start();
        const DriveLog log = readDriveLog(text);
        const double read = t.nsecsElapsed() / 1e6;
        {
            LogViewerWindow viewer(log, "bench.csv", ',');
            const double built = t.nsecsElapsed() / 1e6;
            viewer.show();
            const double shown = t.nsecsElapsed() / 1e6;
            viewer.drawNow();
            QApplication::processEvents();
            std::printf("  (built %.0f ms, shown %.0f ms)\n", built, shown);
            std::printf("Log of %d rows (%.1f h, %.1f MB): read %.0f ms, read and drawn %.0f ms (aim: %s)\n", rows,
                        rows / 7200.0, text.size() / 1e6, read, t.nsecsElapsed() / 1e6,
                        rows == 7200 ? "under 1 s" : "under 3 s");
        }
    }
}

// The chart repainted as a poll repaints it at 60 s (the view moved by half a second),
// in a loop of its own so that a profiler can be told to record it alone.
__attribute__((noinline)) void replotLoop(ChartWindow& viewer, int times)
{
    QCPAxis* x = viewer.plot->axisRect(0)->axis(QCPAxis::atBottom);
    for (int i = 0; i < times; ++i) {
        x->setRange(x->range().lower + 0.5, x->range().upper + 0.5);
        viewer.drawNow();
        QApplication::processEvents();
    }
}

void benchReplot()
{
    const DriveLog log = readDriveLog(syntheticLog(600));
    LogViewerWindow viewer(log, "bench.csv", ',');
    viewer.show();
    runEventsFor(500);
    viewer.setSpan(60);
    QCPAxis* x = viewer.plot->axisRect(0)->axis(QCPAxis::atBottom);
    x->setRange(x->range().lower - 120, x->range().upper - 120);
    viewer.drawNow();
    const Cpu c0 = cpuNow();
    replotLoop(viewer, 200);
    const Cpu c1 = cpuNow();
    std::printf("Chart repainted as a poll repaints it (%s): %.2f ms CPU each (user %.2f, system %.2f)\n",
                qPrintable(QGuiApplication::platformName()),
                ((c1.user - c0.user) + (c1.system - c0.system)) * 1000 / 200, (c1.user - c0.user) * 1000 / 200,
                (c1.system - c0.system) * 1000 / 200);
}

// The lanes following polls as the live chart follows them (a poll every 0.5 s of the
// poll's own time, the view at 60 s moved by whole pixels, what is on screen scrolled),
// against drawing them whole at every poll. Each poll waits for its paint.
void benchFollow()
{
    for (const bool whole : {false, true}) {
        QWidget window;
        window.resize(880, 640);
        auto* lanes = new ChartLanes(&window, Qt::LocalTime);
        lanes->setGeometry(window.rect());
        window.show();
        runEventsFor(500);
        const double start = QDateTime::currentMSecsSinceEpoch() / 1000.0;
        const auto poll = [&](int i) {
            LaneValues v;
            for (int k = 0; k < LaneCount; ++k) // steady, as the model engine at idle reads
                v[static_cast<size_t>(k)] = 100 * k + std::round(6 * std::sin(i * (1.3 + 0.2 * k)));
            lanes->add(start + i * 0.5, true, v, 0);
            lanes->followTo(60);
            if (whole)
                lanes->drawNow();
            else
                lanes->redraw();
            QApplication::processEvents();
        };
        for (int i = 0; i < 200; ++i)
            poll(i);
        const int polls = 400;
        const Cpu c0 = cpuNow();
        for (int i = 200; i < 200 + polls; ++i)
            poll(i);
        const Cpu c1 = cpuNow();
        std::printf("Lanes following the polls, %s (%s): %.2f ms CPU a poll (user %.2f, system %.2f)\n",
                    whole ? "drawn whole" : "scrolled", qPrintable(QGuiApplication::platformName()),
                    ((c1.user - c0.user) + (c1.system - c0.system)) * 1000 / polls, (c1.user - c0.user) * 1000 / polls,
                    (c1.system - c0.system) * 1000 / polls);
    }
}

// The memory that 10 hours of polls take with the chart open (72,000 polls, fed as the
// monitor feeds them, on the simulated line).
void benchChartMemory()
{
    Program running;
    MainForm->show();
    chartRoom().graficoClick();
    QApplication::processEvents();
    const double before = residentMb();
    VirtualClock clock;
    sim::Controller controller;
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
    link.OpenPort("ttyS0");
    commands::LiveImage live{};
    for (int i = 0; i < 72000; ++i) {
        clock.advanceMs(500);
        commands::readLive(link, live);
        chartRoom().polled(tuma::Poll::of(live));
        if (i % 1000 == 0)
            QApplication::processEvents();
    }
    chartRoom().chart()->drawNow();
    QApplication::processEvents();
    std::printf("Memory of 10 hours of polls with the chart open (72,000 polls, simulated line): +%.1f MB "
                "(aim: under 50 MB)\n",
                residentMb() - before);
}

// Recording on the real path: every poll a row, and how long after its poll each row
// was on disk.
void benchRecording(int seconds)
{
    onRealPath([seconds] {
        MainForm->lerClick();
        chartRoom().graficoClick();
        const QString path = QDir::temp().filePath("tuma-bench-recording.csv");
        chartRoom().chart()->startRecordingTo(path);
        long polls = 0;
        qint64 lateMax = 0;
        // Connected after the chart: runs once the row has been written and flushed.
        QObject::connect(&chartRoom().polls(), &PollBuffer::added, [&](const LivePoll& p) {
            ++polls;
            lateMax = std::max(lateMax, QDateTime::currentMSecsSinceEpoch() - p.msecs);
        });
        runEventsFor(seconds * 1000);
        chartRoom().chart()->stopRecording();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const DriveLog log = readDriveLog(f.readAll().toStdString());
        std::printf("Recording %d s over a pty: %ld polls, %zu rows read back, %ld missing, latest row on disk %lld ms "
                    "after its poll (aim: none later than 100 ms)\n",
                    seconds, polls, log.samples.size(), polls - static_cast<long>(log.samples.size()),
                    static_cast<long long>(lateMax));
        QFile::remove(path);
    });
}

void benchStartAndMemory()
{
    QElapsedTimer t;
    t.start();
    {
        Program running;
        MainForm->show();
        while (!MainForm->windowHandle() || !MainForm->windowHandle()->isExposed()) {
            QApplication::processEvents();
            if (t.elapsed() > 10000)
                break;
        }
        std::printf("Start to main window shown (windows created, shown and exposed): %.1f ms\n",
                    t.nsecsElapsed() / 1e6);
    }

    // The running program itself.
    QProcess tuma;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    tuma.setProcessEnvironment(env);
    tuma.start(TUMA_BINARY, {});
    if (tuma.waitForStarted(5000)) {
        QThread::msleep(2000);
        QFile status(QString("/proc/%1/status").arg(tuma.processId()));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmRSS") || line.startsWith("VmHWM"))
                    std::printf("Running program, %s\n", line.simplified().constData());
        }
        tuma.kill();
        tuma.waitForFinished(3000);
    }
}

} // namespace

// Entry i of the bench's workshop: its plate, client, notes and blocks.
void bindEntry(sqlite3_stmt* st, int i)
{
    static const char* const clients[]
        = {"Auto Elétrica Silva", "Oficina do Zé", "Mecânica Central", "Ponto do Carro", ""};
    char plate[16];
    const int car = static_cast<int>(i * 7919LL % 5000); // 5,000 cars, their visits spread over the years
    std::snprintf(plate, sizeof plate, "ABC%dD%02d", car / 100, car % 100);
    const std::string client = clients[i % 5];
    uint8_t block[25];
    for (int k = 0; k < 25; ++k)
        block[k] = static_cast<uint8_t>(i * 31 + k * 7);
    const bool write = i % 5 == 0;
    sqlite3_bind_int64(st, 1, 1700000000 + i * 90LL);
    sqlite3_bind_int(st, 2, write ? 2 : 1);
    sqlite3_bind_int(st, 3, write ? 1 : 0);
    sqlite3_bind_text(st, 4, client.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 5, plate, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 6, i % 10 == 0 ? "trocou os bicos" : "", -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 7, plate, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 8, history::clientKey(client).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 9, i % 10 == 0 ? " trocou os bicos" : "", -1, SQLITE_STATIC);
    sqlite3_bind_blob(st, 10, block, 25, SQLITE_TRANSIENT);
    for (int column : {11, 12}) {
        if (write)
            sqlite3_bind_blob(st, column, block, 25, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(st, column);
    }
}

// A workshop's years: `count` entries over 5,000 cars, most of them reads, a fifth
// writes with the block before, sent and read back, one in ten with notes. Filled in
// large transactions (the program commits each entry on its own; the bench measures
// that separately).
void fillHistory(const std::string& path, int count)
{
    {
        history::Store layout(path);
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO entries(at, kind, outcome, port, controller_version, program_version, client, plate, "
        "notes, plate_key, client_key, notes_key, detail, block, before, sent, form_texts) "
        "VALUES(?, ?, ?, 'COM5', '2.5', '2.5', ?, ?, ?, ?, ?, ?, '', ?, ?, ?, '')",
        -1, &st, nullptr);
    sqlite3_stmt* words = nullptr;
    sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO note_words(word, id) VALUES(?, ?)", -1, &words, nullptr);
    if (!st || !words) {
        std::printf("History: the bench's layout is not the store's: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
        bindEntry(st, i);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::printf("History: an entry did not go in: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
        const sqlite3_int64 id = sqlite3_last_insert_rowid(db);
        if (i % 10 == 0)
            for (const char* w : {"trocou", "os", "bicos"}) {
                sqlite3_bind_text(words, 1, w, -1, SQLITE_STATIC);
                sqlite3_bind_int64(words, 2, id);
                sqlite3_step(words);
                sqlite3_reset(words);
            }
        if (i % 100000 == 99999) {
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(st);
    sqlite3_finalize(words);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

double msSince(const QElapsedTimer& t) { return t.nsecsElapsed() / 1e6; }

void benchHistory(int count)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(files::HistoryFile).toStdString();
    QElapsedTimer t;
    t.start();
    fillHistory(path, count);
    std::printf(
        "History of %d entries (filled in %.0f s): %.1f MB on disk\n", count, msSince(t) / 1000,
        (QFileInfo(QString::fromStdString(path)).size() + QFileInfo(QString::fromStdString(path + "-wal")).size())
            / 1e6);

    t.restart();
    {
        history::Store store(path);
        HistoryWindow window(store, ',');
        window.refresh();
        window.show();
        QCoreApplication::processEvents();
        std::printf("  the window opened with the newest %d rows shown: %.0f ms (aim: under 200)\n",
                    window.lista->rowCount(), msSince(t));
    }
    history::Store store(path);
    const auto timed = [&store](const char* what, const history::Filter& f) {
        QElapsedTimer q;
        q.start();
        const size_t n = store.list(f).size();
        std::printf("  %-44s %4zu rows in %6.1f ms\n", what, n, msSince(q));
    };
    timed("filter by a plate (ABC7D31):", {"ABC7D31"});
    timed("filter by a plate's beginning (ABC4):", {"ABC4"});
    timed("filter by a client's beginning (mecânica):", {"mecânica"});
    timed("filter by words in the notes (bicos):", {"bicos"});
    timed("a text nobody typed (zzz):", {"zzz"});
    timed("a month, a year ago:", {"", 1700000000 + count * 45LL, 1700000000 + count * 45LL + 30 * 86400});

    // Each entry committed on its own, as the program does on a read or a write.
    std::vector<double> costs;
    history::Entry e;
    e.kind = history::Kind::Read;
    e.block = Block{};
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer q;
        q.start();
        store.add(e);
        costs.push_back(msSince(q));
    }
    std::sort(costs.begin(), costs.end());
    std::printf("  an entry committed (WAL, synchronous): median %.2f ms, 95th %.2f ms, max %.2f ms (aim: under 5)\n",
                costs[100], costs[190], costs.back());
}

// A "&Ler " on the real path, the history's entry inside it (its share is the commit
// measured above).
void benchReadWithHistory()
{
    onRealPath([] {
        std::vector<double> whole;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            MainForm->lerClick();
            whole.push_back(msSince(t));
            runEventsFor(50);
        }
        std::sort(whole.begin(), whole.end());
        std::printf(
            "\"&Ler \" with its history entry, Qt SerialPort over a pty to tuma-sim: median %.1f ms, max %.1f ms "
            "(the read, the form, the entry and the short live read)\n",
            whole[10], whole.back());
    });
}

// The installation checks' cost: a 30-minute drive of the model engine (3600 polls,
// read once over the simulated line), then judged again and again from memory, so the
// figure is the checks' alone; their memory is fixed.
void benchChecks()
{
    VirtualClock clock;
    sim::Engine engine;
    sim::Controller controller;
    controller.engine = &engine;
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
    link.OpenPort("DEMO");
    std::vector<std::array<uint8_t, 10>> polls;
    for (int64_t ms = 0; ms <= 1800000; ms += 500) {
        clock.sleepUntilUs(ms * 1000);
        commands::LiveImage live{};
        commands::readLive(link, live);
        std::array<uint8_t, 10> a;
        std::copy(std::begin(live), std::end(live), a.begin());
        polls.push_back(a);
    }
    Block image;
    factoryImage(image);
    image[0] |= bits::SlowLambda;
    checks::Monitor monitor;
    monitor.setBlock(image);
    const int rounds = 20;
    size_t findings = 0;
    const long allocationsBefore = g_allocations;
    QElapsedTimer t;
    t.start();
    for (int round = 0; round < rounds; ++round) {
        monitor.reset();
        monitor.setBlock(image);
        monitor.linkUp(0);
        int64_t ms = 0;
        for (const auto& p : polls) {
            findings += monitor.add(checks::readingOf(ms, p.data(), 1), {});
            ms += 500;
        }
    }
    const double perPoll = t.nsecsElapsed() / 1e3 / (rounds * static_cast<double>(polls.size()));
    std::printf(
        "Installation checks, %zu polls of the model's 30-minute drive x %d (simulated line, then from memory): "
        "%.2f us a poll, %ld allocations, %zu findings; memory %zu bytes, fixed\n",
        polls.size(), rounds, perPoll, g_allocations - allocationsBefore, findings, sizeof(checks::Monitor));
}

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TumaApplication app(argc, argv); // the program's own, with its style
    const int monitorSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    // TUMA_BENCH_ONLY=cpu: the monitoring figure alone, for repeated runs.
    if (qgetenv("TUMA_BENCH_ONLY") == "cpu") {
        benchPollingCpu(monitorSeconds);
        return 0;
    }
    // TUMA_BENCH_ONLY=replot: the chart's repaint alone, for a profiler.
    if (qgetenv("TUMA_BENCH_ONLY") == "replot") {
        benchReplot();
        return 0;
    }
    // TUMA_BENCH_ONLY=follow: the lanes' drawing as polls come, scrolled and whole.
    if (qgetenv("TUMA_BENCH_ONLY") == "follow") {
        benchFollow();
        return 0;
    }
    // TUMA_BENCH_ONLY=chartcpu: the chart's CPU figures alone.
    if (qgetenv("TUMA_BENCH_ONLY") == "chartcpu") {
        benchChartCpu(monitorSeconds);
        return 0;
    }
    // TUMA_BENCH_ONLY=chart: the chart's figures alone; TUMA_BENCH_ONLY=record: a
    // recording of TUMA_BENCH_RECORD_SECONDS (600 by default).
    if (qgetenv("TUMA_BENCH_ONLY") == "chart") {
        benchChartCpu(monitorSeconds);
        benchLogOpen();
        benchChartMemory();
        return 0;
    }
    // TUMA_BENCH_ONLY=history: the history's figures (TUMA_BENCH_HISTORY entries,
    // 1,000,000 by default).
    if (qgetenv("TUMA_BENCH_ONLY") == "history") {
        const int count = qEnvironmentVariableIsSet("TUMA_BENCH_HISTORY")
            ? qEnvironmentVariableIntValue("TUMA_BENCH_HISTORY")
            : 1000000;
        benchHistory(count);
        benchReadWithHistory();
        return 0;
    }
    if (qgetenv("TUMA_BENCH_ONLY") == "checks") {
        benchChecks();
        return 0;
    }
    if (qgetenv("TUMA_BENCH_ONLY") == "record") {
        const int seconds = qEnvironmentVariableIsSet("TUMA_BENCH_RECORD_SECONDS")
            ? qEnvironmentVariableIntValue("TUMA_BENCH_RECORD_SECONDS")
            : 600;
        benchRecording(seconds);
        return 0;
    }
    benchExchange();
    benchAllocations();
    benchChecks();
    benchPollingCpu(monitorSeconds);
    benchLogCadence(20);
    benchChartCpu(monitorSeconds);
    benchLogOpen();
    benchChartMemory();
    benchRecording(30);
    benchStartAndMemory();
    benchHistory(1000000);
    benchReadWithHistory();
    return 0;
}
