#include "update/win/archive_extraction.h"

#include "base/sjis.h"
#include "base/win/handles.h"
#include "base/win/library_loading.h"
#include "base/win/wide.h"
#include "update/win/archive_library.h"

namespace dm {

namespace {

void Box(const std::string& text, UINT icon) {
  MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"Drovenmark", MB_OK | icon);
}

// The library calls back without a context of its own.
ExtractionView* extracting = nullptr;

BOOL CALLBACK ExtractionCallback(HWND, UINT, UINT, lzh::UnlhaProgress* progress) {
  ExtractionView* view = extracting;
  if (!view) return TRUE;
  view->ShowExtraction(ExtractionProgressOf(progress ? progress->fileSize : 0, progress ? progress->writtenSize : 0));
  view->LetMessagesRun();
  if (progress && progress->fileSize != 0 && view->StopRequested()) return FALSE;
  return TRUE;
}

}  // namespace

ExtractionEnd ExtractArchive(HWND owner, const std::string& archive, const std::string& folder, bool keepOnly,
                             ExtractionView& view, std::string& output) {
  ModuleHandle library(LoadProgramLibrary(lzh::kUnlhaLibraryName));
  if (!library) {
    Box("ダウンロードしたファイルの解凍ができません\n\nUNLHA32.DLL(Ver0.70以上)をインストールしてください",
        MB_ICONWARNING | MB_SYSTEMMODAL);
    return ExtractionEnd::kNoLibrary;
  }
  auto set_owner =
      LibraryFunction<lzh::UnlhaSetOwnerWindowExFunction>(library.Get(), lzh::kUnlhaSetOwnerWindowExName);
  if (!set_owner) {
    Box("Dll_UnlhaSetOwnerWindowEx=NULL", MB_ICONWARNING);
  } else {
    extracting = &view;
    if (set_owner(owner, ExtractionCallback) != 1) Box("Dll_UnlhaSetOwnerWindowEx()の初期化に失敗しました", MB_ICONWARNING);
  }
  ExtractionEnd end = ExtractionEnd::kKept;
  auto unlha = LibraryFunction<lzh::UnlhaFunction>(library.Get(), lzh::kUnlhaName);
  if (!unlha) {
    Box("Dll_Unlha=NULL", MB_ICONWARNING | MB_SYSTEMMODAL);
    end = ExtractionEnd::kNoLibrary;
  } else if (!keepOnly) {
    std::string report(kArchiveOutputBytes, '\0');
    std::string command = Utf8ToSjis(ExtractionCommand(archive, folder));
    int result = unlha(owner, command.c_str(), report.data(), static_cast<DWORD>(report.size()));
    end = result == 0 ? ExtractionEnd::kExtracted : ExtractionEnd::kFailed;
    if (result != 0) {
      report.resize(strnlen(report.data(), report.size()));
      output = SjisToUtf8(report);
    }
  }
  if (set_owner) {
    if (auto release =
            LibraryFunction<lzh::UnlhaKillOwnerWindowExFunction>(library.Get(), lzh::kUnlhaKillOwnerWindowExName)) {
      release(owner);
    }
  }
  extracting = nullptr;
  return end;
}

}  // namespace dm
