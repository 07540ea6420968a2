#include "engine/backup_log.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "engine/tests/fake_file_system.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace dm {
namespace {

TEST(BackupLog, FileNameByDay) {
  DateTimeParts day;
  day.year = 2007;
  day.month = 1;
  day.day = 5;
  EXPECT_EQ(BackupLogFileName("C:\\Program Files\\Drovenmark\\", day), "C:\\Program Files\\Drovenmark\\20070105.log");
}

TEST(BackupLog, TitlePaddingCountsShiftJisBytes) {
  // Twenty bytes already: no padding.
  EXPECT_EQ(FormatBackupLogLine(2, "手動バックアップ開始", 9, 0, 5, "2007/12/31 9:00:05"),
            Utf8ToSjis(" 2, 手動バックアップ開始, 09:00:05, 2007/12/31 9:00:05\r\n"));
  // Ten bytes: ten blanks follow.
  EXPECT_EQ(FormatBackupLogLine(6, "新規コピー", 23, 59, 59, "D:\\a,b.txt"),
            Utf8ToSjis(" 6, 新規コピー          , 23:59:59, D:\\a,b.txt\r\n"));
  // Longer titles are written whole; kinds of two digits fill the field.
  EXPECT_EQ(FormatBackupLogLine(14, "【とても長い設定の名前です】", 1, 2, 3, ""),
            Utf8ToSjis("14, 【とても長い設定の名前です】, 01:02:03, \r\n"));
  // A path with a name outside the code page still gives a line.
  EXPECT_EQ(FormatBackupLogLine(6, "新規コピー", 0, 0, 0, "C:\\한.txt"),
            Utf8ToSjis(" 6, 新規コピー          , 00:00:00, C:\\?.txt\r\n"));
}

// A file whose bytes a test can read while the log's flusher writes.
class SharedFileSystem : public FakeFileSystem {
 public:
  class File : public AppendFile {
   public:
    explicit File(SharedFileSystem& owner) : owner_(owner) {}
    bool Write(const std::string& bytes) override {
      std::lock_guard<std::mutex> lock(owner_.mutex);
      owner_.written += bytes;
      return true;
    }

   private:
    SharedFileSystem& owner_;
  };
  std::unique_ptr<AppendFile> OpenAppend(const std::string&) override { return std::make_unique<File>(*this); }
  std::string Written() {
    std::lock_guard<std::mutex> lock(mutex);
    return written;
  }
  std::mutex mutex;
  std::string written;
};

// A run that is killed leaves what it did in the file: the lines a person
// looks for at once, the others within the flush delay.
TEST(BackupLog, LinesReachTheFileWhileTheRunGoesOn) {
  SharedFileSystem fs;
  DateTimeParts at = MakeDateTime(2007, 12, 31, 9, 0, 5);
  std::unique_ptr<BackupLog> log = BackupLog::Open(fs, "C:\\p\\", at, 200);
  ASSERT_TRUE(log);
  log->Write(2, "手動バックアップ開始", at, "start");
  EXPECT_EQ(fs.Written(), FormatBackupLogLine(2, "手動バックアップ開始", 9, 0, 5, "start"));
  log->Write(6, "新規コピー", at, "D:\\a.txt");
  log->Write(1, "除外ファイル", at, "c:\\x.tmp");  // an exclusion is no error
  std::string after_start = fs.Written();
  log->Write(1, "エラー", at, "failed");
  EXPECT_NE(fs.Written().find("failed"), std::string::npos);
  log->Write(13, "通知", at, "later");
  for (int waited = 0; waited < 5000 && fs.Written().find("later") == std::string::npos; waited += 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(fs.Written().find("later"), std::string::npos);
  EXPECT_EQ(after_start.find("D:\\a.txt"), std::string::npos);  // the rest waits for the flush
  log.reset();
  EXPECT_EQ(fs.Written().size(), fs.Written().find("later") + std::string("later\r\n").size());
}

}  // namespace
}  // namespace dm
