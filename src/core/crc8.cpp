#include "core/crc8.h"

namespace tuma {

uint8_t Crc8(const uint8_t* bytes, uint32_t length)
{
    uint8_t r = 0;
    for (uint32_t i = 0; i < length; ++i) {
        r ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 0x80) ? static_cast<uint8_t>((r << 1) ^ 0x07) : static_cast<uint8_t>(r << 1);
    }
    return r;
}

} // namespace tuma
