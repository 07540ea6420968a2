#include <gtest/gtest.h>

#include "base/datetime.h"

namespace dm {
namespace {

DateTimeParts At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return MakeDateTime(y, mo, d, h, mi, s); }

TEST(DateTime, DayCountsSinceTheEpoch) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(At(2000, 1, 1, 12)), 36526.5);
}

TEST(DateTime, DecodeRoundTripsAndKnowsTheWeekday) {
  for (double day : {0.0, 1.0, 36526.0, 39447.0, 73050.0}) {
    for (double fraction : {0.0, 0.25, 0.999988425925926 /* 23:59:59 */}) {
      DateTimeParts p = DecodeDateTime(day + fraction);
      EXPECT_NEAR(EncodeDateTime(p), day + fraction, 1e-8) << day << " " << fraction;
    }
  }
  DateTimeParts p = DecodeDateTime(EncodeDate(2007, 12, 31) + 0.375);
  EXPECT_EQ(p.year, 2007);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 9);
  EXPECT_EQ(p.dayOfWeek, 1);  // a Monday
  EXPECT_EQ(DecodeDateTime(EncodeDate(2026, 12, 6)).dayOfWeek, 0);  // a Sunday
  EXPECT_EQ(DecodeDateTime(EncodeDate(2024, 2, 29)).day, 29);
  EXPECT_EQ(MakeDateTime(2026, 12, 6).dayOfWeek, 0);
}

TEST(DateTime, TextForms) {
  EXPECT_EQ(FormatShortDate(At(2000, 1, 1)), "2000/01/01");
  EXPECT_EQ(FormatDateTime(At(2007, 12, 31, 9, 0, 5)), "2007/12/31 9:00:05");
  EXPECT_EQ(FormatDateTime(At(2007, 12, 31)), "2007/12/31");
}

TEST(DateTime, ParseShortDate) {
  EXPECT_EQ(ParseShortDate("2000/01/01"), EncodeDate(2000, 1, 1));
  EXPECT_EQ(ParseShortDate(" 2007/6/1 "), EncodeDate(2007, 6, 1));
  EXPECT_EQ(ParseShortDate("2007-06-01"), EncodeDate(2007, 6, 1));
  EXPECT_EQ(ParseShortDate("07/06/01"), EncodeDate(2007, 6, 1));
  EXPECT_FALSE(ParseShortDate("2007/02/30"));
  EXPECT_FALSE(ParseShortDate("2007/06"));
  EXPECT_FALSE(ParseShortDate("2007/06/01x"));
  EXPECT_FALSE(ParseShortDate("abc"));
  EXPECT_FALSE(ParseShortDate(""));
}

TEST(DateTime, PackedDosForm) {
  EXPECT_EQ(ToDosDateTime(At(1980, 1, 1)), 0x00210000u);
  // 2007-06-01 00:00:02: seconds are stored halved.
  EXPECT_EQ(ToDosDateTime(At(2007, 6, 1, 0, 0, 2)), ((27u << 9 | 6 << 5 | 1) << 16) | 1);
  EXPECT_EQ(ToDosDateTime(At(2007, 6, 1, 0, 0, 3)), ToDosDateTime(At(2007, 6, 1, 0, 0, 2)));
  EXPECT_EQ(ToDosDateTime(At(1979, 12, 31, 23, 59, 58)), 0u);
  EXPECT_EQ(ToDosDateTime(At(2100, 1, 1)), 0u);
  EXPECT_NE(ToDosDateTime(At(2099, 12, 31)), 0u);
}

}  // namespace
}  // namespace dm
