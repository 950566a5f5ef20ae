#include "core/link.h"

#include "core/crc8.h"

#include <cstring>

namespace tuma {

std::string posixDevicePath(const std::string& portName)
{
    if (portName.size() > Link::MaxPortName)
        return {};
    if (!portName.empty() && portName[0] == '/')
        return portName;
    return "/dev/" + portName;
}

std::string windowsDevicePath(const std::string& portName)
{
    if (portName.size() > Link::MaxPortName)
        return {};
    // The device namespace also reaches COM10 and above, which the plain name does not.
    return "\\\\.\\" + portName;
}

Link::Link(PortFactory f, DevicePathRule rule) : factory(std::move(f)), pathRule(rule ? rule : posixDevicePath) { }

Link::~Link() { ClosePort(); }

bool Link::OpenPort(const std::string& portName)
{
    if (opened)
        ClosePort();
    std::string path = devicePath(portName);
    if (path.empty()) {
        openError = PortError::Other;
        return false;
    }
    std::unique_ptr<SerialPort> candidate = factory ? factory(portName) : nullptr;
    if (!candidate || !candidate->open(path.c_str())) {
        openError = candidate ? candidate->lastError() : PortError::Other;
        return false;
    }
    openError = PortError::None;
    portHandle = std::move(candidate);

    // Failures to configure are not acted on: an adapter that refuses a timeout or a
    // line setting it cannot hold (a pseudo-terminal has no baud rate of its own) still
    // carries the frames, and an exchange that then fails reports it in its caller's words.
    portHandle->getTimeouts(saved);
    portHandle->setTimeouts(timeouts);
    LineSettings line;
    portHandle->getLineSettings(line);
    line.baudRate = 19200;
    line.parityCheck = false;
    line.byteSize = 8;
    line.parity = Parity::None;
    line.stopBits = StopBits::One;
    portHandle->setLineSettings(line);

    opened = true;
    return true;
}

uint32_t Link::buildRequest(uint8_t command, uint16_t address, uint8_t count, const uint8_t* data)
{
    frame[0] = 0xF3;
    frame[1] = command;
    frame[2] = static_cast<uint8_t>(address >> 8);
    frame[3] = static_cast<uint8_t>(address & 0xFF);
    frame[4] = count;
    if (count > 0)
        std::memcpy(frame + 5, data, count);
    frame[5 + count] = Crc8(frame, 5u + count);
    return 6u + count;
}

bool Link::Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t* data, size_t room)
{
    if (!opened)
        return false;
    // A request that does not fit the frame, or asks for more data than the caller
    // holds, is refused before anything is sent.
    if (count > MaxCount || count > room || (count > 0 && data == nullptr))
        return false;
    if (resync)
        drain();
    sendUntilAnswered(buildRequest(command, address, count, data));
    return takeAnswer(data, room);
}

void Link::drain()
{
    portHandle->purge(Purge::TxAbort);
    portHandle->read(frame, FrameBufferSize, transferred);
    trace(LinkTracer::Event::Drained, transferred);
}

void Link::sendUntilAnswered(uint32_t requestLength)
{
    SerialPort& port = *portHandle;
    transferred = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        port.write(frame, requestLength, transferred);
        trace(LinkTracer::Event::Request, requestLength);
        port.read(frame, FrameBufferSize, transferred);
        // An empty read leaves the request in the buffer for the next attempt.
        if (transferred > 0) {
            if (attempt > 0)
                ++retried;
            break;
        }
    }
}

bool Link::takeAnswer(uint8_t* data, size_t room)
{
    SerialPort& port = *portHandle;
    if (port.lastError() == PortError::DeviceGone) {
        trace(LinkTracer::Event::PortGone, transferred);
        ClosePort();
        return false;
    }
    const uint32_t n = transferred;
    if (n == 0) {
        trace(LinkTracer::Event::NoAnswer, 0);
        resync = true;
        return false;
    }
    if (Crc8(frame, n) != 0) {
        trace(LinkTracer::Event::BadCrc, n);
        ++badCrc;
        port.purge(Purge::TxAbort);
        resync = true;
        return false;
    }
    trace(LinkTracer::Event::Accepted, n);
    payloadLength = n > 3 ? n - 3 : 0;
    if (n > 3) {
        size_t payload = n - 3;
        if (payload > room)
            payload = room;
        std::memcpy(data, frame + 2, payload);
    }
    resync = false;
    return true;
}

bool Link::ClosePort()
{
    if (!opened)
        return false;
    portHandle->purge(Purge::RxAbort);
    portHandle->setTimeouts(saved);
    portHandle->close();
    portHandle.reset();
    opened = false;
    return true;
}

} // namespace tuma
