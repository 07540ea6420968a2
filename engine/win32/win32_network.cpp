#include "engine/win32/win32_network.h"

#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {
using NetMessageBufferSendFunction = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPBYTE, DWORD);
}  // namespace

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

uint32_t Win32NetworkAccess::AddConnection(const std::string& remote, const std::string& user,
                                           const std::string& password) {
  std::wstring remote_name = Utf8ToWide(remote);
  std::wstring user_name = Utf8ToWide(user);
  std::wstring pass = Utf8ToWide(password);
  wchar_t no_local_name[] = L"";
  NETRESOURCEW resource = {};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpLocalName = no_local_name;
  resource.lpRemoteName = remote_name.data();
  resource.lpProvider = nullptr;
  DWORD result = WNetAddConnection2W(&resource, pass.c_str(), user_name.c_str(), 0);
  SecureZeroMemory(pass.data(), pass.size() * sizeof(wchar_t));
  return result;
}

uint32_t Win32NetworkAccess::CancelConnection(const std::string& remote) {
  return WNetCancelConnection2W(Utf8ToWide(remote).c_str(), 0, FALSE);
}

uint32_t Win32NetworkAccess::VolumeLabel(const std::string& root, std::string& label) {
  std::vector<wchar_t> buffer(4096);
  // A drive without media must fail here, not ask the user to insert one.
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = GetVolumeInformationW(Utf8ToWide(root).c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                  nullptr, nullptr, nullptr, nullptr, 0);
  DWORD error = ok ? 0 : GetLastError();
  SetErrorMode(previous);
  if (!ok) return error ? error : ERROR_NOT_READY;
  label = WideToUtf8(buffer.data());
  return 0;
}

NotifyResult Win32NetworkAccess::SendNotice(const std::string& recipient, const std::string& message) {
  // Wine exports NetMessageBufferSend as a stub that ends the whole process
  // when called: there the message counts as not sent.
  if (RunningOnWine()) return NotifyResult::kFailed;
  ModuleHandle library(LoadLibraryExW(L"NETAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return NotifyResult::kNoLibrary;
  auto send = reinterpret_cast<NetMessageBufferSendFunction>(
      reinterpret_cast<void*>(GetProcAddress(library.Get(), "NetMessageBufferSend")));
  if (!send) return NotifyResult::kNoLibrary;
  std::wstring name = Utf8ToWide(recipient);
  std::wstring text = Utf8ToWide(message);
  DWORD result = send(nullptr, name.c_str(), nullptr, reinterpret_cast<LPBYTE>(text.data()),
                      static_cast<DWORD>(text.size() * sizeof(wchar_t)));
  return result == 0 ? NotifyResult::kSent : NotifyResult::kFailed;
}

}  // namespace dm
