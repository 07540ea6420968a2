#include "update/release_manifest.h"

#include <set>

#include "base/text.h"
#include "unlha/entry_name.h"
#include "update/update_steps.h"

namespace dm {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The one value of a key that must be given exactly once.
std::optional<std::string> Single(const std::vector<std::string>& values, const char* key, std::string& problem) {
  if (values.size() == 1) return values.front();
  problem = std::string(key) + (values.empty() ? " がありません" : " が二度以上あります");
  return std::nullopt;
}

}  // namespace

std::optional<Sha256Digest> ParseSha256(std::string_view hex) {
  Sha256Digest digest{};
  if (hex.size() != digest.size() * 2) return std::nullopt;
  for (size_t i = 0; i < digest.size(); ++i) {
    int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return digest;
}

std::string Sha256Text(const Sha256Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::optional<uint64_t> ParseSignedSize(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > kMaxSignedBytes) return std::nullopt;
  return value;
}

std::optional<SignedFile> ParseSignedFileLine(std::string_view value) {
  size_t first = value.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  size_t second = value.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  std::optional<uint64_t> size = ParseSignedSize(value.substr(0, first));
  std::optional<Sha256Digest> digest = ParseSha256(value.substr(first + 1, second - first - 1));
  std::string name(value.substr(second + 1));
  if (!size || !digest || !IsInstalledName(name) || !lzh::NameProblem(name).empty() || name != Trim(name)) {
    return std::nullopt;
  }
  return SignedFile{name, *size, *digest};
}

std::string SignedFileLine(const SignedFile& file) {
  return std::to_string(file.size) + " " + Sha256Text(file.sha256) + " " + file.name;
}

ManifestReading ReadManifest(const VersionFileInfo& info) {
  ManifestReading reading;
  std::optional<std::string> size = Single(info.archiveSize, "Archive-size", reading.problem);
  if (!size) return reading;
  std::optional<std::string> sha = Single(info.archiveSha256, "Archive-sha256", reading.problem);
  if (!sha) return reading;
  ReleaseManifest manifest;
  std::optional<uint64_t> archive_size = ParseSignedSize(*size);
  if (!archive_size) {
    reading.problem = "Archive-size: " + *size;
    return reading;
  }
  std::optional<Sha256Digest> archive_sha = ParseSha256(*sha);
  if (!archive_sha) {
    reading.problem = "Archive-sha256: " + *sha;
    return reading;
  }
  manifest.archiveSize = *archive_size;
  manifest.archiveSha256 = *archive_sha;
  if (info.files.size() > kMaxSignedFiles) {
    reading.problem = "File: が多すぎます (" + std::to_string(info.files.size()) + ")";
    return reading;
  }
  std::set<std::string> names;
  for (const std::string& line : info.files) {
    std::optional<SignedFile> file = ParseSignedFileLine(line);
    if (!file) {
      reading.problem = "File: " + line;
      return reading;
    }
    if (!names.insert(AsciiLower(file->name)).second) {
      reading.problem = "File: " + file->name + " が二度以上あります";
      return reading;
    }
    manifest.files.push_back(*file);
  }
  if (!names.count(AsciiLower(kProgramFileName))) {
    reading.problem = std::string("File: ") + kProgramFileName + " がありません";
    return reading;
  }
  reading.manifest = manifest;
  return reading;
}

}  // namespace dm
