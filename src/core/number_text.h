#pragma once
// Number text shared by every field: the general and fixed display formats, rounding
// to an integer, and parsing of integer and decimal field texts. Nothing here depends
// on the C library's locale: Qt sets it from the user's environment, and a comma
// from printf would corrupt the fixed formats.
#include <cstdint>
#include <string>

namespace tuma {

// Plain decimal, up to 15 significant digits, no trailing zeros, "-0" as "0", with the
// decimal separator given: the windows pass the user's, files a point.
std::string formatGeneral(double v, char sep);

// printf "%.Nf" with a full stop, half to even on exact ties.
std::string formatFixed(double v, int decimals);
// `v` rounded as formatFixed(v, decimals) writes it, or, for decimals < 0, as
// formatGeneral does (15 significant digits): the number a shown text stands for.
double roundedAsShown(double v, int decimals);

// round(): "%.0f" read back as an integer (so half goes to even).
int32_t roundToInt(double v);

// Integer field text: blanks, sign, decimal or $/x/0x hexadecimal, 32-bit range.
int32_t parseInteger(const std::string& text);
bool tryParseInteger(const std::string& text, int32_t& out);

// Decimal field text with the given separator: sign, digits, separator, exponent.
double parseDecimal(const std::string& text, char sep);
bool tryParseDecimal(const std::string& text, char sep, double& out);

// A decode's text, or "0" where the decode raises (an idle or engine period of 0): the
// one way every window, file and log shows a value that does not compute.
template <class Decode>
std::string decodedOrZero(Decode decode)
{
    try {
        return decode();
    } catch (...) {
        return "0";
    }
}

// What the regional settings report, as a separator the number texts can use: a
// printable ASCII character that cannot be part of a number otherwise; anything else
// (none, a digit, a letter of an exponent, a character beyond ASCII) reads as a point.
char usableDecimalSeparator(char reported);

} // namespace tuma
