#include "unlha/huffman.h"

#include <algorithm>

namespace dm::lzh {

HuffmanTable::HuffmanTable(int maxSymbols, int fastBits)
    : fastBits_(fastBits), fast_(size_t{1} << fastBits, kInvalid), sorted_(maxSymbols) {}

bool HuffmanTable::Build(const uint8_t* lengths, int count) {
  count_.fill(0);
  for (int s = 0; s < count; ++s) {
    if (lengths[s] > kMaxCodeLength) return false;
    ++count_[lengths[s]];
  }
  count_[0] = 0;
  // Over-subscribed lengths cannot come from a real encoder.
  uint32_t space = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) space += uint32_t{count_[len]} << (kMaxCodeLength - len);
  if (space > (1u << kMaxCodeLength)) return false;

  uint32_t code = 0;
  uint16_t index = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + count_[len - 1]) << 1;
    firstCode_[len] = code;
    firstIndex_[len] = index;
    index += count_[len];
  }
  std::array<uint16_t, kMaxCodeLength + 1> next = firstIndex_;
  for (int s = 0; s < count; ++s) {
    if (lengths[s] != 0) sorted_[next[lengths[s]]++] = static_cast<uint16_t>(s);
  }

  std::fill(fast_.begin(), fast_.end(), kInvalid);
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    for (uint32_t i = 0; i < count_[len]; ++i) {
      const uint32_t value = firstCode_[len] + i;
      const uint16_t symbol = sorted_[firstIndex_[len] + i];
      if (len <= fastBits_) {
        const int spread = fastBits_ - len;
        const uint16_t entry = static_cast<uint16_t>((symbol << kLengthBits) | len);
        std::fill_n(fast_.begin() + (value << spread), size_t{1} << spread, entry);
      } else {
        fast_[value >> (len - fastBits_)] = kLongMarker;
      }
    }
  }
  return true;
}

void HuffmanTable::BuildSingle(uint16_t symbol) {
  std::fill(fast_.begin(), fast_.end(), static_cast<uint16_t>(symbol << kLengthBits));
}

uint16_t HuffmanTable::DecodeLong(uint32_t bits, int& length) const {
  for (int len = fastBits_ + 1; len <= kMaxCodeLength; ++len) {
    const uint32_t value = bits >> (kMaxCodeLength - len);
    const uint32_t offset = value - firstCode_[len];
    if (value >= firstCode_[len] && offset < count_[len]) {
      length = len;
      return sorted_[firstIndex_[len] + offset];
    }
  }
  length = 0;
  return kInvalid;
}

}  // namespace dm::lzh
