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
  void AddStatusLine(const ReportLine& l) override {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.push_back(std::to_string(l.kind) + "|" + l.title + "|" + std::to_string(l.level) + "|" + l.text);
  }
  void RedrawSettingsList() override {
    if (onRedraw) onRedraw();  // on the watcher thread
    redraws.fetch_add(1);
  }
  std::vector<std::string> Texts() {  // "kind|title|level|text"
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }

  std::atomic<int> redraws{0};
  std::function<void()> onRedraw;

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
};

// Waits until the condition holds, generously: a slow machine must not fail.
inline bool Eventually(const std::function<bool()>& condition) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace dm
