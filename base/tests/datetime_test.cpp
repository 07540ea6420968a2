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
  EXPECT_FALSE(ParseShortDate("2005/03/04 10:00:00"));
}

TEST(DateTime, ParseDateTimeTextTakesAnOptionalTime) {
  const double march4 = EncodeDate(2005, 3, 4);
  struct Case {
    const char* text;
    std::optional<double> expected;
  } cases[] = {
      {"2005/03/04", march4},
      {"2005/03/04 10:00:00", march4 + 10.0 / 24},
      {" 2005/3/4  9:05 ", march4 + (9 * 60 + 5) / 1440.0},
      {"2005/03/04 23:59:59", march4 + 86399 / 86400.0},
      {"2005/03/04 0:00", march4},
      {"05-03-04 10:00:00", march4 + 10.0 / 24},
      {"2005/03/04 24:00:00", std::nullopt},
      {"2005/03/04 10:60", std::nullopt},
      {"2005/03/04 10", std::nullopt},
      {"2005/03/04 10:00:00:00", std::nullopt},
      {"2005/03/04 10:00x", std::nullopt},
      {"2005/03/04 100:00", std::nullopt},
      {"2005/02/30 10:00", std::nullopt},
      {"10:00:00", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<double> parsed = ParseDateTimeText(c.text);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.text;
    if (parsed) {
      EXPECT_NEAR(*parsed, *c.expected, 1e-9) << c.text;
    }
  }
  // What the system's date-time form writes reads back.
  DateTimeParts at = At(2007, 12, 31, 9, 0, 5);
  EXPECT_NEAR(*ParseDateTimeText(FormatDateTime(at)), EncodeDateTime(at), 1e-9);
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
