// The updater's installation: the files of the download folder replace the
// program's files, all or none. Every file is first copied beside its
// target under a staging name; only when every copy succeeded are the
// targets swapped in, each old file kept under a second name until all are
// in place. A failure at any step puts the old files back, so a program is
// never left half replaced.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/file_system.h"

namespace dm {

inline constexpr char kStagedSuffix[] = ".dmnew";
inline constexpr char kReplacedSuffix[] = ".dmold";

struct InstallResult {
  std::vector<std::string> installed;  // names copied into the program's folder, in order
  std::vector<std::string> refused;    // names left out: not a plain file of the download folder
  std::vector<std::string> failures;   // "name: reason"; the program's files are then as before
  bool Succeeded() const { return failures.empty(); }
};

// Installs the program's files (ProgramFiles) that lie in `downloadFolder`
// as plain files, and nothing else of that folder: whatever else an archive
// or an earlier download left there stays where it is. drovenmk.exe must be
// among them. No staging suffix is a program file's, so no file being
// installed is ever taken for a staged or replaced copy. `isPlainFileHere` tells whether a path is an ordinary file that
// really lies in its folder (not a folder, not a link that leads elsewhere);
// folders are passed over without a word.
InstallResult InstallUpdate(FileSystem& fs, const std::string& downloadFolder, const std::string& programFolder,
                            const std::function<bool(const std::string& path)>& isPlainFileHere);

// The message the updater shows when the installation failed.
std::string InstallFailureMessage(const InstallResult& result);

}  // namespace dm
