// Idle cost of folder watchers: N watchers on N folders where nothing
// changes, for S seconds; prints this process's CPU time over that time.
//   watch_idle_bench ROOT [COUNT=50] [SECONDS=30] [wait|poll]
// "poll" runs the same number of threads that wake every 100 ms to test the
// notification instead, for comparison.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "watch/win/folder_changes.h"

namespace {

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: watch_idle_bench ROOT [COUNT] [SECONDS] [wait|poll]\n");
    return 2;
  }
  const std::string root = dm::WideToUtf8(argv[1]);
  const int count = argc > 2 ? _wtoi(argv[2]) : 50;
  const int seconds = argc > 3 ? _wtoi(argv[3]) : 30;
  const bool poll = argc > 4 && std::wstring(argv[4]) == L"poll";

  CreateDirectoryW(dm::Utf8ToWide(root).c_str(), nullptr);
  std::vector<std::string> folders;
  for (int i = 0; i < count; ++i) {
    folders.push_back(dm::JoinPath(root, "folder" + std::to_string(i)));
    CreateDirectoryW(dm::Utf8ToWide(folders.back()).c_str(), nullptr);
  }

  dm::NullWatchWindow window;
  std::vector<std::unique_ptr<dm::TFileWatch>> watches;
  std::atomic<bool> stop{false};
  std::vector<std::thread> pollers;
  int watching = 0;
  for (const std::string& folder : folders) {
    if (!poll) {
      watches.push_back(dm::CreateFileWatch(folder, window));
      watching += watches.back()->Watching();
      continue;
    }
    HANDLE change = FindFirstChangeNotificationW(dm::Utf8ToWide(folder).c_str(), TRUE, dm::kWatchFilter);
    if (change == INVALID_HANDLE_VALUE) continue;
    ++watching;
    pollers.emplace_back([change, &stop] {
      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
      while (!stop) {
        if (WaitForSingleObject(change, 100) == WAIT_OBJECT_0) FindNextChangeNotification(change);
      }
      FindCloseChangeNotification(change);
    });
  }

  Sleep(1000);  // threads settled
  std::printf("idle\n");  // the script starts measuring the server here
  std::fflush(stdout);
  const double cpuBefore = CpuSeconds();
  const ULONGLONG wallBefore = GetTickCount64();
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = (GetTickCount64() - wallBefore) / 1000.0;

  stop = true;
  for (auto& poller : pollers) poller.join();
  for (auto& watch : watches) watch->Stop();

  std::printf("mode=%s watchers=%d idle_seconds=%.1f cpu_seconds=%.3f core_percent=%.3f\n", poll ? "poll" : "wait",
              watching, wall, cpu, 100.0 * cpu / wall);
  std::fflush(stdout);
  return watching == count ? 0 : 1;
}
