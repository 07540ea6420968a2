// Runs with two copy workers: the same results as one at a time, whatever
// order the workers finish in.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "engine/backup_thread.h"
#include "engine/tests/engine_test_support.h"
#include "engine/tests/fake_file_system.h"

namespace dm {
namespace {

// The fake file system behind one lock, so workers may share it.
class LockedFileSystem : public FileSystem {
 public:
  explicit LockedFileSystem(FakeFileSystem& fs) : fs_(fs) {}
  std::unique_ptr<DirectoryListing> OpenListing(const std::string& f, uint32_t& e) override {
    Lock l(m_);
    return fs_.OpenListing(f, e);
  }
  std::string NameKey(std::string_view n) override { Lock l(m_); return fs_.NameKey(n); }
  uint32_t ProbeName(const std::string& p) override { Lock l(m_); return fs_.ProbeName(p); }
  bool Lookup(const std::string& p, DirEntry& e) override { Lock l(m_); return fs_.Lookup(p, e); }
  bool IsFolder(const std::string& p) override { Lock l(m_); return fs_.IsFolder(p); }
  uint32_t CreateFolders(const std::string& p) override { Lock l(m_); return fs_.CreateFolders(p); }
  std::string FinalPath(const std::string& p) override { Lock l(m_); return fs_.FinalPath(p); }
  uint32_t GetAttributes(const std::string& p) override { Lock l(m_); return fs_.GetAttributes(p); }
  bool SetAttributes(const std::string& p, uint32_t a) override { Lock l(m_); return fs_.SetAttributes(p, a); }
  uint32_t CopyFileTo(const std::string& f, const std::string& t, const CopyProgress& p) override {
    Lock l(m_);
    return fs_.CopyFileTo(f, t, p);
  }
  uint32_t MoveReplacing(const std::string& f, const std::string& t) override { Lock l(m_); return fs_.MoveReplacing(f, t); }
  bool RemoveFile(const std::string& p) override { Lock l(m_); return fs_.RemoveFile(p); }
  bool SetFileTimes(const std::string& p, const FileTimes& t) override { Lock l(m_); return fs_.SetFileTimes(p, t); }
  int ShellDelete(const std::string& p, bool r) override { Lock l(m_); return fs_.ShellDelete(p, r); }
  RecycleBinInfo RecycleBinOf(const std::string& p) override { Lock l(m_); return fs_.RecycleBinOf(p); }
  std::string VolumeFileSystem(const std::string& p) override { Lock l(m_); return fs_.VolumeFileSystem(p); }
  std::unique_ptr<AppendFile> OpenAppend(const std::string& p) override { Lock l(m_); return fs_.OpenAppend(p); }
  std::string ErrorMessage(uint32_t c) override {
    // The system takes its time to word a message; other threads go on.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Lock l(m_);
    return fs_.ErrorMessage(c);
  }

 private:
  using Lock = std::lock_guard<std::recursive_mutex>;
  FakeFileSystem& fs_;
  std::recursive_mutex m_;
};

class ParallelCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 40; ++i) {
      fs.AddFile("C:\\src\\d" + std::to_string(i % 4) + "\\f" + std::to_string(i) + ".txt", "new " + std::to_string(i),
                 LocalTime(2007, 2, 1));
    }
    fs.AddFile("D:\\dst\\d0\\f0.txt", "previous", LocalTime(2007, 1, 1));
    fs.AddFile("D:\\dst\\d1\\only_here.txt", "x", LocalTime(2007, 1, 1));
  }
  void Run() {
    BackupSetting setting = FileDefaultSetting("p");
    setting[kSrc] = "C:\\src";
    setting[kDst] = "D:\\dst";
    setting[kFilter] = "";
    TFileBackupThread run(kRunManual, RunOptions{.statusLevel = 3, .finishDelayMs = 0, .copyThreads = 2},
                          RunServices{locked, window, control, clock});
    run.AddJob(MakeBackupJob(setting, true));
    run.Execute();
    summary = run.Summary();
  }
  bool AnyTemporary() const {
    for (const std::string& path : fs.Below("D:\\dst")) {
      if (path.find("~dmk") != std::string::npos) return true;
    }
    return false;
  }

  FakeFileSystem fs;
  LockedFileSystem locked{fs};
  RecordingWindow window;
  RunControl control;
  FixedClock clock{LocalTime(2007, 12, 31, 9, 0, 5)};
  std::string summary;
};

