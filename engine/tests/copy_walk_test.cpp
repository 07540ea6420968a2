// The copy walk: the folders it enters, creates and leaves out, the
// exclusion patterns, and the progress it shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, NewerFilesAreCopiedOthersLeftAlone) {
  fs.AddFile("C:\\src\\new.txt", "n", kOld);
  fs.AddFile("C:\\src\\newer.txt", "source", kNew);
  fs.AddFile("D:\\dst\\newer.txt", "old", kOld);
  fs.AddFile("C:\\src\\same.txt", "source", kOld);
  fs.AddFile("D:\\dst\\same.txt", "dest", kOld);
  fs.AddFile("C:\\src\\older.txt", "source", kOld);
  fs.AddFile("D:\\dst\\older.txt", "dest", kNew);
  fs.AddFile("C:\\src\\sub\\deep.txt", "deep", kOld);
  Run(Job());

  EXPECT_EQ(fs.Content("D:\\dst\\new.txt"), "n");
  EXPECT_EQ(fs.Content("D:\\dst\\newer.txt"), "source");
  EXPECT_EQ(fs.Content("D:\\dst\\same.txt"), "dest");
  EXPECT_EQ(fs.Content("D:\\dst\\older.txt"), "dest");
  EXPECT_EQ(fs.Content("D:\\dst\\sub\\deep.txt"), "deep");
  EXPECT_FALSE(AnyTemporaryBelow("D:\\dst"));
  EXPECT_EQ(summary, "( 新規:2  更新:1  エラー:0 )");

  std::vector<std::string> expected = {
      "手動バックアップ開始|2007/12/31 9:00:05",
      "【job】|C:\\src --> D:\\dst",
      "新規コピー|D:\\dst\\new.txt",
      "更新コピー|D:\\dst\\newer.txt",
      "フォルダ作成|D:\\dst\\sub",
      "新規コピー|D:\\dst\\sub\\deep.txt",
      "手動バックアップ終了|2007/12/31 9:00:05( 新規:2  更新:1  エラー:0 )",
  };
  EXPECT_EQ(window.Texts(), expected);
  EXPECT_EQ(window.lines[0].title, "09:00:05 手動バックアップ開始");
  EXPECT_EQ(window.events, (std::vector<std::string>{"running", "started", "idle", "finished"}));
  EXPECT_EQ(window.updates, (std::vector<std::string>{"0:バックアップ中...", "0:2007/12/31 9:00:05"}));
  EXPECT_TRUE(window.modified);
}

TEST_F(BackupRunTest, ExclusionPatterns) {
  fs.AddFile("C:\\src\\A.TMP", "x", kOld);
  fs.AddFile("C:\\src\\~$doc.docx", "x", kOld);
  fs.AddFile("C:\\src\\keep.txt", "x", kOld);
  fs.AddFile("C:\\src\\Temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\other\\o.txt", "x", kOld);

  BackupJob job = Job();
  job.Filter = " *.tmp | ~* ";
  job.FilterFolder = "temp";  // a bare name never matches a full path
  Run(job);
  EXPECT_TRUE(HasLine("除外ファイル|c:\\src\\a.tmp"));
  EXPECT_TRUE(HasLine("除外ファイル|c:\\src\\~$doc.docx"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\A.TMP"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\Temp\\t.txt"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\a\\temp\\t.txt"));

  fs = FakeFileSystem();
  window = RecordingWindow();
  fs.AddFile("C:\\src\\Temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\other\\o.txt", "x", kOld);
  job.FilterFolder = "*\\temp";
  Run(job);
  EXPECT_TRUE(HasLine("除外フォルダ|c:\\src\\temp"));
  EXPECT_TRUE(HasLine("通知|C:\\src\\Temp フォルダ内のファイルは無視します"));
  EXPECT_TRUE(HasLine("除外フォルダ|c:\\src\\a\\temp"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\Temp"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\a\\temp"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\a\\other\\o.txt"));
}

TEST_F(BackupRunTest, ThirtyOnePatternsKeepTheFirstThirty) {
  std::string filter;
  for (int i = 1; i <= 31; ++i) filter += (i > 1 ? "|" : "") + std::string("f") + std::to_string(i) + ".txt";
  fs.AddFile("C:\\src\\f30.txt", "x", kOld);
  fs.AddFile("C:\\src\\f31.txt", "x", kOld);
  BackupJob job = Job();
  job.Filter = filter;
  job.FilterFolder = filter;
  Run(job);
  EXPECT_EQ(window.TitlesOfKind(kReportError),
            (std::vector<std::string>{"エラー|【job】で指定された除外ファイルが多すぎます(max=30)",
                                      "エラー|【job】で指定された除外フォルダが多すぎます(max=30)",
                                      "除外ファイル|c:\\src\\f30.txt"}));
  EXPECT_TRUE(fs.Exists("D:\\dst\\f31.txt"));
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:0 )");  // too many patterns is no copy error
}

TEST_F(BackupRunTest, MissingSourceAndUncreatableDestinationAreErrors) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  fs.AddFile("D:\\keep\\stays.txt", "x", kOld);
  fs.uncreatable = {"E:\\nowhere"};
  BackupJob missing = Job("C:\\missing", "D:\\keep");
  missing.Mirror = true;
  BackupJob uncreatable = Job("C:\\src", "E:\\nowhere");
  BackupJob fine = Job("C:\\src", "D:\\fine");
  options.statusBarProgress = true;
  Run({missing, uncreatable, fine});
  EXPECT_TRUE(HasLine("エラー|ソース側フォルダが見つかりません C:\\missing"));
  EXPECT_TRUE(HasLine("エラー|フォルダの作成に失敗しました"));
  // Followed by the path and the reason, a missing drive's for one.
  EXPECT_TRUE(HasLine("エラー|フォルダを作成できません。(3) 指定されたパスが見つかりません。 E:\\nowhere"));
  EXPECT_EQ(CountLines("通知"), 2);  // "ミラーリングを中止します。" after each failed job
  EXPECT_TRUE(fs.Exists("D:\\keep\\stays.txt"));  // no mirroring after a failed walk
  EXPECT_TRUE(fs.Exists("D:\\fine\\a.txt"));
  EXPECT_THAT(window.updates, Contains("0:処理中止"));
  EXPECT_THAT(window.updates, Contains("1:処理中止"));
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:2 )");
}

TEST_F(BackupRunTest, ProgressPanels) {
  fs.AddFile("C:\\src\\a.txt", "aaaa", kOld);
  fs.AddFile("C:\\src\\b.txt", "bbbb", kOld);
  fs.AddFile("C:\\src\\x.bak", "x", kOld);
  BackupJob job = Job();
  job.Filter = "*.bak";
  options.statusBarProgress = true;
  options.wholeProgress = true;
  Run(job);
  EXPECT_THAT(window.panels, Contains("0:調査中..."));
  EXPECT_THAT(window.panels, Contains("2:1/2"));
  EXPECT_THAT(window.panels, Contains("2:2/2"));
  EXPECT_THAT(window.panels, Contains("3:D:\\dst\\b.txt"));
  EXPECT_THAT(window.progress, Contains(100));

  window = RecordingWindow();
  options.wholeProgress = false;
  Run(job);
  EXPECT_THAT(window.panels, Contains("2:1/?"));
}

}  // namespace
}  // namespace dm

