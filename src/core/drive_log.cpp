#include "core/drive_log.h"

#include "core/memory_map.h"
#include "core/number_text.h"

#include <cstdio>
#include <sstream>

namespace tuma {

namespace {
const char* const Bom = "\xEF\xBB\xBF";
const char* const SecondsColumn = "segundos";
const char* const TimeColumn = "data_hora";
const char* const MarkerColumn = "marcador";
const char* const FailureColumn = "falha";

std::string columnName(const LiveValue& v) { return std::string(v.caption) + " (" + v.unit + ")"; }

std::vector<std::string> split(const std::string& line, char sep)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == sep) {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

// Where each column stands, found by its header; -1 for an optional one that is absent.
struct Columns {
    int seconds = -1, time = -1, marker = -1, failure = -1;
    std::array<int, 6> values{};
};

// What the header lacks, or "" when it has every column needed.
std::string findColumns(const std::vector<std::string>& names, Columns& at)
{
    const auto column = [&names](const std::string& name) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return static_cast<int>(i);
        return -1;
    };
    at.seconds = column(SecondsColumn);
    at.time = column(TimeColumn);
    at.marker = column(MarkerColumn);
    at.failure = column(FailureColumn);
    if (at.time < 0 || at.failure < 0)
        return "não é um registro do Tuma Programável (falta a coluna \"data_hora\" ou \"falha\")";
    for (size_t i = 0; i < liveValueCount(); ++i) {
        at.values[i] = column(columnName(liveValueTable()[i]));
        if (at.values[i] < 0)
            return "falta a coluna \"" + columnName(liveValueTable()[i]) + "\"";
    }
    return {};
}

// A row's seconds, marker, failure and values into `s`; why they do not read, or "".
std::string readFields(const std::vector<std::string>& f, const Columns& at, char sep, DriveSample& s)
{
    if (at.seconds >= 0 && !tryParseDecimal(f[static_cast<size_t>(at.seconds)], sep, s.seconds))
        return "segundos inválidos: \"" + f[static_cast<size_t>(at.seconds)] + "\"";
    if (at.marker >= 0 && !f[static_cast<size_t>(at.marker)].empty()) {
        int32_t m = 0;
        if (!tryParseInteger(f[static_cast<size_t>(at.marker)], m) || m < 0)
            return "marcador inválido: \"" + f[static_cast<size_t>(at.marker)] + "\"";
        s.marker = m;
    }
    s.failure = f[static_cast<size_t>(at.failure)];
    s.ok = s.failure.empty();
    for (size_t i = 0; s.ok && i < at.values.size(); ++i) {
        const std::string& v = f[static_cast<size_t>(at.values[i])];
        if (!tryParseDecimal(v, sep, s.values[i]))
            return "valor inválido na coluna \"" + columnName(liveValueTable()[i]) + "\": \"" + v + "\"";
    }
    return {};
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long daysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}
} // namespace

DriveLogFormat::DriveLogFormat(char decimalSeparator)
    : decimal(decimalSeparator == ',' ? ',' : '.'), field(decimalSeparator == ',' ? ';' : ',')
{
}

std::string DriveLogFormat::number(const std::string& pointText) const
{
    std::string s = pointText;
    for (char& c : s)
        if (c == '.')
            c = decimal;
    return s;
}

std::string DriveLogFormat::header() const
{
    std::string h = std::string(Bom) + SecondsColumn + field + TimeColumn;
    for (size_t i = 0; i < liveValueCount(); ++i)
        h += field + columnName(liveValueTable()[i]);
    return h + field + MarkerColumn + field + FailureColumn + "\n";
}

std::string DriveLogFormat::row(double seconds, const std::string& localTime, const uint8_t* live, int marker,
                                const std::string& failure) const
{
    std::string r = number(formatFixed(seconds, 3)) + field + localTime;
    for (size_t i = 0; i < liveValueCount(); ++i) {
        r += field;
        if (live)
            r += number(shownText(liveValueTable()[i], live, addr::LiveFirst, "1"));
    }
    r += field;
    if (marker > 0)
        r += std::to_string(marker);
    return r + field + (live ? std::string() : failure) + "\n";
}

bool logTimeSeconds(const std::string& t, double& seconds)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char sep = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d.%3d", &y, &mo, &d, &sep, &h, &mi, &s, &ms) < 7
        || (sep != 'T' && sep != ' ') || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
        return false;
    seconds = static_cast<double>(daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) * 86400.0
        + h * 3600.0 + mi * 60.0 + s + ms / 1000.0;
    return true;
}

DriveLog readDriveLog(const std::string& text)
{
    DriveLog log;
    std::istringstream in(text);
    std::string line;
    size_t lineNo = 0;
    const auto fail = [&log, &lineNo](const std::string& why) {
        log.ok = false;
        log.error = "linha " + std::to_string(lineNo) + ": " + why;
        log.samples.clear();
        return log;
    };
    if (!std::getline(in, line))
        return lineNo = 1, fail("arquivo vazio");
    ++lineNo;
    if (line.rfind(Bom, 0) == 0)
        line.erase(0, 3);
    // The header tells the style: ";" between fields goes with a decimal comma.
    const char field = line.find(';') != std::string::npos ? ';' : ',';
    log.decimalSeparator = field == ';' ? ',' : '.';
    const std::vector<std::string> names = split(line, field);
    Columns at;
    const std::string missing = findColumns(names, at);
    if (!missing.empty())
        return fail(missing);

    double firstTime = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line == "\r")
            continue;
        const std::vector<std::string> f = split(line, field);
        if (f.size() != names.size())
            return fail("a linha tem " + std::to_string(f.size()) + " campos; o cabeçalho, "
                        + std::to_string(names.size()));
        DriveSample s;
        s.localTime = f[static_cast<size_t>(at.time)];
        double when = 0;
        if (!logTimeSeconds(s.localTime, when))
            return fail("data e hora inválidas: \"" + s.localTime + "\"");
        if (log.samples.empty())
            firstTime = when;
        s.seconds = when - firstTime;
        const std::string why = readFields(f, at, log.decimalSeparator, s);
        if (!why.empty())
            return fail(why);
        log.samples.push_back(std::move(s));
    }
    log.ok = true;
    return log;
}

} // namespace tuma
