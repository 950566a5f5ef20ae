#pragma once
// The operations the link needs from a serial port. Implemented on Qt SerialPort for
// real adapters, and over a simulated line for tests and the demo port.
#include <cstdint>
#include <string>

namespace tuma {

// A serial port as the system lists it.
struct PortEntry {
    std::string name;        // as the port dialog takes it: "COM5", "ttyUSB0"
    std::string description; // the adapter's maker and product, where the system says
};

struct PortTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const PortTimeouts& o) const
    {
        return ReadIntervalTimeout == o.ReadIntervalTimeout
            && ReadTotalTimeoutMultiplier == o.ReadTotalTimeoutMultiplier
            && ReadTotalTimeoutConstant == o.ReadTotalTimeoutConstant
            && WriteTotalTimeoutMultiplier == o.WriteTotalTimeoutMultiplier
            && WriteTotalTimeoutConstant == o.WriteTotalTimeoutConstant;
    }
};

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool parityCheck = false;
};

enum class Purge { TxAbort, RxAbort };

// Busy: another program holds the port; Denied: the system refused it (held, or the
// user may not use it: on Linux, outside the dialout group).
enum class PortError { None, DeviceGone, Other, Busy, Denied };

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Exclusive, synchronous, read and write.
    virtual bool open(const char* devicePath) = 0;
    virtual void close() = 0;
    virtual bool getTimeouts(PortTimeouts& t) = 0;
    virtual bool setTimeouts(const PortTimeouts& t) = 0;
    virtual bool getLineSettings(LineSettings& s) = 0;
    virtual bool setLineSettings(const LineSettings& s) = 0;
    virtual void purge(Purge what) = 0;
    // Both report the bytes moved in `moved`; a read ends as the timeouts say.
    virtual bool write(const uint8_t* data, uint32_t length, uint32_t& moved) = 0;
    virtual bool read(uint8_t* buffer, uint32_t capacity, uint32_t& moved) = 0;
    // The error of the last operation; DeviceGone once the device has been unplugged.
    virtual PortError lastError() const = 0;
};

} // namespace tuma
