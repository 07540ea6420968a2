// A window that records what watchers tell it, from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "watch/watch_window.h"

namespace dm {

class RecordingWatchWindow : public WatchWindow {
 public:
  void AddStatusLine(const ReportLine& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
  }
  void RedrawSettingsList() override {
    if (onRedraw) onRedraw();
    redraws.fetch_add(1);
  }

  std::vector<ReportLine> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // "kind|title|level|text" of each line.
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const ReportLine& l : Lines()) {
      texts.push_back(std::to_string(l.kind) + "|" + l.title + "|" + std::to_string(l.level) + "|" + l.text);
    }
    return texts;
  }

  std::atomic<int> redraws{0};
  std::function<void()> onRedraw;  // runs on the watcher thread

 private:
  std::mutex mutex_;
  std::vector<ReportLine> lines_;
};

// Polls until the condition holds or the time is up; threads need their
// moment, and a slow machine must not fail a test.
inline bool Eventually(const std::function<bool()>& condition, int seconds = 10) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace dm
