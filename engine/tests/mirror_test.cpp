#include <gtest/gtest.h>

#include <algorithm>

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
                                                   "エラー|削除できません。(5) アクセスが拒否されました。 D:\\dst\\b.txt",
                                                   "ファイル削除|D:\\dst\\c.txt"}));
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");
}

// Mirroring into the bin deletes nothing for good in the bin's name: where
// the backup's volume has no bin, or an entry is larger than it, the entry
// stays, each is named in a detailed notice, and one error line per job
// says how many and what turning the option off does.
TEST_F(MirrorTest, RecycleBinThatWillNotTakeTheEntries) {
  const std::string kept_tail =
      "ため、ミラーリングで削除する 3 個の項目を残しました。「削除したファイルをごみ箱に入れる」をオフにすると完全に削除されます "
      "D:\\dst";
  struct Case {
    const char* what;
    RecycleBinInfo bin;
    bool recycle;
    std::vector<std::string> gone;   // deleted backup entries
    std::vector<std::string> lines;  // deletions, notices after the header and errors
  };
  const RecycleBinInfo removable{RecycleBinKind::kMissing, NoBinReason::kRemovable, 0};
  const std::vector<std::string> all = {"D:\\dst\\b.txt", "D:\\dst\\old", "D:\\dst\\old\\big.bin"};
  const std::vector<Case> cases = {
      {"a bin that takes them", {}, true, all,
       {"ファイル削除|D:\\dst\\b.txt", "ファイル削除|D:\\dst\\old\\big.bin", "フォルダ削除|D:\\dst\\old"}},
      {"removable drive", removable, true, {},
       {"通知|ごみ箱に入らないため削除しません D:\\dst\\b.txt", "通知|ごみ箱に入らないため削除しません D:\\dst\\old\\big.bin",
        "通知|ごみ箱に入らないため削除しません D:\\dst\\old", "エラー|リムーバブルドライブにはごみ箱がない" + kept_tail}},
      {"bin turned off", {RecycleBinKind::kMissing, NoBinReason::kTurnedOff, 0}, true, {},
       {"通知|ごみ箱に入らないため削除しません D:\\dst\\b.txt", "通知|ごみ箱に入らないため削除しません D:\\dst\\old\\big.bin",
        "通知|ごみ箱に入らないため削除しません D:\\dst\\old",
        "エラー|このドライブではごみ箱を使わない設定になっている" + kept_tail}},
      {"an entry larger than the bin, and the folder holding it", {RecycleBinKind::kTakes, NoBinReason::kNone, 10},
       true, {"D:\\dst\\b.txt"},
       {"ファイル削除|D:\\dst\\b.txt", "通知|ごみ箱に入らないため削除しません D:\\dst\\old\\big.bin",
        "通知|ごみ箱に入らないため削除しません D:\\dst\\old",
        "エラー|ごみ箱の最大サイズより大きいため、ミラーリングで削除する 2 個の項目を残しました。"
        "「削除したファイルをごみ箱に入れる」をオフにすると完全に削除されます D:\\dst"}},
      {"network: deleted as the shell does there, said once", {RecycleBinKind::kNetwork, NoBinReason::kNone, 0}, true,
       all,
       {"通知|ネットワーク上のため、ミラーリングで削除するファイルはごみ箱に入らず完全に削除されます D:\\dst",
        "ファイル削除|D:\\dst\\b.txt", "ファイル削除|D:\\dst\\old\\big.bin", "フォルダ削除|D:\\dst\\old"}},
      {"the option off: deleted for good", removable, false, all,
       {"ファイル削除|D:\\dst\\b.txt", "ファイル削除|D:\\dst\\old\\big.bin", "フォルダ削除|D:\\dst\\old"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs = FakeFileSystem();
    window = RecordingWindow();
    SetUp();
    fs.AddFile("D:\\dst\\b.txt", "b", kTime);
    fs.AddFile("D:\\dst\\old\\big.bin", "larger than ten bytes", kTime);
    fs.recycleBins["D:"] = c.bin;
    BackupJob job = Job();
    job.GotoTrash = c.recycle;
    Run(job);
    for (const std::string& path : all) {
      bool gone = std::find(c.gone.begin(), c.gone.end(), path) != c.gone.end();
      EXPECT_EQ(fs.Exists(path), !gone) << path;
    }
    std::vector<std::string> lines;
    for (const std::string& text : window.Texts()) {
      if (text.find("削除") != std::string::npos || text.rfind("エラー|", 0) == 0) lines.push_back(text);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(fs.calls["RecycleBinOf"], c.recycle ? 1 : 0);  // once per job
    EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");   // like a failed deletion, not counted
    bool kept = c.gone.size() < all.size();
    EXPECT_EQ(window.finishedErrorLines, kept ? 1 : 0);  // but a command-line run ends with 1
  }
}

TEST_F(MirrorTest, BinAskedOnlyWhenSomethingIsToBeDeleted) {
  fs.recycleBins["D:"] = {RecycleBinKind::kMissing, NoBinReason::kRemovable, 0};
  BackupJob job = Job();
  job.GotoTrash = 1;
  Run(job);
  EXPECT_EQ(fs.calls["RecycleBinOf"], 0);
  EXPECT_EQ(window.finishedErrorLines, 0);

  // A test run shows what the real one would keep, and keeps everything.
  fs.AddFile("D:\\dst\\b.txt", "b", kTime);
  window = RecordingWindow();
  Run(job, kRunTest);
  EXPECT_TRUE(fs.Exists("D:\\dst\\b.txt"));
  EXPECT_EQ(Lines("通知").back(), "ごみ箱に入らないため削除しません D:\\dst\\b.txt");
  EXPECT_EQ(Lines("エラー").size(), 1u);
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
