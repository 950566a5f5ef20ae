#include "sim/sim_line.h"

#include <chrono>
#include <thread>

namespace tuma {

RealClock::RealClock()
    : origin(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
                 .count())
{
}

int64_t RealClock::nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
               .count()
        - origin;
}

void RealClock::sleepUntilUs(int64_t t)
{
    int64_t now = nowUs();
    if (t > now)
        std::this_thread::sleep_for(std::chrono::microseconds(t - now));
}

SimLinePort::SimLinePort(Clock& c, Device& d) : clock(c), device(d) { }

bool SimLinePort::checkDevice()
{
    if (device.unplugged()) {
        error = PortError::DeviceGone;
        return false;
    }
    return true;
}

bool SimLinePort::open(const char*)
{
    if (opened || device.unplugged())
        return false;
    opened = true;
    error = PortError::None;
    count = 0;
    txFreeAt = clock.nowUs();
    return true;
}

void SimLinePort::close()
{
    opened = false;
    count = 0;
}

bool SimLinePort::getTimeouts(PortTimeouts& t)
{
    t = current;
    return opened;
}

bool SimLinePort::setTimeouts(const PortTimeouts& t)
{
    current = t;
    return opened;
}

bool SimLinePort::getLineSettings(LineSettings& s)
{
    s = line;
    return opened;
}

bool SimLinePort::setLineSettings(const LineSettings& s)
{
    line = s;
    return opened;
}

void SimLinePort::purge(Purge) { }

void SimLinePort::send(uint8_t byte, int64_t arrivalUs)
{
    if (count == ring.size())
        return; // the driver's buffer is full; the byte is lost as on a real line
    ring[(head + count) % ring.size()] = TimedByte{byte, arrivalUs};
    ++count;
}

bool SimLinePort::write(const uint8_t* data, uint32_t length, uint32_t& moved)
{
    moved = 0;
    error = PortError::None;
    if (!opened || !checkDevice())
        return false;
    int64_t t = clock.nowUs();
    if (txFreeAt > t)
        t = txFreeAt;
    for (uint32_t i = 0; i < length; ++i) {
        t += ByteTimeUs;
        device.receive(data[i], t, *this);
    }
    txFreeAt = t;
    // The call returns once the bytes are on the line, within the write timeout.
    clock.sleepUntilUs(t);
    moved = length;
    return true;
}

bool SimLinePort::read(uint8_t* buffer, uint32_t capacity, uint32_t& moved)
{
    moved = 0;
    error = PortError::None;
    if (!opened || !checkDevice())
        return false;
    const int64_t start = clock.nowUs();
    const int64_t deadline = start
        + static_cast<int64_t>(current.ReadTotalTimeoutMultiplier * capacity + current.ReadTotalTimeoutConstant) * 1000;
    const int64_t interval = static_cast<int64_t>(current.ReadIntervalTimeout) * 1000;
    int64_t last = 0;
    while (moved < capacity) {
        const TimedByte* next = count > 0 ? &ring[head] : nullptr;
        int64_t limit = deadline;
        if (moved > 0 && interval > 0 && last + interval < limit)
            limit = last + interval;
        if (!next || next->at > limit) {
            clock.sleepUntilUs(limit);
            break;
        }
        clock.sleepUntilUs(next->at);
        if (device.unplugged()) {
            error = PortError::DeviceGone;
            return false;
        }
        buffer[moved++] = next->byte;
        last = next->at > start ? next->at : start;
        head = (head + 1) % ring.size();
        --count;
    }
    return true;
}

} // namespace tuma
