#include "unlha/decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "unlha/crc16.h"
#include "unlha/huffman.h"

namespace dm::lzh {
namespace {

constexpr size_t kInputBufferSize = 64 * 1024;
constexpr size_t kOutputChunk = 256 * 1024;  // bytes decoded between two writes
constexpr size_t kMaxDictionary = 64 * 1024;
constexpr size_t kMatchSlack = 256 + 16;     // a match may run past the chunk end

constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;                              // shortest match
constexpr int kLiteralSymbols = 256 + kMaxMatch - kThreshold + 1;  // 510
constexpr int kLengthSymbols = 19;  // alphabet of the code-length code
constexpr int kLengthSymbolBits = 5;
constexpr int kLiteralCountBits = 9;

struct MethodParameters {
  int dictionaryBits;
  int positionSymbols;  // distance classes
  int positionCountBits;
};

bool ParametersOf(std::string_view method, MethodParameters& out) {
  if (method == "-lh5-") out = {13, 14, 4};
  else if (method == "-lh6-") out = {15, 16, 5};
  else if (method == "-lh7-") out = {16, 17, 5};
  else return false;
  return true;
}

bool IsStoredMethod(std::string_view method) { return method == "-lh0-" || method == "-lz4-"; }

// Bits of the packed data, most significant first. Past the end it yields
// zero bits and remembers it, so a damaged stream ends as "truncated".
class BitReader {
 public:
  explicit BitReader(ByteSource& source) : source_(source), buffer_(new uint8_t[kInputBufferSize]) {}

  // Makes at least 56 bits available: enough for a literal-or-length code,
  // a distance class and its extra bits (16 + 16 + 15).
  void Refill() {
    // The byte-wise top-up below can leave all 64 bits filled; codes of 0
    // bits (single-symbol tables) then ask again before using any. The word
    // path must not run then: it would shift by 64 and step back a byte.
    if (count_ > 56) return;
    if (end_ - position_ >= 8) {
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i) word = (word << 8) | buffer_[position_ + i];
      const int bytes = (63 - count_) >> 3;
      const int filled = count_ + bytes * 8;
      bits_ = (bits_ | (word >> count_)) & (~uint64_t{0} << (64 - filled));
      position_ += bytes;
      count_ = filled;
      return;
    }
    while (count_ <= 56) {
      uint64_t byte = 0;
      if (position_ < end_ || FillBuffer()) byte = buffer_[position_++];
      else ++padding_;
      bits_ |= byte << (56 - count_);
      count_ += 8;
    }
  }
  uint32_t Peek16() const { return static_cast<uint32_t>(bits_ >> 48); }
  void Drop(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  // n in 1..16, after a Refill that left enough bits.
  uint32_t Take(int n) {
    const uint32_t value = static_cast<uint32_t>(bits_ >> (64 - n));
    Drop(n);
    return value;
  }
  uint32_t TakeChecked(int n) {
    if (count_ < n) Refill();
    return Take(n);
  }
  // True once bits beyond the packed data were used.
  bool Overrun() const { return padding_ * 8 > static_cast<uint64_t>(count_); }
  bool ReadFailed() const { return source_.Failed(); }

 private:
  bool FillBuffer() {
    position_ = 0;
    end_ = source_.Read(buffer_.get(), kInputBufferSize);
    return end_ > 0;
  }

  ByteSource& source_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t position_ = 0;
  size_t end_ = 0;
  uint64_t bits_ = 0;
  int count_ = 0;
  uint64_t padding_ = 0;
};

class BlockDecoder {
 public:
  BlockDecoder(const MethodParameters& parameters, ByteSource& packed, OutputSink& sink)
      : parameters_(parameters),
        dictionary_(size_t{1} << parameters.dictionaryBits),
        reader_(packed),
        sink_(sink),
        window_(new uint8_t[kMaxDictionary + kOutputChunk + kMatchSlack]),
        lengthTable_(kLengthSymbols, 8),
        literalTable_(kLiteralSymbols, 12),
        positionTable_(parameters.positionSymbols, 8) {}

