// Writes the benchmark's LZH archive without any outside archiver: about
// 50 MB of generated files (text, log lines, binary records, noise), the
// compressible ones packed as -lh7- (64 KB dictionary, static Huffman
// blocks) with level-2 headers, the noise stored as -lh0- as archivers do
// when packing does not pay.
//   lzh_bench_archive OUT.lzh [MEGABYTES]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "unlha/tests/archive_builder.h"

namespace {

constexpr int kDictionaryBits = 16;
constexpr size_t kDictionary = size_t{1} << kDictionaryBits;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kLiteralSymbols = 510;
constexpr int kLengthSymbols = 19;
constexpr int kPositionSymbols = kDictionaryBits + 1;
constexpr int kPositionCountBits = 5;
constexpr int kMaxCodeLength = 16;
constexpr size_t kBlockCodes = 16384;

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      current_ = static_cast<uint8_t>((current_ << 1) | ((value >> i) & 1));
      if (++count_ == 8) {
        out.push_back(static_cast<char>(current_));
        count_ = 0;
        current_ = 0;
      }
    }
  }
  void Flush() {
    if (count_ > 0) Put(0, 8 - count_);
  }
  std::string out;

 private:
  uint8_t current_ = 0;
  int count_ = 0;
};

// Code lengths (at most 16 bits) from symbol counts: Huffman's merge, with
// the counts halved until the longest code fits.
std::vector<uint8_t> CodeLengths(std::vector<uint32_t> counts) {
  const int n = static_cast<int>(counts.size());
  std::vector<uint8_t> lengths(n, 0);
  for (;;) {
    using Node = std::pair<uint64_t, int>;
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    std::vector<int> parent(2 * n, -1);
    int next = n;
    for (int s = 0; s < n; ++s) {
      if (counts[s] > 0) queue.push({counts[s], s});
    }
    if (queue.size() < 2) return lengths;  // zero or one symbol: written as a single code
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    int longest = 0;
    for (int s = 0; s < n; ++s) {
      if (counts[s] == 0) continue;
      int depth = 0;
      for (int node = s; parent[node] != -1; node = parent[node]) ++depth;
      lengths[s] = static_cast<uint8_t>(depth);
      longest = std::max(longest, depth);
    }
    if (longest <= kMaxCodeLength) return lengths;
    for (uint32_t& c : counts) {
      if (c > 0) c = std::max<uint32_t>(1, c / 2);
    }
  }
}

// Canonical codes: shorter first, then by symbol.
std::vector<uint32_t> CodesOf(const std::vector<uint8_t>& lengths) {
  std::vector<uint32_t> codes(lengths.size(), 0);
  uint32_t code = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    for (size_t s = 0; s < lengths.size(); ++s) {
      if (lengths[s] == len) codes[s] = code++;
    }
    code <<= 1;
  }
  return codes;
}

struct Code {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;
  int single = -1;  // the only symbol used, when there is just one
  void Put(BitWriter& out, int symbol) const {
    if (single < 0) out.Put(codes[symbol], lengths[symbol]);
  }
};

Code MakeCode(const std::vector<uint32_t>& counts) {
  Code code;
  code.lengths = CodeLengths(counts);
  code.codes = CodesOf(code.lengths);
  int used = 0;
  for (size_t s = 0; s < counts.size(); ++s) {
    if (counts[s] > 0) {
      ++used;
      code.single = static_cast<int>(s);
    }
  }
  if (used > 1) code.single = -1;
  if (used == 0) code.single = 0;
  return code;
}

// A small code's lengths: 3 bits, or 7 followed by one 1 bit per step
// above 7 and a 0; after `zeroRunAfter` lengths, 2 bits of zero run.
void PutSmallCode(BitWriter& out, const Code& code, int countBits, int zeroRunAfter) {
  if (code.single >= 0) {
    out.Put(0, countBits);
    out.Put(code.single, countBits);
    return;
  }
  int count = static_cast<int>(code.lengths.size());
  while (count > 0 && code.lengths[count - 1] == 0) --count;
  out.Put(count, countBits);
  for (int i = 0; i < count;) {
    const int length = code.lengths[i++];
    if (length < 7) {
      out.Put(length, 3);
    } else {
      out.Put(7, 3);
      for (int k = 7; k < length; ++k) out.Put(1, 1);
      out.Put(0, 1);
    }
    if (i == zeroRunAfter) {
      int zeros = 0;
      while (zeros < 3 && i + zeros < count && code.lengths[i + zeros] == 0) ++zeros;
      out.Put(zeros, 2);
      i += zeros;
    }
  }
}

