#include "engine/run_control.h"

namespace dm {

void RunControl::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  abort_.store(false, std::memory_order_release);
  paused_ = false;
}

void RunControl::RequestAbort() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    abort_.store(true, std::memory_order_release);
    paused_ = false;
  }
  resumed_.notify_all();
}

void RunControl::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
}

void RunControl::Resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
  }
  resumed_.notify_all();
}

bool RunControl::Paused() const { return paused_.load(std::memory_order_acquire); }

bool RunControl::ShouldStop() {
  // The common case, not paused, costs two atomic loads and no lock.
  if (paused_.load(std::memory_order_acquire)) {
    std::unique_lock<std::mutex> lock(mutex_);
    resumed_.wait(lock, [this] { return !paused_.load(std::memory_order_relaxed); });
  }
  return abort_.load(std::memory_order_acquire);
}

}  // namespace dm
