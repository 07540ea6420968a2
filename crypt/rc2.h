// RC2 block cipher (RFC 2268): 64-bit blocks, a key of 1 to 128 bytes and an
// effective key length in bits that the key expansion reduces the key to.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace dm::crypt {

class Rc2 {
 public:
  static constexpr size_t kBlockSize = 8;
  using Block = std::array<uint8_t, kBlockSize>;

  // key: 1..128 bytes; effectiveBits: 1..1024.
  Rc2(std::span<const uint8_t> key, int effectiveBits);

  Block EncryptBlock(const Block& plain) const;
  Block DecryptBlock(const Block& cipher) const;

 private:
  std::array<uint16_t, 64> expandedKey_;
};

}  // namespace dm::crypt
