#pragma once
#include <cstdint>

namespace tuma {
// CRC-8, polynomial 0x07, initial 0, no reflection, no final XOR.
uint8_t Crc8(const uint8_t* bytes, uint32_t length);
} // namespace tuma
