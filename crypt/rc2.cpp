#include "crypt/rc2.h"

#include <cassert>

namespace dm::crypt {
namespace {

// The permutation of 0..255 built from the digits of pi.
constexpr uint8_t kPiTable[256] = {
    0xd9, 0x78, 0xf9, 0xc4, 0x19, 0xdd, 0xb5, 0xed, 0x28, 0xe9, 0xfd, 0x79, 0x4a, 0xa0, 0xd8, 0x9d,
    0xc6, 0x7e, 0x37, 0x83, 0x2b, 0x76, 0x53, 0x8e, 0x62, 0x4c, 0x64, 0x88, 0x44, 0x8b, 0xfb, 0xa2,
    0x17, 0x9a, 0x59, 0xf5, 0x87, 0xb3, 0x4f, 0x13, 0x61, 0x45, 0x6d, 0x8d, 0x09, 0x81, 0x7d, 0x32,
    0xbd, 0x8f, 0x40, 0xeb, 0x86, 0xb7, 0x7b, 0x0b, 0xf0, 0x95, 0x21, 0x22, 0x5c, 0x6b, 0x4e, 0x82,
    0x54, 0xd6, 0x65, 0x93, 0xce, 0x60, 0xb2, 0x1c, 0x73, 0x56, 0xc0, 0x14, 0xa7, 0x8c, 0xf1, 0xdc,
    0x12, 0x75, 0xca, 0x1f, 0x3b, 0xbe, 0xe4, 0xd1, 0x42, 0x3d, 0xd4, 0x30, 0xa3, 0x3c, 0xb6, 0x26,
    0x6f, 0xbf, 0x0e, 0xda, 0x46, 0x69, 0x07, 0x57, 0x27, 0xf2, 0x1d, 0x9b, 0xbc, 0x94, 0x43, 0x03,
    0xf8, 0x11, 0xc7, 0xf6, 0x90, 0xef, 0x3e, 0xe7, 0x06, 0xc3, 0xd5, 0x2f, 0xc8, 0x66, 0x1e, 0xd7,
    0x08, 0xe8, 0xea, 0xde, 0x80, 0x52, 0xee, 0xf7, 0x84, 0xaa, 0x72, 0xac, 0x35, 0x4d, 0x6a, 0x2a,
    0x96, 0x1a, 0xd2, 0x71, 0x5a, 0x15, 0x49, 0x74, 0x4b, 0x9f, 0xd0, 0x5e, 0x04, 0x18, 0xa4, 0xec,
    0xc2, 0xe0, 0x41, 0x6e, 0x0f, 0x51, 0xcb, 0xcc, 0x24, 0x91, 0xaf, 0x50, 0xa1, 0xf4, 0x70, 0x39,
    0x99, 0x7c, 0x3a, 0x85, 0x23, 0xb8, 0xb4, 0x7a, 0xfc, 0x02, 0x36, 0x5b, 0x25, 0x55, 0x97, 0x31,
    0x2d, 0x5d, 0xfa, 0x98, 0xe3, 0x8a, 0x92, 0xae, 0x05, 0xdf, 0x29, 0x10, 0x67, 0x6c, 0xba, 0xc9,
    0xd3, 0x00, 0xe6, 0xcf, 0xe1, 0x9e, 0xa8, 0x2c, 0x63, 0x16, 0x01, 0x3f, 0x58, 0xe2, 0x89, 0xa9,
    0x0d, 0x38, 0x34, 0x1b, 0xab, 0x33, 0xff, 0xb0, 0xbb, 0x48, 0x0c, 0x5f, 0xb9, 0xb1, 0xcd, 0x2e,
    0xc5, 0xf3, 0xdb, 0x47, 0xe5, 0xa5, 0x9c, 0x77, 0x0a, 0xa6, 0x20, 0x68, 0xfe, 0x7f, 0xc1, 0xad,
};

// Rotation amounts of the four 16-bit words in a mixing step.
constexpr int kRotations[4] = {1, 2, 3, 5};

using Words = std::array<uint16_t, 4>;
using ExpandedKey = std::array<uint16_t, 64>;

uint16_t RotateLeft16(uint16_t value, int count) {
  return static_cast<uint16_t>(value << count | value >> (16 - count));
}

uint16_t RotateRight16(uint16_t value, int count) {
  return static_cast<uint16_t>(value >> count | value << (16 - count));
}

Words LoadWords(const Rc2::Block& block) {
  Words words;
  for (int i = 0; i < 4; ++i) words[i] = static_cast<uint16_t>(block[2 * i] | block[2 * i + 1] << 8);
  return words;
}

Rc2::Block StoreWords(const Words& words) {
  Rc2::Block block;
  for (int i = 0; i < 4; ++i) {
    block[2 * i] = static_cast<uint8_t>(words[i]);
    block[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  return block;
}

// The word that combines the other three in a mixing step of word i.
uint16_t MixInput(const Words& r, int i) {
  const uint16_t prev1 = r[(i + 3) % 4], prev2 = r[(i + 2) % 4], prev3 = r[(i + 1) % 4];
  return static_cast<uint16_t>((prev1 & prev2) + (~prev1 & prev3));
}

void MixRound(Words& r, const ExpandedKey& key, int& keyIndex) {
  for (int i = 0; i < 4; ++i) {
    r[i] = static_cast<uint16_t>(r[i] + key[keyIndex++] + MixInput(r, i));
    r[i] = RotateLeft16(r[i], kRotations[i]);
  }
}

void MashRound(Words& r, const ExpandedKey& key) {
  for (int i = 0; i < 4; ++i) r[i] = static_cast<uint16_t>(r[i] + key[r[(i + 3) % 4] & 63]);
}

void UnmixRound(Words& r, const ExpandedKey& key, int& keyIndex) {
  for (int i = 3; i >= 0; --i) {
    r[i] = RotateRight16(r[i], kRotations[i]);
    r[i] = static_cast<uint16_t>(r[i] - key[keyIndex--] - MixInput(r, i));
  }
}

void UnmashRound(Words& r, const ExpandedKey& key) {
  for (int i = 3; i >= 0; --i) r[i] = static_cast<uint16_t>(r[i] - key[r[(i + 3) % 4] & 63]);
}

}  // namespace

Rc2::Rc2(std::span<const uint8_t> key, int effectiveBits) {
  assert(!key.empty() && key.size() <= 128 && effectiveBits >= 1 && effectiveBits <= 1024);
  const size_t keyLength = key.size();
  uint8_t bytes[128];
  for (size_t i = 0; i < keyLength; ++i) bytes[i] = key[i];
  // Stretch the key to 128 bytes ...
  for (size_t i = keyLength; i < 128; ++i) bytes[i] = kPiTable[(bytes[i - 1] + bytes[i - keyLength]) & 0xff];
  // ... then cut it down to the effective length and spread that back over
  // every byte, so nothing beyond the effective bits survives.
  const int effectiveBytes = (effectiveBits + 7) / 8;
  const uint8_t topMask = static_cast<uint8_t>(0xff >> (8 * effectiveBytes - effectiveBits));
  bytes[128 - effectiveBytes] = kPiTable[bytes[128 - effectiveBytes] & topMask];
  for (int i = 127 - effectiveBytes; i >= 0; --i) bytes[i] = kPiTable[bytes[i + 1] ^ bytes[i + effectiveBytes]];

  for (int i = 0; i < 64; ++i) expandedKey_[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

Rc2::Block Rc2::EncryptBlock(const Block& plain) const {
  Words r = LoadWords(plain);
  int keyIndex = 0;
  for (int round = 0; round < 5; ++round) MixRound(r, expandedKey_, keyIndex);
  MashRound(r, expandedKey_);
  for (int round = 0; round < 6; ++round) MixRound(r, expandedKey_, keyIndex);
  MashRound(r, expandedKey_);
  for (int round = 0; round < 5; ++round) MixRound(r, expandedKey_, keyIndex);
  return StoreWords(r);
}

Rc2::Block Rc2::DecryptBlock(const Block& cipher) const {
  Words r = LoadWords(cipher);
  int keyIndex = 63;
  for (int round = 0; round < 5; ++round) UnmixRound(r, expandedKey_, keyIndex);
  UnmashRound(r, expandedKey_);
  for (int round = 0; round < 6; ++round) UnmixRound(r, expandedKey_, keyIndex);
  UnmashRound(r, expandedKey_);
  for (int round = 0; round < 5; ++round) UnmixRound(r, expandedKey_, keyIndex);
  return StoreWords(r);
}

}  // namespace dm::crypt
