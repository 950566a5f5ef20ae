// Figures for the link and the program; printed, never asserted.
#include "core/link.h"
#include "core/memory_map.h"
#include "core/qt_serial_port.h"
#include "core/sim_line.h"
#include "message_box.h"
#include "porta_serial.h"
#include "principal.h"
#include "sim/controller.h"
#include "sim/pty_server.h"
#include "windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QWindow>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

#include "counting_new.h"

using namespace tuma;

namespace {

// The physical bound of one 10-byte read: request and answer on the line, then the
// 20 ms of silence that ends the read.
constexpr double kBoundMs = (16 + 13) * 0.521 + 20.0;

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

void benchExchange()
{
    std::printf("One 10-byte Exchange (ReadLive 67), physical bound %.1f ms\n", kBoundMs);
    {
        RealClock clock;
        sim::Controller controller;
        Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
        link.OpenPort("DEMO");
        const double ms = exchangeMs(link, 40);
        std::printf("  demo port (paced line):        %6.2f ms  ratio %.3f\n", ms, ms / kBoundMs);
    }
    {
        sim::Controller controller;
        sim::PtyServer server(controller);
        if (server.start()) {
            server.startThread();
            Link link([](const std::string&) { return std::make_unique<QtSerialPort>(); });
            if (link.OpenPort(server.portName())) {
                const double ms = exchangeMs(link, 40);
                std::printf("  Qt SerialPort over a pty:      %6.2f ms  ratio %.3f\n", ms, ms / kBoundMs);
            }
            link.ClosePort();
            server.stop();
        }
    }
}

void benchAllocations()
{
    VirtualClock clock;
    sim::Controller controller;
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
    link.OpenPort("DEMO");
    uint8_t cfg[25] = {}, live[10] = {};
    const int rounds = 10000;
    const long before = g_allocations;
    for (int i = 0; i < rounds; ++i) {
        link.Exchange(cmd::ReadConfig, 1, 25, cfg);
        link.Exchange(cmd::ReadLive, 67, 10, live);
    }
    std::printf("Allocations per Exchange: %.3f (%ld in %d exchanges)\n",
                double(g_allocations - before) / (2 * rounds), g_allocations - before, 2 * rounds);
}

class SilentBoxes : public MessageBoxes {
public:
    BoxAnswer show(const QString&, const QString&, BoxButtons) override { return BoxAnswer::Yes; }
};

void benchPollingCpu()
{
    // An hour of polling is 7200 ticks; on a virtual clock only the work remains.
    VirtualClock clock;
    sim::Controller controller;
    Platform platform;
    platform.listPorts = [] { return QStringList{"DEMO"}; };
    platform.makePort = [&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); };
    SilentBoxes boxes;
    setMessageBoxes(&boxes);
    createWindows(platform);
    Form2->link.OpenPort("DEMO");
    const std::clock_t c0 = std::clock();
    for (int i = 0; i < 7200; ++i) {
        MainForm->Timer_ReadTimer();
        clock.advanceMs(500);
    }
    const double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    std::printf("CPU for an hour of polling (7200 ticks, link and window work): %.3f s (%.1f us a tick)\n",
                cpu, cpu / 7200 * 1e6);
    destroyWindows();
    setMessageBoxes(nullptr);
}

void benchStartAndMemory()
{
    QElapsedTimer t;
    t.start();
    createWindows(systemPlatform());
    MainForm->show();
    while (!MainForm->windowHandle() || !MainForm->windowHandle()->isExposed()) {
        QApplication::processEvents();
        if (t.elapsed() > 10000)
            break;
    }
    std::printf("Start to main window shown (windows created, shown and exposed): %.1f ms\n", t.nsecsElapsed() / 1e6);
    destroyWindows();

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

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchExchange();
    benchAllocations();
    benchPollingCpu();
    benchStartAndMemory();
    return 0;
}
