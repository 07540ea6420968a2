// What the release key vouches for: the lines of the signed version file
// that old builds do not know and pass over, read into the archive's size
// and SHA-256 and the name, size and SHA-256 of every file the update
// installs.
//
//   Archive-size: 2873344
//   Archive-sha256: 9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08
//   File: 2411008 5e884898da28047151d0e56f8dc6292773603d0d6aabbdd62a11ef721d1542d8 drovenmk.exe
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/version_file.h"

namespace dm {

using Sha256Digest = std::array<uint8_t, 32>;

// 64 hexadecimal digits, either case; nothing for any other text.
std::optional<Sha256Digest> ParseSha256(std::string_view hex);
std::string Sha256Text(const Sha256Digest& digest);  // lower case

// A decimal size: digits only, no sign or blank, at most kMaxSignedBytes.
std::optional<uint64_t> ParseSignedSize(std::string_view text);
// Larger than any release will be; a size beyond it is no release's.
inline constexpr uint64_t kMaxSignedBytes = uint64_t{1} << 31;
// More files than a release has are no release's either.
inline constexpr size_t kMaxSignedFiles = 64;

struct SignedFile {
  std::string name;
  uint64_t size = 0;
  Sha256Digest sha256{};
  bool operator==(const SignedFile&) const = default;
};

struct ReleaseManifest {
  uint64_t archiveSize = 0;
  Sha256Digest archiveSha256{};
  std::vector<SignedFile> files;  // in the order of the lines
  bool operator==(const ReleaseManifest&) const = default;
};

// One "File: " value: "SIZE SHA256 NAME"; the name is a plain file name the
// updater may install.
std::optional<SignedFile> ParseSignedFileLine(std::string_view value);
std::string SignedFileLine(const SignedFile& file);  // the value, as make dist writes it

struct ManifestReading {
  std::optional<ReleaseManifest> manifest;
  std::string problem;  // why there is none: names the line
};

// The manifest of a signed version file, or why it cannot be trusted: a
// key missing or given twice, a size or hash that does not read, a file
// line that does not read, the same name twice, no program file.
ManifestReading ReadManifest(const VersionFileInfo& info);

}  // namespace dm
