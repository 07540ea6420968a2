#include <gtest/gtest.h>

#include "base/text.h"

namespace dm {
namespace {

TEST(ParseInteger, AcceptsSignedDecimalWithBlanksOnly) {
  EXPECT_EQ(ParseInteger("3"), 3);
  EXPECT_EQ(ParseInteger(" -12 "), -12);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483648LL);
  EXPECT_FALSE(ParseInteger(""));
  EXPECT_FALSE(ParseInteger("abc"));
  EXPECT_FALSE(ParseInteger("3s"));
  EXPECT_FALSE(ParseInteger("-"));
  EXPECT_FALSE(ParseInteger("2147483648"));
  EXPECT_FALSE(ParseInteger("99999999999999999999"));
}

TEST(TextToBool, NonZeroIntegerIsTrue) {
  EXPECT_TRUE(TextToBool("1"));
  EXPECT_TRUE(TextToBool("2"));
  EXPECT_TRUE(TextToBool("-1"));
  EXPECT_FALSE(TextToBool("0"));
  EXPECT_FALSE(TextToBool("abc"));
  EXPECT_FALSE(TextToBool(""));
}

TEST(AsciiLower, LeavesMultiByteCharactersAlone) {
  EXPECT_EQ(AsciiLower("A.TMP"), "a.tmp");
  EXPECT_EQ(AsciiLower("ＡソB"), "Ａソb");
}

TEST(Utf8, RejectsBrokenSequences) {
  EXPECT_TRUE(IsValidUtf8("表ソ能한국어😀"));
  EXPECT_FALSE(IsValidUtf8("\x95"));            // a Shift-JIS lead byte alone
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE8\xA1"));        // cut short
}

TEST(Trim, StripsBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t*.bak\r\n"), "*.bak");
  EXPECT_EQ(Trim("　x"), "　x");  // a full-width space is text, not a blank
}

}  // namespace
}  // namespace dm