struct Item {
  uint16_t symbol;    // literal, or 256 + length - 3
  uint16_t distance;  // distance - 1, for matches
};

int DistanceClass(uint32_t d) {  // d = distance - 1
  int bits = 0;
  while (d >> bits) ++bits;
  return bits;
}

// The literal code's lengths as symbols of the code-length code: 0 = one
// unused entry, 1 = 3..18 of them (4 bits), 2 = 20..531 (9 bits), n + 2 = length n.
struct LengthToken {
  int symbol, extra, extraBits;
};
std::vector<LengthToken> LiteralLengthTokens(const std::vector<uint8_t>& lengths, int count) {
  std::vector<LengthToken> tokens;
  for (int i = 0; i < count;) {
    if (lengths[i] != 0) {
      tokens.push_back({lengths[i] + 2, 0, 0});
      ++i;
      continue;
    }
    int run = 0;
    while (i + run < count && lengths[i + run] == 0) ++run;
    i += run;
    while (run > 0) {
      if (run <= 2) {
        tokens.push_back({0, 0, 0});
        --run;
      } else if (run <= 18) {
        tokens.push_back({1, run - 3, 4});
        run = 0;
      } else if (run == 19) {
        tokens.push_back({0, 0, 0});
        tokens.push_back({1, 15, 4});
        run = 0;
      } else {
        const int take = std::min(run, 531);
        tokens.push_back({2, take - 20, 9});
        run -= take;
      }
    }
  }
  return tokens;
}

void PutBlock(BitWriter& out, const std::vector<Item>& items) {
  std::vector<uint32_t> literalCounts(kLiteralSymbols, 0), positionCounts(kPositionSymbols, 0);
  for (const Item& item : items) {
    ++literalCounts[item.symbol];
    if (item.symbol >= 256) ++positionCounts[DistanceClass(item.distance)];
  }
  const Code literal = MakeCode(literalCounts);
  const Code position = MakeCode(positionCounts);
  out.Put(static_cast<uint32_t>(items.size()), 16);
  if (literal.single >= 0) {
    PutSmallCode(out, MakeCode(std::vector<uint32_t>(kLengthSymbols, 0)), 5, 3);
    out.Put(0, 9);
    out.Put(literal.single, 9);
  } else {
    int count = kLiteralSymbols;
    while (literal.lengths[count - 1] == 0) --count;
    const std::vector<LengthToken> tokens = LiteralLengthTokens(literal.lengths, count);
    std::vector<uint32_t> tokenCounts(kLengthSymbols, 0);
    for (const LengthToken& t : tokens) ++tokenCounts[t.symbol];
    const Code lengthCode = MakeCode(tokenCounts);
    PutSmallCode(out, lengthCode, 5, 3);
    out.Put(count, 9);
    for (const LengthToken& t : tokens) {
      lengthCode.Put(out, t.symbol);
      if (t.extraBits) out.Put(t.extra, t.extraBits);
    }
  }
  PutSmallCode(out, position, kPositionCountBits, -1);
  for (const Item& item : items) {
    literal.Put(out, item.symbol);
    if (item.symbol < 256) continue;
    const int cls = DistanceClass(item.distance);
    position.Put(out, cls);
    if (cls > 1) out.Put(item.distance - (1u << (cls - 1)), cls - 1);
  }
}

