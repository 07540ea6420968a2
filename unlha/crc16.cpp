#include "unlha/crc16.h"

#include <array>

namespace dm::lzh {
namespace {

// tables[k][b]: the CRC of byte b followed by k zero bytes, so eight bytes
// can be folded in with one look-up each instead of eight shift steps.
struct Crc16Tables {
  std::array<std::array<uint16_t, 256>, 8> tables{};
  constexpr Crc16Tables() {
    for (unsigned b = 0; b < 256; ++b) {
      unsigned crc = b;
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
      tables[0][b] = static_cast<uint16_t>(crc);
    }
    for (int k = 1; k < 8; ++k) {
      for (unsigned b = 0; b < 256; ++b) {
        uint16_t previous = tables[k - 1][b];
        tables[k][b] = static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
      }
    }
  }
};

constexpr Crc16Tables kCrc16;

}  // namespace

uint16_t UpdateCrc16(uint16_t crc, const uint8_t* data, size_t size) {
  const auto& t = kCrc16.tables;
  while (size >= 8) {
    const unsigned v = crc ^ (data[0] | (data[1] << 8));
    crc = t[7][v & 0xFF] ^ t[6][v >> 8] ^ t[5][data[2]] ^ t[4][data[3]] ^ t[3][data[4]] ^ t[2][data[5]] ^
          t[1][data[6]] ^ t[0][data[7]];
    data += 8;
    size -= 8;
  }
  while (size-- > 0) crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ *data++) & 0xFF]);
  return crc;
}

}  // namespace dm::lzh
