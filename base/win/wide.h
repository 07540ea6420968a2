// UTF-8 <-> UTF-16 at the Win32 boundary. Every Win32 call goes through the
// wide (W) functions with text converted here.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dm {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// The whole text of a window or control.
std::wstring WindowText(HWND window);

// Text of a system error code (FormatMessage), without the trailing line break.
std::string SystemErrorMessage(DWORD code);

// Full path of the running executable's folder, ending with "\".
std::string ProgramFolder();

}  // namespace dm
