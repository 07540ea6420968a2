// Decoding one file's data of an LZH archive: stored (-lh0-, -lz4-) and the
// sliding-dictionary methods with static Huffman blocks (-lh5-, -lh6-,
// -lh7-). Memory stays within DecoderMemoryBound() whatever sizes the archive
// declares; output goes out in pieces as it is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "unlha/byte_source.h"

namespace dm::lzh {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // False stops the decoding (the user aborted or the file cannot be written).
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

enum class DecodeStatus {
  kOk,
  kUnknownMethod,
  kTruncated,     // the packed data ended before the file was complete
  kCorrupt,       // impossible code tables or codes
  kSizeMismatch,  // a stored entry whose packed and original sizes differ
  kTooLong,       // the packed data goes on past the original size
  kReadError,
  kStopped,       // the sink refused more data
};

struct DecodeResult {
  DecodeStatus status = DecodeStatus::kOk;
  uint16_t crc = 0;      // of the bytes given to the sink
  uint64_t written = 0;  // bytes given to the sink
};

// True for the methods DecodeData handles; "-lhd-" (a folder) has no data.
bool IsSupportedMethod(std::string_view method);
bool IsFolderMethod(std::string_view method);

// Decodes `originalSize` bytes from `packed`, which must end where the
// entry's packed data ends. Never more: data that would make the file longer
// stops there as kTooLong.
DecodeResult DecodeData(std::string_view method, ByteSource& packed, uint64_t packedSize, uint64_t originalSize,
                        OutputSink& sink);

// The most memory DecodeData allocates.
size_t DecoderMemoryBound();

}  // namespace dm::lzh
