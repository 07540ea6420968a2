// The platform's cryptography (CNG, bcrypt.dll) as the update uses it:
// SHA-256 of bytes and of files, and ECDSA P-256 verification with the one
// release key the program was built with.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/release_checks.h"

namespace dm {

// The public key as its two coordinates, X then Y, big-endian.
using EcP256PublicKey = std::array<uint8_t, 64>;

class CngReleaseKey : public ReleaseKey {
 public:
  explicit CngReleaseKey(const EcP256PublicKey& key) : key_(key) {}
  bool Verify(std::string_view message, std::string_view signature, std::string& error) override;

 private:
  EcP256PublicKey key_;
};

class CngFileHasher : public FileHasher {
 public:
  std::optional<Sha256Digest> HashFile(const std::string& path) override;
};

// Nothing when the system cannot hash.
std::optional<Sha256Digest> Sha256Of(std::string_view bytes);

// The key compiled into this program (release_key.h).
EcP256PublicKey CompiledReleaseKey();

}  // namespace dm
