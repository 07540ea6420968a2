#include "unlha/entry_name.h"

#include <array>

#include "base/sjis.h"
#include "base/text.h"

namespace dm::lzh {
namespace {

constexpr unsigned char kStoredSeparator = 0xFF;
constexpr size_t kMaxNameUnits = 255;

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsSjisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
bool IsSeparator(unsigned char c) { return c == kStoredSeparator || c == '\\' || c == '/'; }

bool IsValidSjisPath(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80 || c == kStoredSeparator || (c >= 0xA1 && c <= 0xDF)) continue;
    if (!IsSjisLead(c) || i + 1 >= text.size() || !IsSjisTrail(static_cast<unsigned char>(text[i + 1]))) {
      return false;
    }
    ++i;
  }
  return true;
}

bool IsValidUtf8Path(std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || static_cast<unsigned char>(text[i]) == kStoredSeparator) {
      if (!IsValidUtf8(text.substr(start, i - start))) return false;
      start = i + 1;
    }
  }
  return true;
}

// UTF-16 units of a UTF-8 text: characters beyond the basic plane take two.
size_t Utf16Units(std::string_view utf8) {
  size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;
  }
  return units;
}

bool IsDeviceName(std::string_view name) {
  // The part before the first dot, without trailing blanks, decides.
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  stem = AsciiLower(stem);
  static constexpr std::array<std::string_view, 7> kNames = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
  for (std::string_view device : kNames) {
    if (stem == device) return true;
  }
  if (stem.size() < 4 || (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0)) return false;
  const std::string_view digit = std::string_view(stem).substr(3);
  // COM1 to COM9 and the superscript forms Windows also treats as devices.
  return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
         digit == "\xC2\xB3";
}

std::string Printable(std::string_view text) {
  std::string out;
  for (char c : text) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return out;
}

bool IsDriveComponent(std::string_view component) {
  return component.size() >= 2 && component[1] == ':' &&
         ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

}  // namespace

std::vector<std::string> SplitStoredPath(std::string_view stored) {
  const bool sjis = IsValidSjisPath(stored) || !IsValidUtf8Path(stored);
  std::vector<std::string> components;
  std::string raw;
  auto finish = [&] {
    components.push_back(sjis ? SjisToUtf8(raw) : raw);
    raw.clear();
  };
  for (size_t i = 0; i < stored.size(); ++i) {
    const auto c = static_cast<unsigned char>(stored[i]);
    if (IsSeparator(c)) {
      finish();
    } else if (sjis && IsSjisLead(c) && i + 1 < stored.size() && stored[i + 1] != '\xFF') {
      raw += stored.substr(i, 2);
      ++i;
    } else {
      raw += stored[i];
    }
  }
  finish();
  return components;
}

std::string NameProblem(std::string_view name) {
  if (name.empty()) return "名前がありません";
  if (name == "." || name == "..") return "名前「" + std::string(name) + "」はフォルダーを指します";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "名前に制御文字が含まれています";
  }
  if (name.find(':') != std::string_view::npos) return "名前に「:」が含まれています（ドライブ名または代替データストリーム）";
  if (name.find_first_of("<>\"|?*") != std::string_view::npos) return "名前に Windows で使えない文字が含まれています";
  if (name.back() == '.' || name.back() == ' ') return "名前が「.」か空白で終わっています";
  if (IsDeviceName(name)) return "名前がデバイス名です";
  if (Utf16Units(name) > kMaxNameUnits) return "名前が長すぎます";
  return {};
}

TargetName FlatTargetName(const EntryHeader& entry) {
  const std::vector<std::string> components = SplitStoredPath(StoredPath(entry));
  TargetName target;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) target.shownPath += '\\';
    target.shownPath += Printable(components[i]);
  }
  const size_t folderParts = components.size() - 1;
  for (size_t i = 0; i < folderParts; ++i) {
    const std::string& part = components[i];
    const bool rooted = i == 0 && part.empty() && folderParts > 0;
    if (rooted || part == ".." || (i == 0 && IsDriveComponent(part))) target.folderDropped = true;
  }
  target.fileName = components.back();
  target.refusal = NameProblem(target.fileName);
  target.usable = target.refusal.empty();
  return target;
}

}  // namespace dm::lzh
