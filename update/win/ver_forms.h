// The two small windows of the update check: TVerSureForm asks whether a
// newer build is to be downloaded, TVerContForm shows the text with its
// details.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dm {

struct VerSureRequest {
  std::string label;  // Label1: "最新版 Version... が登録されています"
  // Button3 "詳細情報を表示(&I)"; without it the button is disabled (the
  // version file named no details).
  std::function<void(HWND dialog)> showDetails;
};

// True when the user answered "はい(&Y)".
bool ShowVerSureForm(HWND owner, const VerSureRequest& request);

// The details text in a read-only memo with an OK button.
void ShowVerContForm(HWND owner, const std::string& text);

inline constexpr wchar_t kVerContCaption[] = L"詳細情報";

}  // namespace dm
