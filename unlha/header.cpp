#include "unlha/header.h"

#include <vector>

#include "unlha/crc16.h"

namespace dm::lzh {
namespace {

constexpr size_t kCommonSize = 21;  // the bytes every level starts with
constexpr char kPathSeparator = '\xFF';

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint64_t Le64(const uint8_t* p) { return Le32(p) | (uint64_t{Le32(p + 4)} << 32); }

HeaderResult Broken(std::string problem) { return {HeaderStatus::kBroken, std::move(problem)}; }

bool ReadExactly(ByteSource& source, std::vector<uint8_t>& bytes, size_t size) {
  const size_t old = bytes.size();
  bytes.resize(old + size);
  return source.Read(bytes.data() + old, size) == size;
}

bool LooksLikeMethod(const uint8_t* p) {
  return p[0] == '-' && p[4] == '-' && p[1] >= 0x20 && p[1] < 0x7F && p[2] >= 0x20 && p[2] < 0x7F &&
         p[3] >= 0x20 && p[3] < 0x7F;
}

// The fields of extension headers, shared by levels 1 to 3.
class Extensions {
 public:
  explicit Extensions(EntryHeader& entry) : entry_(entry) {}

  // One extension: its type byte and data (without the size fields).
  bool Apply(uint8_t type, const uint8_t* data, size_t size, size_t crcOffset) {
    switch (type) {
      case 0x00:  // CRC-16 of the whole header, taken with this field as zero
        if (size >= 2) {
          headerCrc_ = Le16(data);
          headerCrcOffset_ = crcOffset;
          hasHeaderCrc_ = true;
        }
        break;
      case 0x01:
        entry_.name.assign(reinterpret_cast<const char*>(data), size);
        break;
      case 0x02:
        entry_.folder.assign(reinterpret_cast<const char*>(data), size);
        break;
      case 0x40:
        if (size >= 2) entry_.attributes = data[0];
        break;
      case 0x41:  // Windows times: creation, last write, last access
        if (size >= 24) {
          windowsTime_ = Le64(data + 8);
          hasWindowsTime_ = windowsTime_ != 0;
        }
        break;
      case 0x42:  // sizes of 64 bits
        if (size >= 16) {
          entry_.packedSize = Le64(data);
          entry_.originalSize = Le64(data + 8);
        }
        break;
      case 0x54:
        if (size >= 4 && entry_.time.kind == Timestamp::Kind::kDosLocal) {
          entry_.time = {Timestamp::Kind::kUnixUtc, Le32(data)};
        }
        break;
      default:
        break;  // comments, owners, permissions: nothing a Windows extractor needs
    }
    return true;
  }

  void Finish() {
    if (hasWindowsTime_) entry_.time = {Timestamp::Kind::kFileTime, windowsTime_};
  }

  // Checks the header CRC extension, when there is one, over all header bytes.
  bool HeaderCrcMatches(std::vector<uint8_t> header) const {
    if (!hasHeaderCrc_) return true;
    if (headerCrcOffset_ + 2 > header.size()) return false;
    header[headerCrcOffset_] = 0;
    header[headerCrcOffset_ + 1] = 0;
    return UpdateCrc16(0, header.data(), header.size()) == headerCrc_;
  }

