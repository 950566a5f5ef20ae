// The link through Qt SerialPort against the simulated controller behind a real
// pseudo-terminal.
#include "core/commands.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "core/port_search.h"
#include "ports/qt_serial_port.h"
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "support/counting_new.h"
#include "support/usb_answers.h"

using namespace tuma;
using tuma::sim::Controller;
using tuma::sim::Fault;
using tuma::sim::PtyServer;

namespace {

class PtyLink : public ::testing::Test {
protected:
    Controller controller;
    PtyServer server{controller};
    Link link{[](const std::string&) { return std::make_unique<QtSerialPort>(); }};

    void SetUp() override
    {
        controller.logFrames = true;
        ASSERT_TRUE(server.start());
        server.startThread();
        ASSERT_LE(server.portName().size(), Link::MaxPortName);
        ASSERT_TRUE(link.OpenPort(server.portName()));
    }
    void TearDown() override
    {
        link.ClosePort();
        server.stop();
    }
    void fault(Fault f)
    {
        std::lock_guard<std::mutex> g(server.mutex());
        controller.setFault(f);
    }
};

TEST_F(PtyLink, VersionQuery)
{
    uint8_t v[2] = {};
    ASSERT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[1], 5);
}

TEST_F(PtyLink, ReadAndWriteTheParameterBlock)
{
    uint8_t cfg[25] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
    EXPECT_EQ(link.transferCount(), 28u);
    EXPECT_EQ(cfg[addr::cfg(addr::ColdStartTime)], 0xC4);
    cfg[addr::cfg(addr::MaxCorrection)] = 20;
    uint8_t out[25];
    std::copy(cfg, cfg + 25, out);
    ASSERT_TRUE(link.Exchange(cmd::WriteConfig, 1, 25, out));
    uint8_t again[25] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, again));
    EXPECT_TRUE(std::equal(cfg, cfg + 25, again));
}

TEST_F(PtyLink, SilentControllerTimesOut)
{
    fault(Fault::Silent);
    uint8_t buf[10] = {};
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    const qint64 took = t.elapsed();
    EXPECT_GE(took, 1000);
    EXPECT_LE(took, 1700);
    EXPECT_TRUE(link.resyncPending());
    {
        std::lock_guard<std::mutex> g(server.mutex());
        EXPECT_EQ(controller.frames.size(), 3u);
    }
    fault(Fault::None);
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_FALSE(link.resyncPending());
}

TEST_F(PtyLink, SplitAnswerFailsThenRecovers)
{
    fault(Fault::Split);
    uint8_t buf[10] = {};
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_LT(link.transferCount(), 13u);
    EXPECT_GT(link.transferCount(), 0u);
    fault(Fault::None);
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_EQ(link.transferCount(), 13u);
}

TEST_F(PtyLink, UnplugClosesTheLink)
{
    uint8_t buf[10] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    fault(Fault::Gone); // the server hangs up the pseudo-terminal
    QElapsedTimer t;
    t.start();
    while (link.portOpen() && t.elapsed() < 5000)
        link.Exchange(cmd::ReadLive, 67, 10, buf);
    EXPECT_FALSE(link.portOpen());
    t.restart();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_LT(t.elapsed(), 5);
}

TEST_F(PtyLink, UsbChunksAreReadWhole)
{
    fault(Fault::Usb);
    const UsbReads reads = readBlockThroughUsbChunks(link);
    if (reads.cut > 0)
        std::fprintf(stderr, "This machine stretched the gaps of %d answers past 20 ms; those tries were made again.\n",
                     reads.cut);
    EXPECT_EQ(reads.whole, 5) << reads.cut
                              << " answers cut: the reader ends at a chunk's end, or the machine is far too loaded";
}

