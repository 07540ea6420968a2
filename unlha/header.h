// The entry headers of an LZH archive, levels 0 to 3. Every size and count
// in a header is checked against what was read before it is used, so a
// damaged or hostile header ends as an error, never as a large allocation.
#pragma once

#include <cstdint>
#include <string>

#include "unlha/byte_source.h"

namespace dm::lzh {

struct Timestamp {
  enum class Kind {
    kNone,
    kDosLocal,  // MS-DOS date and time, local time (levels 0 and 1)
    kUnixUtc,   // seconds since 1970 (levels 2 and 3, or an extension)
    kFileTime,  // 100 ns since 1601, UTC (the Windows time extension)
  };
  Kind kind = Kind::kNone;
  uint64_t value = 0;
};

struct EntryHeader {
  std::string method;         // five characters, such as "-lh5-"
  uint64_t packedSize = 0;    // of the data that follows the header
  uint64_t originalSize = 0;
  uint16_t crc = 0;           // of the original data
  int level = 0;
  uint8_t attributes = 0;     // MS-DOS attributes
  uint8_t os = 0;             // the archiver's system, 0 when unknown
  // The path as stored: the folder part (separators 0xFF, "\" or "/") and
  // the name, in the archive's bytes (normally Shift-JIS).
  std::string folder;
  std::string name;
  Timestamp time;
};

enum class HeaderStatus { kEntry, kEnd, kBroken };

struct HeaderResult {
  HeaderStatus status = HeaderStatus::kEnd;
  std::string problem;  // with kBroken: what is wrong, in words for the report
};

// Largest header accepted: every level's own limit, and a bound on memory.
constexpr size_t kMaxHeaderBytes = 64 * 1024;

// Reads the next header; the source is then at the entry's packed data.
HeaderResult ReadEntryHeader(ByteSource& source, EntryHeader& entry);

// The stored path, folder and name joined with 0xFF.
std::string StoredPath(const EntryHeader& entry);

}  // namespace dm::lzh