namespace dm {
namespace {

// A profile as Windows makes it: compatibility junctions under the old
// names lead into the profile itself, and deny listing to everyone.
class ProfileTest : public EngineRunTest {
 protected:
  void SetUp() override {
    fs.AddFile("C:\\Users\\me\\AppData\\Roaming\\app.ini", "ini", kOld);
    fs.AddFile("C:\\Users\\me\\Documents\\doc.txt", "doc", kOld);
    fs.AddFile("C:\\Users\\me\\Music\\song.mp3", "song", kOld);
    AddJunction("C:\\Users\\me\\Application Data", "C:\\Users\\me\\AppData\\Roaming");
    AddJunction("C:\\Users\\me\\My Documents", "C:\\Users\\me\\Documents");
    AddJunction("C:\\Users\\me\\Documents\\My Music", "C:\\Users\\me\\Music");
  }
  void AddJunction(const std::string& path, const std::string& target) {
    fs.AddLink(path, target, kReparseTagMountPoint);
    fs.unlistable.insert(path);
  }
  std::vector<std::string> Files(const std::string& folder) const {
    std::vector<std::string> files;
    for (const std::string& path : fs.Below(folder)) {
      if (!fs.Find(path)->folder) files.push_back(path);
    }
    return files;
  }
};

TEST_F(ProfileTest, JunctionsIntoTheProfileAreNotWalkedTwice) {
  EXPECT_EQ(Run(Job("C:\\Users\\me", "D:\\dst")), 0);
  EXPECT_EQ(Files("D:\\dst"), (std::vector<std::string>{"D:\\dst\\AppData\\Roaming\\app.ini",
                                                        "D:\\dst\\Documents\\doc.txt", "D:\\dst\\Music\\song.mp3"}));
  EXPECT_FALSE(fs.Exists("D:\\dst\\Application Data"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\My Documents"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\Documents\\My Music"));
  EXPECT_THAT(Lines("通知"), ::testing::IsSupersetOf({
                                 "C:\\Users\\me\\Application Data はソース側フォルダ内へのリンクなので無視します",
                                 "C:\\Users\\me\\My Documents はソース側フォルダ内へのリンクなので無視します",
                                 "C:\\Users\\me\\Documents\\My Music はソース側フォルダ内へのリンクなので無視します",
                             }));
  EXPECT_EQ(window.finishedErrorLines, 0);
  // Asked of the links and of the source, nothing else.
  EXPECT_EQ(fs.calls["FinalPath"], 4);

  // The counting walk leaves them out too: three files to copy.
  options.statusBarProgress = options.wholeProgress = true;
  window = RecordingWindow();
  Run(Job("C:\\Users\\me", "D:\\again"));
  EXPECT_THAT(window.panels, Contains("2:3/3"));
  EXPECT_THAT(window.panels, ::testing::Not(Contains("2:4/3")));
}

TEST_F(ProfileTest, RefusedJunctionOutsideTheSourceIsANotice) {
  EXPECT_EQ(Run(Job("C:\\Users\\me\\Documents", "D:\\docs")), 0);
  EXPECT_EQ(Files("D:\\docs"), (std::vector<std::string>{"D:\\docs\\doc.txt"}));
  EXPECT_FALSE(fs.Exists("D:\\docs\\My Music"));  // no empty folder for it
  EXPECT_THAT(Lines("通知"),
              Contains("C:\\Users\\me\\Documents\\My Music は一覧の読み取りが拒否されたリンクなので無視します"));
  EXPECT_EQ(window.finishedErrorLines, 0);
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:0 )");
}

// Links inside the source, to inside it and to elsewhere, listing allowed
// and refused; an ordinary folder that refuses its listing stays an error.
TEST_F(BackupRunTest, FolderLinksInsideTheSource) {
  struct Case {
    const char* what;
    std::string target;
    uint32_t tag;
    bool refused;
    std::vector<std::string> copies;  // below D:\dst\link
    std::string notice;               // about the link, "" for none
    int errorLines;
  };
  const std::string inside = " はソース側フォルダ内へのリンクなので無視します";
  const Case cases[] = {
      {"junction to inside", "C:\\src\\real", kReparseTagMountPoint, false, {}, inside, 0},
      {"symbolic link to inside", "C:\\src\\real", kReparseTagSymlink, false, {}, inside, 0},
      {"Linux symbolic link under Wine (no tag) to inside", "C:\\src\\real", 0, false, {}, inside, 0},
      {"to inside, listing refused: never listed", "C:\\src\\real", kReparseTagMountPoint, true, {}, inside, 0},
      {"junction to elsewhere: copied as a folder", "E:\\elsewhere", kReparseTagMountPoint, false,
       {"D:\\dst\\link\\e.txt"}, "", 0},
      {"to elsewhere, listing refused", "E:\\elsewhere", kReparseTagMountPoint, true, {},
       " は一覧の読み取りが拒否されたリンクなので無視します", 0},
      // Not a name surrogate (a cloud folder): the folder itself, walked.
      {"another reparse point", "E:\\elsewhere", 0x9000701A, false, {"D:\\dst\\link\\e.txt"}, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs = FakeFileSystem();
    window = RecordingWindow();
    fs.AddFile("C:\\src\\real\\r.txt", "r", kOld);
    fs.AddFile("E:\\elsewhere\\e.txt", "e", kOld);
    fs.AddLink("C:\\src\\link", c.target, c.tag);
    if (c.refused) fs.unlistable = {"C:\\src\\link"};
    BackupJob job = Job();
    job.Mirror = true;
    Run(job);
    EXPECT_EQ(fs.Content("D:\\dst\\real\\r.txt"), "r");
    EXPECT_EQ(fs.Exists("D:\\dst\\link"), !c.copies.empty());
    EXPECT_EQ(fs.Below("D:\\dst\\link"), c.copies);
    if (!c.notice.empty()) EXPECT_THAT(Lines("通知"), Contains("C:\\src\\link" + c.notice));
    EXPECT_EQ(window.finishedErrorLines, c.errorLines);
  }

  fs = FakeFileSystem();
  window = RecordingWindow();
  fs.AddFile("C:\\src\\plain\\p.txt", "p", kOld);
  fs.unlistable = {"C:\\src\\plain"};
  Run(Job());
  EXPECT_TRUE(HasLine("エラー|フォルダの読み取りに失敗しました。C:\\src\\plain"));
}

// Earlier runs followed every link; the copies made through a link now
// skipped stay in the backup, whatever mirroring finds there.
TEST_F(BackupRunTest, MirroringKeepsTheBackupOfASkippedLink) {
  fs.AddFile("C:\\src\\real\\r.txt", "r", kOld);
  fs.AddFile("E:\\music\\m.mp3", "m", kOld);
  fs.AddLink("C:\\src\\inside", "C:\\src\\real", kReparseTagMountPoint);
  fs.AddLink("C:\\src\\refused", "E:\\music", kReparseTagMountPoint);
  fs.unlistable = {"C:\\src\\refused"};
  fs.AddFile("D:\\dst\\inside\\r.txt", "r", kOld);
  fs.AddFile("D:\\dst\\inside\\gone.txt", "from before", kOld);
  fs.AddFile("D:\\dst\\refused\\m.mp3", "m", kOld);
  fs.AddFile("D:\\dst\\stale.txt", "s", kOld);
  BackupJob job = Job();
  job.Mirror = true;
  Run(job);
  EXPECT_TRUE(fs.Exists("D:\\dst\\inside\\r.txt"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\inside\\gone.txt"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\refused\\m.mp3"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\stale.txt"));  // the mirror still works around them
  EXPECT_EQ(window.finishedErrorLines, 0);
}

}  // namespace
}  // namespace dm
