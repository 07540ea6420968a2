#include "engine/copy_pool.h"

namespace dm {

CopyPool::CopyPool(int workers) : workers_(workers < 1 ? 1 : workers) {
  for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { Work(); });
}

CopyPool::~CopyPool() {
  Drain();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  taskReady_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void CopyPool::Run(std::function<void()> task) {
  std::unique_lock<std::mutex> lock(mutex_);
  workerFree_.wait(lock, [this] { return !hasPending_ && busy_ < workers_; });
  pending_ = std::move(task);
  hasPending_ = true;
  ++busy_;  // counted from the hand-over, so the next Run waits for a truly free worker
  taskReady_.notify_one();
}

void CopyPool::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  workerFree_.wait(lock, [this] { return !hasPending_ && busy_ == 0; });
}

void CopyPool::Work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      taskReady_.wait(lock, [this] { return hasPending_ || stopping_; });
      if (!hasPending_) return;
      task = std::move(pending_);
      hasPending_ = false;
    }
    task();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --busy_;
    }
    workerFree_.notify_all();
  }
}

}  // namespace dm
