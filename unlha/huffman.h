// Canonical Huffman code tables of the LZH block format: codes are given
// only by their lengths (at most 16 bits), shorter codes first and, within
// one length, in the order of their symbols.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace dm::lzh {

class HuffmanTable {
 public:
  static constexpr int kMaxCodeLength = 16;
  static constexpr uint16_t kInvalid = 0xFFFF;

  // `fastBits`: how many leading bits one look-up resolves; longer codes are
  // found by a slower walk over the lengths.
  HuffmanTable(int maxSymbols, int fastBits);

  // Builds from code lengths (0 = symbol unused). False when the lengths ask
  // for more codes than 16 bits can hold. Unused code values decode as
  // kInvalid, so a damaged stream is caught where it uses them.
  bool Build(const uint8_t* lengths, int count);
  // Every code decodes as `symbol` and takes no bits.
  void BuildSingle(uint16_t symbol);

  // `bits`: the next 16 bits of the stream, most significant first. Returns
  // the symbol (or kInvalid) and sets `length` to the bits it took.
  uint16_t Decode(uint32_t bits, int& length) const {
    const uint16_t entry = fast_[bits >> (16 - fastBits_)];
    if ((entry & kLengthMask) != kLongMarker) {
      length = entry & kLengthMask;
      return static_cast<uint16_t>(entry >> kLengthBits);
    }
    return DecodeLong(bits, length);
  }

 private:
  static constexpr int kLengthBits = 5;
  static constexpr uint16_t kLengthMask = (1 << kLengthBits) - 1;
  // Real lengths stop at 16; kInvalid carries this marker too, so unused
  // codes take the slow walk, which then finds nothing.
  static constexpr uint16_t kLongMarker = kLengthMask;

  uint16_t DecodeLong(uint32_t bits, int& length) const;

  int fastBits_;
  std::vector<uint16_t> fast_;
  std::vector<uint16_t> sorted_;                        // symbols by (length, symbol)
  std::array<uint16_t, kMaxCodeLength + 1> count_{};    // codes per length
  std::array<uint32_t, kMaxCodeLength + 1> firstCode_{};
  std::array<uint16_t, kMaxCodeLength + 1> firstIndex_{};  // into sorted_
};

}  // namespace dm::lzh
