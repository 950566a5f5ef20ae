#include "link.h"

#include "crc8.h"

#include <cstring>

namespace tuma {

Link::Link(PortFactory f) : factory(std::move(f)) {}

Link::~Link() { ClosePort(); }

std::string Link::devicePath(const std::string& portName)
{
    if (portName.size() > MaxPortName)
        return {};
#ifdef _WIN32
    return "\\\\.\\" + portName;
#else
    if (!portName.empty() && portName[0] == '/')
        return portName;
    return "/dev/" + portName;
#endif
}

bool Link::OpenPort(const std::string& portName)
{
    if (portOpen)
        ClosePort();
    std::string path = devicePath(portName);
    if (path.empty())
        return false;
    std::unique_ptr<SerialPort> candidate = factory ? factory(portName) : nullptr;
    if (!candidate || !candidate->open(path.c_str()))
        return false;
    portHandle = std::move(candidate);

    // As on the original line, failures to configure are not acted on.
    portHandle->getTimeouts(savedTimeouts);
    portHandle->setTimeouts(portTimeouts);
    LineSettings line;
    portHandle->getLineSettings(line);
    line.baudRate = 19200;
    line.parityCheck = false;
    line.byteSize = 8;
    line.parity = Parity::None;
    line.stopBits = StopBits::One;
    portHandle->setLineSettings(line);

    portOpen = true;
    return true;
}

bool Link::Exchange(uint8_t command, uint16_t address, uint8_t count, uint8_t* data, size_t room)
{
    if (!portOpen)
        return false;
    // A request that does not fit the frame, or asks for more data than the caller
    // holds, is refused before anything is sent.
    if (count > MaxCount || count > room || (count > 0 && data == nullptr))
        return false;

    SerialPort& port = *portHandle;
    if (resyncPending) {
        port.purge(Purge::TxAbort);
        port.read(frameBuffer, FrameBufferSize, transferCount);
        trace(LinkTracer::Event::Drained, transferCount);
    }

    frameBuffer[0] = 0xF3;
    frameBuffer[1] = command;
    frameBuffer[2] = static_cast<uint8_t>(address >> 8);
    frameBuffer[3] = static_cast<uint8_t>(address & 0xFF);
    frameBuffer[4] = count;
    if (count > 0)
        std::memcpy(frameBuffer + 5, data, count);
    frameBuffer[5 + count] = Crc8(frameBuffer, 5u + count);
    const uint32_t requestLength = 6u + count;

    transferCount = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        port.write(frameBuffer, requestLength, transferCount);
        trace(LinkTracer::Event::Request, requestLength);
        port.read(frameBuffer, FrameBufferSize, transferCount);
        // An empty read leaves the request in the buffer for the next attempt.
        if (transferCount > 0)
            break;
    }

    if (port.lastError() == PortError::DeviceGone) {
        trace(LinkTracer::Event::PortGone, transferCount);
        ClosePort();
        return false;
    }
    const uint32_t n = transferCount;
    if (n == 0) {
        trace(LinkTracer::Event::NoAnswer, 0);
        resyncPending = true;
        return false;
    }
    if (Crc8(frameBuffer, n) != 0) {
        trace(LinkTracer::Event::BadCrc, n);
        port.purge(Purge::TxAbort);
        resyncPending = true;
        return false;
    }
    trace(LinkTracer::Event::Accepted, n);
    lastPayloadLength = n > 3 ? n - 3 : 0;
    if (n > 3) {
        size_t payload = n - 3;
        if (payload > room)
            payload = room;
        std::memcpy(data, frameBuffer + 2, payload);
    }
    resyncPending = false;
    return true;
}

bool Link::ClosePort()
{
    if (!portOpen)
        return false;
    portHandle->purge(Purge::RxAbort);
    portHandle->setTimeouts(savedTimeouts);
    portHandle->close();
    portHandle.reset();
    portOpen = false;
    return true;
}

} // namespace tuma
