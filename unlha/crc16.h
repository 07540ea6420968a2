// The 16-bit CRC that LZH archives keep for every file and for level-2
// headers: polynomial 0x8005 processed least significant bit first
// (0xA001 reflected), initial value 0, no final inversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dm::lzh {

// Continues `crc` over `size` bytes; start with 0.
uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t size);

}  // namespace dm::lzh
