#include "sim/pty_server.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tuma::sim {

namespace {
int64_t nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Answer bytes waiting for their time on the line.
class Outbox : public LineOutput {
public:
    void send(uint8_t byte, int64_t arrivalUs) override
    {
        if (count == bytes.size())
            return;
        bytes[(head + count) % bytes.size()] = {byte, arrivalUs};
        ++count;
    }
    struct Item {
        uint8_t byte;
        int64_t at;
    };
    std::array<Item, 4096> bytes{};
    size_t head = 0;
    size_t count = 0;
};
} // namespace

PtyServer::PtyServer(Controller& c) : controller(c) { }

PtyServer::~PtyServer()
{
    stop();
    if (slaveKeepAlive >= 0)
        ::close(slaveKeepAlive);
    if (master >= 0)
        ::close(master);
}

bool PtyServer::start()
{
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return false;
    const char* name = ptsname(master);
    if (!name)
        return false;
    path = name;
    // Holding the slave side open keeps the master readable when the program closes
    // the port, and lets us put the line in raw mode before anyone opens it.
    slaveKeepAlive = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slaveKeepAlive >= 0) {
        termios tio{};
        if (tcgetattr(slaveKeepAlive, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetispeed(&tio, B19200);
            cfsetospeed(&tio, B19200);
            tcsetattr(slaveKeepAlive, TCSANOW, &tio);
        }
    }
    int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    return true;
}

std::string PtyServer::portName() const
{
    const std::string dev = "/dev/";
    if (path.compare(0, dev.size(), dev) == 0)
        return path.substr(dev.size());
    return path;
}

void PtyServer::run()
{
    running = true;
    Outbox outbox;
    const int64_t origin = nowUs();
    int64_t lineFreeAt = 0;
    while (running && !hungUp) {
        int timeoutMs = 20;
        int64_t now = nowUs() - origin;
        if (outbox.count > 0) {
            int64_t due = outbox.bytes[outbox.head].at - now;
            timeoutMs = due <= 0 ? 0 : static_cast<int>((due + 999) / 1000);
            if (timeoutMs > 20)
                timeoutMs = 20;
        }
        pollfd pfd{master, POLLIN, 0};
        int r = ::poll(&pfd, 1, timeoutMs);
        now = nowUs() - origin;
        if (r > 0 && (pfd.revents & POLLIN)) {
            uint8_t buf[256];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> guard(lock);
                // A pseudo-terminal hands over at once what a 19200-baud line takes
                // (6 + N) x 0.521 ms to carry: the bytes arrive one line time apart,
                // from now or from the end of the bytes still on their way.
                int64_t t = now > lineFreeAt ? now : lineFreeAt;
                for (ssize_t i = 0; i < n; ++i) {
                    t += ByteTimeUs;
                    controller.receive(buf[i], t, outbox);
                }
                lineFreeAt = t;
            }
        }
        {
            std::lock_guard<std::mutex> guard(lock);
            if (controller.unplugged()) {
                unplug();
                break;
            }
        }
        // Send what is due, one byte per slot of line time.
        while (outbox.count > 0 && outbox.bytes[outbox.head].at <= nowUs() - origin) {
            uint8_t b = outbox.bytes[outbox.head].byte;
            if (::write(master, &b, 1) != 1 && errno != EAGAIN)
                break;
            outbox.head = (outbox.head + 1) % outbox.bytes.size();
            --outbox.count;
        }
    }
    running = false;
}

void PtyServer::startThread()
{
    running = true;
    worker = std::thread([this] { run(); });
}

void PtyServer::stop()
{
    running = false;
    if (worker.joinable())
        worker.join();
}

void PtyServer::unplug()
{
    hungUp = true;
    if (slaveKeepAlive >= 0) {
        ::close(slaveKeepAlive);
        slaveKeepAlive = -1;
    }
    if (master >= 0) {
        ::close(master);
        master = -1;
    }
}

} // namespace tuma::sim
