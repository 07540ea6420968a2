// TAbout, the about box: the program's name, version, legal notice and
// build from its version resource, the versions of CRYPT.DLL and
// UNLHA32.DLL ("not found." when missing), and links to the maker's home
// page and mail address.
#pragma once

#include <windows.h>

#include <string>

namespace dm {

// The program's own version resource, as the main window reads it.
struct ProgramVersion {
  bool present = false;  // without a resource the box keeps its designed texts
  std::string productName;
  std::string productVersion;
  std::string legalCopyright;
  int build = 0;
};

inline constexpr char kHomePageUrl[] = "https://www.quorvanta.example/drovenmark/";
inline constexpr char kMailAddress[] = "drovenmark@quorvanta.example";
inline constexpr wchar_t kAboutCaption[] = L"バージョン情報";

void ShowAbout(HWND owner, const ProgramVersion& version);

}  // namespace dm