// Greedy LZ77 over a hash of three bytes, a short chain per position.
std::string PackLh7(const std::string& data) {
  constexpr int kHashBits = 16;
  constexpr int kChainDepth = 24;
  std::vector<int64_t> head(size_t{1} << kHashBits, -1);
  std::vector<int64_t> previous(kDictionary, -1);
  auto hashAt = [&](size_t i) {
    const uint32_t v = (uint8_t(data[i]) << 16) | (uint8_t(data[i + 1]) << 8) | uint8_t(data[i + 2]);
    return (v * 2654435761u) >> (32 - kHashBits);
  };
  auto insert = [&](size_t i) {
    if (i + kMinMatch > data.size()) return;
    const uint32_t h = hashAt(i);
    previous[i & (kDictionary - 1)] = head[h];
    head[h] = static_cast<int64_t>(i);
  };
  BitWriter out;
  std::vector<Item> items;
  size_t i = 0;
  while (i < data.size()) {
    size_t bestLength = 0, bestDistance = 0;
    if (i + kMinMatch <= data.size()) {
      int64_t candidate = head[hashAt(i)];
      const size_t limit = std::min<size_t>(kMaxMatch, data.size() - i);
      for (int depth = 0; depth < kChainDepth && candidate >= 0; ++depth) {
        const size_t distance = i - static_cast<size_t>(candidate);
        if (distance > kDictionary) break;
        size_t length = 0;
        while (length < limit && data[candidate + length] == data[i + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = distance;
          if (length == limit) break;
        }
        candidate = previous[candidate & (kDictionary - 1)];
      }
    }
    if (bestLength >= kMinMatch) {
      items.push_back({static_cast<uint16_t>(256 + bestLength - kMinMatch), static_cast<uint16_t>(bestDistance - 1)});
      for (size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      items.push_back({static_cast<uint8_t>(data[i]), 0});
      insert(i);
      ++i;
    }
    if (items.size() == kBlockCodes) {
      PutBlock(out, items);
      items.clear();
    }
  }
  if (!items.empty()) PutBlock(out, items);
  out.Flush();
  return out.out;
}

std::string Words(std::mt19937& random, size_t size) {
  std::vector<std::string> vocabulary;
  for (int i = 0; i < 2000; ++i) {
    std::string word;
    for (int k = 0, n = 2 + random() % 9; k < n; ++k) word += static_cast<char>('a' + random() % 26);
    vocabulary.push_back(word);
  }
  std::string out;
  while (out.size() < size) {
    out += vocabulary[random() % vocabulary.size()];
    out += random() % 12 == 0 ? "\r\n" : " ";
  }
  out.resize(size);
  return out;
}

std::string LogLines(std::mt19937& random, size_t size) {
  static const char* kinds[] = {"新規コピー", "上書きコピー", "削除", "エラー"};
  std::string out;
  char line[256];
  while (out.size() < size) {
    snprintf(line, sizeof line, " %u, %s, %02u:%02u:%02u, C:\\Users\\user%u\\Documents\\file%05u.dat\r\n",
             static_cast<unsigned>(random() % 10), kinds[random() % 4], static_cast<unsigned>(random() % 24),
             static_cast<unsigned>(random() % 60), static_cast<unsigned>(random() % 60),
             static_cast<unsigned>(random() % 8), static_cast<unsigned>(random() % 30000));
    out += line;
  }
  out.resize(size);
  return out;
}

std::string Records(std::mt19937& random, size_t size) {
  std::string out;
  uint32_t id = 0;
  while (out.size() < size) {
    const uint32_t fields[4] = {id++, static_cast<uint32_t>(random() % 1000), static_cast<uint32_t>(0x20200101u + random() % 366),
                                static_cast<uint32_t>(random() & 0xFF)};
    out.append(reinterpret_cast<const char*>(fields), sizeof fields);
  }
  out.resize(size);
  return out;
}

std::string Noise(std::mt19937& random, size_t size) {
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lzh_bench_archive OUT.lzh [MEGABYTES]\n");
    return 2;
  }
  const size_t total = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 50) << 20;
  std::mt19937 random(2026);
  struct File {
    const char* name;
    std::string (*make)(std::mt19937&, size_t);
    double share;
    bool pack;
  };
  const File files[] = {
      {"text.txt", Words, 0.4, true},
      {"backup.log", LogLines, 0.2, true},
      {"records.dat", Records, 0.2, true},
      {"noise.bin", Noise, 0.2, false},
  };
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  size_t originalTotal = 0, packedTotal = 0;
  for (const File& file : files) {
    const std::string data = file.make(random, static_cast<size_t>(total * file.share));
    dm::lzh::testing::BuiltEntry entry;  // stored, with a level-2 header
    entry.name = file.name;
    entry.originalSize = data.size();
    entry.crc = dm::lzh::testing::Crc16Of(data);
    if (file.pack) entry.packed = PackLh7(data);
    if (file.pack && entry.packed.size() < data.size()) entry.method = "-lh7-";
    else entry.packed = data;
    const std::string header = dm::lzh::testing::BuildHeader(entry);
    std::fwrite(header.data(), 1, header.size(), out);
    std::fwrite(entry.packed.data(), 1, entry.packed.size(), out);
    originalTotal += data.size();
    packedTotal += entry.packed.size();
  }
  std::fputc(0, out);
  std::fclose(out);
  std::printf("archive %s: %zu bytes of files packed into %zu\n", argv[1], originalTotal, packedTotal);
  return 0;
}