  DecodeResult Run(uint64_t originalSize) {
    // Distances that reach before the file's start read blanks.
    std::memset(window_.get(), ' ', dictionary_);
    size_t position = dictionary_;
    uint64_t remaining = originalSize;
    uint32_t blockLeft = 0;
    while (remaining > 0) {
      const size_t limit = dictionary_ + static_cast<size_t>(std::min<uint64_t>(kOutputChunk, remaining));
      while (position < limit) {
        if (blockLeft == 0) {
          reader_.Refill();
          if (reader_.Overrun()) return Fail(DecodeStatus::kTruncated);
          blockLeft = reader_.Take(16);
          if (blockLeft == 0 || !ReadTables()) return Fail(DecodeStatus::kCorrupt);
        }
        if (!DecodeCodes(position, limit, blockLeft)) return Fail(DecodeStatus::kCorrupt);
      }
      if (reader_.Overrun()) return Fail(DecodeStatus::kTruncated);
      const size_t produced = position - dictionary_;
      // A match running past the declared end, or codes left in the block
      // there, mean the header understates the file: it is not written on.
      if (produced > remaining || (produced == remaining && blockLeft > 0)) return Fail(DecodeStatus::kTooLong);
      if (!Emit(window_.get() + dictionary_, produced)) return Fail(DecodeStatus::kStopped);
      remaining -= produced;
      // Keep the last dictionary's worth as history for the next chunk.
      std::memmove(window_.get(), window_.get() + position - dictionary_, dictionary_);
      position = dictionary_;
    }
    return result_;
  }

 private:
  DecodeResult Fail(DecodeStatus status) {
    result_.status = reader_.ReadFailed() ? DecodeStatus::kReadError : status;
    return result_;
  }

  bool Emit(const uint8_t* data, size_t size) {
    result_.crc = UpdateCrc16(result_.crc, data, size);
    result_.written += size;
    return sink_.Write(data, size);
  }

  // The lengths of a small code (the code-length code, or the distance
  // classes): a count, then 3-bit lengths where 7 grows by one per further
  // 1 bit; after the `zeroRunAfter`-th length, 2 bits give a run of zeros.
  bool ReadSmallCode(HuffmanTable& table, int symbols, int countBits, int zeroRunAfter) {
    reader_.Refill();
    const int count = static_cast<int>(reader_.Take(countBits));
    if (count == 0) {
      const uint32_t only = reader_.Take(countBits);
      if (only >= static_cast<uint32_t>(symbols)) return false;
      table.BuildSingle(static_cast<uint16_t>(only));
      return true;
    }
    if (count > symbols || symbols > kLengthSymbols) return false;
    uint8_t lengths[kLengthSymbols] = {};
    int i = 0;
    while (i < count) {
      reader_.Refill();
      int length = static_cast<int>(reader_.Take(3));
      if (length == 7) {
        while (reader_.Take(1) == 1) {
          if (++length > HuffmanTable::kMaxCodeLength) return false;
        }
      }
      lengths[i++] = static_cast<uint8_t>(length);
      if (i == zeroRunAfter) {
        const int zeros = static_cast<int>(reader_.Take(2));
        i = std::min(i + zeros, symbols);  // those lengths are already zero
      }
    }
    return table.Build(lengths, symbols);
  }

  // The literal-and-length code's lengths, themselves coded with the
  // code-length code: symbols 0..2 are runs of unused entries.
  bool ReadLiteralCode() {
    reader_.Refill();
    const int count = static_cast<int>(reader_.Take(kLiteralCountBits));
    if (count == 0) {
      const uint32_t only = reader_.Take(kLiteralCountBits);
      if (only >= static_cast<uint32_t>(kLiteralSymbols)) return false;
      literalTable_.BuildSingle(static_cast<uint16_t>(only));
      return true;
    }
    if (count > kLiteralSymbols) return false;
    uint8_t lengths[kLiteralSymbols] = {};
    int i = 0;
    while (i < count) {
      reader_.Refill();
      int bits = 0;
      const uint16_t symbol = lengthTable_.Decode(reader_.Peek16(), bits);
      if (symbol == HuffmanTable::kInvalid) return false;
      reader_.Drop(bits);
      if (symbol > 2) {
        lengths[i++] = static_cast<uint8_t>(symbol - 2);
        continue;
      }
      const int run = symbol == 0 ? 1 : symbol == 1 ? static_cast<int>(reader_.Take(4)) + 3
                                                    : static_cast<int>(reader_.Take(9)) + 20;
      if (run > count - i) return false;
      i += run;  // already zero
    }
    return literalTable_.Build(lengths, kLiteralSymbols);
  }

  bool ReadTables() {
    return ReadSmallCode(lengthTable_, kLengthSymbols, kLengthSymbolBits, 3) && ReadLiteralCode() &&
           ReadSmallCode(positionTable_, parameters_.positionSymbols, parameters_.positionCountBits, -1);
  }

