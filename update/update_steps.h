// The small rules of the update after the download: the extraction command
// for the archive library, its progress, the updater's command line, which
// downloaded names the updater installs, and the archive library's version
// as the about box shows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dm {

inline constexpr char kProgramFileName[] = "drovenmk.exe";
inline constexpr size_t kArchiveOutputBytes = 32000;

// Extract every file of the archive flat into the folder, overwriting
// without questions: e "ARCHIVE" "FOLDER\" *.*  -n -c -y (the folder always
// ends with one "\").
std::string ExtractionCommand(const std::string& archive, const std::string& folder);

// The bar and the byte text while the archive library writes a file of
// `size` bytes; a size of 0 empties the text and the bar.
struct ExtractionProgress {
  int position = 0;
  std::string bytes;
};
ExtractionProgress ExtractionProgressOf(uint32_t size, uint32_t written);

// One argument as the system's command-line parser reads it back: quoted,
// with the backslashes before a quote doubled ("C:\dl\" stays C:\dl\).
std::string QuoteArgument(const std::string& text);

// The updater's command line: drovenmk.exe -update WINDOW "FOLDER".
std::string UpdaterCommandLine(intptr_t callerWindow, const std::string& programFolder);

// The program's files, in the order the installer writes them: what the
// update archive carries and the only names the updater installs.
const std::vector<std::string>& ProgramFiles();
bool IsProgramFile(const std::string& name);  // letter case aside

// Whether the updater copies a downloaded entry of this name into the
// program's folder: never the archives ("*.lzh"), the version file
// ("version.txt"), "." and ".." or other names ending in "." (letter case
// does not matter), never a name ending in one of the installer's staging
// suffixes (".dmnew", ".dmold"), and never a name that could lead out of
// the folder.
bool IsInstalledName(const std::string& name);

// A text with any line ends as an edit control shows it: every line break
// "\r\n".
std::string MemoLines(const std::string& text);

// UnlhaGetVersion's number (the version times 100) as "0.70".
std::string LibraryVersionText(uint16_t version);

// How long the updater waits for the old instance's window to go.
inline constexpr int kCloseWaitCount = 102;
inline constexpr int kCloseWaitMs = 100;

}  // namespace dm
