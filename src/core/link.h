#pragma once
// The serial link to the controller: one request frame out, one answer frame in, per
// call. Synchronous on the calling thread; it never runs an event loop.
#include "core/serial_port.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tuma {

// What the link did on the line, for a support trace. The link calls it only when
// one is set: without one, the exchange path costs one pointer test more.
class LinkTracer {
public:
    enum class Event {
        Request,  // a request written (each attempt)
        Accepted, // an answer that passed the CRC check
        BadCrc,   // an answer that failed it
        NoAnswer, // no byte after every attempt
        Drained,  // what the resync read threw away
        PortGone, // the device no longer accepts requests
    };
    virtual ~LinkTracer() = default;
    virtual void trace(Event event, const uint8_t* bytes, uint32_t length) = 0;
};

// The device a port name stands for, on each kind of system; "" when the name is
// longer than a port name may be.
std::string posixDevicePath(const std::string& portName);   // "ttyUSB0" -> "/dev/ttyUSB0"
std::string windowsDevicePath(const std::string& portName); // "COM12" -> "\\.\COM12"

class Link {
public:
    // Makes the (unopened) port object for a port name; lets the demo port and tests
    // stand in for a real adapter.
    using PortFactory = std::function<std::unique_ptr<SerialPort>(const std::string& portName)>;
    using DevicePathRule = std::string (*)(const std::string& portName);

    static constexpr size_t FrameBufferSize = 100;
    static constexpr uint8_t MaxCount = FrameBufferSize - 6;
    static constexpr size_t MaxPortName = 10;

    explicit Link(PortFactory factory, DevicePathRule rule = posixDevicePath);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Opens and configures the named port; false when it cannot be opened.
    bool OpenPort(const std::string& portName);
    // Why the last OpenPort failed (Busy: another program holds the port).
    PortError openFailure() const { return openError; }
    // Sends `count` bytes of `data` and writes the answer's payload back into it,
    // never past `room` bytes. True when an answer passed the CRC check.
    bool Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t* data, size_t room);
    template <size_t Room>
    bool Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t (&data)[Room])
    {
        return Exchange(command, address, count, data, Room);
    }
    template <size_t Room>
    bool Exchange(uint8_t command, uint16_t address, uint8_t count, std::array<uint8_t, Room>& data)
    {
        return Exchange(command, address, count, data.data(), Room);
    }
    bool ClosePort();

    // The device path for a port name; empty when the name is too long.
    std::string devicePath(const std::string& portName) const { return pathRule(portName); }

    // The link's state, read-only from outside.
    const uint8_t* frameBuffer() const { return frame; }
    uint32_t transferCount() const { return transferred; }
    const PortTimeouts& savedTimeouts() const { return saved; }
    bool portOpen() const { return opened; }
    bool resyncPending() const { return resync; }
    // Payload bytes the last accepted answer carried (before any cut to the room).
    size_t lastPayloadLength() const { return payloadLength; }
    SerialPort* port() const { return portHandle.get(); }

    // Since the link was made: answers that came only to a second or third attempt,
    // and answers that failed their check. What the line's health is judged by.
    uint64_t retriedAnswers() const { return retried; }
    uint64_t badAnswers() const { return badCrc; }

    LinkTracer* tracer() const { return tracerHook; }
    void setTracer(LinkTracer* t) { tracerHook = t; }

private:
    static constexpr int Attempts = 3;
    // The request frame in the frame buffer; its length.
    uint32_t buildRequest(uint8_t command, uint16_t address, uint8_t count, const uint8_t* data);
    // Whatever a lost answer left on the line, read and dropped.
    void drain();
    // The request in the frame buffer sent until something comes back, at most Attempts times.
    void sendUntilAnswered(uint32_t requestLength);
    // The answer in the frame buffer checked; its payload into `data`, never past `room`.
    bool takeAnswer(uint8_t* data, size_t room);
    // What the link did, with the first `length` bytes of the frame buffer.
    void trace(LinkTracer::Event event, uint32_t length)
    {
        if (tracerHook)
            tracerHook->trace(event, frame, length);
    }

    uint8_t frame[FrameBufferSize] = {};
    uint32_t transferred = 0;
    const PortTimeouts timeouts{20, 3, 50, 2, 50};
    PortTimeouts saved{};
    bool opened = false;
    PortError openError = PortError::None;
    bool resync = false;
    size_t payloadLength = 0;
    uint64_t retried = 0, badCrc = 0;
    LinkTracer* tracerHook = nullptr;
    PortFactory factory;
    DevicePathRule pathRule;
    std::unique_ptr<SerialPort> portHandle;
};

} // namespace tuma
