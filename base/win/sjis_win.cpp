// Shift-JIS conversion for the Windows build: code page 932 through the
// system's own tables, whatever the machine's ANSI code page is.
#include "base/sjis.h"
#include "base/win/wide.h"

namespace dm {

namespace {
constexpr UINT kShiftJis = 932;
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty()) return {};
  // A character beyond the basic plane is one unmappable character, one "?",
  // not two.
  std::wstring single;
  single.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    single += pair ? L'?' : wide[i];
    if (pair) ++i;
  }
  // No best-fit mapping: an unmappable character must not turn into a
  // different real one (a file name with "é" must not come back as "e").
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  int length = WideCharToMultiByte(kShiftJis, flags, single.data(), static_cast<int>(single.size()), nullptr, 0,
                                   "?", nullptr);
  std::string out(length, '\0');
  WideCharToMultiByte(kShiftJis, flags, single.data(), static_cast<int>(single.size()), out.data(), length, "?",
                      nullptr);
  return out;
}

std::string SjisToUtf8(std::string_view sjis) {
  if (sjis.empty()) return {};
  int length = MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), wide.data(), length);
  return WideToUtf8(wide);
}

}  // namespace dm
