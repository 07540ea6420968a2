#include "crypt/version_text.h"

#include <algorithm>
#include <limits>

namespace dm::crypt {
namespace {

constexpr uint16_t kCodePages[] = {0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256};

constexpr uint16_t kLanguagesAfterPrimaryRange[] = {0x0804, 0x0807, 0x0809, 0x080A, 0x080C, 0x0810,
                                                    0x0813, 0x0814, 0x0816, 0x081A, 0x0C0C, 0x100C};
constexpr uint16_t kFirstPrimaryLanguage = 0x0401;
constexpr uint16_t kLastPrimaryLanguage = 0x0421;

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int32_t BuildNumberFromFileVersion(std::string_view fileVersion) {
  if (fileVersion.empty()) return -1;
  std::string_view text = fileVersion;
  if (const size_t dot = text.rfind('.'); dot != std::string_view::npos) text.remove_prefix(dot + 1);

  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = std::min(value * 10 + (text[pos] - '0'), kLimit);  // saturate instead of overflowing
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(std::min(value, kLimit - 1));
}

std::vector<Translation> FallbackTranslations() {
  std::vector<uint16_t> languages;
  for (uint16_t language = kFirstPrimaryLanguage; language <= kLastPrimaryLanguage; ++language) languages.push_back(language);
  languages.insert(languages.end(), std::begin(kLanguagesAfterPrimaryRange), std::end(kLanguagesAfterPrimaryRange));

  std::vector<Translation> translations;
  translations.reserve(std::size(kCodePages) * languages.size());
  for (uint16_t codePage : kCodePages) {
    for (uint16_t language : languages) translations.push_back({language, codePage});
  }
  return translations;
}

}  // namespace dm::crypt
