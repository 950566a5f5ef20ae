// The Win32 layer under wine: the port list from the registry, the user's decimal
// separator, and the link through a real COM port served by tuma-sim on a
// pseudo-terminal (see wine/run_tests.sh for what serves which port).
#include "core/commands.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "ports/system.h"
#include "ports/win32_serial_port.h"
#include "ports/win32_system.h"
#include "sim/controller.h"
#include "support/usb_answers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tuma;

namespace {

std::string registryState()
{
    const char* v = std::getenv("TUMA_WINE_REGISTRY");
    return v ? v : "";
}

TEST(Registry, PortListIsTheStringDataInEnumerationOrder)
{
    const std::string state = registryState();
    if (state == "absent") {
        EXPECT_TRUE(serialCommPorts().empty());
        return;
    }
    if (state != "filled")
        GTEST_SKIP() << "run through wine/run_tests.sh";
    // wine enumerates the values by name; the DWORD value is skipped and the name
    // far longer than any fixed buffer is read whole.
    const std::vector<std::string> expected{"COM12", "COM1", "COM2", "COM5"};
    EXPECT_EQ(serialCommPorts(), expected);
}

TEST(RegionalSettings, DecimalSeparatorIsTheUsersOwn)
{
    if (registryState() != "filled")
        GTEST_SKIP() << "run through wine/run_tests.sh";
    EXPECT_EQ(userDecimalSeparator(), ',');
}

// MoveFileExW's replace: the old file goes in the same step as the new one takes the
// name, and nothing is left beside it.
TEST(Files, ReplaceFilePutsTheNewFileOverTheOldOne)
{
    char folder[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    const std::string path = std::string(folder) + "tuma-replace-test.tuma";
    std::string why;
    ASSERT_TRUE(replaceFile(path, "velho\r\n", why)) << why;
    ASSERT_TRUE(replaceFile(path, std::string(100000, 'n'), why)) << why;
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string got(200000, '\0');
    got.resize(std::fread(&got[0], 1, got.size(), f));
    std::fclose(f);
    EXPECT_EQ(got, std::string(100000, 'n'));
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path + ".tmp-*").c_str(), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a temporary file was left: " << found.cFileName;
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    DeleteFileA(path.c_str());
    EXPECT_FALSE(replaceFile(std::string(folder) + "nao\\existe\\a.tuma", "x", why));
    EXPECT_FALSE(why.empty());
}

TEST(Resources, IconAndVersionAsExplorerReadsThem)
{
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));
    char* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041604E4\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "2.5");
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041604E4\\ProductName", reinterpret_cast<void**>(&text),
                               &length));
    EXPECT_STREQ(text, "Tuma Program\xE1vel"); // Windows-1252
    EXPECT_NE(LoadImageA(GetModuleHandleA(nullptr), "IDI_ICON1", IMAGE_ICON, 32, 32, 0), nullptr);
}

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Keeps what the port held when the link closed it.
class WatchedPort : public Win32SerialPort {
public:
    PortTimeouts* atClose = nullptr;
    bool goneAfterRead = false;
    void close() override
    {
        if (atClose && handle() != INVALID_HANDLE_VALUE)
            getTimeouts(*atClose);
        Win32SerialPort::close();
    }
    bool read(uint8_t* buffer, uint32_t capacity, uint32_t& moved) override
    {
        const bool ok = Win32SerialPort::read(buffer, capacity, moved);
        // wine reports a hung-up line as ERROR_NOT_READY, never ERROR_BAD_COMMAND:
        // this stands for a USB adapter pulled out on Windows.
        if (goneAfterRead)
            SetLastError(ERROR_BAD_COMMAND);
        return ok;
    }
};

class ComPort : public ::testing::Test {
protected:
    WatchedPort* port = nullptr;
    PortTimeouts timeoutsAtClose{};
    Link link{[this](const std::string&) {
                  auto p = std::make_unique<WatchedPort>();
                  p->atClose = &timeoutsAtClose;
                  port = p.get();
                  return p;
              },
              windowsDevicePath};
    void SetUp() override
    {
        if (registryState() != "filled")
            GTEST_SKIP() << "run through wine/run_tests.sh";
    }
};

