#include <gtest/gtest.h>

#include "base/paths.h"

namespace dm {
namespace {

TEST(JoinPath, AddsOneDelimiter) {
  EXPECT_EQ(JoinPath("D:\\backup", "20071231"), "D:\\backup\\20071231");
  EXPECT_EQ(JoinPath("D:\\backup\\", "20071231"), "D:\\backup\\20071231");
  EXPECT_EQ(JoinPath("C:\\", "a.txt"), "C:\\a.txt");
  // A name whose Shift-JIS form ends in 0x5C is no delimiter in UTF-8.
  EXPECT_EQ(JoinPath("C:\\ソ", "表"), "C:\\ソ\\表");
}

TEST(LongPathForm, PrefixesDrivesAndShares) {
  EXPECT_EQ(LongPathForm("C:\\data\\a.txt"), "\\\\?\\C:\\data\\a.txt");
  EXPECT_EQ(LongPathForm("\\\\server\\share\\data"), "\\\\?\\UNC\\server\\share\\data");
  EXPECT_EQ(LongPathForm("\\\\?\\C:\\x"), "\\\\?\\C:\\x");
  EXPECT_EQ(LongPathForm("C:/data/x"), "\\\\?\\C:\\data\\x");
  EXPECT_EQ(LongPathForm("relative\\x"), "relative\\x");
}

TEST(VolumeRoot, DriveAndShare) {
  EXPECT_EQ(VolumeRoot("C:\\data"), "C:\\");
  EXPECT_EQ(VolumeRoot("\\\\server\\share\\data"), "\\\\server\\share\\");
  EXPECT_EQ(VolumeRoot("\\\\server\\share"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace dm

namespace dm {
namespace {

TEST(NormalizedPath, TidiesWithoutTouchingNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\data\\", "C:\\data"},
      {"C:\\", "C:\\"},
      {"C:", "C:\\"},
      {"c:/data//sub/./x", "c:\\data\\sub\\x"},
      {"C:\\a\\..\\..\\b", "C:\\b"},  // never above the root
      {"\\\\?\\C:\\data\\", "C:\\data"},
      {"\\\\?\\UNC\\server\\share\\x", "\\\\server\\share\\x"},
      {"\\\\server\\share\\..\\..", "\\\\server\\share"},
      {"C:\\memo.\\draft ", "C:\\memo.\\draft "},  // trailing dots and blanks are names
      {"relative\\..\\x", "relative\\..\\x"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(NormalizedPath(path), expected) << path;
}

TEST(IsSameOrBelow, WholeNamesOnly) {
  EXPECT_TRUE(IsSameOrBelow("d:\\p\\data", "d:\\p"));
  EXPECT_TRUE(IsSameOrBelow("d:\\p", "d:\\p"));
  EXPECT_TRUE(IsSameOrBelow("d:\\p", "d:\\"));
  EXPECT_FALSE(IsSameOrBelow("d:\\p2", "d:\\p"));
  EXPECT_FALSE(IsSameOrBelow("d:\\p", "d:\\p\\data"));
  EXPECT_FALSE(IsSameOrBelow("d:\\p", ""));
}

}  // namespace
}  // namespace dm
