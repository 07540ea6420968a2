#include "engine/pattern_table.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

TEST(PatternTable, SplitsTrimsAndLowerCases) {
  PatternTable table;
  EXPECT_TRUE(table.Read(" *.BAK | *.obj|\n hoge*.dat ||\t"));
  EXPECT_EQ(table.Patterns(), (std::vector<std::string>{"*.bak", "*.obj", "hoge*.dat"}));
  EXPECT_TRUE(table.Matches("hoge1.dat"));
  EXPECT_FALSE(table.Matches("hoge1.da"));
  EXPECT_TRUE(table.Read(""));
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_FALSE(table.Matches(""));
}

TEST(PatternTable, KeepsThirtyAtMost) {
  PatternTable table;
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "p" + std::to_string(i) + "|";
  EXPECT_TRUE(table.Read(thirty));
  EXPECT_EQ(table.Count(), 30u);
  EXPECT_FALSE(table.Read(thirty + "extra|more"));
  EXPECT_EQ(table.Count(), 30u);
  EXPECT_FALSE(table.Matches("extra"));
}

}  // namespace
}  // namespace dm
