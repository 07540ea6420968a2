// The update archive's extraction with UNLHA32.DLL of the program's own
// folder: the library bound by name, its progress shown in the update
// window, every missing piece reported in its own box.
#pragma once

#include <windows.h>

#include <string>

#include "update/update_steps.h"

namespace dm {

// The window an extraction reports to.
class ExtractionView {
 public:
  virtual ~ExtractionView() = default;
  virtual void ShowExtraction(const ExtractionProgress& progress) = 0;
  virtual void LetMessagesRun() = 0;
  virtual bool StopRequested() = 0;
};

enum class ExtractionEnd {
  kExtracted,
  kKept,    // UpdateFinish 1: the archive stays as it is
  kNoLibrary,  // the library or its function is missing; the user has been told
  kFailed,     // the extraction failed: `output` holds the library's report
};

// Extracts `archive` flat into `folder` (or only keeps it when `keepOnly`).
// `output` receives the library's report of a failed extraction, for the
// caller's box.
ExtractionEnd ExtractArchive(HWND owner, const std::string& archive, const std::string& folder, bool keepOnly,
                             ExtractionView& view, std::string& output);

}  // namespace dm
