#include "base/win/library_loading.h"

#include <string>

#include "base/win/wide.h"

namespace dm {

namespace {

// Systems without the search flags (Windows 7 before KB2533623) refuse
// them with ERROR_INVALID_PARAMETER; a full path serves there.
HMODULE LoadFullPath(const std::wstring& path, DWORD flags) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, flags);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryExW(path.c_str(), nullptr, 0);
  return module;
}

}  // namespace

bool RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default && set_default(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  SetDllDirectoryW(L"");
  return false;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryExW((std::wstring(folder, length) + L"\\" + name).c_str(), nullptr, 0);
}

HMODULE LoadProgramLibrary(const wchar_t* name) {
  std::string folder = ProgramFolder();
  if (folder.empty()) return nullptr;
  // Its own imports come from its folder and the system folder.
  return LoadFullPath(Utf8ToWide(folder) + name, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace dm