TEST_F(PtyLink, APartialRequestIsDroppedAfterAPause)
{
    // A request cut short (its count says 67 bytes follow) must not swallow the next.
    const int fd = ::open(server.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    const uint8_t partial[] = {0xF3, 0x00, 0x00, 0x43, 0x7A};
    ASSERT_EQ(::write(fd, partial, sizeof partial), static_cast<ssize_t>(sizeof partial));
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    uint8_t v[2] = {};
    EXPECT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_EQ(v[1], 5);
}

TEST_F(PtyLink, NoAllocationPerExchange)
{
    {
        std::lock_guard<std::mutex> g(server.mutex());
        controller.logFrames = false; // the serving thread would count too
    }
    // Every kind of request the program makes, each counted on its own.
    struct Kind {
        const char* name;
        std::function<bool()> call;
    };
    Block cfg{};
    uint8_t live[10] = {};
    uint8_t status = 0;
    commands::Version version;
    const Kind kinds[] = {
        {"GetVersion", [&] { return commands::readVersion(link, version); }},
        {"ReadConfig", [&] { return commands::readConfig(link, cfg); }},
        {"WriteConfig", [&] { return commands::writeConfig(link, cfg); }},
        {"ReadLive", [&] { return commands::readLive(link, live); }},
        {"ShortLive", [&] { return commands::readShortLive(link, live); }},
        {"Status", [&] { return commands::readStatus(link, live, status); }},
        {"Mixture", [&] { return commands::writeMixture(link, 0x10); }},
        {"ProgramMode", [&] { return commands::setProgramMode(link, programMode::Reset); }},
    };
    for (const Kind& k : kinds)
        ASSERT_TRUE(k.call()) << k.name; // Qt's buffers, once
    for (const Kind& k : kinds) {
        const long before = g_allocations;
        for (int i = 0; i < 7; ++i)
            ASSERT_TRUE(k.call()) << k.name;
        EXPECT_EQ(g_allocations - before, 0) << k.name;
    }
}

// The port is the program's alone, whoever runs it (root passes TIOCEXCL) and
// whatever name the device is reached by.
TEST_F(PtyLink, PortHeldElsewhereDoesNotOpen)
{
    const std::string linkPath = "/tmp/tuma-test-port-" + std::to_string(::getpid());
    ::unlink(linkPath.c_str());
    ASSERT_EQ(::symlink(server.devicePath().c_str(), linkPath.c_str()), 0);
    Link second{[](const std::string&) { return std::make_unique<QtSerialPort>(); }};
    EXPECT_FALSE(second.OpenPort(server.portName()));
    EXPECT_FALSE(second.OpenPort(linkPath));
    ::unlink(linkPath.c_str());

    link.ClosePort();
    const int holder = ::open(server.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
    EXPECT_FALSE(second.OpenPort(server.portName()));
    ::ioctl(holder, TIOCNXCL);
    ::close(holder);
    EXPECT_TRUE(second.OpenPort(server.portName()));
    EXPECT_FALSE(link.OpenPort(server.portName()));
}

// The port against a bare pseudo-terminal whose other end is the test: bytes that came
// while the event loop ran, and that Qt's notifier took in, come before the bytes still
// on the line, and a request reaches the line whole.
TEST(QtSerialPortPty, BytesFromTheEventLoopComeFirst)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    QtSerialPort port;
    ASSERT_TRUE(port.open(::ptsname(master)));
    ASSERT_TRUE(port.setTimeouts(PortTimeouts{20, 3, 50, 2, 50}));
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);

    ASSERT_EQ(::write(master, "AB", 2), 2);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(::write(master, "CD", 2), 2);
    uint8_t in[100] = {};
    uint32_t moved = 0;
    EXPECT_TRUE(port.read(in, sizeof in, moved));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(in), moved), "ABCD");

    const uint8_t request[] = {0xF3, 0x03, 0x00, 0x01, 0x01, 0x00, 0x6B};
    EXPECT_TRUE(port.write(request, sizeof request, moved));
    EXPECT_EQ(moved, sizeof request);
    uint8_t line[16] = {};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(::read(master, line, sizeof line), static_cast<ssize_t>(sizeof request));
    EXPECT_TRUE(std::equal(request, request + sizeof request, line));

    ::close(master);
    EXPECT_FALSE(port.read(in, sizeof in, moved));
    EXPECT_EQ(port.lastError(), PortError::DeviceGone);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(PortSearchOverPty, FindsTheControllerAmongASilentPortAndABusyOne)
{
    Controller answering, silent, held;
    silent.setFault(Fault::Silent);
    PtyServer a{answering}, b{silent}, c{held};
    for (PtyServer* server : {&a, &b, &c}) {
        ASSERT_TRUE(server->start());
        server->startThread();
    }
    // Another program holds the third line, as a terminal program holds its port.
    const int other = ::open(c.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::ioctl(other, TIOCEXCL), 0);

    PortSearch search(
        {{b.portName(), ""}, {c.portName(), ""}, {a.portName(), "USB Serial"}}, false,
        [](const std::string&) { return std::make_unique<QtSerialPort>(); }, posixDevicePath);
    while (search.next()) {
    }
    EXPECT_EQ(probeText(search.probes()[0]), "sem resposta");
    EXPECT_EQ(probeText(search.probes()[1]), "ocupada por outro programa: não procurada");
    EXPECT_EQ(probeText(search.probes()[2]), "respondeu: controlador versão 2.5");
    EXPECT_EQ(search.found(), std::vector<std::string>{a.portName()});

    // Nothing stays open: each line opens again at once, exclusively.
    for (PtyServer* server : {&a, &b}) {
        Link link{[](const std::string&) { return std::make_unique<QtSerialPort>(); }};
        EXPECT_TRUE(link.OpenPort(server->portName())) << server->portName();
    }
    ::close(other);
    for (PtyServer* server : {&a, &b, &c})
        server->stop();
}
