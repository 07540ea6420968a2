// Runs one backup job over a folder tree with the real Win32 file system and
// prints how long it took, what it did and the process's peak memory.
//
//   engine_bench.exe SRC DST MODE LEVEL [THREADS [LOGLEVEL]]
//     MODE     manual | test
//     LEVEL    status level 0..3 (3: every line reaches the window)
//     THREADS  files copied at the same time (2, as the program does)
//     LOGLEVEL daily log level 0..3 (0: no log), written beside DST
//
// It also counts the file-system calls the run makes (calls= and the most
// frequent ones), and per file of the tree (calls_per_file=).
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "base/paths.h"
#include "base/win/wide.h"
#include "bench/counting_file_system.h"
#include "engine/backup_thread.h"
#include "engine/win32/win32_file_system.h"

namespace {

// Keeps the newest lines the way the status list does, under a lock, so
// the cost of handing every line over is part of the figure.
class BoundedWindow : public dm::NullRunWindow {
 public:
  void AddStatusLine(const dm::ReportLine& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    if (lines_.size() > 100) lines_.pop_front();
    ++count_;
  }
  long Count() const { return count_; }

 private:
  std::mutex mutex_;
  std::deque<dm::ReportLine> lines_;
  long count_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5 || argc > 7) {
    std::fprintf(stderr, "usage: engine_bench SRC DST manual|test LEVEL [THREADS [LOGLEVEL]]\n");
    return 2;
  }
  std::string src = dm::WideToUtf8(argv[1]);
  std::string dst = dm::WideToUtf8(argv[2]);
  bool test_mode = std::wstring(argv[3]) == L"test";
  int level = _wtoi(argv[4]);

  dm::BackupSetting setting = dm::FileDefaultSetting("bench");
  setting[dm::kSrc] = src;
  setting[dm::kDst] = dst;
  setting[dm::kFilter] = "";
  setting[dm::kMirror] = "1";

  dm::Win32FileSystem system_fs;
  dm::CountingFileSystem fs(system_fs);
  BoundedWindow window;
  dm::RunControl control;
  dm::RunOptions options;
  options.statusLevel = level;
  options.finishDelayMs = 0;
  options.copyThreads = argc >= 6 ? _wtoi(argv[5]) : 2;
  options.logLevel = argc >= 7 ? _wtoi(argv[6]) : 0;
  options.logFolder = dm::ParentPath(dst) + "\\";
  dm::TFileBackupThread run(test_mode ? dm::kRunTest : dm::kRunManual, options,
                            dm::RunServices{fs, window, control, dm::SystemClock()});
  run.AddJob(dm::MakeBackupJob(setting, true));

  auto start = std::chrono::steady_clock::now();
  run.Execute();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::string counts;
  for (const auto& [name, count] : fs.Counts()) counts += " " + name + "=" + std::to_string(count);
  std::printf("seconds=%.2f new=%d updated=%d errors=%d lines=%ld peak_mb=%.1f calls=%ld%s\n", seconds,
              run.NewCount(), run.UpdatedCount(), run.ErrorCount(), window.Count(),
              memory.PeakWorkingSetSize / 1048576.0, fs.Total(), counts.c_str());
  return 0;
}
