// One folder reached under a second name (a folder link, a second drive
// letter) is still one folder: the overlap of source and backup, loops in
// the walk and the mirror's deletions are judged by what folders are, not by
// how their paths are written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "base/paths.h"
#include "base/text.h"
#include "engine/folder_identity.h"
#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);

TEST(FolderIdentityTest, VolumeTheSystemCannotNameGivesNoIdentity) {
  EXPECT_FALSE(MakeFolderIdentity(1, 0, 0, 1).Known());
  EXPECT_FALSE(MakeFolderIdentity(0, 5, 0, 1).Known());
  FolderIdentity a = MakeFolderIdentity(1, 5, 0, 1);
  EXPECT_TRUE(a.SameFolder(MakeFolderIdentity(1, 5, 0, 1)));
  EXPECT_FALSE(a.SameFolder(MakeFolderIdentity(2, 5, 0, 1)));  // another scheme's numbers
  EXPECT_FALSE(a.SameFolder(MakeFolderIdentity(1, 5, 1, 1)));  // the upper 64 bits count
  EXPECT_FALSE(FolderIdentity().SameFolder(FolderIdentity()));
}

TEST(FolderIdentityTest, SelfAndAncestorsStopAtTheVolumeRoot) {
  EXPECT_THAT(SelfAndAncestors("C:\\a\\b"), ElementsAre("C:\\a\\b", "C:\\a", "C:\\"));
  EXPECT_THAT(SelfAndAncestors("C:\\"), ElementsAre("C:\\"));
  EXPECT_THAT(SelfAndAncestors("\\\\srv\\share\\x"), ElementsAre("\\\\srv\\share\\x", "\\\\srv\\share\\"));
}

// Folders by path, for guards that ask what a folder is; `asked` counts
// the full questions.
struct Folders {
  std::map<std::string, FolderIdentity> byPath;
  int asked = 0;
  void Add(const std::string& path, uint64_t volume, uint64_t id, uint64_t number) {
    FolderIdentity identity = MakeFolderIdentity(1, volume, 0, id);
    identity.number = number;
    byPath[path] = identity;
  }
  MetFolder Met(const std::string& path) { return MetFolder(path, byPath[path].number); }
  IdentityLookup Lookup() {
    return [this](const std::string& path) {
      ++asked;
      return byPath[path];
    };
  }
};

TEST(FolderIdentityTest, WalkGuardLooksOnlyAtTheCurrentPath) {
  Folders f;
  f.Add("top", 9, 1, 1);
  f.Add("a", 9, 2, 2);
  f.Add("b", 9, 3, 3);
  f.Add("backup", 9, 4, 4);
  f.Add("unknown", 0, 5, 5);
  WalkGuard guard;
  guard.AddBackupFolder(f.byPath["backup"]);
  guard.AddBackupFolder(FolderIdentity());
  guard.Enter(f.Met("top"), 0);
  guard.Enter(f.Met("a"), 1);
  auto visit = [&](const std::string& path, size_t depth) {
    MetFolder met = f.Met(path);
    return guard.Visit(met, depth, f.Lookup());
  };
  EXPECT_EQ(visit("top", 2), FolderVisit::kLoop);
  EXPECT_EQ(visit("a", 2), FolderVisit::kLoop);
  EXPECT_EQ(visit("backup", 2), FolderVisit::kBackupFolder);
  EXPECT_EQ(visit("unknown", 2), FolderVisit::kEnter);
  // Back at depth 1, a's sibling b; a is no longer on the path.
  guard.Enter(f.Met("b"), 1);
  EXPECT_EQ(visit("a", 2), FolderVisit::kEnter);
  EXPECT_EQ(visit("b", 1), FolderVisit::kEnter);  // a sibling of b's, not its child
  EXPECT_EQ(visit("b", 2), FolderVisit::kLoop);
}

