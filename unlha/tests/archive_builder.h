// Writes small LZH archives for the tests: entries at any header level with
// any name bytes, stored data, or packed bytes taken from a real archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unlha/crc16.h"

namespace dm::lzh::testing {

struct BuiltEntry {
  std::string method = "-lh0-";
  std::string name;    // raw bytes; levels 0 and 1 may hold folders with "\"
  std::string folder;  // levels 1 to 3: the folder extension (0xFF separators)
  std::string packed;  // the data as stored
  uint64_t originalSize = 0;
  uint16_t crc = 0;
  int level = 2;
  uint32_t time = 1234567890;  // DOS value at levels 0 and 1, Unix seconds above
};

inline uint16_t Crc16Of(const std::string& data) {
  return UpdateCrc16(0, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

inline BuiltEntry StoredEntry(const std::string& name, const std::string& content, int level = 2) {
  BuiltEntry entry;
  entry.name = name;
  entry.packed = content;
  entry.originalSize = content.size();
  entry.crc = Crc16Of(content);
  entry.level = level;
  if (level < 2) entry.time = 0x3A4DBBEF;  // 2009-02-13 23:31:30
  return entry;
}

namespace detail {
inline void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void PutSize(std::string& out, size_t v, int sizeBytes) {
  if (sizeBytes == 2) Put16(out, static_cast<uint32_t>(v));
  else Put32(out, static_cast<uint32_t>(v));
}
// Extensions (type + data), each followed by the next one's size; the first
// size is written by the caller.
inline std::string Extensions(const std::vector<std::pair<int, std::string>>& list, int sizeBytes) {
  std::string out;
  for (size_t i = 0; i < list.size(); ++i) {
    out += static_cast<char>(list[i].first);
    out += list[i].second;
    PutSize(out, i + 1 < list.size() ? 1 + list[i + 1].second.size() + sizeBytes : 0, sizeBytes);
  }
  return out;
}
}  // namespace detail

inline std::string BuildHeader(const BuiltEntry& e) {
  using namespace detail;
  std::string h;
  const uint32_t packedSize = static_cast<uint32_t>(e.packed.size());
  if (e.level <= 1) {
    std::vector<std::pair<int, std::string>> ext;
    if (e.level == 1 && !e.folder.empty()) ext.push_back({0x02, e.folder});
    const std::string extBytes = Extensions(ext, 2);
    std::string body = e.method;
    Put32(body, packedSize + static_cast<uint32_t>(extBytes.size()));
    Put32(body, static_cast<uint32_t>(e.originalSize));
    Put32(body, e.time);
    body += '\x20';
    body += static_cast<char>(e.level);
    body += static_cast<char>(e.name.size());
    body += e.name;
    Put16(body, e.crc);
    if (e.level == 1) {
      body += 'M';
      Put16(body, ext.empty() ? 0 : 1 + ext[0].second.size() + 2);
    }
    uint8_t sum = 0;
    for (char c : body) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    h += static_cast<char>(body.size());
    h += static_cast<char>(sum);
    return h + body + extBytes;
  }
  const int sizeBytes = e.level == 3 ? 4 : 2;
  std::vector<std::pair<int, std::string>> ext = {{0x01, e.name}};
  if (!e.folder.empty()) ext.push_back({0x02, e.folder});
  const std::string extBytes = Extensions(ext, sizeBytes);
  const size_t fixed = e.level == 3 ? 32 : 26;
  const size_t total = fixed + extBytes.size();
  if (e.level == 3) Put16(h, 4);
  else Put16(h, static_cast<uint32_t>(total));
  h += e.method;
  Put32(h, packedSize);
  Put32(h, static_cast<uint32_t>(e.originalSize));
  Put32(h, e.time);
  h += '\x20';
  h += static_cast<char>(e.level);
  Put16(h, e.crc);
  h += 'W';
  if (e.level == 3) Put32(h, static_cast<uint32_t>(total));
  PutSize(h, 1 + ext[0].second.size() + sizeBytes, sizeBytes);
  return h + extBytes;
}

// Packed data of the -lh5- block format written bit by bit, most
// significant first: blocks whose codes take a chosen number of bits, to put
// any code at any bit of the stream.
class BlockWriter {
 public:
  static constexpr int kPositionCountBits = 4;  // -lh5-

  // A block of 8-bit codes: every byte stands for itself.
  void ByteBlock(const std::string& bytes) {
    Header(bytes.size(), 10, 256);
    for (unsigned char c : bytes) Put(c, 8);
  }
  // A block of 1-bit codes for the bytes 0 and 1.
  void BitBlock(const std::string& zerosAndOnes) {
    Header(zerosAndOnes.size(), 3, 2);
    for (char c : zerosAndOnes) Put(c != 0, 1);
  }
  // A block of `codes` codes of 0 bits, all `symbol`: a byte, or from 256 on
  // a match of symbol - 253 bytes at distance 1.
  void SilentBlock(uint32_t codes, uint32_t symbol) {
    Put(codes, 16);
    Put(0, 5), Put(0, 5);            // code-length code: one symbol
    Put(0, 9), Put(symbol, 9);       // literal code: one symbol
    Put(0, kPositionCountBits), Put(0, kPositionCountBits);  // distance 1
  }
  size_t Bits() const { return bits_; }
  std::string Bytes() const { return bytes_; }

 private:
  // The code-length code has the single symbol `lengthSymbol` (a length of
  // lengthSymbol - 2 for each of the first `literals` literal symbols), and
  // every distance is 1.
  void Header(size_t codes, uint32_t lengthSymbol, uint32_t literals) {
    Put(static_cast<uint32_t>(codes), 16);
    Put(0, 5), Put(lengthSymbol, 5);
    Put(literals, 9);
    Put(0, kPositionCountBits), Put(0, kPositionCountBits);
  }
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bits_ % 8 == 0) bytes_ += '\0';
      if ((value >> i) & 1) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (bits_ % 8)));
      ++bits_;
    }
  }
  std::string bytes_;
  size_t bits_ = 0;
};

inline std::string BuildArchive(const std::vector<BuiltEntry>& entries, bool endMark = true) {
  std::string out;
  for (const BuiltEntry& e : entries) out += BuildHeader(e) + e.packed;
  if (endMark) out += '\0';
  return out;
}

}  // namespace dm::lzh::testing
