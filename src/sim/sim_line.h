#pragma once
// A serial line to a simulated device: byte timing of 19200 baud, the read timeouts
// of a real port, and a clock that is either the wall clock (demo port) or virtual
// (tests, which then check timing without sleeping). Fixed storage only, so that an
// exchange over it allocates nothing.
#include "core/serial_port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tuma {

class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowUs() = 0;
    virtual void sleepUntilUs(int64_t t) = 0;
};

class RealClock : public Clock {
public:
    RealClock();
    int64_t nowUs() override;
    void sleepUntilUs(int64_t t) override;

private:
    int64_t origin;
};

class VirtualClock : public Clock {
public:
    int64_t nowUs() override { return now; }
    void sleepUntilUs(int64_t t) override
    {
        if (t > now)
            now = t;
    }
    void advanceMs(double ms) { now += static_cast<int64_t>(ms * 1000); }

private:
    int64_t now = 0;
};

// What the device sends back; bytes arrive at the PC at the given times.
class LineOutput {
public:
    virtual ~LineOutput() = default;
    virtual void send(uint8_t byte, int64_t arrivalUs) = 0;
};

// The far end of the line.
class Device {
public:
    virtual ~Device() = default;
    // One byte from the PC, fully received at `atUs`.
    virtual void receive(uint8_t byte, int64_t atUs, LineOutput& out) = 0;
    // An unplugged device: every operation on the port fails as a removed adapter does.
    virtual bool unplugged() const { return false; }
};

constexpr int64_t ByteTimeUs = 521; // 10 bits at 19200 baud

class SimLinePort : public SerialPort, private LineOutput {
public:
    SimLinePort(Clock& clock, Device& device);

    bool open(const char* devicePath) override;
    void close() override;
    bool getTimeouts(PortTimeouts& t) override;
    bool setTimeouts(const PortTimeouts& t) override;
    bool getLineSettings(LineSettings& s) override;
    bool setLineSettings(const LineSettings& s) override;
    void purge(Purge what) override;
    bool write(const uint8_t* data, uint32_t length, uint32_t& moved) override;
    bool read(uint8_t* buffer, uint32_t capacity, uint32_t& moved) override;
    PortError lastError() const override { return error; }

    const LineSettings& lineSettings() const { return line; }
    const PortTimeouts& timeouts() const { return current; }
    // Bytes waiting on the PC side (for tests).
    size_t pending() const { return count; }

private:
    void send(uint8_t byte, int64_t arrivalUs) override;
    bool checkDevice();

    struct TimedByte {
        uint8_t byte;
        int64_t at;
    };
    Clock& clock;
    Device& device;
    bool opened = false;
    PortError error = PortError::None;
    PortTimeouts current{};
    LineSettings line{};
    int64_t txFreeAt = 0; // when the PC's transmitter has sent everything
    std::array<TimedByte, 1024> ring{};
    size_t head = 0;
    size_t count = 0;
};

} // namespace tuma