// File numbers repeat from one volume to the next: a number alike is only
// a reason to ask both folders in full, and folders numbered differently
// are never asked.
TEST(FolderIdentityTest, OnlyFoldersNumberedAlikeAreAskedInFull) {
  struct Case {
    const char* what;
    uint64_t volume, id, number;  // the folder met, beside top (9, 1, #100) on the walk's path
    FolderVisit visit;
    int asked;  // full questions: the folder met, and top once
  };
  const Case cases[] = {
      {"another number", 9, 2, 200, FolderVisit::kEnter, 0},
      {"same number on another volume", 8, 1, 100, FolderVisit::kEnter, 2},
      {"same number, same volume, another id", 9, 2, 100, FolderVisit::kEnter, 2},
      {"the same folder under another name", 9, 1, 100, FolderVisit::kLoop, 2},
      {"number not known: asked in full", 9, 1, 0, FolderVisit::kLoop, 2},
      {"number not known, another folder", 9, 2, 0, FolderVisit::kEnter, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folders f;
    f.Add("top", 9, 1, 100);
    f.Add("met", c.volume, c.id, c.number);
    WalkGuard guard;
    guard.Enter(f.Met("top"), 0);
    MetFolder met = f.Met("met");
    EXPECT_EQ(guard.Visit(met, 1, f.Lookup()), c.visit);
    EXPECT_EQ(f.asked, c.asked);
    // Asked again, nothing is asked twice.
    EXPECT_EQ(guard.Visit(met, 1, f.Lookup()), c.visit);
    EXPECT_EQ(f.asked, c.asked);
  }
  // A walk's top folder that could not be identified (Wine's folders on a
  // Linux file system without a drive letter of its own) matches nothing,
  // and costs no question.
  {
    Folders f;
    f.Add("met", 9, 1, 100);
    WalkGuard guard;
    guard.Enter(MetFolder("top", FolderIdentity()), 0);
    MetFolder met = f.Met("met");
    EXPECT_EQ(guard.Visit(met, 1, f.Lookup()), FolderVisit::kEnter);
    EXPECT_EQ(f.asked, 0);
  }
  // Against the source's lineage, held in full: only the folder met is asked.
  Folders f;
  f.Add("source", 9, 1, 100);
  f.Add("elsewhere", 8, 1, 100);
  f.Add("alias", 9, 1, 100);
  SourceLineage lineage;
  lineage.Add(f.byPath["source"]);
  MetFolder elsewhere = f.Met("elsewhere");
  EXPECT_FALSE(lineage.IsSourceOrAncestor(elsewhere, f.Lookup()));
  MetFolder alias = f.Met("alias");
  EXPECT_TRUE(lineage.IsSourceOrAncestor(alias, f.Lookup()));
  EXPECT_EQ(f.asked, 2);
}

class FolderAliasTest : public EngineRunTest {
 protected:
  int Run(const BackupJob& job) {
    window = RecordingWindow();
    return EngineRunTest::Run(job);
  }
  std::map<std::string, std::string> Snapshot(const std::string& folder) const {
    std::map<std::string, std::string> files;
    for (const std::string& path : fs.Below(folder)) files[path] = fs.Content(path);
    return files;
  }
  // A walk that never ends is stopped, so a fault shows as a failure.
  void StopEndlessWalks() {
    listings_ = 0;
    fs.onList = [this](const std::string&) {
      if (++listings_ > 400) control.RequestAbort();
    };
  }

 private:
  int listings_ = 0;
};

// The source D:\p\data (with a sub-folder, a file the filter keeps out of
// the backup, and a sibling D:\p\other.txt) run twice against backup folders
// that are written one way and are another.
TEST_F(FolderAliasTest, OverlapAndLoopsByIdentity) {
  const std::string refused_line = "ソース側フォルダとバックアップ先フォルダが重なっています ";
  struct Case {
    const char* what;
    std::function<void(FakeFileSystem&)> links;
    const char* src;
    const char* dst;
    bool dateFolder;
    std::vector<std::string> notices;  // "通知" lines of each run, besides none
    std::vector<std::string> backup;   // files below `backupRoot` after both runs; empty: refused
    const char* backupRoot;
  };
  const std::vector<Case> cases = {
      {"same folder by two paths (drive alias)", [](FakeFileSystem& f) { f.AddDriveAlias("Z:", "D:\\p"); },
       "D:\\p\\data", "Z:\\data", false, {}, {}, ""},
      {"backup is the source's parent through a link",
       [](FakeFileSystem& f) { f.AddLink("D:\\p\\plink", "D:\\p"); }, "D:\\p\\data", "D:\\p\\plink", false, {}, {},
       ""},
      {"backup is the source's parent through a second drive letter",
       [](FakeFileSystem& f) { f.AddDriveAlias("Z:", "D:\\"); }, "D:\\p\\data", "Z:\\p", false, {}, {}, ""},
      {"backup is the source's drive root through a link", [](FakeFileSystem& f) { f.AddLink("C:\\d", "D:\\"); },
       "D:\\p\\data", "C:\\d", false, {}, {}, ""},
      {"date folders inside the source's alias", [](FakeFileSystem& f) { f.AddDriveAlias("Z:", "D:\\p"); },
       "D:\\p\\data", "Z:\\data", true, {}, {}, ""},
      {"backup inside the source through a second drive letter",
       [](FakeFileSystem& f) { f.AddDriveAlias("Z:", "D:\\"); }, "D:\\p\\data", "Z:\\p\\data\\bk", false,
       {"D:\\p\\data\\bk はバックアップ先のフォルダなので無視します"},
       {"D:\\p\\data\\bk\\keep.txt", "D:\\p\\data\\bk\\sub", "D:\\p\\data\\bk\\sub\\s.txt"}, "D:\\p\\data\\bk"},
      {"backup inside the source through a link", [](FakeFileSystem& f) { f.AddLink("D:\\q", "D:\\p\\data"); },
       "D:\\p\\data", "D:\\q\\bk", false, {"D:\\p\\data\\bk はバックアップ先のフォルダなので無視します"},
       {"D:\\p\\data\\bk\\keep.txt", "D:\\p\\data\\bk\\sub", "D:\\p\\data\\bk\\sub\\s.txt"}, "D:\\p\\data\\bk"},
      {"date folders inside the source through a link",
       [](FakeFileSystem& f) { f.AddLink("D:\\q", "D:\\p\\data"); }, "D:\\p\\data", "D:\\q\\bk", true,
       {"D:\\p\\data\\bk はバックアップ先のフォルダなので無視します"},
       {"D:\\p\\data\\bk\\20071231", "D:\\p\\data\\bk\\20071231\\keep.txt", "D:\\p\\data\\bk\\20071231\\sub",
        "D:\\p\\data\\bk\\20071231\\sub\\s.txt"},
       "D:\\p\\data\\bk"},
      {"sibling through a second drive letter", [](FakeFileSystem& f) { f.AddDriveAlias("Z:", "D:\\p"); },
       "D:\\p\\data", "Z:\\data2", false, {},
       {"D:\\p\\data2\\keep.txt", "D:\\p\\data2\\sub", "D:\\p\\data2\\sub\\s.txt"}, "D:\\p\\data2"},
      {"link to a folder elsewhere is followed",
       [](FakeFileSystem& f) {
         f.AddFile("E:\\far\\f.txt", "f", kOld);
         f.AddLink("D:\\p\\data\\sub\\far", "E:\\far");
       },
       "D:\\p\\data", "C:\\bk", false, {},
       {"C:\\bk\\keep.txt", "C:\\bk\\sub", "C:\\bk\\sub\\far", "C:\\bk\\sub\\far\\f.txt", "C:\\bk\\sub\\s.txt"},
       "C:\\bk"},
      // The fake numbers folders by their path without the drive, so these
      // folders have a source folder's or the backup's number, on another
      // volume: asked in full, they are other folders.
      {"same path on another drive", [](FakeFileSystem&) {}, "D:\\p\\data", "C:\\p\\data", false, {},
       {"C:\\p\\data\\keep.txt", "C:\\p\\data\\sub", "C:\\p\\data\\sub\\s.txt"}, "C:\\p\\data"},
      {"a source folder numbered like the backup", [](FakeFileSystem&) {}, "D:\\p\\data",
       "C:\\p\\data\\sub", false, {},
       {"C:\\p\\data\\sub\\keep.txt", "C:\\p\\data\\sub\\sub", "C:\\p\\data\\sub\\sub\\s.txt"},
       "C:\\p\\data\\sub"},
      {"link to a folder numbered like the source",
       [](FakeFileSystem& f) {
         f.AddFile("E:\\p\\data\\f.txt", "f", kOld);
         f.AddLink("D:\\p\\data\\sub\\far", "E:\\p\\data");
       },
       "D:\\p\\data", "C:\\bk", false, {},
       {"C:\\bk\\keep.txt", "C:\\bk\\sub", "C:\\bk\\sub\\far", "C:\\bk\\sub\\far\\f.txt",
        "C:\\bk\\sub\\s.txt"},
       "C:\\bk"},
      {"link back to an ancestor", [](FakeFileSystem& f) { f.AddLink("D:\\p\\data\\sub\\loop", "D:\\p\\data"); },
       "D:\\p\\data", "C:\\bk", false, {"D:\\p\\data\\sub\\loop は上位のフォルダへのリンクなので無視します"},
       {"C:\\bk\\keep.txt", "C:\\bk\\sub", "C:\\bk\\sub\\s.txt"}, "C:\\bk"},
      {"link back to the drive root", [](FakeFileSystem& f) { f.AddLink("D:\\p\\data\\sub\\root", "D:\\"); },
       "D:\\p\\data", "C:\\bk", false, {"D:\\p\\data\\sub\\root は上位のフォルダへのリンクなので無視します"},
       {"C:\\bk\\keep.txt", "C:\\bk\\sub", "C:\\bk\\sub\\s.txt"}, "C:\\bk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs = FakeFileSystem();
    control.Reset();
    fs.AddFile("D:\\p\\data\\keep.txt", "k", kOld);
    fs.AddFile("D:\\p\\data\\excluded.bak", "only copy", kOld);
    fs.AddFile("D:\\p\\data\\sub\\s.txt", "s", kOld);
    fs.AddFile("D:\\p\\other.txt", "o", kOld);
    c.links(fs);
    std::map<std::string, std::string> before = Snapshot("D:\\p");
    StopEndlessWalks();
    BackupJob job = Job(c.src, c.dst);
    job.Filter = "*.bak";
    job.DateFolder = c.dateFolder;
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(run == 0 ? "first run" : "second run");
      int errors = Run(job);
      EXPECT_FALSE(control.AbortRequested()) << "the walk did not end";
      if (control.AbortRequested()) break;
      std::string job_dst = c.dateFolder ? JoinPath(c.dst, "20071231") : std::string(c.dst);
      if (c.backup.empty()) {
        EXPECT_EQ(errors, 1);
        EXPECT_THAT(Lines("エラー"), ElementsAre(refused_line + c.src + " --> " + job_dst));
        EXPECT_THAT(window.TitlesOfKind(kReportNewCopy), IsEmpty());
        EXPECT_EQ(fs.calls["ShellDelete"], 0);
      } else {
        EXPECT_EQ(errors, 0);
        EXPECT_THAT(Lines("エラー"), IsEmpty());
        EXPECT_THAT(Lines("通知"), ElementsAreArray(c.notices));
      }
    }
    // The source and its sibling as they were, the excluded file included;
    // a backup inside the source is all that was added there.
    std::map<std::string, std::string> after = Snapshot("D:\\p");
    if (!c.backup.empty() && StartsWith(c.backupRoot, "D:\\p\\")) {
      for (const std::string& path : fs.Below(c.backupRoot)) after.erase(path);
      after.erase(c.backupRoot);
      if (c.dateFolder) after.erase(ParentPath(c.backup[0]));
    }
    EXPECT_EQ(after, before);
    if (!c.backup.empty()) {
      EXPECT_THAT(fs.Below(c.backupRoot), ElementsAreArray(c.backup));
    }
  }
}

// Whatever the paths say, mirroring deletes no backup entry that is the
// source or one of its ancestors, nor any folder holding one; the rest of
// the stale backup still goes.
TEST_F(FolderAliasTest, MirrorNeverDeletesTheSourceOrItsAncestors) {
  fs.AddFile("D:\\p\\data\\keep.txt", "k", kOld);
  fs.AddFile("D:\\p\\data\\excluded.bak", "only copy", kOld);
  fs.AddFile("D:\\p\\other.txt", "o", kOld);
  fs.AddFile("C:\\bk\\stale.txt", "x", kOld);
  fs.AddFile("C:\\bk\\gone\\deep\\stale.txt", "x", kOld);
  fs.AddLink("C:\\bk\\old", "D:\\p\\data");             // the source itself
  fs.AddLink("C:\\bk\\up", "D:\\p");                    // its parent
  fs.AddLink("C:\\bk\\gone\\deep\\src", "D:\\p\\data");  // held by folders the mirror would delete
  std::map<std::string, std::string> before = Snapshot("D:\\p");
  BackupJob job = Job("D:\\p\\data", "C:\\bk");
  job.Filter = "*.bak";
  EXPECT_EQ(Run(job), 3);
  EXPECT_EQ(Snapshot("D:\\p"), before);
  EXPECT_THAT(Lines("エラー"), ElementsAre("ソース側フォルダまたはその上位のフォルダのため削除しません C:\\bk\\gone\\deep\\src",
                                          "ソース側フォルダまたはその上位のフォルダのため削除しません C:\\bk\\old",
                                          "ソース側フォルダまたはその上位のフォルダのため削除しません C:\\bk\\up"));
  EXPECT_THAT(Lines("ファイル削除"), ElementsAre("C:\\bk\\gone\\deep\\stale.txt", "C:\\bk\\stale.txt"));
  EXPECT_THAT(Lines("フォルダ削除"), IsEmpty());
  EXPECT_EQ(fs.Content("C:\\bk\\keep.txt"), "k");
}

// A link in the backup named like a source folder passes the walk's
// comparison by name, so mirroring enters it on the walk's record of the
// backup rather than a listing of its own: it still asks what the link
// leads to, and deletes nothing of the source's parent behind it.
TEST_F(FolderAliasTest, MirrorEnteringOnTheWalksRecordStillAsksWhatALinkIs) {
  fs.AddFile("D:\\p\\data\\sub\\b.txt", "b", kOld);
  fs.AddFile("D:\\p\\other.txt", "o", kOld);
  fs.AddFolder("C:\\bk");
  fs.AddLink("C:\\bk\\sub", "D:\\p");  // the source's parent, under a source folder's name
  EXPECT_EQ(Run(Job("D:\\p\\data", "C:\\bk")), 1);
  EXPECT_THAT(Lines("エラー"), ElementsAre("ソース側フォルダまたはその上位のフォルダのため削除しません C:\\bk\\sub"));
  EXPECT_THAT(Lines("ファイル削除"), IsEmpty());
  EXPECT_THAT(Lines("フォルダ削除"), IsEmpty());
  EXPECT_EQ(fs.Content("D:\\p\\other.txt"), "o");
  EXPECT_EQ(fs.Content("D:\\p\\data\\sub\\b.txt"), "b");
}

// A stale backup folder numbered like the source, on another volume, is
// mirrored like any other.
TEST_F(FolderAliasTest, MirrorDeletesAStaleFolderNumberedLikeTheSource) {
  fs.AddFile("D:\\bk\\x\\a.txt", "a", kOld);
  fs.AddFile("C:\\bk\\x\\old.txt", "o", kOld);  // C:\\bk\\x: the number of D:\\bk\\x
  EXPECT_EQ(Run(Job("D:\\bk\\x", "C:\\bk")), 0);
  EXPECT_THAT(Lines("エラー"), IsEmpty());
  EXPECT_THAT(fs.Below("C:\\bk"), ElementsAre("C:\\bk\\a.txt"));
  EXPECT_EQ(fs.Content("D:\\bk\\x\\a.txt"), "a");
}

// The counting walk leaves out what the copy walk does, so the progress
// total is the number of files that will be considered.
TEST_F(FolderAliasTest, CountingWalkSkipsLoopsAndTheBackup) {
  fs.AddFile("D:\\p\\a.txt", "a", kOld);
  fs.AddFile("D:\\p\\sub\\b.txt", "b", kOld);
  fs.AddLink("D:\\p\\sub\\loop", "D:\\p");
  fs.AddDriveAlias("Z:", "D:\\p");
  fs.AddFile("D:\\p\\bk\\old.txt", "o", kOld);
  options.statusBarProgress = true;
  options.wholeProgress = true;
  mirror = false;
  StopEndlessWalks();
  Run(Job("D:\\p", "Z:\\bk"));
  EXPECT_FALSE(control.AbortRequested());
  EXPECT_THAT(window.panels, ::testing::Contains("2:2/2"));
}

}  // namespace
}  // namespace dm
