#pragma once
// Number text shared by every field: the general and fixed display formats, rounding
// to an integer, and parsing of integer and decimal field texts. Nothing here depends
// on the C library's locale: Qt sets it from the user's environment, and a comma
// from printf would corrupt the fixed formats.
#include <cstdint>
#include <string>

namespace tuma {

// The user's decimal separator, used by the general format and by decimal parsing.
char decimalSeparator();
void setDecimalSeparator(char sep);

// Plain decimal, up to 15 significant digits, no trailing zeros, "-0" as "0".
std::string formatGeneral(double v, char sep);
inline std::string formatGeneral(double v) { return formatGeneral(v, decimalSeparator()); }

// printf "%.Nf" with a full stop, half to even on exact ties.
std::string formatFixed(double v, int decimals);

// round(): "%.0f" read back as an integer (so half goes to even).
int32_t roundToInt(double v);

// Integer field text: blanks, sign, decimal or $/x/0x hexadecimal, 32-bit range.
int32_t parseInteger(const std::string& text);
bool tryParseInteger(const std::string& text, int32_t& out);

// Decimal field text with the given separator: sign, digits, separator, exponent.
double parseDecimal(const std::string& text, char sep);
inline double parseDecimal(const std::string& text) { return parseDecimal(text, decimalSeparator()); }
bool tryParseDecimal(const std::string& text, char sep, double& out);

} // namespace tuma
