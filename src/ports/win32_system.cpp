#include "ports/win32_system.h"

#include <windows.h>

#include <setupapi.h>

namespace tuma {

std::vector<std::string> serialCommPorts()
{
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    DWORD values = 0, longestName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &longestName, nullptr,
                         nullptr, nullptr)
        != ERROR_SUCCESS) {
        RegCloseKey(key);
        return ports;
    }
    // First every name, then every value, as a list of names fetched at once.
    std::vector<std::string> names;
    std::string name(longestName + 1, '\0');
    for (DWORD i = 0; i < values; ++i) {
        DWORD length = longestName + 1;
        if (RegEnumValueA(key, i, &name[0], &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(name.data(), length);
    }
    for (const std::string& n : names) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS
            || (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        std::string data(size + 1, '\0');
        if (RegQueryValueExA(key, n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) != ERROR_SUCCESS)
            continue;
        // The data may or may not carry its terminating zero.
        data.resize(size);
        const size_t end = data.find('\0');
        if (end != std::string::npos)
            data.resize(end);
        ports.push_back(data);
    }
    RegCloseKey(key);
    return ports;
}

std::map<std::string, std::string> portFriendlyNames()
{
    std::map<std::string, std::string> names;
    // The device class "Ports (COM & LPT)".
    static const GUID Ports = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    HDEVINFO devices = SetupDiGetClassDevsA(&Ports, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        char friendly[256] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                               reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1, nullptr))
            continue;
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        char port[64] = {};
        DWORD size = sizeof port - 1, type = 0;
        if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &size) == ERROR_SUCCESS
            && type == REG_SZ)
            names[port] = friendly;
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

} // namespace tuma
