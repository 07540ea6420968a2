#include "app/shell/set_document.h"

namespace dm {

SetDocument::SetDocument() { set_.fileName = kUntitledSetName; }

int SetDocument::Append(BackupSetting setting, std::unique_ptr<RowWatcher> watcher) {
  watchers_.resize(set_.settings.size());
  set_.settings.push_back(std::move(setting));
  watchers_.push_back(std::move(watcher));
  return RowCount() - 1;
}

void SetDocument::Replace(int row, BackupSetting setting) {
  if (row >= 0 && row < RowCount()) set_.settings[row] = std::move(setting);
}

void SetDocument::SetWatcher(int row, std::unique_ptr<RowWatcher> watcher) {
  watchers_.resize(set_.settings.size());
  if (row < 0 || row >= RowCount()) return;
  watchers_[row].reset();
  watchers_[row] = std::move(watcher);
}

void SetDocument::Remove(int row) {
  if (row < 0 || row >= RowCount()) return;
  watchers_.resize(set_.settings.size());
  watchers_[row].reset();
  watchers_.erase(watchers_.begin() + row);
  set_.settings.erase(set_.settings.begin() + row);
}

void SetDocument::Swap(int row, int other) {
  if (row < 0 || other < 0 || row >= RowCount() || other >= RowCount()) return;
  watchers_.resize(set_.settings.size());
  std::swap(set_.settings[row], set_.settings[other]);
  std::swap(watchers_[row], watchers_[other]);
}

void SetDocument::Clear() {
  StopAllWatchers();
  watchers_.clear();
  set_.settings.clear();
}

void SetDocument::SetChecked(int row, bool checked) {
  if (row >= 0 && row < RowCount()) set_.settings[row].checked = checked;
}

void SetDocument::SetUpdateText(int row, const std::string& text) {
  if (row >= 0 && row < RowCount()) set_.settings[row][kUpdate] = text;
}

bool SetDocument::Load(const std::string& path, bool add, SetFileServices& services) {
  StopAllWatchers();
  BackupSet loaded = set_;
  if (!LoadBackupSet(loaded, path, add, services)) {
    watchers_.resize(set_.settings.size());
    return false;
  }
  set_ = std::move(loaded);
  set_.fileName = path;
  set_.modified = false;
  watchers_.clear();
  watchers_.resize(set_.settings.size());
  return true;
}

bool SetDocument::Save(const std::string& path, int& optionCryptEnabled, SetFileServices& services) {
  // Passwords a load could not decipher may read now (the library is back);
  // the writer keeps those that still do not.
  UnsealPasswords(set_, services);
  if (!SaveBackupSet(set_, path, optionCryptEnabled, services)) return false;
  set_.fileName = path;
  set_.modified = false;
  return true;
}

void SetDocument::StartAllWatchers(WatcherFactory& factory) {
  watchers_.clear();
  watchers_.resize(set_.settings.size());
  for (size_t row = 0; row < set_.settings.size(); ++row) {
    watchers_[row] = factory.Watch(set_.settings[row][kSrc]);
  }
}

void SetDocument::StopAllWatchers() {
  for (std::unique_ptr<RowWatcher>& watcher : watchers_) watcher.reset();
  watchers_.resize(set_.settings.size());
}

std::optional<int> SetDocument::WatcherCount(int row) const {
  if (row < 0 || row >= static_cast<int>(watchers_.size()) || !watchers_[row]) return std::nullopt;
  return watchers_[row]->ChangeCount();
}

std::vector<SettingsRow> SetDocument::RunRows() {
  watchers_.resize(set_.settings.size());
  std::vector<SettingsRow> rows;
  for (size_t row = 0; row < set_.settings.size(); ++row) {
    std::function<int()> take;
    if (RowWatcher* watcher = watchers_[row].get()) take = [watcher] { return watcher->TakeChangeCount(); };
    rows.push_back(SettingsRow{&set_.settings[row], set_.settings[row].checked, take});
  }
  return rows;
}

}  // namespace dm
