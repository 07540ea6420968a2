// The printable form in which ciphertext is stored: the base64 bit layout
// with two differences. A zero 6-bit value is written "=" instead of "A", and
// there is no padding: a short last group is filled with zero bytes, which
// then encode as "=" like any other zero value.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dm::crypt {

// 4 characters for every started group of 3 bytes.
std::string EncodeTextForm(std::span<const uint8_t> bytes);

// 3 bytes for every whole group of 4 characters; characters after the last
// whole group are ignored. "=" and "A" both stand for 0, and so does any
// character outside the alphabet (the encoder never writes one).
std::vector<uint8_t> DecodeTextForm(std::string_view text);

}  // namespace dm::crypt
