// What a run must never do to the user's data, on the fake file system:
// take an unreadable folder for an empty one, mirror a source into its own
// backup, leave temporaries that block later updates, or overflow on deep
// trees. Each case runs twice: the first run makes the backup, the second
// meets the fault, and the backup must be what it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "base/paths.h"
#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::ElementsAre;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

class DataSafetyTest : public EngineRunTest {
 protected:
  // Each run's lines on their own.
  int Run(const BackupJob& job, BackupRunMode mode = kRunManual) {
    window = RecordingWindow();
    return EngineRunTest::Run(job, mode);
  }
  // Files and folders below a folder with their contents.
  std::map<std::string, std::string> Snapshot(const std::string& folder) const {
    std::map<std::string, std::string> files;
    for (const std::string& path : fs.Below(folder)) files[path] = fs.Content(path);
    return files;
  }
};

// A source folder that cannot be read completely keeps its whole backup,
// is reported with the system's reason, and the rest of the job goes on.
TEST_F(DataSafetyTest, UnreadableSourceFoldersKeepTheirBackup) {
  struct Case {
    const char* what;
    std::function<void(FakeFileSystem&)> fault;
    std::vector<std::string> errors;  // error lines, then the notice's code
    std::vector<std::string> gone;    // what mirroring may still delete
  };
  const std::vector<Case> cases = {
      {"unreadable root", [](FakeFileSystem& f) { f.unlistable = {"C:\\src"}; },
       {"フォルダの読み取りに失敗しました。C:\\src", "(5) "}, {}},
      {"unreadable sub-folder", [](FakeFileSystem& f) { f.unlistable = {"C:\\src\\sub"}; },
       {"フォルダの読み取りに失敗しました。C:\\src\\sub", "(5) "}, {"D:\\dst\\stale.txt"}},
      {"unreadable deeper down", [](FakeFileSystem& f) { f.unlistable = {"C:\\src\\sub\\deep"}; },
       {"フォルダの読み取りに失敗しました。C:\\src\\sub\\deep", "(5) "},
       {"D:\\dst\\stale.txt", "D:\\dst\\sub\\stale.txt"}},
      {"listing breaks off", [](FakeFileSystem& f) { f.listingBreaksAfter = {{"C:\\src", 3}}; },
       {"フォルダの読み取りに失敗しました。C:\\src", "(30) "}, {}},
      {"sub-folder left out of the listing",
       [](FakeFileSystem& f) { f.hiddenFromListings = {"C:\\src\\sub"}; },
       {"ソース側を確認できないため削除しません C:\\src\\sub", "(18) "}, {"D:\\dst\\stale.txt"}},
      {"file left out of the listing", [](FakeFileSystem& f) { f.hiddenFromListings = {"C:\\src\\a.txt"}; },
       {"ソース側を確認できないため削除しません C:\\src\\a.txt", "(18) "},
       {"D:\\dst\\stale.txt", "D:\\dst\\sub\\stale.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs = FakeFileSystem();
    fs.AddFile("C:\\src\\a.txt", "a", kOld);
    fs.AddFile("C:\\src\\b.txt", "b", kOld);
    fs.AddFile("C:\\src\\sub\\c.txt", "c", kOld);
    fs.AddFile("C:\\src\\sub\\deep\\d.txt", "d", kOld);
    ASSERT_EQ(Run(Job()), 0);
    // Strays that a sound mirror deletes, where it may.
    fs.AddFile("D:\\dst\\stale.txt", "s", kOld);
    fs.AddFile("D:\\dst\\sub\\stale.txt", "s", kOld);
    std::map<std::string, std::string> before = Snapshot("D:\\dst");
    for (const std::string& path : c.gone) before.erase(path);

    c.fault(fs);
    EXPECT_EQ(Run(Job()), 1);
    EXPECT_EQ(Snapshot("D:\\dst"), before);
    // The error and the system's reason, one after the other.
    std::vector<std::string> texts = window.Texts();
    auto error = std::find(texts.begin(), texts.end(), "エラー|" + c.errors[0]);
    ASSERT_NE(error, texts.end());
    ASSERT_NE(error + 1, texts.end());
    EXPECT_EQ((error + 1)->rfind("通知|" + c.errors[1], 0), 0u) << *(error + 1);
    EXPECT_EQ(window.updates.back(), "0:2007/12/31 9:00:05");  // the job went on to its end
  }
}

TEST_F(DataSafetyTest, WhatCouldBeReadIsStillCopied) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  fs.AddFile("C:\\src\\sub\\b.txt", "b", kOld);
  fs.AddFile("C:\\src\\z.txt", "z", kOld);
  fs.unlistable = {"C:\\src\\sub"};
  EXPECT_EQ(Run(Job()), 1);
  EXPECT_EQ(fs.Content("D:\\dst\\a.txt"), "a");
  EXPECT_EQ(fs.Content("D:\\dst\\z.txt"), "z");
  EXPECT_EQ(window.finishedErrorLines, 1);
}

// A source inside its backup folder is refused as a whole; a backup folder
// inside its source is left out of the walk.
TEST_F(DataSafetyTest, OverlappingFolders) {
  struct Case {
    const char* src;
    const char* dst;
    bool dateFolder;
    bool refused;
  };
  const Case cases[] = {
      {"D:\\p\\data", "D:\\p", false, true},
      {"D:\\p", "D:\\p", false, true},
      {"\\\\?\\D:\\P\\DATA\\", "d:/p/", false, true},
      {"D:\\p\\.\\data\\..\\data", "D:\\P\\", false, true},
      {"D:\\p", "D:\\p", true, true},  // every day's folder would hold the days before
      {"D:\\p\\data", "D:\\p\\data2", false, false},
      {"D:\\p", "D:\\p\\backup", false, false},
      {"D:\\p", "D:\\p\\backup", true, false},
      {"D:\\p", "D:\\p\\backup\\", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.src) + " -> " + c.dst);
    fs = FakeFileSystem();
    fs.AddFile("D:\\p\\data\\keep.txt", "k", kOld);
    fs.AddFile("D:\\p\\data\\excluded.bak", "only copy", kOld);
    fs.AddFile("D:\\p\\other.txt", "o", kOld);
    std::map<std::string, std::string> source = Snapshot("D:\\p\\data");
    BackupJob job = Job(c.src, c.dst);
    job.Filter = "*.bak";
    job.DateFolder = c.dateFolder;
    int errors = Run(job);
    errors += Run(job);  // a second run must not nest the backup deeper
    for (const auto& [path, content] : source) EXPECT_EQ(fs.Content(path), content) << path;
    if (c.refused) {
      EXPECT_EQ(errors, 2);
      std::string job_dst = c.dateFolder ? JoinPath(c.dst, "20071231") : std::string(c.dst);
      EXPECT_THAT(Lines("エラー"), ElementsAre("ソース側フォルダとバックアップ先フォルダが重なっています " +
                                              std::string(c.src) + " --> " + job_dst));
      EXPECT_THAT(window.TitlesOfKind(kReportNewCopy), ElementsAre());
      continue;
    }
    EXPECT_EQ(errors, 0);
    for (const std::string& path : fs.Below("D:\\p")) {
      EXPECT_EQ(path.find("backup\\backup"), std::string::npos) << path;
      EXPECT_EQ(path.find("backup\\20071231\\backup"), std::string::npos) << path;
    }
  }
}

