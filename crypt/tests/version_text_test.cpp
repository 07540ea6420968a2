#include <gtest/gtest.h>

#include <limits>

#include "crypt/version_text.h"

namespace dm::crypt {
namespace {

TEST(BuildNumber, ReadsTheNumberAfterTheLastDot) {
  EXPECT_EQ(BuildNumberFromFileVersion("1.2.0.17"), 17);
  EXPECT_EQ(BuildNumberFromFileVersion(""), -1);
  EXPECT_EQ(BuildNumberFromFileVersion("42"), 42);
  EXPECT_EQ(BuildNumberFromFileVersion("3.0.0.250beta"), 250);
  EXPECT_EQ(BuildNumberFromFileVersion("1.0. -7"), -7);
  EXPECT_EQ(BuildNumberFromFileVersion("1.0."), 0);
  EXPECT_EQ(BuildNumberFromFileVersion("1.99999999999"), std::numeric_limits<int32_t>::max());
}

TEST(FallbackTranslations, CodePagesOuterLanguagesInner) {
  const std::vector<Translation> all = FallbackTranslations();
  ASSERT_EQ(all.size(), 12u * 45u);
  EXPECT_EQ(all[0], (Translation{0x0401, 0}));
  EXPECT_EQ(all[33], (Translation{0x0804, 0}));
  EXPECT_EQ(all[45], (Translation{0x0401, 932}));
  EXPECT_EQ(all.back(), (Translation{0x100C, 1256}));
}

}  // namespace
}  // namespace dm::crypt
