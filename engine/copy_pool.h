// A few worker threads that copy files while the run walks on. A task is
// handed over only when a worker is free, so nothing waits in a queue: a
// file announced as being copied is always being copied.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dm {

class CopyPool {
 public:
  explicit CopyPool(int workers);
  // Waits for the tasks handed over, then ends the workers.
  ~CopyPool();
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;

  // Blocks until a worker is free, then gives it the task.
  void Run(std::function<void()> task);
  // Blocks until every task handed over has finished.
  void Drain();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable taskReady_;
  std::condition_variable workerFree_;
  std::function<void()> pending_;  // handed over, not yet taken
  bool hasPending_ = false;
  int busy_ = 0;
  int workers_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace dm
