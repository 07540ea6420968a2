// MD5 message digest (RFC 1321). The cipher hashes the pass phrase with it to
// get its key material.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace dm::crypt {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5(std::span<const uint8_t> message);
Md5Digest Md5(std::string_view message);

}  // namespace dm::crypt
