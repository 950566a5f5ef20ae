#include "ports/qt_serial_port.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tuma {

QtSerialPort::QtSerialPort() : port(std::make_unique<QSerialPort>()) { }

QtSerialPort::~QtSerialPort() { close(); }

void QtSerialPort::noteError()
{
    switch (port->error()) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
        error = PortError::None;
        break;
    case QSerialPort::ResourceError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The adapter was unplugged, or the line was hung up: the descriptor no
        // longer accepts transfers, as Windows reports with ERROR_BAD_COMMAND.
        error = PortError::DeviceGone;
        break;
    default:
        error = PortError::Other;
        break;
    }
}

namespace {
// Another program may hold the line with TIOCEXCL, which does not stop root. Returns
// a descriptor to close once the port is open (closing it earlier could hang up the
// line), -1 when there is none, or -2 when the line is held.
int probeExclusive(const char* devicePath)
{
    const int fd = ::open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1; // Qt's own open reports it
#ifdef TIOCGEXCL
    int held = 0;
    if (::ioctl(fd, TIOCGEXCL, &held) == 0 && held) {
        ::close(fd);
        return -2;
    }
#endif
    return fd;
}
} // namespace

bool QtSerialPort::open(const char* devicePath)
{
    error = PortError::None;
    const int probe = probeExclusive(devicePath);
    if (probe == -2) {
        error = PortError::Busy;
        return false;
    }
    port->setPortName(QString::fromLocal8Bit(devicePath));
    bool opened = port->open(QIODevice::ReadWrite);
    if (!opened) {
        noteError();
        if (port->error() == QSerialPort::PermissionError)
            error = PortError::Denied;
    } else if (::flock(static_cast<int>(port->handle()), LOCK_EX | LOCK_NB) != 0) {
        // Qt's lock file covers one name of the device only; this lock is on the
        // device itself, whatever name (a link, say) it was reached by.
        port->close();
        opened = false;
        error = PortError::Busy;
    }
    if (probe >= 0)
        ::close(probe);
    return opened;
}

void QtSerialPort::close()
{
    if (port->isOpen())
        port->close();
}

bool QtSerialPort::getTimeouts(PortTimeouts& t)
{
    t = timeouts;
    return port->isOpen();
}

bool QtSerialPort::setTimeouts(const PortTimeouts& t)
{
    timeouts = t;
    return port->isOpen();
}

bool QtSerialPort::getLineSettings(LineSettings& s)
{
    s.baudRate = static_cast<uint32_t>(port->baudRate());
    s.byteSize = static_cast<uint8_t>(port->dataBits());
    switch (port->parity()) {
    case QSerialPort::OddParity:
        s.parity = Parity::Odd;
        break;
    case QSerialPort::EvenParity:
        s.parity = Parity::Even;
        break;
    case QSerialPort::MarkParity:
        s.parity = Parity::Mark;
        break;
    case QSerialPort::SpaceParity:
        s.parity = Parity::Space;
        break;
    default:
        s.parity = Parity::None;
        break;
    }
    switch (port->stopBits()) {
    case QSerialPort::OneAndHalfStop:
        s.stopBits = StopBits::OneAndHalf;
        break;
    case QSerialPort::TwoStop:
        s.stopBits = StopBits::Two;
        break;
    default:
        s.stopBits = StopBits::One;
        break;
    }
    s.parityCheck = s.parity != Parity::None;
    return port->isOpen();
}

bool QtSerialPort::setLineSettings(const LineSettings& s)
{
    bool ok = port->setBaudRate(static_cast<qint32>(s.baudRate));
    ok = port->setDataBits(static_cast<QSerialPort::DataBits>(s.byteSize)) && ok;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case Parity::Odd:
        parity = QSerialPort::OddParity;
        break;
    case Parity::Even:
        parity = QSerialPort::EvenParity;
        break;
    case Parity::Mark:
        parity = QSerialPort::MarkParity;
        break;
    case Parity::Space:
        parity = QSerialPort::SpaceParity;
        break;
    case Parity::None:
        break;
    }
    ok = port->setParity(parity) && ok;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    if (s.stopBits == StopBits::OneAndHalf)
        stop = QSerialPort::OneAndHalfStop;
    else if (s.stopBits == StopBits::Two)
        stop = QSerialPort::TwoStop;
    ok = port->setStopBits(stop) && ok;
    return ok;
}

