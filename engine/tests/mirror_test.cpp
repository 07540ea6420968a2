#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

const DateTimeParts kTime = LocalTime(2007, 1, 10, 12, 0, 0);

class MirrorTest : public EngineRunTest {
 protected:
  void SetUp() override {
    fs.AddFile("C:\\src\\a.txt", "a", kTime);
    fs.AddFile("D:\\dst\\a.txt", "a", kTime);
  }
  std::vector<std::string> Deletions() const {
    std::vector<std::string> lines;
    for (const std::string& text : window.Texts()) {
      if (text.find("削除") != std::string::npos || text.rfind("エラー|", 0) == 0) lines.push_back(text);
    }
    return lines;
  }
};

TEST_F(MirrorTest, DeletesWhatTheSourceNoLongerHoldsContentsFirst) {
  fs.AddFile("D:\\dst\\b.txt", "b", kTime, kAttrReadOnly);
  fs.AddFile("D:\\dst\\old\\1.txt", "1", kTime);
  fs.AddFile("D:\\dst\\old\\2.txt", "2", kTime);
  fs.AddFile("D:\\dst\\excluded.bak", "kept? no", kTime);
  BackupJob job = Job();
  job.Filter = "*.bak";  // exclusions do not protect destination files
  Run(job);
  EXPECT_EQ(Deletions(), (std::vector<std::string>{"ファイル削除|D:\\dst\\b.txt",
                                                   "ファイル削除|D:\\dst\\excluded.bak",
                                                   "ファイル削除|D:\\dst\\old\\1.txt",
                                                   "ファイル削除|D:\\dst\\old\\2.txt",
                                                   "フォルダ削除|D:\\dst\\old"}));
  EXPECT_EQ(fs.Below("D:\\dst"), (std::vector<std::string>{"D:\\dst\\a.txt"}));
  EXPECT_TRUE(fs.recycled.empty());
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");  // deletions are not counted
}

TEST_F(MirrorTest, RecycleBinAndSubDirOff) {
  fs.AddFile("D:\\dst\\b.txt", "b", kTime);
  fs.AddFile("D:\\dst\\old\\1.txt", "1", kTime);
  BackupJob job = Job();
  job.GotoTrash = 1;
  job.SubDir = false;
  Run(job);
  EXPECT_EQ(fs.recycled, (std::vector<std::string>{"D:\\dst\\b.txt"}));
  EXPECT_TRUE(fs.Exists("D:\\dst\\old\\1.txt"));  // sub-folders are left alone
}

TEST_F(MirrorTest, FailedDeleteIsReportedNotCounted) {
  fs.AddFile("D:\\dst\\b.txt", "b", kTime);
  fs.AddFile("D:\\dst\\c.txt", "c", kTime);
  fs.undeletable = {"D:\\dst\\b.txt"};
  Run(Job());
  EXPECT_EQ(Deletions(), (std::vector<std::string>{"ファイル削除|D:\\dst\\b.txt", "エラー|ファイルの削除に失敗しました",
                                                   "ファイル削除|D:\\dst\\c.txt"}));
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");
}

// A source drive or share that disappears between the copy and the mirror
// must not empty the backup.
class VanishingSource : public FakeFileSystem {
 public:
  std::unique_ptr<DirectoryListing> OpenListing(const std::string& folder, uint32_t& error) override {
    if (folder == "C:\\src" && ++sourceListings == 2) gone = true;  // mirroring has begun
    if (gone && folder.rfind("C:\\src", 0) == 0) {
      error = kErrorPathNotFound;
      return nullptr;
    }
    return FakeFileSystem::OpenListing(folder, error);
  }
  uint32_t ProbeName(const std::string& path) override {
    if (gone && path.rfind("C:\\src", 0) == 0) return kErrorPathNotFound;
    return FakeFileSystem::ProbeName(path);
  }
  bool Lookup(const std::string& path, DirEntry& entry) override {
    if (gone && path.rfind("C:\\src", 0) == 0) return false;
    return FakeFileSystem::Lookup(path, entry);
  }
  bool IsFolder(const std::string& path) override {
    if (gone && path.rfind("C:\\src", 0) == 0) return false;
    return FakeFileSystem::IsFolder(path);
  }
  bool gone = false;
  int sourceListings = 0;
};

TEST(MirrorSafety, VanishedSourceDeletesNothing) {
  VanishingSource fs;
  const DateTimeParts t = LocalTime(2007, 1, 10);
  fs.AddFile("C:\\src\\a.txt", "a", t);
  fs.AddFile("D:\\dst\\a.txt", "a", t);
  fs.AddFile("D:\\dst\\b.txt", "b", t);
  fs.AddFile("D:\\dst\\sub\\c.txt", "c", t);
  RecordingWindow window;
  RunControl control;
  FixedClock clock{t};
  BackupSetting setting = FileDefaultSetting("m");
  setting[kSrc] = "C:\\src";
  setting[kDst] = "D:\\dst";
  TFileBackupThread run(kRunManual, RunOptions{.statusLevel = 3, .finishDelayMs = 0},
                        RunServices{fs, window, control, clock});
  run.AddJob(MakeBackupJob(setting, true));
  run.Execute();
  EXPECT_EQ(fs.Below("D:\\dst").size(), 4u);
  EXPECT_EQ(window.TitlesOfKind(kReportError),
            (std::vector<std::string>{"エラー|ソース側フォルダが見つかりません C:\\src"}));
  EXPECT_EQ(run.ErrorCount(), 1);
}

}  // namespace
}  // namespace dm
