#include <gtest/gtest.h>

#include "base/pattern.h"

namespace dm {
namespace {

struct Case {
  const char* pattern;
  const char* name;
  int expected;
};

TEST(MatchPattern, Table) {
  const Case cases[] = {
      {"*.bak", "a.bak", 0},
      {"*.bak", "a.bak2", 1},
      {"*", "", 0},
      {"*", ".", 0},
      {"?", "", 1},
      {"?", "ソ", 0},                      // one multi-byte character is one character
      {"??", "ソ", 1},
      {"a?c", "a表c", 0},
      {"~*", "~$doc.docx", 0},
      {"*.tmp", "a.tmp", 0},
      {"hoge*.dat", "hoge.dat", 0},
      {"hoge*.dat", "hoge123.dat", 0},
      {"hoge*.dat", "xhoge.dat", 1},
      {"*\\temp", "c:\\data\\temp", 0},
      {"temp", "c:\\data\\temp", 1},
      {"c:\\backup*", "c:\\backup\\old", 0},
      {"*a*b", "xaxxb", 0},
      {"*a*b", "xaxx", 1},
      {"", "", 0},
      {"", "a", 1},
      {"abc", "ab", 1},
      {"*ソ", "ソソ", 0},
      {"Src=*", "Src=C:\\data", 0},
      {"Src=*", "src=C:\\data", 1},
      {"*\x95", "abc", -1},               // malformed pattern character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchPattern(c.pattern, c.name), c.expected) << c.pattern << " vs " << c.name;
  }
  EXPECT_EQ(MatchPattern("abc", "\x95\x5c"), -1);  // the name's first character is broken
  EXPECT_EQ(MatchPattern("*x", "ab\x95"), -1);
}

}  // namespace
}  // namespace dm
