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
    const std::map<std::string, std::string> friendly
        = withDescriptions ? portFriendlyNames() : std::map<std::string, std::string>();
    for (const std::string& name : serialCommPorts()) {
        const auto it = friendly.find(name);
        list.push_back({name, it == friendly.end() ? std::string() : it->second});
    }
    return list;
}

std::unique_ptr<SerialPort> makeSystemPort() { return std::make_unique<Win32SerialPort>(); }

Link::DevicePathRule systemDevicePathRule() { return windowsDevicePath; }

namespace {

// A path as Windows' wide calls take it: UTF-8 when it is, else the code page's.
std::wstring widePath(const std::string& path)
{
    for (UINT page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD strict = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int n = MultiByteToWideChar(page, strict, path.data(), static_cast<int>(path.size()), nullptr, 0);
        if (n > 0 || path.empty()) {
            std::wstring wide(static_cast<size_t>(n), L'\0');
            MultiByteToWideChar(page, strict, path.data(), static_cast<int>(path.size()), wide.data(), n);
            return wide;
        }
    }
    return {};
}

std::string utf8(const wchar_t* text, int length)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

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
    const std::wstring target = widePath(path);
    const std::wstring temp = target + L".tmp-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!written || !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (written)
            reason();
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

std::string userDataFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return utf8(folder, static_cast<int>(n)) + "\\Tuma";
    n = GetEnvironmentVariableW(L"USERPROFILE", folder, MAX_PATH);
    return (n > 0 && n < MAX_PATH ? utf8(folder, static_cast<int>(n)) : std::string(".")) + "\\AppData\\Local\\Tuma";
}

std::string computerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &n))
        return {};
    return utf8(name, static_cast<int>(n));
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