 private:
  EntryHeader& entry_;
  bool hasHeaderCrc_ = false;
  uint16_t headerCrc_ = 0;
  size_t headerCrcOffset_ = 0;
  bool hasWindowsTime_ = false;
  uint64_t windowsTime_ = 0;
};

// Walks the extensions held in `header` from `offset`, where the first one's
// size field (of `sizeBytes` bytes) stands. Each extension is: type, data,
// size of the next one; a size counts the whole extension.
bool WalkExtensions(const std::vector<uint8_t>& header, size_t offset, size_t sizeBytes, Extensions& extensions) {
  uint64_t next = sizeBytes == 2 ? Le16(&header[offset]) : Le32(&header[offset]);
  offset += sizeBytes;
  while (next != 0) {
    if (next < 1 + sizeBytes || next > header.size() - offset) return false;
    const size_t size = static_cast<size_t>(next);
    extensions.Apply(header[offset], &header[offset + 1], size - 1 - sizeBytes, offset + 1);
    const size_t sizeField = offset + size - sizeBytes;
    next = sizeBytes == 2 ? Le16(&header[sizeField]) : Le32(&header[sizeField]);
    offset += size;
  }
  return true;
}

HeaderResult ReadLevel0Or1(ByteSource& source, std::vector<uint8_t>& header, EntryHeader& entry) {
  const size_t baseSize = size_t{header[0]} + 2;
  const size_t nameLength = header[21];
  // name length byte, name, CRC; level 1 adds the system byte and a size
  const size_t minimum = kCommonSize + 1 + nameLength + 2 + (entry.level == 1 ? 3 : 0);
  if (baseSize < minimum) return Broken("ヘッダーの長さが不正です");
  if (!ReadExactly(source, header, baseSize - header.size())) return Broken("ヘッダーの途中でアーカイブが終わっています");
  uint8_t sum = 0;
  for (size_t i = 2; i < baseSize; ++i) sum = static_cast<uint8_t>(sum + header[i]);
  if (sum != header[1]) return Broken("ヘッダーのチェックサムが一致しません");

  entry.time = {Timestamp::Kind::kDosLocal, Le32(&header[15])};
  entry.attributes = header[19];
  entry.name.assign(reinterpret_cast<const char*>(&header[22]), nameLength);
  entry.crc = Le16(&header[22 + nameLength]);
  if (entry.level == 0) return {HeaderStatus::kEntry, {}};

  entry.os = header[22 + nameLength + 2];
  // Level 1: the extensions follow the base header and count as packed data.
  Extensions extensions(entry);
  uint64_t extensionBytes = 0;
  size_t next = Le16(&header[baseSize - 2]);
  while (next != 0) {
    if (next < 3) return Broken("拡張ヘッダーの長さが不正です");
    extensionBytes += next;
    if (header.size() + next > kMaxHeaderBytes || extensionBytes > entry.packedSize) {
      return Broken("拡張ヘッダーが長すぎます");
    }
    const size_t start = header.size();
    if (!ReadExactly(source, header, next)) return Broken("ヘッダーの途中でアーカイブが終わっています");
    extensions.Apply(header[start], &header[start + 1], next - 3, start + 1);
    next = Le16(&header[header.size() - 2]);
  }
  if (!extensions.HeaderCrcMatches(header)) return Broken("ヘッダーの CRC が一致しません");
  extensions.Finish();
  entry.packedSize -= extensionBytes;
  return {HeaderStatus::kEntry, {}};
}

HeaderResult ReadLevel2Or3(ByteSource& source, std::vector<uint8_t>& header, EntryHeader& entry) {
  const bool level3 = entry.level == 3;
  const size_t fixedSize = level3 ? 32 : 26;
  if (!ReadExactly(source, header, fixedSize - header.size())) {
    return Broken("ヘッダーの途中でアーカイブが終わっています");
  }
  if (level3 && Le16(&header[0]) != 4) return Broken("ヘッダーの長さが不正です");
  const uint64_t total = level3 ? Le32(&header[24]) : Le16(&header[0]);
  if (total < fixedSize || total > kMaxHeaderBytes) return Broken("ヘッダーの長さが不正です");
  if (!ReadExactly(source, header, static_cast<size_t>(total) - fixedSize)) {
    return Broken("ヘッダーの途中でアーカイブが終わっています");
  }

  entry.time = {Timestamp::Kind::kUnixUtc, Le32(&header[15])};
  entry.crc = Le16(&header[21]);
  entry.os = header[23];
  Extensions extensions(entry);
  if (!WalkExtensions(header, fixedSize - (level3 ? 4 : 2), level3 ? 4 : 2, extensions)) {
    return Broken("拡張ヘッダーの長さが不正です");
  }
  if (!extensions.HeaderCrcMatches(header)) return Broken("ヘッダーの CRC が一致しません");
  extensions.Finish();
  return {HeaderStatus::kEntry, {}};
}

}  // namespace

HeaderResult ReadEntryHeader(ByteSource& source, EntryHeader& entry) {
  entry = EntryHeader{};
  std::vector<uint8_t> header;
  header.reserve(512);
  header.resize(1);
  if (source.Read(header.data(), 1) == 0) {
    if (source.Failed()) return Broken("アーカイブを読めません");
    return {HeaderStatus::kEnd, {}};  // no end mark: the archive simply stops
  }
  if (header[0] == 0) return {HeaderStatus::kEnd, {}};
  if (!ReadExactly(source, header, kCommonSize - 1)) return Broken("ヘッダーの途中でアーカイブが終わっています");
  if (!LooksLikeMethod(&header[2])) return Broken("LZH のヘッダーではありません");

  entry.method.assign(reinterpret_cast<const char*>(&header[2]), 5);
  entry.packedSize = Le32(&header[7]);
  entry.originalSize = Le32(&header[11]);
  entry.level = header[20];
  switch (entry.level) {
    case 0:
    case 1:
      if (!ReadExactly(source, header, 1)) return Broken("ヘッダーの途中でアーカイブが終わっています");
      return ReadLevel0Or1(source, header, entry);
    case 2:
    case 3:
      return ReadLevel2Or3(source, header, entry);
    default:
      return Broken("ヘッダーのレベル " + std::to_string(entry.level) + " には対応していません");
  }
}

std::string StoredPath(const EntryHeader& entry) {
  if (entry.folder.empty()) return entry.name;
  std::string path = entry.folder;
  if (path.back() != kPathSeparator) path += kPathSeparator;
  return path + entry.name;
}

}  // namespace dm::lzh
