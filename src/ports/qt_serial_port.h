#pragma once
// A real serial adapter through Qt SerialPort. Its blocking waits run no event loop,
// so no window message or timer tick is handled while a transfer is under way.
#include "core/serial_port.h"

#include <memory>

class QElapsedTimer;
class QSerialPort;

namespace tuma {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

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

private:
    void noteError();
    // What Qt's notifier already took in, into `buffer`; the gap's clock started by it.
    void takeBuffered(uint8_t* buffer, uint32_t capacity, uint32_t& moved, QElapsedTimer& sinceByte);
    std::unique_ptr<QSerialPort> port;
    PortTimeouts timeouts{};
    PortError error = PortError::None;
};

} // namespace tuma
