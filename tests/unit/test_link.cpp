#include "core/commands.h"
#include "core/crc8.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "support/scripted_device.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tuma;
using tuma::test::Chunk;
using tuma::test::ScriptedDevice;
using tuma::test::withCrc;

namespace {

using Bytes = std::vector<uint8_t>;

class LinkTest : public ::testing::Test {
protected:
    VirtualClock clock;
    ScriptedDevice device;
    SimLinePort* lastPort = nullptr;
    int portsMade = 0;
    Link link{[this](const std::string&) {
        ++portsMade;
        auto p = std::make_unique<SimLinePort>(clock, device);
        lastPort = p.get();
        return p;
    }};

    void open() { ASSERT_TRUE(link.OpenPort("ttyS0")); }
    double ms() { return clock.nowUs() / 1000.0; }
};

TEST(Crc8, CheckValueAndSelfCheck)
{
    const char* check = "123456789";
    EXPECT_EQ(Crc8(reinterpret_cast<const uint8_t*>(check), 9), 0xF4);
    EXPECT_EQ(Crc8(nullptr, 0), 0);
    Bytes frame = withCrc({0xF3, 0x01, 0x00, 0x01, 0x19});
    EXPECT_EQ(Crc8(frame.data(), static_cast<uint32_t>(frame.size())), 0);
}

TEST_F(LinkTest, SetProgramModeFrames)
{
    open();
    const Bytes expected[] = {
        {0xF3, 0x0D, 0x00, 0x01, 0x01, 0x00, 0xCE},
        {0xF3, 0x0D, 0x00, 0x01, 0x01, 0x01, 0xC9},
        {0xF3, 0x0D, 0x00, 0x01, 0x01, 0x02, 0xC0},
    };
    for (uint8_t mode = 0; mode < 3; ++mode) {
        device.answer(withCrc({0xF3, 0x0D}));
        uint8_t data[1] = {mode};
        EXPECT_TRUE(link.Exchange(cmd::SetProgramMode, 1, 1, data));
        EXPECT_EQ(device.requests.back().bytes, expected[mode]);
    }
}

TEST_F(LinkTest, OpenConfiguresTheLine)
{
    open();
    EXPECT_TRUE(link.portOpen());
    EXPECT_EQ(lastPort->lineSettings().baudRate, 19200u);
    EXPECT_EQ(lastPort->lineSettings().byteSize, 8);
    EXPECT_EQ(lastPort->lineSettings().parity, Parity::None);
    EXPECT_EQ(lastPort->lineSettings().stopBits, StopBits::One);
    EXPECT_FALSE(lastPort->lineSettings().parityCheck);
    EXPECT_EQ(lastPort->timeouts(), (PortTimeouts{20, 3, 50, 2, 50}));
}

TEST_F(LinkTest, ReadConfigSendsImageAndCopiesPayload)
{
    open();
    uint8_t image[25];
    for (int i = 0; i < 25; ++i)
        image[i] = static_cast<uint8_t>(100 + i);
    Bytes answer = {0xAA, 0xBB}; // the first two bytes are never examined
    for (int i = 0; i < 25; ++i)
        answer.push_back(static_cast<uint8_t>(i));
    device.answer(withCrc(answer));
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, image));
    const Bytes& req = device.requests.at(0).bytes;
    ASSERT_EQ(req.size(), 31u);
    EXPECT_EQ(req[0], 0xF3);
    EXPECT_EQ(req[1], 1);
    EXPECT_EQ(req[4], 25);
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(req[5 + i], 100 + i);
        EXPECT_EQ(image[i], i);
    }
    EXPECT_EQ(Crc8(req.data(), 31), 0);
    EXPECT_EQ(link.transferCount(), 28u);
}

TEST_F(LinkTest, AddressIsSentHighByteFirst)
{
    open();
    device.answer(withCrc({0, 0, 7, 7}));
    uint8_t buf[2] = {};
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 0x1234, 2, buf));
    EXPECT_EQ(device.requests[0].bytes[2], 0x12);
    EXPECT_EQ(device.requests[0].bytes[3], 0x34);
}

