#include "crypt/md5.h"

#include <bit>
#include <cstring>

namespace dm::crypt {
namespace {

// floor(|sin(i + 1)| * 2^32) for i = 0..63.
constexpr uint32_t kSineTable[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

constexpr size_t kBlockSize = 64;

uint32_t LoadLittleEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
         uint32_t{bytes[3]} << 24;
}

void StoreLittleEndian32(uint32_t value, uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

using State = std::array<uint32_t, 4>;

void ProcessBlock(State& state, const uint8_t* block) {
  uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = LoadLittleEndian32(block + 4 * i);

  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int step = 0; step < 64; ++step) {
    const int round = step / 16;
    uint32_t mixed;
    int wordIndex;
    switch (round) {
      case 0: mixed = (b & c) | (~b & d); wordIndex = step; break;
      case 1: mixed = (b & d) | (c & ~d); wordIndex = (5 * step + 1) % 16; break;
      case 2: mixed = b ^ c ^ d; wordIndex = (3 * step + 5) % 16; break;
      default: mixed = c ^ (b | ~d); wordIndex = (7 * step) % 16; break;
    }
    const uint32_t sum = a + mixed + kSineTable[step] + words[wordIndex];
    a = d;
    d = c;
    c = b;
    b = b + std::rotl(sum, kShifts[round][step % 4]);
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

Md5Digest Md5(std::span<const uint8_t> message) {
  State state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

  const size_t whole = message.size() - message.size() % kBlockSize;
  for (size_t offset = 0; offset < whole; offset += kBlockSize) ProcessBlock(state, message.data() + offset);

  // The tail, a 0x80 marker, zero fill and the message length in bits make
  // one or two final blocks.
  uint8_t tail[2 * kBlockSize] = {};
  const size_t rest = message.size() - whole;
  if (rest > 0) std::memcpy(tail, message.data() + whole, rest);
  tail[rest] = 0x80;
  const size_t tailSize = rest < kBlockSize - 8 ? kBlockSize : 2 * kBlockSize;
  const uint64_t bitLength = static_cast<uint64_t>(message.size()) * 8;
  for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<uint8_t>(bitLength >> (8 * i));
  for (size_t offset = 0; offset < tailSize; offset += kBlockSize) ProcessBlock(state, tail + offset);

  Md5Digest digest;
  for (int i = 0; i < 4; ++i) StoreLittleEndian32(state[i], digest.data() + 4 * i);
  return digest;
}

Md5Digest Md5(std::string_view message) {
  return Md5(std::span(reinterpret_cast<const uint8_t*>(message.data()), message.size()));
}

}  // namespace dm::crypt