TEST_F(DataSafetyTest, BackupFolderInsideTheSourceIsNamedOnce) {
  fs.AddFile("D:\\p\\a.txt", "a", kOld);
  Run(Job("D:\\p", "D:\\p\\backup"));
  Run(Job("D:\\p", "D:\\p\\backup"));
  EXPECT_THAT(Lines("通知"), ElementsAre("D:\\p\\backup はバックアップ先のフォルダなので無視します"));
  EXPECT_EQ(fs.Content("D:\\p\\backup\\a.txt"), "a");
}

// Temporaries of a run that was killed in mid-copy are removed by the next
// run that copies into their folder, and none can block an update.
TEST_F(DataSafetyTest, LeftoverTemporariesNeverBlockAnUpdate) {
  fs.AddFile("C:\\src\\a.txt", "new", kNew);
  fs.AddFile("D:\\dst\\a.txt", "old", kOld);
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs.AddFile(TemporaryCopyName("D:\\dst\\a.txt", attempt), "partial", kNew, attempt % 2 ? kAttrReadOnly : 0);
  }
  fs.AddFile("C:\\src\\~dmk0badf00d.tmp", "the user's own", kOld);  // a source file of that form stays
  BackupJob job = Job();
  job.Mirror = false;
  EXPECT_EQ(Run(job), 0);
  EXPECT_EQ(fs.Content("D:\\dst\\a.txt"), "new");
  EXPECT_EQ(fs.Content("D:\\dst\\~dmk0badf00d.tmp"), "the user's own");
  EXPECT_EQ(fs.Below("D:\\dst").size(), 2u);
}