TEST_F(ComPort, DevicePathAndLineSettings)
{
    EXPECT_EQ(link.devicePath("COM5"), "\\\\.\\COM5");
    EXPECT_FALSE(link.OpenPort("COM99"));
    ASSERT_TRUE(link.OpenPort("COM5"));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port->handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fParity, 0u);
    COMMTIMEOUTS ct{};
    ASSERT_TRUE(GetCommTimeouts(port->handle(), &ct));
    EXPECT_EQ(ct.ReadIntervalTimeout, 20u);
    EXPECT_EQ(ct.ReadTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(ct.ReadTotalTimeoutConstant, 50u);
    EXPECT_EQ(ct.WriteTotalTimeoutMultiplier, 2u);
    EXPECT_EQ(ct.WriteTotalTimeoutConstant, 50u);

    // wine keeps timeouts per handle, so a reopen cannot show them: the port's own
    // timeouts must be back on the handle when it is closed.
    const PortTimeouts own = link.savedTimeouts();
    EXPECT_TRUE(link.ClosePort());
    EXPECT_EQ(timeoutsAtClose, own);
    EXPECT_FALSE(link.ClosePort());
}

TEST_F(ComPort, VersionReadAndWriteAgainstTheLinesBound)
{
    ASSERT_TRUE(link.OpenPort("COM5"));
    uint8_t v[2] = {};
    ASSERT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[1], 5);

    const sim::Controller factory;
    uint8_t cfg[25] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
    EXPECT_EQ(link.transferCount(), 28u);
    EXPECT_EQ(0, std::memcmp(cfg, &factory.memory[addr::ConfigFirst], 25));
    uint8_t out[25];
    std::memcpy(out, cfg, 25);
    out[addr::cfg(addr::MaxCorrection)] = 20;
    uint8_t sent[25];
    std::memcpy(sent, out, 25);
    ASSERT_TRUE(link.Exchange(cmd::WriteConfig, 1, 25, out));
    uint8_t again[25] = {};
    ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, again));
    EXPECT_EQ(0, std::memcmp(again, sent, 25));

    // One 10-byte live read: request (16 bytes), 2 ms latency, answer (13 bytes), and
    // the 20 ms of silence that ends the read.
    const double bound = (16 + 13) * 0.521 + 2 + 20;
    const int rounds = 20;
    uint8_t live[10];
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live));
    const double each = msSince(t0) / rounds;
    std::printf("[ figure ] wine, COM port on a pty: one 10-byte live read %.2f ms, bound %.2f ms, ratio %.3f\n", each,
                bound, each / bound);
    EXPECT_LT(each, 1.5 * bound);
}

TEST_F(ComPort, SilentControllerThreeRequestsThenADrain)
{
    ASSERT_TRUE(link.OpenPort("COM6"));
    uint8_t buf[10] = {};
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    const double first = msSince(t0);
    EXPECT_TRUE(link.resyncPending());
    t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, buf));
    const double second = msSince(t0);
    std::printf("[ figure ] wine, silent controller: %.0f ms, then %.0f ms with the drain\n", first, second);
    // 3 x (16 x 0.521 + 350) = 1075 ms; the drain adds 350 ms.
    EXPECT_GT(first, 1000);
    EXPECT_LT(first, 1700);
    EXPECT_GT(second - first, 250);
}

TEST_F(ComPort, SplitAnswerFailsAndIsDrainedByTheNextCall)
{
    ASSERT_TRUE(link.OpenPort("COM7"));
    uint8_t v[2] = {};
    EXPECT_FALSE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_TRUE(link.resyncPending());
    EXPECT_EQ(v[0], 0);
    uint8_t cfg[25] = {};
    EXPECT_FALSE(link.Exchange(cmd::ReadConfig, 1, 25, cfg)); // still split, but the drain ran
    EXPECT_TRUE(link.portOpen());
}

TEST_F(ComPort, UsbChunksWithShortGapsAreReadWhole)
{
    ASSERT_TRUE(link.OpenPort("COM8"));
    const UsbReads reads = readBlockThroughUsbChunks(link);
    if (reads.cut > 0)
        std::printf("[ figure ] wine: the gaps of %d answers were stretched past 20 ms; those tries were made again\n",
                    reads.cut);
    EXPECT_EQ(reads.whole, 5) << reads.cut
                              << " answers cut: the reader ends at a chunk's end, or the machine is far too loaded";
}

TEST_F(ComPort, BadCommandClosesTheLink)
{
    ASSERT_TRUE(link.OpenPort("COM5"));
    port->goneAfterRead = true;
    uint8_t v[2] = {};
    EXPECT_FALSE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_FALSE(link.portOpen());
    EXPECT_EQ(v[0], 0);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(link.Exchange(cmd::GetVersion, 1, 1, v));
    EXPECT_LT(msSince(t0), 5);
    ASSERT_TRUE(link.OpenPort("COM5"));
    EXPECT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, v));
}

} // namespace
