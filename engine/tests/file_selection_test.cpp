// Which files the walk copies: times, the cut-off date, the attribute
// rules, files kept online only, and files too large for the backup's
// file system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, AllCopyAndToleranceDecideOnPackedTimes) {
  struct Case {
    const char* name;
    int sourceDelta;  // in packed units (2 seconds each) relative to the destination
    bool allCopy;
    bool toleranceOn;
    int tolerance;
    bool copied;
  };
  const Case cases[] = {
      {"older_allcopy", -10, true, false, 0, true},
      {"older_plain", -10, false, false, 0, false},
      {"same", 0, false, false, 0, false},
      {"newer_by_2s_tolerance_1", 1, false, true, 1, false},
      {"newer_by_4s_tolerance_1", 2, false, true, 1, true},
      {"newer_by_2s_tolerance_0", 1, false, true, 0, true},
      {"newer_by_2s_no_tolerance", 1, false, false, 5, true},
  };
  const uint32_t base = ToDosDateTime(LocalTime(2007, 6, 1, 10, 20, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs = FakeFileSystem();
    window = RecordingWindow();
    fs.AddFileDos("C:\\src\\f.txt", "source", base + c.sourceDelta);
    fs.AddFileDos("D:\\dst\\f.txt", "dest", base);
    BackupJob job = Job();
    job.AllCopy = c.allCopy;
    job.PermissibleTimeCheck = c.toleranceOn;
    job.PermissibleTime = std::to_string(c.tolerance);
    Run(job);
    EXPECT_EQ(fs.Content("D:\\dst\\f.txt"), c.copied ? "source" : "dest");
    EXPECT_EQ(CountLines("更新コピー"), c.copied ? 1 : 0);
  }
}

