// TFileWatch: one thread that counts the changes below a settings row's
// source folder. The main window keeps one per row while automatic backup
// with folder watching is on: the scheduler runs only rows whose count is
// not 0 (a count of -1, a folder that cannot be watched, counts as changed)
// and the list colours each row by its count.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "watch/change_source.h"
#include "watch/watch_window.h"

namespace dm {

class TFileWatch {
 public:
  // source: the notification opened on path, or null when the folder
  // cannot be watched; then the count is -1 and no thread runs. Reports
  // the start (or "not found") line to the window.
  TFileWatch(std::string path, WatchWindow& window, std::unique_ptr<ChangeSource> source);
  // Stops the thread if it still runs.
  ~TFileWatch();
  TFileWatch(const TFileWatch&) = delete;
  TFileWatch& operator=(const TFileWatch&) = delete;

  const std::string& Path() const { return path_; }
  // True while the thread runs: the folder could be watched and Stop has
  // not been called.
  bool Watching() const { return thread_.joinable(); }

  // Changes seen since the last reset; -1 when the folder cannot be watched.
  int ChangeCount() const { return changeCount_.load(); }
  void ResetChangeCount() { changeCount_.store(0); }
  // The count, reset to 0 in the same step, so no change slips between
  // reading and resetting.
  int TakeChangeCount() { return changeCount_.exchange(0); }

  // Ends the thread and waits for it, then reports the end line and resets
  // the count. Nothing happens for a watcher that never ran or already
  // stopped.
  void Stop();

 private:
  void Execute();

  const std::string path_;
  WatchWindow& window_;
  std::unique_ptr<ChangeSource> source_;
  std::atomic<int> changeCount_{0};
  std::thread thread_;
};

}  // namespace dm
