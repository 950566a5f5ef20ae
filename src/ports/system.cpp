#include "ports/system.h"

namespace tuma {

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