  // Decodes codes of the current block into the window until `limit` or the
  // block's end. A match may run up to kMaxMatch bytes past `limit`.
  bool DecodeCodes(size_t& positionInOut, size_t limit, uint32_t& blockLeft) {
    uint8_t* const window = window_.get();
    size_t position = positionInOut;
    uint32_t left = blockLeft;
    bool ok = true;
    while (left > 0 && position < limit) {
      reader_.Refill();
      int bits = 0;
      const uint16_t symbol = literalTable_.Decode(reader_.Peek16(), bits);
      if (symbol == HuffmanTable::kInvalid) {
        ok = false;
        break;
      }
      reader_.Drop(bits);
      --left;
      if (symbol < 256) {
        window[position++] = static_cast<uint8_t>(symbol);
        continue;
      }
      const size_t length = symbol - 256 + kThreshold;
      const uint16_t distanceClass = positionTable_.Decode(reader_.Peek16(), bits);
      if (distanceClass == HuffmanTable::kInvalid) {
        ok = false;
        break;
      }
      reader_.Drop(bits);
      size_t distance = distanceClass;
      if (distanceClass > 1) distance = (size_t{1} << (distanceClass - 1)) | reader_.Take(distanceClass - 1);
      distance += 1;  // at most the dictionary size, by the class count
      CopyMatch(window + position, distance, length);
      position += length;
    }
    positionInOut = position;
    blockLeft = left;
    return ok;
  }

  static void CopyMatch(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    if (distance >= 8) {
      // Eight bytes at a time; may write up to seven bytes past the match,
      // which the window's slack absorbs and later output overwrites.
      uint8_t* const end = out + length;
      do {
        std::memcpy(out, from, 8);
        out += 8;
        from += 8;
      } while (out < end);
    } else {
      for (size_t i = 0; i < length; ++i) out[i] = from[i];
    }
  }

  MethodParameters parameters_;
  size_t dictionary_;
  BitReader reader_;
  OutputSink& sink_;
  std::unique_ptr<uint8_t[]> window_;
  HuffmanTable lengthTable_;
  HuffmanTable literalTable_;
  HuffmanTable positionTable_;
  DecodeResult result_;
};

DecodeResult CopyStored(ByteSource& packed, uint64_t packedSize, uint64_t originalSize, OutputSink& sink) {
  DecodeResult result;
  if (packedSize != originalSize) {
    result.status = DecodeStatus::kSizeMismatch;
    return result;
  }
  std::vector<uint8_t> buffer(std::min<uint64_t>(kInputBufferSize, originalSize));
  uint64_t remaining = originalSize;
  while (remaining > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), remaining));
    const size_t got = packed.Read(buffer.data(), want);
    if (got > 0) {
      result.crc = UpdateCrc16(result.crc, buffer.data(), got);
      result.written += got;
      remaining -= got;
      if (!sink.Write(buffer.data(), got)) {
        result.status = DecodeStatus::kStopped;
        return result;
      }
    }
    if (got < want) {
      result.status = packed.Failed() ? DecodeStatus::kReadError : DecodeStatus::kTruncated;
      return result;
    }
  }
  return result;
}

}  // namespace

bool IsFolderMethod(std::string_view method) { return method == "-lhd-"; }

bool IsSupportedMethod(std::string_view method) {
  MethodParameters unused;
  return IsStoredMethod(method) || IsFolderMethod(method) || ParametersOf(method, unused);
}

DecodeResult DecodeData(std::string_view method, ByteSource& packed, uint64_t packedSize, uint64_t originalSize,
                        OutputSink& sink) {
  if (IsStoredMethod(method)) return CopyStored(packed, packedSize, originalSize, sink);
  if (IsFolderMethod(method)) return {};
  MethodParameters parameters;
  if (!ParametersOf(method, parameters)) return {DecodeStatus::kUnknownMethod};
  if (originalSize == 0) return {};
  BlockDecoder decoder(parameters, packed, sink);
  return decoder.Run(originalSize);
}

size_t DecoderMemoryBound() {
  return kInputBufferSize + kMaxDictionary + kOutputChunk + kMatchSlack + sizeof(BlockDecoder) +
         // three code tables: look-up entries and sorted symbols
         2 * ((size_t{1} << 12) + (2 << 8)) + 2 * (kLiteralSymbols + kLengthSymbols + 17);
}

}  // namespace dm::lzh
