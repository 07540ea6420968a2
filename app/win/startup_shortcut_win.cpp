#include "app/win/startup_shortcut_win.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "app/shell/startup_shortcut.h"
#include "base/win/com.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

void Say(const wchar_t* text) { MessageBoxW(nullptr, text, L"Drovenmark", MB_OK); }

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return WideToUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::string StartupShortcutFile() {
  wchar_t folder[MAX_PATH] = {};
  // Created when missing: a fresh profile may not have one yet.
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  return StartupShortcutPath(WideToUtf8(folder));
}

bool CreateStartupShortcut(int optionStartupMin) {
  const std::string file = StartupShortcutFile();
  if (file.empty()) return false;
  const ShortcutContents contents = StartupShortcutContents(ProgramPath(), optionStartupMin);

  ComApartment com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Put()))) {
    return false;
  }
  ComPtr<IPersistFile> persist = link.As<IPersistFile>(IID_IPersistFile);
  if (!persist) return false;

  // A failed step is reported and the others still go on: a shortcut that
  // starts the program is worth more than none.
  if (FAILED(link->SetArguments(Utf8ToWide(contents.arguments).c_str()))) Say(L"SetArguments failed!");
  if (FAILED(link->SetPath(Utf8ToWide(contents.target).c_str()))) Say(L"SetPath failed!");
  if (FAILED(link->SetDescription(Utf8ToWide(contents.description).c_str()))) Say(L"SetDescription failed!");
  link->SetIconLocation(Utf8ToWide(contents.iconPath).c_str(), contents.iconIndex);
  link->SetWorkingDirectory(Utf8ToWide(contents.workingDirectory).c_str());

  if (FAILED(persist->Save(Utf8ToWide(file).c_str(), TRUE))) {
    Say(L"Save failed!");
    return false;
  }
  return true;
}

bool DeleteStartupShortcut() {
  const std::string file = StartupShortcutFile();
  return !file.empty() && DeleteFileW(Utf8ToWide(file).c_str()) != FALSE;
}

bool StartupShortcutExists() {
  const std::string file = StartupShortcutFile();
  if (file.empty()) return false;
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(Utf8ToWide(file).c_str(), &found));
  return search.Valid();
}

}  // namespace dm
