// Abort and pause of the current run, shared by the UI thread (which asks)
// and the run thread (which checks at every job, every folder entry and
// while a file is being copied).
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace dm {

class RunControl {
 public:
  // Called by the starter before each run.
  void Reset();

  void RequestAbort();
  bool AbortRequested() const { return abort_.load(std::memory_order_acquire); }

  // Pausing holds the run at its next checkpoint; it holds no lock the
  // window needs while it waits.
  void Pause();
  void Resume();
  bool Paused() const;

  // The run's checkpoint: waits while paused (an abort releases it), then
  // tells whether the run must stop.
  bool ShouldStop();

 private:
  std::atomic<bool> abort_{false};
  mutable std::mutex mutex_;
  std::condition_variable resumed_;
  std::atomic<bool> paused_{false};  // changed under mutex_, read without it
};

}  // namespace dm
