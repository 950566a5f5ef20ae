#include "ports/system.h"

#include "core/number_text.h"
#include "ports/qt_serial_port.h"

#include <QLocale>

#include <QSerialPortInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tuma {

namespace {
// The adapter's maker and product as the USB device reports them (sysfs).
std::string describe(const QSerialPortInfo& info)
{
    QString d = info.manufacturer();
    if (!info.description().isEmpty())
        d += (d.isEmpty() ? "" : " ") + info.description();
    if (info.hasVendorIdentifier())
        d += QString(" [%1:%2]")
                 .arg(info.vendorIdentifier(), 4, 16, QChar('0'))
                 .arg(info.productIdentifier(), 4, 16, QChar('0'));
    return d.trimmed().toStdString();
}
} // namespace

std::vector<PortEntry> systemPorts(bool withDescriptions)
{
    std::vector<PortEntry> list;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        list.push_back({info.portName().toStdString(), withDescriptions ? describe(info) : std::string()});
    return list;
}

std::unique_ptr<SerialPort> makeSystemPort() { return std::make_unique<QtSerialPort>(); }

Link::DevicePathRule systemDevicePathRule() { return posixDevicePath; }

namespace {
bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
} // namespace

bool replaceFile(const std::string& path, const std::string& bytes, std::string& why)
{
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string temp = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    if (::close(fd) != 0 || !written) {
        why = std::strerror(written ? errno : error);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        why = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    // The new name is on the disk only once the folder's entry is.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string userDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/tuma";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : ".") + "/.local/share/tuma";
}

std::string computerName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

char userDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return usableDecimalSeparator(point.size() == 1 ? point.at(0).toLatin1() : '\0');
}

} // namespace tuma
