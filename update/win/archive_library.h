// The outside LZH archive library "UNLHA32.DLL", loaded by name for an
// extraction and for the about box, and released after each use.
#pragma once

#include <windows.h>

namespace dm {

inline constexpr wchar_t kArchiveLibraryFile[] = L"UNLHA32.DLL";

// Called by the library while it writes a file. `record` (may be null)
// begins with two 32-bit fields: the size of the file being extracted and
// the bytes written so far. Answering FALSE aborts the extraction.
using ArchiveProgressCallback = BOOL(CALLBACK*)(HWND window, UINT message, UINT state, LPVOID record);

using UnlhaFunction = int(WINAPI*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using UnlhaSetOwnerWindowExFunction = BOOL(WINAPI*)(HWND window, ArchiveProgressCallback callback);
using UnlhaKillOwnerWindowExFunction = BOOL(WINAPI*)(HWND window);
using UnlhaGetVersionFunction = WORD(WINAPI*)();

// The first fields of the library's progress record.
struct ArchiveProgressRecord {
  DWORD fileSize;
  DWORD writeSize;
};

template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace dm
