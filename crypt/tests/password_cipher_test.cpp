#include <gtest/gtest.h>

#include <random>
#include <string>

#include "crypt/password_cipher.h"

namespace dm::crypt {
namespace {

constexpr char kSerial[] = "1234567890";

// Texts that installations have stored through the platform provider.
TEST(PasswordCipher, KnownAnswersBothWays) {
  const char* const cases[][3] = {{kSerial, "", "VXND5HJcq=8="},
                                  {kSerial, "secret", "hrqlxbW0d3k="},
                                  {kSerial, "passw0rd", "ODobnx2pTt9KeeKeODV7iQ=="},
                                  {"2882400001", "abcdefghijklmnop", "GtFiI7Xe5saDmzVujHnXHpx/nGwhi83D"}};
  for (const auto& [passPhrase, plaintext, text] : cases) {
    EXPECT_EQ(EncryptToText(plaintext, passPhrase), text);
    EXPECT_EQ(DecryptFromText(text, passPhrase), plaintext);
  }
}

TEST(PasswordCipher, TextGrowsByWholeBlocks) {
  for (auto [plainLength, textLength] : {std::pair{0, 12}, {7, 12}, {8, 24}, {16, 32}, {23, 32}, {24, 44}}) {
    EXPECT_EQ(TextFormLength(plainLength), textLength);
    EXPECT_EQ(EncryptToText(std::string(plainLength, 'x'), "1")->size(), textLength) << plainLength;
  }
}

TEST(PasswordCipher, RandomRoundTripsAreRepeatableAndNeverWriteA) {
  std::mt19937 random(20240611);
  const auto randomText = [&](size_t maxLength) {
    std::string text(random() % (maxLength + 1), '\0');
    for (char& c : text) c = static_cast<char>(1 + random() % 255);
    return text;
  };
  for (int i = 0; i < 500; ++i) {
    const std::string passPhrase = randomText(40), plaintext = randomText(70);
    const std::string text = *EncryptToText(plaintext, passPhrase);
    ASSERT_EQ(text.find_first_not_of("BCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos) << text;
    ASSERT_EQ(EncryptToText(plaintext, passPhrase), text);  // no random IV or salt
    ASSERT_EQ(DecryptFromText(text, passPhrase), plaintext);
  }
}

TEST(PasswordCipher, DecodingEdgeCases) {
  EXPECT_EQ(DecryptFromText("", kSerial), "");
  EXPECT_EQ(DecryptFromText("hrq", kSerial), "");              // not even one group
  EXPECT_EQ(DecryptFromText("hrqlxbW0d3k/", kSerial), "secret");  // byte 9 is not deciphered
  EXPECT_EQ(DecryptFromText("hrqlxbW0d3kAxy", kSerial), "secret");
  EXPECT_EQ(DecryptFromText(*EncryptToText(std::string("ab\0cd", 5), kSerial), kSerial), "ab");
  EXPECT_NE(DecryptFromText("ODobnx2pTt9KeeKeODV7iQ==", "1234567891"), "passw0rd");  // still a result
}

TEST(PasswordCipher, RefusesInputsBeyondTheWorkingCopies) {
  EXPECT_TRUE(EncryptToText("x", std::string(1023, 'p')));
  EXPECT_FALSE(EncryptToText("x", std::string(1024, 'p')));
  EXPECT_FALSE(DecryptFromText("hrqlxbW0d3k=", std::string(1024, 'p')));
  EXPECT_EQ(EncryptToText(std::string(64063, 'x'), kSerial)->size(), 85420u);
  EXPECT_FALSE(EncryptToText(std::string(64064, 'x'), kSerial));
  EXPECT_FALSE(DecryptFromText(std::string(64064, '='), kSerial));

  // The longest text accepted (64,063 characters) carries 48,039 bytes.
  const std::string longest(48039, 'q');
  EXPECT_EQ(DecryptFromText(*EncryptToText(longest, kSerial), kSerial), longest);
  EXPECT_FALSE(DecryptFromText(*EncryptToText(longest + "q", kSerial), kSerial));
}

}  // namespace
}  // namespace dm::crypt