TEST_F(LinkTest, SilentControllerThreeAttemptsThenDrain)
{
    open();
    uint8_t buf[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const double t0 = ms();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    const double took = ms() - t0;
    EXPECT_EQ(device.requests.size(), 3u);
    for (const auto& r : device.requests)
        EXPECT_EQ(r.bytes, device.requests[0].bytes);
    EXPECT_NEAR(took, 3 * (16 * 0.521 + 350), 1.0); // about 1.08 s
    EXPECT_TRUE(link.resyncPending());
    EXPECT_EQ(buf[0], 1); // untouched
    EXPECT_EQ(buf[9], 10);

    // The next call drains for the full 350 ms before it sends.
    device.answer(withCrc({0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
    const double t1 = ms();
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    ASSERT_EQ(device.requests.size(), 4u);
    EXPECT_NEAR(device.requests[3].atUs / 1000.0 - t1, 350 + 16 * 0.521, 1.0);
    EXPECT_FALSE(link.resyncPending());
    EXPECT_EQ(buf[0], 9);
}

TEST_F(LinkTest, AnswerToSecondAttemptIsAccepted)
{
    open();
    device.silence();
    device.answer(withCrc({0, 0, 42}));
    uint8_t buf[1] = {};
    EXPECT_TRUE(link.Exchange(cmd::ReadConfig, 4, 1, buf));
    EXPECT_EQ(device.requests.size(), 2u);
    EXPECT_EQ(buf[0], 42);
}

TEST_F(LinkTest, SplitAnswerFailsAndIsDrainedNextTime)
{
    open();
    Bytes full = withCrc({0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    Bytes head(full.begin(), full.begin() + 5), tail(full.begin() + 5, full.end());
    device.replies.push_back({{0, head}, {25000, tail}});
    uint8_t buf[10] = {};
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_EQ(link.transferCount(), 5u); // only the part before the pause
    EXPECT_TRUE(link.resyncPending());
    EXPECT_EQ(device.requests.size(), 1u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(lastPort->pending(), tail.size());

    device.answer(withCrc({0, 0, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}));
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(lastPort->pending(), 0u);
}

TEST_F(LinkTest, BadCrcLeavesBufferAndNeedsResync)
{
    open();
    Bytes bad = withCrc({0, 0, 1, 2});
    bad.back() ^= 1;
    device.answer(bad);
    uint8_t buf[2] = {7, 7};
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 99, 2, buf));
    EXPECT_TRUE(link.resyncPending());
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(device.requests.size(), 1u); // a bad answer is not retried
}

TEST_F(LinkTest, TinyAnswersWithZeroCrcAreAcceptedWithoutPayload)
{
    open();
    const Bytes tiny[] = {{0x00}, {0x12, Crc8((const uint8_t*)"\x12", 1)}, withCrc({0x55, 0x66})};
    for (const Bytes& t : tiny) {
        device.answer(t);
        uint8_t buf[2] = {9, 9};
        EXPECT_TRUE(link.Exchange(cmd::ReadLive, 99, 2, buf));
        EXPECT_EQ(buf[0], 9);
        EXPECT_EQ(buf[1], 9);
    }
}

TEST_F(LinkTest, ShortAnswerWritesOnlyWhatCame)
{
    open();
    device.answer(withCrc({0, 0, 1, 2, 3}));
    uint8_t buf[10];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    EXPECT_EQ(buf[2], 3);
    EXPECT_EQ(buf[3], 0xEE);
}

TEST_F(LinkTest, LongAnswerIsNotWrittenPastTheRoom)
{
    open();
    Bytes answer = {0, 0};
    for (int i = 0; i < 97; ++i)
        answer.push_back(0x11);
    device.answer(withCrc(answer));
    uint8_t guard[16];
    std::memset(guard, 0xCC, sizeof guard);
    EXPECT_TRUE(link.Exchange(cmd::ReadLive, 99, 2, guard, 2));
    EXPECT_EQ(guard[1], 0x11);
    EXPECT_EQ(guard[2], 0xCC);
    EXPECT_EQ(link.transferCount(), 100u);
}

TEST_F(LinkTest, OversizedRequestsAreRefusedWithoutSending)
{
    open();
    uint8_t big[100] = {};
    EXPECT_FALSE(link.Exchange(cmd::WriteConfig, 1, 95, big));
    uint8_t small[4] = {};
    EXPECT_FALSE(link.Exchange(cmd::WriteConfig, 1, 10, small)); // more than the caller holds
    EXPECT_TRUE(device.requests.empty());
    EXPECT_FALSE(link.resyncPending());
    device.answer(withCrc({0, 0}));
    EXPECT_TRUE(link.Exchange(cmd::WriteConfig, 1, 94, big));
    EXPECT_EQ(device.requests.at(0).bytes.size(), 100u);
}

TEST_F(LinkTest, ClosedLinkFailsAtOnce)
{
    uint8_t buf[1] = {};
    EXPECT_FALSE(link.Exchange(cmd::GetVersion, 1, 1, buf));
    EXPECT_FALSE(link.ClosePort());
    EXPECT_EQ(portsMade, 0);
    EXPECT_EQ(clock.nowUs(), 0);
}

TEST_F(LinkTest, UnpluggedDeviceClosesTheLink)
{
    open();
    ASSERT_FALSE(link.resyncPending());
    device.gone = true;
    uint8_t buf[1] = {5};
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 99, 1, buf));
    EXPECT_FALSE(link.portOpen());
    EXPECT_FALSE(link.resyncPending());
    EXPECT_EQ(buf[0], 5);
    const int64_t t = clock.nowUs();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 99, 1, buf));
    EXPECT_EQ(clock.nowUs(), t);
    // Plugged in again: a new OpenPort brings it back.
    device.gone = false;
    open();
    device.answer(withCrc({0, 0, 2, 5}));
    uint8_t version[2] = {};
    EXPECT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, version));
}

