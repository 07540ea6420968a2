#include "base/win/shell_browse.h"

#include <shlobj.h>

#include <memory>

#include "base/win/com.h"

namespace dm {

namespace {

struct PidlFree {
  void operator()(ITEMIDLIST* pidl) const { CoTaskMemFree(pidl); }
};
using Pidl = std::unique_ptr<ITEMIDLIST, PidlFree>;

int CALLBACK FolderCallback(HWND browser, UINT message, LPARAM param, LPARAM data) {
  const auto* start = reinterpret_cast<const std::wstring*>(data);
  if (message == BFFM_INITIALIZED && !start->empty()) {
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start->c_str()));
  } else if (message == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = {};
    bool file_system = param && SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path);
    SendMessageW(browser, BFFM_ENABLEOK, 0, file_system ? TRUE : FALSE);
    SendMessageW(browser, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(file_system ? path : L""));
  }
  return 0;
}

}  // namespace

std::optional<std::wstring> BrowseForFolder(HWND owner, const wchar_t* title, const std::wstring& start) {
  ComApartment com;
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = FolderCallback;
  info.lParam = reinterpret_cast<LPARAM>(&start);
  Pidl chosen(SHBrowseForFolderW(&info));
  wchar_t path[MAX_PATH] = {};
  if (!chosen || !SHGetPathFromIDListW(chosen.get(), path)) return std::nullopt;
  return std::wstring(path);
}

std::optional<std::wstring> BrowseForComputer(HWND owner, const wchar_t* title) {
  ComApartment com;
  ITEMIDLIST* raw_root = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_NETWORK, &raw_root))) raw_root = nullptr;
  Pidl root(raw_root);
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root.get();
  info.pszDisplayName = name;
  info.lpszTitle = title;
  info.ulFlags = BIF_BROWSEFORCOMPUTER;
  Pidl chosen(SHBrowseForFolderW(&info));
  if (!chosen) return std::nullopt;
  return std::wstring(name);
}

}  // namespace dm
