// The platform's HTTP functions from "wininet.dll" of the system folder,
// loaded when the update window starts its work and released after it.
// Its calls wait as long as the library lets them: WatchedInternet runs
// them where the window need not wait.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/win/handles.h"
#include "update/download.h"

namespace dm {

class WinInetLibrary : public InternetApi {
 public:
  // Nothing when the library cannot be loaded. Each function that is
  // missing is reported through `warn` ("Dll_InternetOpen=NULL"); the
  // operation that needs it then fails instead of calling it.
  static std::unique_ptr<WinInetLibrary> Load(const std::function<void(const std::string&)>& warn);

  uint32_t AttemptConnect() override;
  Handle Open(const std::string& agent, uint32_t accessType, const std::string& proxy) override;
  bool SetReceiveTimeout(Handle session, uint32_t milliseconds) override;
  Handle OpenUrl(Handle session, const std::string& url, const std::string& headers, uint32_t flags,
                 CallEnd& end) override;
  std::optional<int> StatusCode(Handle request) override;
  std::optional<HttpDate> LastModified(Handle request) override;
  std::optional<uint64_t> ContentLength(Handle request) override;
  bool Read(Handle request, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) override;
  void Close(Handle handle) override;

 private:
  using AttemptConnectFunction = DWORD(WINAPI*)(DWORD);
  using OpenFunction = void*(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
  using SetOptionFunction = BOOL(WINAPI*)(void*, DWORD, LPVOID, DWORD);
  using OpenUrlFunction = void*(WINAPI*)(void*, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
  using ReadFileFunction = BOOL(WINAPI*)(void*, LPVOID, DWORD, LPDWORD);
  using CloseHandleFunction = BOOL(WINAPI*)(void*);
  using QueryInfoFunction = BOOL(WINAPI*)(void*, DWORD, LPVOID, LPDWORD, LPDWORD);
  using ConnectedStateFunction = BOOL(WINAPI*)(LPDWORD, DWORD);

  explicit WinInetLibrary(ModuleHandle library) : library_(std::move(library)) {}
  bool QueryNumber(Handle request, DWORD info, DWORD& value);

  ModuleHandle library_;
  AttemptConnectFunction attemptConnect_ = nullptr;
  OpenFunction open_ = nullptr;
  SetOptionFunction setOption_ = nullptr;
  OpenUrlFunction openUrl_ = nullptr;
  ReadFileFunction readFile_ = nullptr;
  CloseHandleFunction closeHandle_ = nullptr;
  QueryInfoFunction queryInfo_ = nullptr;
  ConnectedStateFunction connectedState_ = nullptr;  // looked up with the others, never needed
};

}  // namespace dm
