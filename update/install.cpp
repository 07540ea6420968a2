#include "update/install.h"

#include "base/paths.h"
#include "base/text.h"
#include "update/update_steps.h"

namespace dm {

namespace {

struct Swap {
  std::string target;
  std::string staged;
  std::string old;
  bool hadOld = false;
};

class Installer {
 public:
  Installer(FileSystem& fs, InstallResult& result) : fs_(fs), result_(result) {}

  bool Stage(const std::string& from, const std::string& folder, const std::string& name) {
    Swap swap;
    swap.target = JoinPath(folder, name);
    swap.staged = swap.target + kStagedSuffix;
    swap.old = swap.target + kReplacedSuffix;
    DirEntry existing;
    swap.hadOld = fs_.Lookup(swap.target, existing);
    if (swap.hadOld && existing.IsFolder()) return Fail(name, "同じ名前のフォルダがあります");
    fs_.RemoveFile(swap.staged);
    swaps_.push_back(swap);
    if (uint32_t code = fs_.CopyFileTo(from, swap.staged, {})) return Fail(name, fs_.ErrorMessage(code));
    return true;
  }

  // Puts every staged file in place; on a failure the old files return.
  bool SwapIn() {
    for (size_t i = 0; i < swaps_.size(); ++i) {
      Swap& swap = swaps_[i];
      if (swap.hadOld) {
        fs_.RemoveFile(swap.old);
        if (uint32_t code = fs_.MoveReplacing(swap.target, swap.old)) {
          RollBack(i);
          return Fail(FileNamePart(swap.target), fs_.ErrorMessage(code));
        }
      }
      if (uint32_t code = fs_.MoveReplacing(swap.staged, swap.target)) {
        if (swap.hadOld) fs_.MoveReplacing(swap.old, swap.target);
        RollBack(i);
        return Fail(FileNamePart(swap.target), fs_.ErrorMessage(code));
      }
    }
    // A program image still mapped may refuse deletion; the leftover is
    // harmless and replaced by the next update.
    for (const Swap& swap : swaps_) {
      if (swap.hadOld) fs_.RemoveFile(swap.old);
    }
    return true;
  }

  void RemoveStaged() {
    for (const Swap& swap : swaps_) fs_.RemoveFile(swap.staged);
  }

 private:
  // Undoes the swaps before `failed`, last first.
  void RollBack(size_t failed) {
    for (size_t i = failed; i-- > 0;) {
      const Swap& swap = swaps_[i];
      if (swap.hadOld) {
        fs_.MoveReplacing(swap.old, swap.target);
      } else {
        fs_.RemoveFile(swap.target);
      }
    }
    RemoveStaged();
  }

  bool Fail(const std::string& name, const std::string& reason) {
    result_.failures.push_back(name + ": " + reason);
    return false;
  }

  FileSystem& fs_;
  InstallResult& result_;
  std::vector<Swap> swaps_;
};

}  // namespace

InstallResult InstallUpdate(FileSystem& fs, const std::string& downloadFolder, const std::string& programFolder,
                            const std::function<bool(const std::string& path)>& isPlainFileHere) {
  InstallResult result;
  std::vector<std::string> names;
  if (std::unique_ptr<DirectoryListing> listing = fs.List(downloadFolder)) {
    for (DirEntry entry; listing->Next(entry);) {
      if (entry.IsFolder() || !IsInstalledName(entry.name) || !IsProgramFile(entry.name)) continue;
      if (!isPlainFileHere(JoinPath(downloadFolder, entry.name))) {
        result.refused.push_back(entry.name);
        continue;
      }
      names.push_back(entry.name);
    }
  }
  bool has_program = false;
  for (const std::string& name : names) has_program = has_program || AsciiLower(name) == kProgramFileName;
  if (!has_program) {
    result.failures.push_back(downloadFolder + ": インストールするファイルがありません");
    return result;
  }
  Installer installer(fs, result);
  for (const std::string& name : names) {
    if (!installer.Stage(JoinPath(downloadFolder, name), programFolder, name)) {
      installer.RemoveStaged();
      return result;
    }
  }
  if (!installer.SwapIn()) return result;
  result.installed = names;
  return result;
}

std::string InstallFailureMessage(const InstallResult& result) {
  std::string text = "Drovenmarkのアップデートに失敗しました\n\nインストール済みのファイルは元のままです\n";
  for (const std::string& failure : result.failures) text += "\n" + failure;
  return text;
}

}  // namespace dm
