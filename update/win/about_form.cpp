#include "update/win/about_form.h"

#include <shellapi.h>

#include "base/sjis.h"
#include "base/win/library_loading.h"
#include "base/win/wide.h"
#include "crypt/win/crypt_api.h"
#include "update/update_steps.h"
#include "update/win/archive_library.h"
#include "update/win/form.h"
#include "update/win/form_ids.h"

namespace dm {

namespace {

constexpr int kShellIconIndex = 72;
const char kNotFound[] = "not found.";

std::string ArchiveLibraryVersion() {
  ModuleHandle library(LoadProgramLibrary(lzh::kUnlhaLibraryName));
  if (!library) return kNotFound;
  auto get_version = LibraryFunction<lzh::UnlhaGetVersionFunction>(library.Get(), lzh::kUnlhaGetVersionName);
  return get_version ? LibraryVersionText(get_version()) : kNotFound;
}

std::string CryptLibraryVersion() {
  // Loading runs the library's own checks; a library that refuses to load
  // has said why itself.
  ModuleHandle library(LoadProgramLibrary(L"CRYPT.DLL"));
  if (!library) return kNotFound;
  auto get_version = LibraryFunction<crypt::CryptGetVersionFunction>(library.Get(), crypt::kCryptGetVersionName);
  if (!get_version) return kNotFound;
  char text[128] = {};  // the library writes at most 103 bytes and a terminator
  get_version(text);
  text[sizeof text - 1] = '\0';
  return SjisToUtf8(text);
}

class AboutForm : public Form {
 public:
  explicit AboutForm(const ProgramVersion& version) : version_(version) {}
  void Run(HWND owner) { ShowModal(owner, kAboutCaption, 383, 265); }

 private:
  bool FormCreate() override {
    const DpiLayout::FontId title_font = layout_.AddFont({.designHeight = 16, .weight = FW_BOLD});
    const DpiLayout::FontId link_font = layout_.AddFont({.underline = true});
    Add(L"STATIC", nullptr, SS_SUNKEN, 8, 8, 367, 212, AboutPanel1);
    HWND image = Add(L"STATIC", nullptr, SS_ICON | SS_NOTIFY, 22, 22, 32, 32, AboutImage1);
    layout_.SetIcon(image, 32, [](int size) {
      return static_cast<HICON>(
          LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    });

    HWND title = Add(L"STATIC", L"Drovenmark", SS_LEFT | SS_NOPREFIX, 70, 20, 290, 22, AboutLabel1);
    layout_.UseFont(title, title_font);
    Add(L"STATIC", L"Version 2.10", SS_LEFT | SS_NOPREFIX, 70, 48, 290, 16, AboutLabel2);
    Add(L"STATIC", L"Copyright (C) Quorvanta", SS_LEFT | SS_NOPREFIX, 70, 68, 290, 16, AboutLabel3);

    Add(L"STATIC", nullptr, SS_ICON, 70, 100, 16, 16, AboutImage2);
    Add(L"STATIC", L"CRYPT.DLL", SS_LEFT, 92, 100, 110, 16, AboutLabel8);
    Add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 206, 100, 150, 16, AboutLabel14);
    Add(L"STATIC", nullptr, SS_ICON, 70, 122, 16, 16, AboutImage3);
    Add(L"STATIC", L"UNLHA32.DLL", SS_LEFT, 92, 122, 110, 16, AboutLabel10);
    Add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 206, 122, 150, 16, AboutLabel13);

    Add(L"STATIC", L"URL:", SS_LEFT, 22, 160, 60, 16, AboutLabel4);
    HWND home = Add(L"STATIC", Utf8ToWide(kHomePageUrl).c_str(), SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 86, 160, 276,
                    16, AboutLabel5);
    Add(L"STATIC", L"E-Mail:", SS_LEFT, 22, 184, 60, 16, AboutLabel6);
    HWND mail = Add(L"STATIC", Utf8ToWide(kMailAddress).c_str(), SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 86, 184, 276,
                    16, AboutLabel7);
    for (HWND link : {home, mail}) layout_.UseFont(link, link_font);

    Add(L"STATIC", L"Build 410", SS_LEFT | SS_NOPREFIX, 12, 234, 200, 16, AboutLabel12);
    Add(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 295, 230, 80, 26, AboutOKBtn);
    FormShow();
    SetFocus(Item(AboutOKBtn));
    return false;
  }

  void FormShow() {
    // 1. The program's own version resource.
    if (version_.present) {
      SetText(AboutLabel1, version_.productName);
      SetText(AboutLabel2, "Version " + version_.productVersion);
      SetText(AboutLabel3, version_.legalCopyright);
      SetText(AboutLabel12, "Build " + std::to_string(version_.build));
    }
    // 2-3. The two libraries.
    SetText(AboutLabel10, "UNLHA32.DLL");
    SetText(AboutLabel13, ArchiveLibraryVersion());
    SetText(AboutLabel8, "CRYPT.DLL");
    SetText(AboutLabel14, CryptLibraryVersion());
    // 4. The shell's small icon beside both lines.
    for (int id : {AboutImage2, AboutImage3}) {
      layout_.SetIcon(Item(id), 16, [](int size) { return ShellIcon(kShellIconIndex, size); });
    }
  }

  void OnCommand(int id, int code) override {
    switch (id) {
      case AboutOKBtn:
      case IDCANCEL:
        EndDialog(dialog_, IDOK);
        break;
      case AboutLabel5:
      case AboutImage1:
        if (code == STN_CLICKED) Open(kHomePageUrl, L"WWWブラウザを起動できません．");
        break;
      case AboutLabel7:
        if (code == STN_CLICKED) Open(std::string("mailto:") + kMailAddress, L"メーラーを起動できません．");
        break;
      default:
        break;
    }
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) override {
    switch (message) {
      case WM_CLOSE:
        EndDialog(dialog_, IDOK);
        return true;
      case WM_CTLCOLORSTATIC: {
        // The links in the usual link colour.
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
        if (id != AboutLabel5 && id != AboutLabel7) return false;
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
      }
      case WM_SETCURSOR: {
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(wparam));
        if (id != AboutLabel5 && id != AboutLabel7 && id != AboutImage1) return false;
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
      }
      default:
        return false;
    }
  }

  void Open(const std::string& address, const wchar_t* failure) {
    HINSTANCE result = ShellExecuteW(dialog_, L"open", Utf8ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) MessageBoxW(dialog_, failure, L"Drovenmark", MB_OK | MB_ICONWARNING);
  }

  const ProgramVersion& version_;
};

}  // namespace

void ShowAbout(HWND owner, const ProgramVersion& version) {
  AboutForm form(version);
  form.Run(owner);
}

}  // namespace dm
