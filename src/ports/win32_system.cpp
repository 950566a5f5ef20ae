#include "ports/win32_system.h"

#include <windows.h>

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

char userDecimalSeparator()
{
    char sep[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, sizeof sep) > 0 && sep[0] != '\0')
        return sep[0];
    return '.';
}

} // namespace tuma
