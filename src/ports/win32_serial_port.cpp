#include "ports/win32_serial_port.h"

namespace tuma {

Win32SerialPort::~Win32SerialPort() { close(); }

bool Win32SerialPort::open(const char* devicePath)
{
    close();
    // Exclusive (no sharing) and synchronous: no FILE_FLAG_OVERLAPPED.
    portHandle = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    openError = portHandle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    return portHandle != INVALID_HANDLE_VALUE;
}

void Win32SerialPort::close()
{
    if (portHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(portHandle);
        portHandle = INVALID_HANDLE_VALUE;
    }
}

bool Win32SerialPort::getTimeouts(PortTimeouts& t)
{
    COMMTIMEOUTS ct{};
    if (!GetCommTimeouts(portHandle, &ct))
        return false;
    t.ReadIntervalTimeout = ct.ReadIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = ct.ReadTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = ct.ReadTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = ct.WriteTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = ct.WriteTotalTimeoutConstant;
    return true;
}

bool Win32SerialPort::setTimeouts(const PortTimeouts& t)
{
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = t.ReadIntervalTimeout;
    ct.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ct.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    ct.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    ct.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    return SetCommTimeouts(portHandle, &ct) != 0;
}

namespace {
Parity parityOf(BYTE p)
{
    switch (p) {
    case ODDPARITY:
        return Parity::Odd;
    case EVENPARITY:
        return Parity::Even;
    case MARKPARITY:
        return Parity::Mark;
    case SPACEPARITY:
        return Parity::Space;
    default:
        return Parity::None;
    }
}

BYTE parityCode(Parity p)
{
    switch (p) {
    case Parity::Odd:
        return ODDPARITY;
    case Parity::Even:
        return EVENPARITY;
    case Parity::Mark:
        return MARKPARITY;
    case Parity::Space:
        return SPACEPARITY;
    case Parity::None:
        break;
    }
    return NOPARITY;
}
} // namespace

bool Win32SerialPort::getLineSettings(LineSettings& s)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(portHandle, &dcb))
        return false;
    s.baudRate = dcb.BaudRate;
    s.byteSize = dcb.ByteSize;
    s.parity = parityOf(dcb.Parity);
    s.stopBits = dcb.StopBits == TWOSTOPBITS ? StopBits::Two
        : dcb.StopBits == ONE5STOPBITS       ? StopBits::OneAndHalf
                                             : StopBits::One;
    s.parityCheck = dcb.fParity != 0;
    return true;
}

bool Win32SerialPort::setLineSettings(const LineSettings& s)
{
    // Everything the link does not set (flow control, DTR and RTS, special
    // characters) stays as the driver reports it.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(portHandle, &dcb))
        return false;
    dcb.BaudRate = s.baudRate;
    dcb.fParity = s.parityCheck ? TRUE : FALSE;
    dcb.ByteSize = s.byteSize;
    dcb.Parity = parityCode(s.parity);
    dcb.StopBits = s.stopBits == StopBits::Two ? TWOSTOPBITS
        : s.stopBits == StopBits::OneAndHalf   ? ONE5STOPBITS
                                               : ONESTOPBIT;
    return SetCommState(portHandle, &dcb) != 0;
}

void Win32SerialPort::purge(Purge what)
{
    PurgeComm(portHandle, what == Purge::TxAbort ? PURGE_TXABORT : PURGE_RXABORT);
}

bool Win32SerialPort::write(const uint8_t* data, uint32_t length, uint32_t& moved)
{
    DWORD n = 0;
    const BOOL ok = WriteFile(portHandle, data, length, &n, nullptr);
    moved = n;
    return ok != 0;
}

bool Win32SerialPort::read(uint8_t* buffer, uint32_t capacity, uint32_t& moved)
{
    DWORD n = 0;
    const BOOL ok = ReadFile(portHandle, buffer, capacity, &n, nullptr);
    moved = n;
    return ok != 0;
}

PortError Win32SerialPort::lastError() const
{
    if (portHandle == INVALID_HANDLE_VALUE && openError != 0)
        // A port another program holds is refused to everyone else, without sharing
        // (wine says so of a line held exclusively with a lock conflict).
        return openError == ERROR_ACCESS_DENIED || openError == ERROR_SHARING_VIOLATION
                || openError == ERROR_LOCK_VIOLATION
            ? PortError::Busy
            : openError == ERROR_FILE_NOT_FOUND || openError == ERROR_PATH_NOT_FOUND ? PortError::DeviceGone
                                                                                     : PortError::Other;
    return GetLastError() == ERROR_BAD_COMMAND ? PortError::DeviceGone : PortError::None;
}

} // namespace tuma
