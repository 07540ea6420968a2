// UNLHA32.DLL as callers see it: the exports, bound by name at run time, and
// the progress record. Texts crossing the interface (the command, the
// report, names in the record) are zero-terminated in the ANSI code page.
#pragma once

#include <windows.h>

#include <cstdint>

namespace dm::lzh {

// Handed to the progress callback. Callers rely on the first two fields.
struct UnlhaProgress {
  uint32_t fileSize;     // original size of the file being extracted (0xFFFFFFFF when larger)
  uint32_t writtenSize;  // bytes of it written so far
  uint32_t packedSize;   // its size in the archive
  uint32_t entryIndex;   // 1 for the first entry handled
  char fileName[MAX_PATH * 2];     // the name it gets in the folder
  char archiveName[MAX_PATH * 2];  // the archive as the command named it
};

enum UnlhaProgressStage : UINT {
  kUnlhaEntryBegins = 0,  // writtenSize 0
  kUnlhaWriting = 1,      // after each piece written
  kUnlhaEntryEnds = 2,    // the file is in place
};

// Called on the thread that called Unlha, with the owner window given to
// UnlhaSetOwnerWindowEx, message 0, the stage and the record. Returning
// FALSE aborts: the file being written is dropped and the run ends.
using UnlhaProgressCallback = BOOL(CALLBACK*)(HWND owner, UINT message, UINT stage, UnlhaProgress* record);

// Runs a command ("e", "t" or "l"; see unlha/command_line.h) and writes its
// report to `output` (at most `outputSize` bytes, always terminated).
// Returns 0 on success, otherwise a code of dm::lzh::ResultCode.
using UnlhaFunction = int(WINAPI*)(HWND owner, const char* commandLine, char* output, DWORD outputSize);
// The library's version times 100.
using UnlhaGetVersionFunction = WORD(WINAPI*)();
// Sets the callback (null: none) for later Unlha calls; returns TRUE.
using UnlhaSetOwnerWindowExFunction = BOOL(WINAPI*)(HWND owner, UnlhaProgressCallback callback);
// Removes the callback again; returns TRUE.
using UnlhaKillOwnerWindowExFunction = BOOL(WINAPI*)(HWND owner);

inline constexpr wchar_t kUnlhaLibraryName[] = L"UNLHA32.DLL";
inline constexpr char kUnlhaName[] = "Unlha";
inline constexpr char kUnlhaGetVersionName[] = "UnlhaGetVersion";
inline constexpr char kUnlhaSetOwnerWindowExName[] = "UnlhaSetOwnerWindowEx";
inline constexpr char kUnlhaKillOwnerWindowExName[] = "UnlhaKillOwnerWindowEx";

inline constexpr WORD kUnlhaVersion = 100;  // 1.00

}  // namespace dm::lzh
