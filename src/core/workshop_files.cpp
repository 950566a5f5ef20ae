#include "core/workshop_files.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tuma::files {

namespace {
Moment fromTimeT(std::time_t t, int millisecond)
{
    // The GUI thread or the tool's one thread. Windows has no local time before 1970
    // (nor after 3000): such a moment shows as the clock's start instead of ending the
    // program.
    const std::tm* local = std::localtime(&t);
    if (!local) {
        Moment start;
        start.millisecond = millisecond;
        return start;
    }
    const std::tm tm = *local;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millisecond};
}

std::string trimmed(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}
} // namespace

Moment Moment::now()
{
    const auto ms
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
              .count();
    return fromEpochMs(ms);
}

Moment Moment::fromEpochMs(long long msecs)
{
    long long seconds = msecs / 1000, rest = msecs % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    return fromTimeT(static_cast<std::time_t>(seconds), static_cast<int>(rest));
}

std::string nameStamp(const Moment& m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d", m.year, m.month, m.day, m.hour, m.minute);
    return text;
}

std::string headerStamp(const Moment& m)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", m.year, m.month, m.day, m.hour, m.minute,
                  m.second);
    return text;
}

std::string logStamp(const Moment& m)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", m.year, m.month, m.day, m.hour, m.minute,
                  m.second, m.millisecond);
    return text;
}

std::string fileName(const std::string& plate, const std::string& stamp, const std::string& extension,
                     const std::string& suffix, const std::string& noPlate)
{
    std::string name;
    for (char c : plate) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' '; // a plate is one line
        if (!std::strchr("\\/:*?\"<>|", c))
            name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    name = trimmed(name);
    return (name.empty() ? noPlate : name) + " " + stamp + suffix + extension;
}

std::string beforeWriteName(const std::string& plate, const Moment& m)
{
    return fileName(plate, nameStamp(m), ParameterExtension, BeforeWriteSuffix);
}

std::string unusedPath(const std::string& path, const std::function<bool(const std::string&)>& exists)
{
    if (!exists(path))
        return path;
    // The extension is what follows the last dot of the last part of the path.
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    for (int n = 2;; ++n) {
        const std::string candidate = stem + " " + std::to_string(n) + extension;
        if (!exists(candidate))
            return candidate;
    }
}

} // namespace tuma::files
