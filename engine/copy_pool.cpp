#include "engine/copy_pool.h"

namespace dm {

CopyPool::CopyPool(int workers, size_t queued) : queued_(queued < 1 ? 1 : queued) {
  for (int i = 0; i < (workers < 1 ? 1 : workers); ++i) threads_.emplace_back([this] { Work(); });
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
  // A full queue is refilled once the workers have taken half of it: the
  // walk then wakes once for several files, not once for every file.
  if (pending_.size() >= queued_) room_.wait(lock, [this] { return pending_.size() <= queued_ / 2; });
  pending_.push_back(std::move(task));
  taskReady_.notify_one();
}

void CopyPool::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return pending_.empty() && busy_ == 0; });
}

void CopyPool::Work() {
  for (;;) {
    std::function<void()> task;
    bool half_taken = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      taskReady_.wait(lock, [this] { return !pending_.empty() || stopping_; });
      if (pending_.empty()) return;
      task = std::move(pending_.front());
      pending_.pop_front();
      ++busy_;
      half_taken = pending_.size() == queued_ / 2;
    }
    if (half_taken) room_.notify_one();
    task();
    bool idle;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      idle = --busy_ == 0 && pending_.empty();
    }
    if (idle) idle_.notify_all();
  }
}

}  // namespace dm
