#include "engine/backup_log.h"

#include <gtest/gtest.h>

#include "base/sjis.h"

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

}  // namespace
}  // namespace dm