TEST_F(LinkTest, ReopenRestoresTimeoutsAndKeepsResync)
{
    open();
    uint8_t buf[1] = {};
    device.silence(3);
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 99, 1, buf));
    open();
    EXPECT_EQ(portsMade, 2); // a new port object, whatever address it got
    EXPECT_TRUE(link.resyncPending());
    EXPECT_EQ(link.savedTimeouts(), PortTimeouts{});
    EXPECT_TRUE(link.ClosePort());
    EXPECT_FALSE(link.portOpen());
    EXPECT_TRUE(link.resyncPending());
}

TEST(LinkPaths, DevicePathFromPortName)
{
    EXPECT_EQ(posixDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(posixDevicePath("pts/3"), "/dev/pts/3");
    EXPECT_EQ(posixDevicePath("/dev/ttyS1"), "/dev/ttyS1");
    EXPECT_EQ(posixDevicePath(""), "/dev/");
    EXPECT_EQ(windowsDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(windowsDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(windowsDevicePath(""), "\\\\.\\");
    for (auto rule : {posixDevicePath, windowsDevicePath}) {
        EXPECT_NE(rule("0123456789"), "");
        EXPECT_EQ(rule("0123456789A"), "");
    }
    EXPECT_EQ(Link(nullptr, windowsDevicePath).devicePath("COM5"), "\\\\.\\COM5");
    EXPECT_EQ(Link(nullptr).devicePath("ttyS0"), "/dev/ttyS0");
}

TEST_F(LinkTest, TooLongPortNameDoesNotOpen)
{
    EXPECT_FALSE(link.OpenPort("01234567890"));
    EXPECT_EQ(portsMade, 0);
    EXPECT_FALSE(link.portOpen());
}

} // namespace
