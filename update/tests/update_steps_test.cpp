#include "update/update_steps.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

TEST(UpdateSteps, ExtractionCommandEndsTheFolderWithOneDelimiter) {
  const char expected[] = "e \"C:\\dl\\drovenmk411.lzh\" \"C:\\dl\\\" *.*  -n -c -y";
  EXPECT_EQ(ExtractionCommand("C:\\dl\\drovenmk411.lzh", "C:\\dl"), expected);
  EXPECT_EQ(ExtractionCommand("C:\\dl\\drovenmk411.lzh", "C:\\dl\\"), expected);
}

TEST(UpdateSteps, ExtractionProgress) {
  ExtractionProgress half = ExtractionProgressOf(4096, 2048);
  EXPECT_EQ(half.position, 50);
  EXPECT_EQ(half.bytes, "2048byte / 4096 byte");
  // Large files: no overflow in the percentage.
  EXPECT_EQ(ExtractionProgressOf(4000000000u, 3000000000u).position, 75);
  ExtractionProgress none = ExtractionProgressOf(0, 10);
  EXPECT_EQ(none.position, 0);
  EXPECT_EQ(none.bytes, "");
}

TEST(UpdateSteps, UpdaterCommandLineSurvivesTheParser) {
  EXPECT_EQ(UpdaterCommandLine(132456, "C:\\Program Files\\Drovenmark"),
            "drovenmk.exe -update 132456 \"C:\\Program Files\\Drovenmark\"");
  // A folder ending in "\" must not escape the closing quote.
  EXPECT_EQ(UpdaterCommandLine(7, "C:\\Drovenmark\\"), "drovenmk.exe -update 7 \"C:\\Drovenmark\\\\\"");
  EXPECT_EQ(QuoteArgument("C:\\"), "\"C:\\\\\"");
  EXPECT_EQ(QuoteArgument("a\"b"), "\"a\\\"b\"");
  EXPECT_EQ(QuoteArgument("a\\\\b"), "\"a\\\\b\"");  // backslashes inside stay as they are
}

TEST(UpdateSteps, WhatTheUpdaterInstalls) {
  struct Case {
    const char* name;
    bool installed;
  };
  const Case cases[] = {
      {"drovenmk.exe", true}, {"CRYPT.DLL", true},     {"readme.txt", true},   {"新機能.txt", true},
      {"drovenmk411.lzh", false}, {"OLD.LZH", false}, {"version.txt", false}, {"VERSION.TXT", false},
      {".", false},           {"..", false},          {"name.", false},       {"", false},
      {"a:stream", false},    {"..\\x", false},       {"lzh", true},          {"version.txt.bak", true},
      {"drovenmk.exe.dmold", false}, {"drovenmk.exe.dmnew", false}, {"CRYPT.DLL.DMNEW", false},
      {"a.dmold.txt", true},  {"dmnew", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInstalledName(c.name), c.installed) << c.name;
}

TEST(UpdateSteps, MemoLines) {
  EXPECT_EQ(MemoLines("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(MemoLines("\n"), "\r\n");
  EXPECT_EQ(MemoLines("no break"), "no break");
}

TEST(UpdateSteps, LibraryVersionText) {
  EXPECT_EQ(LibraryVersionText(70), "0.70");
  EXPECT_EQ(LibraryVersionText(123), "1.23");
  EXPECT_EQ(LibraryVersionText(5), "0.05");
  EXPECT_EQ(LibraryVersionText(65535), "655.35");
}

}  // namespace
}  // namespace dm
