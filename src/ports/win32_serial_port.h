#pragma once
// A serial port through the Win32 communications calls. The read timing is the
// driver's own, as the timeouts the link sets describe it.
#include "core/serial_port.h"

#include <windows.h>

namespace tuma {

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool open(const char* devicePath) override;
    void close() override;
    bool getTimeouts(PortTimeouts& t) override;
    bool setTimeouts(const PortTimeouts& t) override;
    bool getLineSettings(LineSettings& s) override;
    bool setLineSettings(const LineSettings& s) override;
    void purge(Purge what) override;
    bool write(const uint8_t* data, uint32_t length, uint32_t& moved) override;
    bool read(uint8_t* buffer, uint32_t capacity, uint32_t& moved) override;
    // The thread's last error: ERROR_BAD_COMMAND means the device no longer accepts
    // requests (a USB adapter that was pulled out).
    PortError lastError() const override;

    HANDLE handle() const { return portHandle; }

private:
    HANDLE portHandle = INVALID_HANDLE_VALUE;
    DWORD openError = 0; // why the last open failed
};

} // namespace tuma
