// The backup set the main window shows: its settings in list order, the file
// name, the modified flag and one folder watcher per row while automatic
// backup with file watching is on.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/run_jobs.h"
#include "backupset/backup_setting.h"
#include "backupset/set_file.h"

namespace dm {

inline constexpr char kUntitledSetName[] = "無題.dmk";

// A running watcher on one row's source folder.
class RowWatcher {
 public:
  virtual ~RowWatcher() = default;  // stops the watcher
  // Changes seen since the last reset; -1 when the folder cannot be watched.
  virtual int ChangeCount() const = 0;
  // The count, reset to 0 in the same step.
  virtual int TakeChangeCount() = 0;
};

class WatcherFactory {
 public:
  virtual ~WatcherFactory() = default;
  virtual std::unique_ptr<RowWatcher> Watch(const std::string& folder) = 0;
};

class SetDocument {
 public:
  SetDocument();

  const std::string& FileName() const { return set_.fileName; }
  const std::vector<BackupSetting>& Settings() const { return set_.settings; }
  int RowCount() const { return static_cast<int>(set_.settings.size()); }
  bool Modified() const { return set_.modified; }
  void MarkModified() { set_.modified = true; }
  void MarkUnmodified() { set_.modified = false; }
  void SetFileName(const std::string& name) { set_.fileName = name; }

  // Row edits. None of them marks the set modified: the commands decide.
  // Removing or replacing a row's watcher stops the old one first.
  int Append(BackupSetting setting, std::unique_ptr<RowWatcher> watcher);
  void Replace(int row, BackupSetting setting);
  void SetWatcher(int row, std::unique_ptr<RowWatcher> watcher);
  void Remove(int row);
  void Swap(int row, int other);  // settings and watchers change places together
  void Clear();                   // every watcher stopped, no rows left

  // A tick in the list: the setting changes, the file is not marked modified.
  void SetChecked(int row, bool checked);
  void SetUpdateText(int row, const std::string& text);

  // Loads a set file (appending when `add`). On success the name becomes
  // the path and the set is unmodified. A refused file leaves the name as it
  // was, so a later save cannot overwrite the refused file.
  bool Load(const std::string& path, bool add, SetFileServices& services);
  // Saves under `path`; on success the name becomes the path. Passwords a
  // load could not decipher are tried again first.
  bool Save(const std::string& path, int& optionCryptEnabled, SetFileServices& services);

  void StartAllWatchers(WatcherFactory& factory);
  void StopAllWatchers();
  std::optional<int> WatcherCount(int row) const;

  // The rows as the run starter takes them.
  std::vector<SettingsRow> RunRows();

 private:
  BackupSet set_;
  std::vector<std::unique_ptr<RowWatcher>> watchers_;  // parallel to the rows; null: none
};

}  // namespace dm
