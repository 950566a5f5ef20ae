#include "sim/pty_server.h"

#include <algorithm>
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

    // How long a poll may wait: until the next byte is due, at most 20 ms.
    int waitMs(int64_t now) const
    {
        if (count == 0)
            return 20;
        const int64_t due = bytes[head].at - now;
        return due <= 0 ? 0 : static_cast<int>(std::min<int64_t>((due + 999) / 1000, 20));
    }
    // What is due written to the terminal, one byte per slot of line time.
    void sendDue(int fd, int64_t origin)
    {
        while (count > 0 && bytes[head].at <= nowUs() - origin) {
            uint8_t b = bytes[head].byte;
            if (::write(fd, &b, 1) != 1 && errno != EAGAIN)
                break;
            head = (head + 1) % bytes.size();
            --count;
        }
    }
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
        pollfd pfd{master, POLLIN, 0};
        int r = ::poll(&pfd, 1, outbox.waitMs(nowUs() - origin));
        const int64_t now = nowUs() - origin;
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
        outbox.sendDue(master, origin);
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
