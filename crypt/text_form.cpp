#include "crypt/text_form.h"

#include <array>

namespace dm::crypt {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char SextetToChar(uint32_t sextet) { return sextet == 0 ? '=' : kAlphabet[sextet]; }

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};  // everything unknown decodes to 0
  for (size_t i = 0; i < kAlphabet.size(); ++i) table[static_cast<uint8_t>(kAlphabet[i])] = static_cast<uint8_t>(i);
  return table;
}
constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

}  // namespace

std::string EncodeTextForm(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const uint32_t x = bytes[i];
    const uint32_t y = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    const uint32_t z = i + 2 < bytes.size() ? bytes[i + 2] : 0;
    const uint32_t group = x << 16 | y << 8 | z;
    for (int shift = 18; shift >= 0; shift -= 6) text += SextetToChar(group >> shift & 63);
  }
  return text;
}

std::vector<uint8_t> DecodeTextForm(std::string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i + 4 <= text.size(); i += 4) {
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) group = group << 6 | kDecodeTable[static_cast<uint8_t>(text[i + k])];
    bytes.push_back(static_cast<uint8_t>(group >> 16));
    bytes.push_back(static_cast<uint8_t>(group >> 8));
    bytes.push_back(static_cast<uint8_t>(group));
  }
  return bytes;
}

}  // namespace dm::crypt