TEST_F(ParallelCopyTest, SameResultsAsOneAtATime) {
  fs.failCopyFrom = {"C:\\src\\d3\\f7.txt"};
  Run();
  EXPECT_EQ(summary, "( 新規:38  更新:1  エラー:1 )");
  EXPECT_EQ(fs.Content("D:\\dst\\d0\\f0.txt"), "new 0");
  EXPECT_EQ(fs.Content("D:\\dst\\d2\\f38.txt"), "new 38");
  EXPECT_FALSE(fs.Exists("D:\\dst\\d3\\f7.txt"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\d1\\only_here.txt"));  // mirrored after every copy ended
  EXPECT_FALSE(AnyTemporary());
  int deletions = 0;
  for (const std::string& line : window.Texts()) deletions += line.rfind("ファイル削除|", 0) == 0;
  EXPECT_EQ(deletions, 1);  // no temporary file was taken for a stray
  EXPECT_EQ(window.updates.back(), "0:2007/12/31 9:00:05");
}

TEST_F(ParallelCopyTest, AbortCancelsCopiesUnderWayAndSkipsMirroring) {
  fs.onCopyChunk = [this](const std::string& from, int chunk) {
    if (from == "C:\\src\\d0\\f0.txt" && chunk == 2) control.RequestAbort();
  };
  Run();
  EXPECT_EQ(fs.Content("D:\\dst\\d0\\f0.txt"), "previous");
  EXPECT_TRUE(fs.Exists("D:\\dst\\d1\\only_here.txt"));
  EXPECT_FALSE(AnyTemporary());
  EXPECT_GE(window.Texts().size(), 1u);
  EXPECT_EQ(window.updates.back(), "0:処理中止");
  EXPECT_EQ(window.events.back(), "finished aborted");
}

// Copies wait in a queue for the workers. An abort leaves the queued ones
// unmade, and the log must not claim them: every file announced as copied
// was copied or has its failure line, and nothing was copied unannounced.
TEST_F(ParallelCopyTest, AnAbortedRunAnnouncesOnlyTheCopiesItBegan) {
  fs.onCopyChunk = [this](const std::string& from, int chunk) {
    if (from == "C:\\src\\d1\\f5.txt" && chunk == 2) control.RequestAbort();
  };
  Run();
  std::set<std::string> announced;
  std::set<std::string> failed;
  for (const std::string& text : window.Texts()) {
    for (const char* prefix : {"新規コピー|", "更新コピー|"}) {
      if (text.rfind(prefix, 0) == 0) announced.insert(text.substr(std::string(prefix).size()));
    }
    for (const char* prefix : {"エラー|ファイルの新規コピーに失敗しました。", "エラー|ファイルの更新コピーに失敗しました。"}) {
      if (text.rfind(prefix, 0) == 0) failed.insert(text.substr(std::string(prefix).size()));
    }
  }
  for (int i = 0; i < 40; ++i) {
    std::string path = "D:\\dst\\d" + std::to_string(i % 4) + "\\f" + std::to_string(i) + ".txt";
    bool copied = fs.Exists(path) && fs.Content(path) == "new " + std::to_string(i);
    if (announced.count(path)) {
      EXPECT_TRUE(copied || failed.count(path)) << path << " announced, neither copied nor failed";
    } else {
      EXPECT_FALSE(copied) << path << " copied unannounced";
    }
  }
  EXPECT_FALSE(AnyTemporary());
  EXPECT_EQ(window.events.back(), "finished aborted");
}

// With two workers failing at the same time, each error line is still
// followed by its own "(code) message" notice, also when the run is
// aborted between the two.
TEST_F(ParallelCopyTest, AFailedCopysLinesStayTogether) {
  for (int i = 0; i < 40; i += 3) fs.failCopyFrom.insert("C:\\src\\d" + std::to_string(i % 4) + "\\f" + std::to_string(i) + ".txt");
  fs.onCopyChunk = [this](const std::string& from, int chunk) {
    if (from == "C:\\src\\d1\\f37.txt" && chunk == 3) control.RequestAbort();
  };
  Run();
  std::vector<std::string> texts = window.Texts();
  int errors = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].rfind("エラー|ファイルの", 0) != 0) continue;
    ++errors;
    ASSERT_LT(i + 1, texts.size());
    EXPECT_EQ(texts[i + 1].rfind("通知|(", 0), 0u) << texts[i] << " / " << texts[i + 1];
  }
  EXPECT_GE(errors, 2);
}

}  // namespace
}  // namespace dm
