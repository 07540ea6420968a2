#include "app/win/shutdown.h"

#include <windows.h>

#include <stdexcept>

#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

class ShutdownError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void SetShutdownPrivilege(bool enable) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
    throw ShutdownError("シャットダウンに失敗しました(OpenProcessToken)");
  }
  ObjectHandle token(raw);
  TOKEN_PRIVILEGES privileges = {};
  if (!LookupPrivilegeValueW(L"", SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
    throw ShutdownError("シャットダウンに失敗しました(Error LookupPrivilegeValue)");
  }
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  SetLastError(0);
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  if (GetLastError() != 0) throw ShutdownError("シャットダウンに失敗しました(Error AdjustTokenPrivileges)");
}

}  // namespace

void ShutdownSystem(MessageService& messages) {
  auto Show = [&messages](const std::string& text) {
    messages.Show({text, BoxIcon::kNone, BoxButtons::kOk, BoxAnswer::kOk});
  };
  try {
    SetShutdownPrivilege(true);
  } catch (const ShutdownError& error) {
    Show(error.what());
    return;
  }
  if (!ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE | EWX_POWEROFF, 0)) {
    Show("シャットダウンに失敗しました(Error ExitWindowEx)");
  }
  try {
    SetShutdownPrivilege(false);
  } catch (const ShutdownError& error) {
    Show(error.what());
  }
}

}  // namespace dm
