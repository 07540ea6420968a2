// Hand-built block streams: codes of 0 bits placed at every bit around the
// end of the decoder's 64 KB read pieces, and data that goes on past the
// size its header declares.
#include <gtest/gtest.h>

#include <random>

#include "unlha/decoder.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/tests/test_support.h"

namespace dm::lzh::testing {
namespace {

class CountingSink : public OutputSink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    if (bytes.size() < 1 << 20) bytes.append(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1 << 20));
    written += size;
    return true;
  }
  std::string bytes;  // the first megabyte
  uint64_t written = 0;
};

DecodeResult Decode(const std::string& packed, uint64_t originalSize, CountingSink& sink) {
  MemorySource source(packed);
  return DecodeData("-lh5-", source, packed.size(), originalSize, sink);
}

// The bit reader tops up its store byte by byte where a read piece ends and
// may fill all 64 bits; codes of 0 bits then ask for bits again before
// using any. Here such codes start at every bit from 24 bytes before the
// first piece's end to 8 bytes after it.
TEST(BlockStream, SilentCodesRightWhereAReadPieceEnds) {
  std::mt19937 random(3);
  std::string noise(66000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  constexpr size_t kHeaders = 43 + 43 + 52;  // the bit block, the byte block, the silent block
  for (size_t end = (65536 - 24) * 8; end <= (65536 + 8) * 8; ++end) {
    const size_t bitCodes = 8 + (end - kHeaders) % 8;
    const size_t byteCodes = (end - kHeaders - bitCodes) / 8;
    BlockWriter writer;
    std::string expected;
    for (size_t i = 0; i < bitCodes; ++i) expected += static_cast<char>(i % 3 == 0);
    writer.BitBlock(expected);
    writer.ByteBlock(noise.substr(0, byteCodes));
    expected += noise.substr(0, byteCodes);
    ASSERT_EQ(writer.Bits() + 52, end);
    writer.SilentBlock(300, 'z');
    expected += std::string(300, 'z');
    // Enough after them for the next piece to be read by words again.
    writer.ByteBlock(noise.substr(0, 100));
    expected += noise.substr(0, 100);
    CountingSink sink;
    const DecodeResult result = Decode(writer.Bytes(), expected.size(), sink);
    ASSERT_EQ(result.status, DecodeStatus::kOk) << "silent codes from bit " << end;
    ASSERT_TRUE(sink.bytes == expected) << "silent codes from bit " << end;
    ASSERT_EQ(result.crc, Crc16Of(expected));
  }
}

// A few bytes of blocks whose codes are 256-byte matches of 0 bits expand
// without limit; the header's size is where the decoder stops.
TEST(BlockStream, DataPastTheDeclaredSizeStopsThereAndFails) {
  BlockWriter bomb;
  bomb.ByteBlock("x");
  for (int i = 0; i < 16; ++i) bomb.SilentBlock(65535, 256 + 253);  // 16 x 16.7 MB
  ASSERT_LT(bomb.Bytes().size(), 150u);
  BlockWriter two;  // 1 + 2 x 300 x 256 bytes
  two.ByteBlock("x");
  two.SilentBlock(300, 256 + 253);
  two.SilentBlock(300, 256 + 253);
  const uint64_t whole = 1 + 600 * 256;

  struct Case {
    const char* what;
    const BlockWriter& stream;
    uint64_t declared;
    DecodeStatus status;
  };
  const Case cases[] = {
      {"the whole", two, whole, DecodeStatus::kOk},
      {"codes left in a block", bomb, 1 << 20, DecodeStatus::kTooLong},
      {"ends inside a match", two, whole - 100, DecodeStatus::kTooLong},
      // Packed bytes after a block that ends exactly there are passed over
      // unread, as trailing bytes of an archiver would be.
      {"ends at a block's end", two, 1 + 300 * 256, DecodeStatus::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CountingSink sink;
    const DecodeResult result = Decode(c.stream.Bytes(), c.declared, sink);
    EXPECT_EQ(result.status, c.status);
    EXPECT_LE(sink.written, c.declared);
    if (c.status == DecodeStatus::kOk) {
      EXPECT_EQ(sink.written, c.declared);
      EXPECT_EQ(result.crc, Crc16Of("x" + std::string(c.declared - 1, 'x')));
    }
  }
}

}  // namespace
}  // namespace dm::lzh::testing
