// A few worker threads that copy files while the run walks on. Tasks wait
// in a short queue, so a worker that finishes a file finds the next one at
// once instead of waking the walk and waiting for it to hand one over; the
// walk stays at most `queued` files ahead of the copies.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dm {

class CopyPool {
 public:
  explicit CopyPool(int workers, size_t queued = 32);
  // Waits for the tasks handed over, then ends the workers.
  ~CopyPool();
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;

  // Queues the task; a full queue blocks until half of it is taken.
  void Run(std::function<void()> task);
  // Blocks until every task handed over has finished.
  void Drain();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable taskReady_;
  std::condition_variable room_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> pending_;  // handed over, not yet taken
  size_t queued_;
  int busy_ = 0;  // tasks taken and not yet finished
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace dm