TEST_F(DataSafetyTest, LeftoverThatCannotBeRemovedIsReported) {
  fs.AddFile("C:\\src\\a.txt", "new", kNew);
  fs.AddFile("D:\\dst\\a.txt", "old", kOld);
  std::string leftover = TemporaryCopyName("D:\\dst\\a.txt", 0);
  fs.AddFile(leftover, "partial", kNew);
  fs.undeletable = {leftover};
  BackupJob job = Job();
  job.Mirror = false;
  Run(job);
  EXPECT_THAT(Lines("エラー"), ElementsAre("中断されたコピーの一時ファイルを削除できませんでした " + leftover));
  EXPECT_EQ(fs.Content("D:\\dst\\a.txt"), "new");  // another name served
  EXPECT_EQ(window.finishedErrorLines, 1);
}

TEST_F(DataSafetyTest, ReadOnlyCopyWhoseRenameFailsLeavesNoTemporary) {
  fs.AddFile("C:\\src\\a.txt", "new", kNew, kAttrReadOnly);
  fs.AddFile("D:\\dst\\a.txt", "old", kOld);
  fs.AddFile("C:\\src\\b.txt", "b", kNew, kAttrReadOnly);
  fs.failMoveTo = {"D:\\dst\\a.txt"};
  BackupJob job = Job();
  job.Mirror = false;
  EXPECT_EQ(Run(job), 1);
  EXPECT_EQ(fs.Content("D:\\dst\\a.txt"), "old");
  EXPECT_NE(fs.Find("D:\\dst\\b.txt")->attributes & kAttrReadOnly, 0u);  // read-only, once in place
  EXPECT_EQ(fs.Below("D:\\dst").size(), 2u);
}

// A file's name is matched as Windows matches it, and the destination may
// change between its listing and the copy.
TEST_F(DataSafetyTest, DestinationMatchedByNameAndCheckedAtTheCopy) {
  fs.AddFile("C:\\src\\a_sub\\x.txt", "x", kOld);
  fs.AddFile("C:\\src\\Report.TXT", "same", kOld);
  fs.AddFile("C:\\src\\NEWER.txt", "newer", kNew);
  fs.AddFile("C:\\src\\vanishing.txt", "v", kNew);
  fs.AddFile("C:\\src\\locked.txt", "l", kNew);
  fs.AddFile("D:\\dst\\report.txt", "same", kOld);
  fs.AddFile("D:\\dst\\newer.TXT", "older", kOld);
  fs.AddFile("D:\\dst\\vanishing.txt", "v0", kOld);
  fs.AddFile("D:\\dst\\locked.txt", "l0", kOld);
  // After the root's listings, while the sub-folder is walked.
  fs.onList = [this](const std::string& folder) {
    if (folder != "C:\\src\\a_sub") return;
    fs.RemoveFile("D:\\dst\\vanishing.txt");
    fs.SetAttributes("D:\\dst\\locked.txt", kAttrReadOnly);
  };
  BackupJob job = Job();
  job.Mirror = false;
  EXPECT_EQ(Run(job), 1);
  EXPECT_THAT(window.TitlesOfKind(kReportUpdateCopy),
              ElementsAre("更新コピー|D:\\dst\\locked.txt", "更新コピー|D:\\dst\\NEWER.txt",
                          "更新コピー|D:\\dst\\vanishing.txt"));
  EXPECT_EQ(fs.Content("D:\\dst\\newer.txt"), "newer");
  EXPECT_EQ(fs.Content("D:\\dst\\vanishing.txt"), "v");
  EXPECT_EQ(fs.Content("D:\\dst\\locked.txt"), "l0");
  EXPECT_EQ(summary, "( 新規:1  更新:2  エラー:1 )");
}

