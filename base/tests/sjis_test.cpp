#include <gtest/gtest.h>

#include "base/sjis.h"

namespace dm {
namespace {

TEST(ShiftJis, RoundTripsJapaneseIncludingTrailByte5C) {
  std::string text = "ソ表能 新規コピー ｶﾀｶﾅ ①";
  std::string sjis = Utf8ToSjis(text);
  EXPECT_EQ(sjis.substr(0, 6), "\x83\x5c\x95\x5c\x94\x5c");
  EXPECT_EQ(SjisToUtf8(sjis), text);
  EXPECT_EQ(Utf8ToSjis("新規コピー").size(), 10u);
  EXPECT_EQ(Utf8ToSjis("手動バックアップ開始").size(), 20u);
}

TEST(ShiftJis, UnmappableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToSjis("a한b😀cé"), "a?b?c?");
  // A lead byte without its trail byte becomes a replacement character
  // (which one is the system's choice), never a crash or a lost "a".
  std::string broken = SjisToUtf8("a\x81");
  EXPECT_EQ(broken[0], 'a');
  EXPECT_GT(broken.size(), 1u);
}

}  // namespace
}  // namespace dm
