// What the two copying floors share: walk the source tree, create each
// destination folder, and hand every file to two worker threads, the
// program's number of copy threads. Only how one file is copied differs
// between the floors, so a difference in their times is that step's cost.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/win/handles.h"

namespace floor_bench {

// Copies one file from the first path to the second; false when it failed.
using CopyOne = bool (*)(const std::wstring& from, const std::wstring& to);

class CopyQueue {
 public:
  void Push(std::wstring from, std::wstring to) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Bounded, so the walk cannot run far ahead of the copies and hold the
    // whole tree's names in memory.
    room_.wait(lock, [this] { return pending_.size() < 64; });
    pending_.emplace_back(std::move(from), std::move(to));
    ready_.notify_one();
  }
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    ready_.notify_all();
  }
  bool Pop(std::pair<std::wstring, std::wstring>& item) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !pending_.empty(); });
    if (pending_.empty()) return false;
    item = std::move(pending_.front());
    pending_.pop_front();
    room_.notify_one();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable room_;
  std::deque<std::pair<std::wstring, std::wstring>> pending_;
  bool closed_ = false;
};

inline void Walk(const std::wstring& src, const std::wstring& dst, CopyQueue& queue, long& files) {
  CreateDirectoryW(dst.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  dm::FindHandle find(FindFirstFileExW((src + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find) return;
  std::vector<std::wstring> folders;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      folders.push_back(name);
    } else {
      queue.Push(src + L"\\" + name, dst + L"\\" + name);
      ++files;
    }
  } while (FindNextFileW(find.Get(), &data));
  // Closed before going down, so only one listing is open at a time.
  find.Reset();
  for (const std::wstring& name : folders) Walk(src + L"\\" + name, dst + L"\\" + name, queue, files);
}

// The whole floor program: SRC DST from the command line, two copying
// threads, and "files=N failed=N" at the end.
inline int RunCopyFloor(int argc, wchar_t** argv, const char* name, CopyOne copy) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SRC DST\n", name);
    return 2;
  }
  CopyQueue queue;
  long failed = 0;
  std::mutex failed_mutex;
  std::vector<std::thread> workers;
  for (int i = 0; i < 2; ++i) {
    workers.emplace_back([&] {
      std::pair<std::wstring, std::wstring> item;
      while (queue.Pop(item)) {
        if (!copy(item.first, item.second)) {
          std::lock_guard<std::mutex> lock(failed_mutex);
          ++failed;
        }
      }
    });
  }
  long files = 0;
  Walk(argv[1], argv[2], queue, files);
  queue.Close();
  for (std::thread& worker : workers) worker.join();
  std::printf("files=%ld failed=%ld\n", files, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace floor_bench
