#include <gtest/gtest.h>

#include <vector>

#include "crypt/text_form.h"

namespace dm::crypt {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(TextForm, ZeroIsWrittenAsEqualsSignAndShortGroupsAreZeroFilled) {
  EXPECT_EQ(EncodeTextForm(Bytes{0x00, 0x10, 0x83}), "=BCD");  // base64 would say "ABCD"
  EXPECT_EQ(EncodeTextForm(Bytes{0xff}), "/w==");
  EXPECT_EQ(EncodeTextForm(Bytes{0xff, 0xff}), "//8=");
  EXPECT_EQ(EncodeTextForm(Bytes{}), "");
}

TEST(TextForm, DecodesWholeGroupsOnly) {
  EXPECT_EQ(DecodeTextForm("=BCD"), (Bytes{0x00, 0x10, 0x83}));
  EXPECT_EQ(DecodeTextForm("ABCD"), (Bytes{0x00, 0x10, 0x83}));    // "A" is 0 too
  EXPECT_EQ(DecodeTextForm("=BCD//"), (Bytes{0x00, 0x10, 0x83}));  // a partial group is ignored
  EXPECT_EQ(DecodeTextForm("=BC*"), (Bytes{0x00, 0x10, 0x80}));    // outside the alphabet: 0
  EXPECT_EQ(DecodeTextForm("/w=="), (Bytes{0xff, 0, 0}));
}

// Whatever a block ends in, the text gives it back (plus the fill bytes).
TEST(TextForm, EveryByteValueSurvivesInEveryPosition) {
  for (int value = 0; value < 256; ++value) {
    for (size_t position = 0; position < 8; ++position) {
      Bytes block(8, 0);
      block[position] = static_cast<uint8_t>(value);
      Bytes decoded = DecodeTextForm(EncodeTextForm(block));
      ASSERT_EQ(decoded.size(), 9u);
      decoded.resize(8);
      ASSERT_EQ(decoded, block) << value << " at " << position;
    }
  }
}

}  // namespace
}  // namespace dm::crypt
