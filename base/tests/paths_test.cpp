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
