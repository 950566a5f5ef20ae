#include "core/number_text.h"

#include "core/errors.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace tuma {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

std::string formatGeneral(double v, char sep)
{
    if (v == 0.0 || std::isnan(v))
        return "0";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string s(buf, res.ptr);
    // "%.15g" writes 1e+20 / 1.5e-06; the display writes 1E20 / 1.5E-6.
    auto e = s.find('e');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string ex = s.substr(e + 1);
        bool neg = !ex.empty() && ex[0] == '-';
        if (!ex.empty() && (ex[0] == '+' || ex[0] == '-'))
            ex.erase(0, 1);
        while (ex.size() > 1 && ex[0] == '0')
            ex.erase(0, 1);
        s = mant + "E" + (neg ? "-" : "") + ex;
    }
    for (char& c : s)
        if (c == '.')
            c = sep;
    return s;
}

std::string formatFixed(double v, int decimals)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (res.ec != std::errc())
        return "0";
    return std::string(buf, res.ptr);
}

double roundedAsShown(double v, int decimals)
{
    if (!std::isfinite(v))
        return v;
    char buf[400];
    const auto res = decimals < 0 ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15)
                                  : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    double out = v;
    if (res.ec == std::errc())
        std::from_chars(buf, res.ptr, out);
    return out;
}

int32_t roundToInt(double v) { return parseInteger(formatFixed(v, 0)); }

bool tryParseInteger(const std::string& text, int32_t& out)
{
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && isBlank(*p))
        ++p;
    bool neg = false;
    if (p < end && (*p == '+' || *p == '-')) {
        neg = *p == '-';
        ++p;
    }
    int base = 10;
    if (p < end && *p == '$') {
        base = 16;
        ++p;
    } else if (p < end && (*p == 'x' || *p == 'X')) {
        base = 16;
        ++p;
    } else if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (p >= end)
        return false;
    int64_t value = 0;
    const int64_t limit
        = neg ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min()) : std::numeric_limits<int32_t>::max();
    for (; p < end; ++p) {
        int d = base == 16 ? hexValue(*p) : (isDigit(*p) ? *p - '0' : -1);
        if (d < 0)
            return false;
        value = value * base + d;
        if (value > limit)
            return false;
    }
    out = static_cast<int32_t>(neg ? -value : value);
    return true;
}

int32_t parseInteger(const std::string& text)
{
    int32_t v = 0;
    if (!tryParseInteger(text, v))
        throw invalidInteger(text);
    return v;
}

namespace {
// The grammar of a decimal text with the separator `sep`, checked; the number written
// into `canon` as a C text ("-12.5e3").
bool canonicalDecimal(const std::string& text, char sep, std::string& canon)
{
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && isBlank(*p))
        ++p;
    while (end > p && isBlank(end[-1]))
        --end;
    // As long as the text: a long run of digits is still a number.
    canon.reserve(static_cast<size_t>(end - p));
    if (p < end && (*p == '+' || *p == '-')) {
        if (*p == '-')
            canon += '-';
        ++p;
    }
    int digits = 0;
    while (p < end && isDigit(*p)) {
        canon += *p++;
        ++digits;
    }
    if (p < end && *p == sep) {
        ++p;
        canon += '.';
        while (p < end && isDigit(*p)) {
            canon += *p++;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        canon += 'e';
        if (p < end && (*p == '+' || *p == '-'))
            canon += *p++;
        int expDigits = 0;
        while (p < end && isDigit(*p)) {
            canon += *p++;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return p == end;
}
} // namespace

bool tryParseDecimal(const std::string& text, char sep, double& out)
{
    // Validate the grammar first, then hand a canonical C text to from_chars, which
    // ignores the locale.
    std::string canon;
    if (!canonicalDecimal(text, sep, canon))
        return false;
    const char* first = canon.data();
    const char* last = first + canon.size();
    double v = 0;
    auto res = std::from_chars(first, last, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero, as the field check expects; overflow does not convert.
        bool negative = canon[0] == '-';
        const size_t e = canon.find('e');
        if (e != std::string::npos && e + 1 < canon.size() && canon[e + 1] == '-') {
            out = negative ? -0.0 : 0.0;
            return true;
        }
        return false;
    }
    if (res.ec != std::errc() || res.ptr != last)
        return false;
    out = v;
    return true;
}

double parseDecimal(const std::string& text, char sep)
{
    double v = 0;
    if (!tryParseDecimal(text, sep, v))
        throw invalidFloat(text);
    return v;
}

char usableDecimalSeparator(char reported)
{
    const unsigned char c = static_cast<unsigned char>(reported);
    if (c <= ' ' || c >= 0x7F)
        return '.';
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E')
        return '.';
    return reported;
}

} // namespace tuma
