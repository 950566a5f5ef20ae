#include "ports/system.h"

#include "core/number_text.h"
#include "ports/win32_serial_port.h"
#include "ports/win32_system.h"

#include <windows.h>

#include <algorithm>

namespace tuma {

std::vector<PortEntry> systemPorts(bool withDescriptions)
{
    std::vector<PortEntry> list;
    const std::map<std::string, std::string> friendly =
        withDescriptions ? portFriendlyNames() : std::map<std::string, std::string>();
    for (const std::string& name : serialCommPorts()) {
        const auto it = friendly.find(name);
        list.push_back({name, it == friendly.end() ? std::string() : it->second});
    }
    return list;
}

std::unique_ptr<SerialPort> makeSystemPort() { return std::make_unique<Win32SerialPort>(); }

Link::DevicePathRule systemDevicePathRule() { return windowsDevicePath; }

bool replaceFile(const std::string& path, const std::string& bytes, std::string& why)
{
    const auto reason = [&why] {
        char text[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text,
                       sizeof text, nullptr);
        why = text;
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' '))
            why.pop_back();
    };
    const std::string temp = path + ".tmp-" + std::to_string(GetCurrentProcessId());
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason();
        return false;
    }
    size_t done = 0;
    bool written = true;
    while (written && done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        written = WriteFile(file, bytes.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    written = written && FlushFileBuffers(file);
    if (!written)
        reason();
    CloseHandle(file);
    // One step that never leaves the name without a whole file, through the disk's cache.
    if (!written || !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (written)
            reason();
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

char userDecimalSeparator()
{
    // Also a separator the user changed by hand in the regional settings.
    char sep[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, sizeof sep) > 0 && sep[1] == '\0')
        return usableDecimalSeparator(sep[0]);
    return '.';
}

} // namespace tuma
