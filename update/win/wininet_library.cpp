#include "update/win/wininet_library.h"

#include "base/sjis.h"
#include "base/win/library_loading.h"

namespace dm {

namespace {

// WinInet's values, named as its header names them.
constexpr DWORD kOptionReceiveTimeout = 6;      // INTERNET_OPTION_RECEIVE_TIMEOUT
constexpr DWORD kQueryContentLength = 5;        // HTTP_QUERY_CONTENT_LENGTH
constexpr DWORD kQueryLastModified = 11;        // HTTP_QUERY_LAST_MODIFIED
constexpr DWORD kQueryStatusCode = 19;          // HTTP_QUERY_STATUS_CODE
constexpr DWORD kQueryFlagNumber = 0x20000000;  // HTTP_QUERY_FLAG_NUMBER
constexpr DWORD kQueryFlagSystemTime = 0x40000000;

template <typename Function>
void Bind(HMODULE library, const char* name, const char* warning, Function& function,
          const std::function<void(const std::string&)>& warn) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (!function && warn) warn(warning);
}

}  // namespace

std::unique_ptr<WinInetLibrary> WinInetLibrary::Load(const std::function<void(const std::string&)>& warn) {
  ModuleHandle library(LoadSystemLibrary(L"wininet.dll"));
  if (!library) return nullptr;
  HMODULE module = library.Get();
  std::unique_ptr<WinInetLibrary> wininet(new WinInetLibrary(std::move(library)));
  WinInetLibrary& w = *wininet;
  Bind(module, "InternetAttemptConnect", "Dll_InternetAttemptConnect=NULL", w.attemptConnect_, warn);
  Bind(module, "InternetOpenA", "Dll_InternetOpen=NULL", w.open_, warn);
  Bind(module, "InternetSetOptionA", "Dll_InternetSetOption=NULL", w.setOption_, warn);
  Bind(module, "InternetOpenUrlA", "Dll_InternetOpenUrl=NULL", w.openUrl_, warn);
  Bind(module, "InternetReadFile", "Dll_InternetReadFile=NULL", w.readFile_, warn);
  Bind(module, "InternetCloseHandle", "Dll_InternetCloseHandle=NULL", w.closeHandle_, warn);
  Bind(module, "HttpQueryInfoA", "Dll_HttpQueryInfo=NULL", w.queryInfo_, warn);
  Bind(module, "InternetGetConnectedState", "Dll_InternetGetConnectedState=NULL", w.connectedState_, warn);
  return wininet;
}

uint32_t WinInetLibrary::AttemptConnect() {
  // Without the function there is no dial-up to start: go on line as is.
  return attemptConnect_ ? attemptConnect_(0) : 0;
}

InternetApi::Handle WinInetLibrary::Open(const std::string& agent, uint32_t accessType, const std::string& proxy) {
  if (!open_) return nullptr;
  std::string proxy_text = Utf8ToSjis(proxy);
  return open_(agent.c_str(), accessType, accessType == kOpenTypeProxy ? proxy_text.c_str() : nullptr, nullptr, 0);
}

bool WinInetLibrary::SetReceiveTimeout(Handle session, uint32_t milliseconds) {
  DWORD value = milliseconds;
  return setOption_ && setOption_(session, kOptionReceiveTimeout, &value, sizeof value);
}

InternetApi::Handle WinInetLibrary::OpenUrl(Handle session, const std::string& url, const std::string& headers,
                                            uint32_t flags, CallEnd& end) {
  end = CallEnd::kAnswered;
  if (!openUrl_) return nullptr;
  std::string address = Utf8ToSjis(url);
  return openUrl_(session, address.c_str(), headers.c_str(), static_cast<DWORD>(headers.size()), flags, 0);
}

bool WinInetLibrary::QueryNumber(Handle request, DWORD info, DWORD& value) {
  DWORD size = sizeof value;
  return queryInfo_ && queryInfo_(request, info | kQueryFlagNumber, &value, &size, nullptr);
}

std::optional<int> WinInetLibrary::StatusCode(Handle request) {
  DWORD status = 0;
  if (!QueryNumber(request, kQueryStatusCode, status) || status == 0) return std::nullopt;
  return static_cast<int>(status);
}

std::optional<HttpDate> WinInetLibrary::LastModified(Handle request) {
  SYSTEMTIME time = {};
  DWORD size = sizeof time;
  if (!queryInfo_ || !queryInfo_(request, kQueryLastModified | kQueryFlagSystemTime, &time, &size, nullptr)) {
    return std::nullopt;
  }
  return HttpDate{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::optional<uint64_t> WinInetLibrary::ContentLength(Handle request) {
  DWORD length = 0;
  if (!QueryNumber(request, kQueryContentLength, length)) return std::nullopt;
  return length;
}

bool WinInetLibrary::Read(Handle request, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) {
  end = CallEnd::kAnswered;
  DWORD got = 0;
  read = 0;
  if (!readFile_ || !readFile_(request, buffer, size, &got)) return false;
  read = got;
  return true;
}

void WinInetLibrary::Close(Handle handle) {
  if (closeHandle_ && handle) closeHandle_(handle);
}

}  // namespace dm