TEST_F(BackupRunTest, CutoffDateSkipsFilesUpToTheDay) {
  fs.AddFile("C:\\src\\midnight.txt", "a", LocalTime(2007, 6, 1, 0, 0, 0));
  fs.AddFile("C:\\src\\one_second.txt", "b", LocalTime(2007, 6, 1, 0, 0, 1));
  fs.AddFile("C:\\src\\two_seconds.txt", "c", LocalTime(2007, 6, 1, 0, 0, 2));
  BackupJob job = Job();
  job.OldFileNoCopy = 1;
  job.OldFileDate = EncodeDate(2007, 6, 1);
  Run(job);
  EXPECT_TRUE(HasLine("通知|基準日以前のファイルは無視します C:\\src\\midnight.txt"));
  EXPECT_TRUE(HasLine("通知|基準日以前のファイルは無視します C:\\src\\one_second.txt"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\midnight.txt"));
  EXPECT_EQ(fs.Content("D:\\dst\\two_seconds.txt"), "c");
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:0 )");
}

TEST_F(BackupRunTest, AttributeRulesApplyOnlyWhenACopyWouldHappen) {
  fs.AddFile("C:\\src\\empty_older.txt", "", kOld);
  fs.AddFile("D:\\dst\\empty_older.txt", "dest", kNew);
  fs.AddFile("C:\\src\\empty.txt", "", kOld);
  fs.AddFile("C:\\src\\readonly.txt", "r", kOld, kAttrReadOnly);
  fs.AddFile("C:\\src\\hidden.txt", "h", kOld, kAttrHidden);
  fs.AddFile("C:\\src\\empty_hidden.txt", "", kOld, kAttrHidden);
  BackupJob job = Job();
  job.NotReadOnly = 1;
  job.NotHidden = 1;
  Run(job);
  EXPECT_EQ(window.TitlesOfKind(kReportNotice).size(), 5u);  // header + four skips
  EXPECT_TRUE(HasLine("通知|０バイトのファイルは無視します C:\\src\\empty.txt"));
  EXPECT_TRUE(HasLine("通知|０バイトのファイルは無視します C:\\src\\empty_hidden.txt"));  // first rule wins
  EXPECT_TRUE(HasLine("通知|読み取り専用属性ファイルは無視します C:\\src\\readonly.txt"));
  EXPECT_TRUE(HasLine("通知|隠しファィル属性ファイルは無視します C:\\src\\hidden.txt"));
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");

  fs = FakeFileSystem();
  window = RecordingWindow();
  fs.AddFile("C:\\src\\empty.txt", "", kOld);
  job.ZeroFile = 1;
  Run(job);
  EXPECT_TRUE(fs.Exists("D:\\dst\\empty.txt"));
}

// A file whose data is online only is not read (reading it downloads it),
// with or without "copy all"; the job says how many; mirroring keeps its
// backup. A file whose data is on this PC is copied.
TEST_F(BackupRunTest, OnlineOnlyFilesAreNotDownloaded) {
  const uint32_t placeholder = kAttrArchive | kAttrReparsePoint | kAttrRecallOnDataAccess;
  fs.AddFile("C:\\src\\cloud.docx", "in the cloud", kNew, placeholder);
  fs.AddFile("C:\\src\\archived.pst", "in remote storage", kNew, kAttrArchive | kAttrOffline);
  fs.AddFile("C:\\src\\virtual.one", "opened only by fetching it", kNew, kAttrArchive | kAttrRecallOnOpen);
  fs.AddFile("C:\\src\\kept.xlsx", "on this PC", kNew, kAttrArchive | kAttrReparsePoint);
  fs.AddFile("C:\\src\\sub\\photo.jpg", "in the cloud", kNew, placeholder);
  fs.AddFile("D:\\dst\\cloud.docx", "last year's copy", kOld);
  for (bool all_copy : {false, true}) {
    SCOPED_TRACE(all_copy ? "copy all" : "newer only");
    window = RecordingWindow();
    BackupJob job = Job();
    job.Mirror = true;
    job.AllCopy = all_copy;
    Run(job);
    EXPECT_TRUE(fs.downloaded.empty());
    EXPECT_EQ(fs.Content("D:\\dst\\cloud.docx"), "last year's copy");  // kept, not deleted
    EXPECT_FALSE(fs.Exists("D:\\dst\\archived.pst"));
    EXPECT_FALSE(fs.Exists("D:\\dst\\sub\\photo.jpg"));
    EXPECT_EQ(fs.Content("D:\\dst\\kept.xlsx"), "on this PC");
    EXPECT_TRUE(HasLine("通知|オンライン専用のファイルはダウンロードしないため無視します C:\\src\\cloud.docx"));
    EXPECT_EQ(Lines("通知").size(), 5u);  // four files named, one count
    EXPECT_TRUE(HasLine("通知|このPCにないオンライン専用のファイル 4 個は、ダウンロードしないようコピーしませんでした。"
                        "バックアップするには「常にこのデバイス上に保持する」にしてください"));
    EXPECT_EQ(window.finishedErrorLines, 0);
    EXPECT_EQ(CountLines("ファイル削除"), 0);
  }
}

// FAT and FAT32 hold no file of 4 GiB or more: such a copy is refused by
// name with the reason before it is tried, and counts as a failed copy.
TEST_F(BackupRunTest, FilesTooLargeForTheBackupsFileSystem) {
  const uint64_t kFourGiB = 1ull << 32;
  struct Case {
    const char* fileSystem;
    uint64_t size;
    bool copied;
  };
  const Case cases[] = {
      {"FAT32", kFourGiB + 1, false}, {"FAT32", kFourGiB, false},    {"FAT32", kFourGiB - 1, true},
      {"FAT", kFourGiB + 1, false},   {"NTFS", kFourGiB + 1, true},  {"exFAT", kFourGiB + 1, true},
      {"", kFourGiB + 1, true},  // unknown: tried, and the system's answer reported as ever
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fileSystem) + " " + std::to_string(c.size));
    fs = FakeFileSystem();
    window = RecordingWindow();
    fs.fileSystems["D:"] = c.fileSystem;
    fs.AddFile("C:\\src\\disk.vhdx", "large", kOld);
    fs.SetSize("C:\\src\\disk.vhdx", c.size);
    fs.AddFile("C:\\src\\other.vhdx", "large too", kOld);
    fs.SetSize("C:\\src\\other.vhdx", c.size);
    fs.AddFile("C:\\src\\small.txt", "s", kOld);
    int errors = Run(Job());
    EXPECT_EQ(fs.Exists("D:\\dst\\disk.vhdx"), c.copied);
    EXPECT_TRUE(fs.Exists("D:\\dst\\small.txt"));
    EXPECT_EQ(errors, c.copied ? 0 : 2);
    if (!c.copied) {
      EXPECT_EQ(Lines("エラー"), (std::vector<std::string>{
                                    "ファイルの新規コピーに失敗しました。" + std::string(c.fileSystem) +
                                        " のドライブには 4 GB 以上のファイルを保存できません。D:\\dst\\disk.vhdx",
                                    "ファイルの新規コピーに失敗しました。" + std::string(c.fileSystem) +
                                        " のドライブには 4 GB 以上のファイルを保存できません。D:\\dst\\other.vhdx"}));
      EXPECT_EQ(CountLines("新規コピー"), 1);  // small.txt only: the refused ones were never announced
      EXPECT_EQ(fs.calls["CopyFileTo"], 1);
    }
    // Asked at the first large file, once per job.
    EXPECT_EQ(fs.calls["VolumeFileSystem"], c.size > kFourGiB - 1 ? 1 : 0);
  }
}

}  // namespace
}  // namespace dm