// What a run asks the file system does not grow with the number of files:
// a listing of each side per folder, and for mirroring only the folders
// where the backup holds strays are listed again; sub-folders are numbered
// from their parents' listings, so none is opened just for its number.
TEST_F(DataSafetyTest, FileSystemCallsPerFolderNotPerFile) {
  for (int i = 0; i < 30; ++i) {
    fs.AddFile("C:\\src\\d" + std::to_string(i % 3) + "\\f" + std::to_string(i) + ".txt", "x", kOld);
  }
  auto calls_of_a_run = [this] {
    fs.calls.clear();
    Run(Job());
    int total = 0;
    for (const auto& [name, count] : fs.calls) total += count;
    return std::make_pair(fs.calls["OpenListing"], total);
  };
  // First run: the source listed; the backup is new, so nothing to mirror.
  auto first = calls_of_a_run();
  EXPECT_EQ(first.first, 4);
  // No folder of this tree is numbered like the source's lineage or the
  // backup, so none is asked in full.
  EXPECT_EQ(fs.calls["IdentityOf"], 2 + 2);
  EXPECT_EQ(fs.calls["NumberOf"], 0);
  // + the job's two folder checks, 4 folders made, copy and rename; what the
  // source, its drive and the backup (before and once made) are.
  EXPECT_EQ(first.second, 4 + 2 + 4 + 30 * 2 + 2 + 2);
  // Nothing changed: both sides walked, and mirroring lists nothing again.
  EXPECT_EQ(calls_of_a_run(), std::make_pair(2 * 4, 2 * 4 + 2 + 3));
  EXPECT_EQ(fs.calls["IdentityOf"], 2 + 1);
  EXPECT_EQ(fs.calls["NumberOf"], 0);
  // Strays in two folders: those are listed on both sides again to mirror.
  fs.AddFile("D:\\dst\\d1\\stray.txt", "s", kOld);
  fs.AddFile("D:\\dst\\d2\\old\\stray.txt", "s", kOld);
  std::pair<int, int> with_strays = calls_of_a_run();
  EXPECT_EQ(with_strays.first, 2 * 4 + 2 * 2 + 1);  // d1 and d2 again, d2\\old (no source) listed once
  EXPECT_FALSE(fs.Exists("D:\\dst\\d1\\stray.txt"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\d2\\old"));
  EXPECT_EQ(fs.Below("D:\\dst").size(), 3u + 30u);
}

// A tree of one folder per level, made up from the path alone so that ten
// thousand levels cost no memory: the source C:\\s\\a\\a\\...\\deep.txt, and
// in the backup D:\\d the copy as the run makes it, beside an equally deep
// stray D:\\d\\b\\a\\...\\stray.txt that mirroring must take apart.
class DeepTreeFileSystem : public FileSystem {
 public:
  explicit DeepTreeFileSystem(int depth) : depth_(depth) {}

  std::unique_ptr<DirectoryListing> OpenListing(const std::string& folder, uint32_t& error) override {
    std::vector<DirEntry> entries{Folder("."), Folder("..")};
    Place place = Parse(folder);
    if (!place.valid || !Exists(place)) {
      error = kErrorPathNotFound;
      return nullptr;
    }
    int bottom = place.side == 's' ? depth_ : place.side == 'a' ? copiedDepth_ : depth_ - 1;
    if (place.side == 'r') {
      if (copiedDepth_ >= 1) entries.push_back(Folder("a"));
      if (strayFrom_ > 1) entries.push_back(Folder("b"));
    } else if (place.level < bottom) {
      entries.push_back(Folder("a"));
    } else if (place.side == 's' || (place.side == 'a' && copied_) || (place.side == 'b' && strayFrom_ > depth_)) {
      DirEntry file;
      file.name = place.side == 'b' ? "stray.txt" : "deep.txt";
      file.size = 4;
      file.dosTime = 0x36000000;
      entries.push_back(file);
    }
    return std::make_unique<Listing>(std::move(entries));
  }
  std::string NameKey(std::string_view name) override { return std::string(name); }
  uint32_t ProbeName(const std::string& path) override {
    return Parse(path).valid && Exists(Parse(path)) ? 0 : kErrorFileNotFound;
  }
  bool Lookup(const std::string&, DirEntry&) override { return false; }
  bool IsFolder(const std::string& path) override { return Parse(path).valid && Exists(Parse(path)); }
  uint32_t CreateFolders(const std::string& path) override {
    Place place = Parse(path);
    if (place.side == 'a') copiedDepth_ = std::max(copiedDepth_, place.level);
    return place.valid ? 0 : kErrorPathNotFound;
  }
  uint32_t GetAttributes(const std::string&) override { return kAttrDirectory; }
  bool SetAttributes(const std::string&, uint32_t) override { return true; }
  uint32_t CopyFileTo(const std::string&, const std::string&, const CopyProgress&) override { return 0; }
  uint32_t MoveReplacing(const std::string&, const std::string& to) override {
    copied_ = FileNamePart(to) == "deep.txt";
    return 0;
  }
  bool RemoveFile(const std::string&) override { return true; }
  bool SetFileTimes(const std::string&, const FileTimes&) override { return true; }
  int ShellDelete(const std::string& path, bool) override {
    // Deepest first: the file, then each folder up to "b".
    Place place = Parse(path);
    if (place.side != 'b' && place.side != 'x') return 2;
    strayFrom_ = place.side == 'x' ? depth_ : place.level;
    return 0;
  }
  RecycleBinInfo RecycleBinOf(const std::string&) override { return {}; }
  std::unique_ptr<AppendFile> OpenAppend(const std::string&) override { return nullptr; }
  std::string ErrorMessage(uint32_t code) override { return std::to_string(code); }

  int copiedDepth() const { return copiedDepth_; }
  bool copied() const { return copied_; }
  bool strayGone() const { return strayFrom_ == 1; }

 private:
  struct Place {
    bool valid = false;
    char side = 0;  // 's' source, 'r' backup root, 'a' the copy, 'b' the stray, 'x' the stray file
    int level = 0;  // folders below C:\\s, or below D:\\d counting "a" or "b" as the first
  };
  class Listing : public DirectoryListing {
   public:
    explicit Listing(std::vector<DirEntry> entries) : entries_(std::move(entries)) {}
    bool Next(DirEntry& entry) override {
      if (next_ == entries_.size()) return false;
      entry = entries_[next_++];
      return true;
    }

   private:
    std::vector<DirEntry> entries_;
    size_t next_ = 0;
  };
  static DirEntry Folder(const char* name) {
    DirEntry entry;
    entry.name = name;
    entry.attributes = kAttrDirectory;
    return entry;
  }
  Place Parse(std::string_view path) const {
    Place place;
    bool source = path.rfind("C:\\s", 0) == 0;
    if (!source && path.rfind("D:\\d", 0) != 0) return place;
    path.remove_prefix(4);
    place.side = source ? 's' : 'r';
    if (!source && path.rfind("\\b", 0) == 0) {
      place.side = 'b';
      place.level = 1;
      path.remove_prefix(2);
    }
    while (path.rfind("\\a", 0) == 0 && (path.size() == 2 || path[2] == '\\')) {
      if (place.side == 'r') place.side = 'a';
      ++place.level;
      path.remove_prefix(2);
    }
    if (path == "\\stray.txt" && place.side == 'b') {
      place.side = 'x';
      path = {};
    }
    if (path == "\\deep.txt") path = {};
    place.valid = path.empty() && place.level <= depth_;
    return place;
  }
  bool Exists(const Place& place) const {
    switch (place.side) {
      case 's': return true;
      case 'r': return true;
      case 'a': return place.level <= copiedDepth_;
      case 'b': return strayFrom_ > place.level;
      case 'x': return strayFrom_ > depth_;
    }
    return false;
  }

  const int depth_;
  int copiedDepth_ = 0;
  bool copied_ = false;
  int strayFrom_ = 1 << 30;  // the stray's folders above this level exist; its file while above depth_
};

TEST(DeepTrees, TenThousandLevelsNeitherOverflowNorCrawl) {
  const int depth = 10000;
  DeepTreeFileSystem fs(depth);
  NullRunWindow window;  // keeps no status texts: each is a path of 20,000 characters
  RunControl control;
  FixedClock clock{LocalTime(2007, 12, 31)};
  BackupSetting setting = FileDefaultSetting("deep");
  setting[kSrc] = "C:\\s";
  setting[kDst] = "D:\\d";
  setting[kFilter] = "";
  RunOptions options{.statusLevel = 1, .finishDelayMs = 0};
  options.statusBarProgress = true;
  options.wholeProgress = true;  // the counting walk too
  TFileBackupThread run(kRunManual, options, RunServices{fs, window, control, clock});
  run.AddJob(MakeBackupJob(setting, true));
  run.Execute();
  EXPECT_EQ(fs.copiedDepth(), depth);
  EXPECT_TRUE(fs.copied());
  EXPECT_TRUE(fs.strayGone());
  EXPECT_EQ(run.Summary(), "( 新規:1  更新:0  エラー:0 )");
}

// Every error line counts for the exit code of a command-line run, also
// the ones that do not add to the error count.
TEST_F(DataSafetyTest, ErrorLinesReachTheEndOfTheRun) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  fs.AddFile("D:\\dst\\gone.txt", "g", kOld);
  fs.undeletable = {"D:\\dst\\gone.txt"};
  EXPECT_EQ(Run(Job()), 0);
  EXPECT_THAT(Lines("エラー"), ElementsAre("ファイルの削除に失敗しました",
                                          "削除できません。(5) アクセスが拒否されました。 D:\\dst\\gone.txt"));
  EXPECT_EQ(window.finishedErrorLines, 2);
}

}  // namespace
}  // namespace dm