// Transfers are synchronous here, so there is never an outstanding one to abort;
// like the Windows call, nothing buffered is thrown away.
void QtSerialPort::purge(Purge) { }

// Qt opens and configures the line; the transfers go straight to its descriptor.
// QSerialPort's own write queues the bytes for a write notifier and a timer of the
// event loop, and its read adds a second poll and a copy through its buffer: each
// answer arrives in several pieces, and every piece cost that again.
bool QtSerialPort::write(const uint8_t* data, uint32_t length, uint32_t& moved)
{
    moved = 0;
    error = PortError::None;
    if (!port->isOpen())
        return false;
    const int fd = static_cast<int>(port->handle());
    const qint64 limit
        = static_cast<qint64>(timeouts.WriteTotalTimeoutMultiplier) * length + timeouts.WriteTotalTimeoutConstant;
    QElapsedTimer timer;
    timer.start();
    while (moved < length) {
        const ssize_t n = ::write(fd, data + moved, length - moved);
        if (n > 0) {
            moved += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            // The adapter was unplugged, or the line was hung up.
            error = PortError::DeviceGone;
            return false;
        }
        // The driver's buffer is full: wait for room, within the write's time.
        const qint64 left = limit - timer.elapsed();
        if (left <= 0)
            break;
        pollfd pfd{fd, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(left));
    }
    // Like WriteFile when its time runs out: success, with fewer bytes moved.
    return true;
}

void QtSerialPort::takeBuffered(uint8_t* buffer, uint32_t capacity, uint32_t& moved, QElapsedTimer& sinceByte)
{
    // Bytes that came between transfers were taken in by Qt's notifier in the event
    // loop: they are the oldest, so they come first.
    if (port->bytesAvailable() <= 0)
        return;
    const qint64 n = port->read(reinterpret_cast<char*>(buffer), capacity);
    if (n > 0) {
        moved = static_cast<uint32_t>(n);
        sinceByte.start();
    }
}

bool QtSerialPort::read(uint8_t* buffer, uint32_t capacity, uint32_t& moved)
{
    moved = 0;
    error = PortError::None;
    if (!port->isOpen())
        return false;
    const qint64 total
        = static_cast<qint64>(timeouts.ReadTotalTimeoutMultiplier) * capacity + timeouts.ReadTotalTimeoutConstant;
    const qint64 interval = timeouts.ReadIntervalTimeout;
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer sinceByte;
    takeBuffered(buffer, capacity, moved, sinceByte);
    const int fd = static_cast<int>(port->handle());
    // A read is tried only after poll has said there is something, so each piece of
    // the answer costs one poll and one read.
    bool readable = false;
    int lateLooks = 0;
    while (moved < capacity) {
        if (readable) {
            const ssize_t n = ::read(fd, buffer + moved, capacity - moved);
            if (n > 0) {
                moved += static_cast<uint32_t>(n);
                sinceByte.start();
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                // End of file or EIO: the adapter was unplugged, or the line hung up.
                error = PortError::DeviceGone;
                return false;
            }
            if (moved >= capacity)
                break;
        }
        qint64 wait = total - timer.elapsed();
        if (moved > 0 && interval > 0)
            wait = std::min(wait, interval - sinceByte.elapsed());
        pollfd pfd{fd, POLLIN, 0};
        if (wait <= 0) {
            // A driver stamps each byte as it arrives; this thread only sees them when it
            // runs. Bytes already waiting when it wakes past its time may have come well
            // within the gap, so they are taken before the read ends.
            if (!readable && ::poll(&pfd, 1, 0) > 0 && ++lateLooks <= 8) {
                readable = true;
                continue;
            }
            break;
        }
        readable = ::poll(&pfd, 1, static_cast<int>(wait)) > 0;
    }
    return true;
}

} // namespace tuma
