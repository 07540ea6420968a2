#include "app/win/help.h"

#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "base/win/handles.h"
#include "base/win/library_loading.h"
#include "base/win/wide.h"

namespace dm {

namespace {

// The HTML Help commands the program uses.
constexpr UINT kDisplayToc = 1;   // HH_DISPLAY_TOC
constexpr UINT kCloseAll = 18;    // HH_CLOSE_ALL

using HtmlHelpAFunction = HWND(WINAPI*)(HWND, const char*, UINT, DWORD_PTR);

ModuleHandle& HelpLibrary() {
  static ModuleHandle library;
  return library;
}

HtmlHelpAFunction HtmlHelpEntry() {
  FARPROC address = GetProcAddress(HelpLibrary().Get(), "HtmlHelpA");
  return reinterpret_cast<HtmlHelpAFunction>(reinterpret_cast<void (*)()>(address));
}

void Warn(const wchar_t* text) { MessageBoxW(nullptr, text, L"Drovenmark", MB_OK | MB_ICONWARNING); }

// The help file's full path in the ANSI code page, as HtmlHelpA takes it.
// A folder name the code page cannot hold is given in its short form.
std::string HelpFileAnsiPath() {
  std::wstring path = Utf8ToWide(ProgramFolder() + kHelpFileName);
  auto to_ansi = [](const std::wstring& wide, bool& lossy) {
    BOOL used_default = FALSE;
    int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, &used_default);
    std::string ansi(length > 0 ? length : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), length, nullptr, &used_default);
    ansi.resize(ansi.size() - 1);
    lossy = used_default != FALSE;
    return ansi;
  };
  bool lossy = false;
  std::string ansi = to_ansi(path, lossy);
  if (lossy) {
    wchar_t short_path[MAX_PATH] = {};
    if (GetShortPathNameW(path.c_str(), short_path, MAX_PATH) > 0) ansi = to_ansi(short_path, lossy);
  }
  return ansi;
}

}  // namespace

void ShowHelp(HWND application) {
  ModuleHandle& library = HelpLibrary();
  if (!library) library.Reset(LoadSystemLibrary(L"hhctrl.ocx"));
  if (!library) {
    Warn(L"hhctrl.ocx が見つかりません");
    return;
  }
  HtmlHelpAFunction html_help = HtmlHelpEntry();
  if (!html_help) {
    Warn(L"HtmlHelpシステムが利用できません");
    return;
  }
  // The full path: the program may have been started from any folder.
  html_help(application, HelpFileAnsiPath().c_str(), kDisplayToc, 0);
}

bool HelpLoaded() { return HelpLibrary().Valid(); }

void CloseAllHelp() {
  if (!HelpLoaded()) return;
  if (HtmlHelpAFunction html_help = HtmlHelpEntry()) html_help(nullptr, HelpFileAnsiPath().c_str(), kCloseAll, 0);
}

void UnloadHelp() { HelpLibrary().Reset(); }

void HomePageClick() {
  // Shell handlers of the address may be COM objects.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, nullptr, Utf8ToWide(kHomePageUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  if (result <= 32) Warn(L"WWWブラウザを起動できません．");
}

}  // namespace dm
