// The engine on the real Win32 file functions (under Wine in CI): real
// folders in the temporary directory, real times, attributes and sharing.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/paths.h"
#include "base/sjis.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "engine/backup_thread.h"
#include "engine/tests/engine_test_support.h"
#include "engine/win32/win32_file_system.h"

namespace dm {
namespace {

FILETIME Utc(int year, int month, int day, int hour = 12) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

class Win32EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = JoinPath(WideToUtf8(temp), "dm_engine_" + std::to_string(GetCurrentProcessId()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs.ShellDelete(root, false);
    ASSERT_TRUE(fs.CreateFolderTree(root));
    src = JoinPath(root, "src");
    dst = JoinPath(root, "dst");
    ASSERT_TRUE(fs.CreateFolderTree(src));
  }
  void TearDown() override { fs.ShellDelete(root, false); }

  void Write(const std::string& path, const std::string& content, FILETIME written = Utc(2020, 1, 1)) {
    fs.CreateFolderTree(ParentPath(path));
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.Valid()) << path;
    DWORD written_bytes = 0;
    WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written_bytes, nullptr);
    SetFileTime(file.Get(), nullptr, nullptr, &written);
  }
  std::string Read(const std::string& path) {
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
    if (!file) return "<missing>";
    std::string content(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    content.resize(read);
    return content;
  }
  bool Exists(const std::string& path) { return fs.GetAttributes(path) != kInvalidAttributes; }
  std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    auto listing = fs.List(folder);
    for (DirEntry e; listing && listing->Next(e);) {
      if (!e.IsDotEntry()) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  BackupJob Job() {
    BackupSetting setting = FileDefaultSetting("w");
    setting[kSrc] = src;
    setting[kDst] = dst;
    setting[kFilter] = "";
    setting[kMirror] = "0";
    return MakeBackupJob(setting, true);
  }
  int Run(const BackupJob& job, RunWindow* target = nullptr) {
    TFileBackupThread run(mode, options, RunServices{fs, target ? *target : window, control, SystemClock()});
    run.AddJob(job);
    run.Execute();
    summary = run.Summary();
    return run.ErrorCount();
  }
  bool HasLineContaining(const std::string& part) {
    for (const std::string& t : window.Texts()) {
      if (t.find(part) != std::string::npos) return true;
    }
    return false;
  }

  Win32FileSystem fs;
  RecordingWindow window;
  RunControl control;
  // Two copy workers, as the program runs.
  RunOptions options{.statusLevel = 3, .finishDelayMs = 0, .copyThreads = 2};
  BackupRunMode mode = kRunManual;
  std::string root, src, dst, summary;
};

// The number asked of every folder is the one its full identity carries,
// whatever form of the path asks; folders have their own numbers.
TEST_F(Win32EngineTest, FolderNumbersAgreeWithIdentities) {
  ASSERT_TRUE(fs.CreateFolderTree(JoinPath(src, "a")));
  ASSERT_TRUE(fs.CreateFolderTree(JoinPath(src, "b")));
  FolderIdentity a = fs.IdentityOf(JoinPath(src, "a"));
  ASSERT_TRUE(a.Known());
  EXPECT_NE(a.number, 0u);
  EXPECT_EQ(fs.NumberOf(JoinPath(src, "a")), a.number);
  EXPECT_EQ(fs.NumberOf(JoinPath(src, "A")), a.number);
  EXPECT_NE(fs.NumberOf(JoinPath(src, "b")), a.number);
  EXPECT_EQ(fs.NumberOf(JoinPath(src, "missing")), 0u);
}

// A listing numbers each sub-folder as asking the folder itself would, and
// shows files as looking each up would; it tells a folder that cannot be
// listed (missing, or a file) from an empty one, and lists a drive's root.
TEST_F(Win32EngineTest, ListingsNumberTheirFoldersAndDescribeTheirFiles) {
  ASSERT_TRUE(fs.CreateFolderTree(JoinPath(src, "a")));
  ASSERT_TRUE(fs.CreateFolderTree(JoinPath(src, "empty")));
  Write(JoinPath(src, "f.txt"), "12345", Utc(2021, 6, 7));
  std::vector<DirEntry> entries;
  uint32_t error = 99;
  ASSERT_TRUE(ReadFolder(fs, src, entries, error));
  EXPECT_EQ(error, 0u);
  int seen = 0;
  for (const DirEntry& entry : entries) {
    if (entry.IsDotEntry()) continue;
    ++seen;
    std::string path = JoinPath(src, entry.name);
    if (entry.IsFolder()) {
      EXPECT_NE(entry.number, 0u) << entry.name;
      EXPECT_EQ(entry.number, fs.NumberOf(path)) << entry.name;
    } else {
      DirEntry looked_up;
      ASSERT_TRUE(fs.Lookup(path, looked_up));
      EXPECT_EQ(entry.size, 5u);
      EXPECT_EQ(entry.attributes, looked_up.attributes);
      EXPECT_EQ(entry.times, looked_up.times);
      EXPECT_EQ(entry.dosTime, looked_up.dosTime);
    }
  }
  EXPECT_EQ(seen, 3);
  ASSERT_TRUE(ReadFolder(fs, JoinPath(src, "empty"), entries, error));
  EXPECT_TRUE(std::all_of(entries.begin(), entries.end(), [](const DirEntry& e) { return e.IsDotEntry(); }));
  EXPECT_FALSE(ReadFolder(fs, JoinPath(src, "missing"), entries, error));
  EXPECT_TRUE(IsNotFound(error)) << error;
  EXPECT_FALSE(ReadFolder(fs, JoinPath(src, "f.txt"), entries, error));
  EXPECT_NE(error, 0u);
  EXPECT_TRUE(ReadFolder(fs, VolumeRoot(src), entries, error)) << error;
  EXPECT_FALSE(entries.empty());
}

TEST_F(Win32EngineTest, CopiesNewAndNewerFilesWithAnyName) {
  const char* names[] = {"plain.txt", "ソ表能.txt", "한국어.txt", "emoji😀.txt", "ソ\\表\\能.txt"};
  for (const char* name : names) Write(JoinPath(src, name), std::string("content of ") + name);
  Write(JoinPath(src, "newer.txt"), "new", Utc(2021, 1, 1));
  Write(JoinPath(dst, "newer.txt"), "old", Utc(2020, 1, 1));
  Write(JoinPath(src, "older.txt"), "src", Utc(2020, 1, 1));
  Write(JoinPath(dst, "older.txt"), "dst", Utc(2021, 1, 1));
  EXPECT_EQ(Run(Job()), 0);
  for (const char* name : names) EXPECT_EQ(Read(JoinPath(dst, name)), std::string("content of ") + name) << name;
  EXPECT_EQ(Read(JoinPath(dst, "newer.txt")), "new");
  EXPECT_EQ(Read(JoinPath(dst, "older.txt")), "dst");
  EXPECT_EQ(summary, "( 新規:5  更新:1  エラー:0 )");
  // CopyFileEx carries the last-write time, so a second run has nothing to do.
  window = RecordingWindow();
  Run(Job());
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");
  EXPECT_THAT(Names(dst), ::testing::Not(::testing::Contains(::testing::HasSubstr("~dmk"))));

  // Mirroring removes names outside the code page like any other.
  fs.ShellDelete(JoinPath(src, "한국어.txt"), false);
  fs.ShellDelete(JoinPath(src, "ソ"), false);
  BackupJob mirror = Job();
  mirror.Mirror = true;
  Run(mirror);
  EXPECT_FALSE(Exists(JoinPath(dst, "한국어.txt")));
  EXPECT_FALSE(Exists(JoinPath(dst, "ソ")));
  EXPECT_TRUE(Exists(JoinPath(dst, "emoji😀.txt")));
}

TEST_F(Win32EngineTest, AttributesOfSourceAndDestination) {
  Write(JoinPath(src, "ro.txt"), "new ro", Utc(2021, 1, 1));
  Write(JoinPath(dst, "ro.txt"), "old ro", Utc(2020, 1, 1));
  ASSERT_TRUE(fs.SetAttributes(JoinPath(dst, "ro.txt"), kAttrReadOnly));
  Write(JoinPath(src, "hidden.txt"), "h");
  fs.SetAttributes(JoinPath(src, "hidden.txt"), kAttrHidden);
  Write(JoinPath(src, "readonly.txt"), "r");
  fs.SetAttributes(JoinPath(src, "readonly.txt"), kAttrReadOnly);
  BackupJob job = Job();
  job.NotHidden = 1;
  job.NotReadOnly = 1;
  EXPECT_EQ(Run(job), 0);
  EXPECT_EQ(Read(JoinPath(dst, "ro.txt")), "new ro");  // read-only destination replaced
  EXPECT_FALSE(Exists(JoinPath(dst, "hidden.txt")));
  EXPECT_FALSE(Exists(JoinPath(dst, "readonly.txt")));
  EXPECT_TRUE(HasLineContaining("隠しファィル属性ファイルは無視します"));
  EXPECT_TRUE(HasLineContaining("読み取り専用属性ファイルは無視します"));
}

TEST_F(Win32EngineTest, FailedCopyLeavesThePreviousBackup) {
  Write(JoinPath(src, "locked.txt"), "new content", Utc(2021, 1, 1));
  Write(JoinPath(dst, "locked.txt"), "previous backup", Utc(2020, 1, 1));
  Write(JoinPath(src, "other.txt"), "other");
  // Someone holds the source open without sharing it.
  FileHandle holder(CreateFileW(NativePath(JoinPath(src, "locked.txt")).c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.Valid());
  EXPECT_EQ(Run(Job()), 1);
  holder.Reset();
  EXPECT_EQ(Read(JoinPath(dst, "locked.txt")), "previous backup");
  EXPECT_EQ(Read(JoinPath(dst, "other.txt")), "other");
  EXPECT_EQ(Names(dst), (std::vector<std::string>{"locked.txt", "other.txt"}));  // no temporary file
  EXPECT_TRUE(HasLineContaining("ファイルの更新コピーに失敗しました。"));
  EXPECT_TRUE(HasLineContaining("(32) "));
}

// A hold that ends within the two seconds the copy waits: copied, no error.
TEST_F(Win32EngineTest, FileHeldAMomentIsCopiedOnceReleased) {
  Write(JoinPath(src, "held.txt"), "new content", Utc(2021, 1, 1));
  Write(JoinPath(dst, "held.txt"), "previous backup", Utc(2020, 1, 1));
  FileHandle holder(CreateFileW(NativePath(JoinPath(src, "held.txt")).c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.Valid());
  std::thread release([&holder] {
    Sleep(400);
    holder.Reset();
  });
  EXPECT_EQ(Run(Job()), 0);
  release.join();
  EXPECT_EQ(Read(JoinPath(dst, "held.txt")), "new content");
  EXPECT_TRUE(window.TitlesOfKind(kReportError).empty());
}

// What Wine says of a drive mapped to a Linux folder: a fixed drive whose
// bin (the desktop's trash) takes entries up to 5 % of the disk, an NTFS
// file system; of a letter no drive has, nothing.
TEST_F(Win32EngineTest, VolumeQuestions) {
  RecycleBinInfo bin = fs.RecycleBinOf(dst);
  EXPECT_EQ(bin.kind, RecycleBinKind::kTakes);
  EXPECT_GT(bin.capacity, 0u);
  EXPECT_EQ(fs.VolumeFileSystem(root), "NTFS");
  RecycleBinInfo none = fs.RecycleBinOf("Q:\\nowhere");
  EXPECT_EQ(none.kind, RecycleBinKind::kMissing);
  EXPECT_EQ(fs.VolumeFileSystem("Q:\\nowhere"), "");
  EXPECT_EQ(fs.FinalPath(JoinPath(root, "SRC")), NormalizedPath(src));
  EXPECT_EQ(fs.FinalPath(JoinPath(root, "missing")), "");
  // A missing drive's code reaches the run (Wine answers 2 for a folder on
  // it, 3 for one deeper down).
  EXPECT_EQ(fs.CreateFolders("Q:\\nowhere\\deeper"), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}

// Asks for an abort as soon as the first copy is announced.
class AbortingWindow : public RecordingWindow {
 public:
  explicit AbortingWindow(RunControl& control) : control_(control) {}
  void AddStatusLine(const ReportLine& line) override {
    RecordingWindow::AddStatusLine(line);
    if (line.kind == kReportNewCopy) control_.RequestAbort();
  }

 private:
  RunControl& control_;
};

TEST_F(Win32EngineTest, AbortTakesEffectAtTheNextFile) {
  for (int i = 0; i < 5; ++i) Write(JoinPath(src, "f" + std::to_string(i) + ".txt"), "x");
  AbortingWindow aborting(control);
  Run(Job(), &aborting);
  // The copy under way may finish (Wine's copy cannot be cancelled); nothing after it starts.
  EXPECT_LE(Names(dst).size(), 1u);
  EXPECT_EQ(aborting.TitlesOfKind(kReportNewCopy).size(), 1u);
  EXPECT_EQ(aborting.events.back(), "finished aborted");
}

TEST_F(Win32EngineTest, PathsLongerThanMaxPath) {
  std::string deep = src;
  while (deep.size() < 300) deep = JoinPath(deep, "a_rather_long_folder_name_for_testing");
  Write(JoinPath(deep, "deep file.txt"), "deep");
  Write(JoinPath(dst, "gone\\x.txt"), "x");
  std::string long_gone = dst;
  while (long_gone.size() < 300) long_gone = JoinPath(long_gone, "another_long_folder_name_to_remove");
  Write(JoinPath(long_gone, "y.txt"), "y");
  BackupJob job = Job();
  job.Mirror = true;
  EXPECT_EQ(Run(job), 0);
  std::string copied = dst + deep.substr(src.size());
  EXPECT_GT(copied.size(), 300u);
  EXPECT_EQ(Read(JoinPath(copied, "deep file.txt")), "deep");
  EXPECT_FALSE(Exists(JoinPath(dst, "gone")));
  EXPECT_FALSE(Exists(JoinPath(dst, "another_long_folder_name_to_remove")));
  EXPECT_FALSE(HasLineContaining("失敗"));
}

TEST_F(Win32EngineTest, KeepTimesAndTestMode) {
  Write(JoinPath(src, "t.txt"), "t", Utc(2019, 5, 5));
  BackupJob job = Job();
  job.TimeStampWrite = 1;
  mode = kRunTest;
  Run(job);
  EXPECT_FALSE(Exists(dst));  // a test run creates nothing
  EXPECT_TRUE(HasLineContaining("新規コピー"));
  mode = kRunManual;
  Run(job);
  DirEntry source, copy;
  ASSERT_TRUE(fs.Lookup(JoinPath(src, "t.txt"), source));
  ASSERT_TRUE(fs.Lookup(JoinPath(dst, "t.txt"), copy));
  // Reading the source for the copy moves its access time, so only the
  // creation and write times are compared.
  EXPECT_EQ(copy.times.creation, source.times.creation);
  EXPECT_EQ(copy.times.lastWrite, source.times.lastWrite);
  EXPECT_EQ(copy.dosTime, source.dosTime);
}

TEST_F(Win32EngineTest, MirrorIntoTheRecycleBin) {
  std::string name = "trash_me_" + std::to_string(GetTickCount()) + ".txt";
  Write(JoinPath(dst, name), "bye");
  BackupJob job = Job();
  job.Mirror = true;
  job.GotoTrash = 1;
  Run(job);
  EXPECT_FALSE(Exists(JoinPath(dst, name)));
  const char* data_home = std::getenv("XDG_DATA_HOME");
  ASSERT_NE(data_home, nullptr);
  std::string trash = std::string("Z:") + data_home + "\\Trash\\files\\" + name;
  EXPECT_TRUE(Exists(trash)) << trash;
}

TEST_F(Win32EngineTest, RecycleBinRefusesTreesTooLongForTheShell) {
  // The shell's delete, handed a tree with a path beyond MAX_PATH, can end
  // up working on the current directory: keep a canary there.
  std::string canary_folder = JoinPath(root, "canary");
  Write(JoinPath(canary_folder, "alive.txt"), "alive");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(NativePath(canary_folder).substr(4).c_str()));

  std::string tree = JoinPath(dst, "tree");
  std::string deep = tree;
  while (deep.size() < 300) deep = JoinPath(deep, "long_folder_name_inside_the_tree");
  Write(JoinPath(deep, "x.txt"), "x");
  EXPECT_NE(fs.ShellDelete(tree, true), 0);
  EXPECT_TRUE(Exists(JoinPath(deep, "x.txt")));
  EXPECT_NE(fs.ShellDelete("", true), 0);
  EXPECT_NE(fs.ShellDelete("relative", false), 0);

  // Without the recycle bin the tree goes, long paths and all.
  EXPECT_EQ(fs.ShellDelete(tree, false), 0);
  EXPECT_FALSE(Exists(tree));
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(Read(JoinPath(canary_folder, "alive.txt")), "alive");
}

TEST_F(Win32EngineTest, DailyLogBytes) {
  Write(JoinPath(src, "表.txt"), "x");
  options.logFolder = root + "\\";
  options.logLevel = 2;
  Run(Job());
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::string log = Read(BackupLogFileName(options.logFolder, SystemClock().Now()));
  std::string expected_copy = Utf8ToSjis("新規コピー          , ");
  EXPECT_NE(log.find(" 2, " + Utf8ToSjis("手動バックアップ開始") + ", "), std::string::npos);
  size_t copy_line = log.find(" 6, " + expected_copy);
  ASSERT_NE(copy_line, std::string::npos);
  // hh:mm:ss, then the path in Shift-JIS, whose 表 ends in byte 0x5C, then CR LF.
  EXPECT_EQ(log.substr(copy_line + 4 + expected_copy.size() + 8, 2), ", ");
  std::string path_sjis = Utf8ToSjis(JoinPath(dst, "表.txt"));
  EXPECT_EQ(log.substr(copy_line + 4 + expected_copy.size() + 10, path_sjis.size() + 2), path_sjis + "\r\n");
  EXPECT_EQ(log.find('\n'), log.find("\r\n") + 1);
}

// Windows would strip a trailing dot or blank from a name it is given; a
// name read from a listing must survive as it is.
TEST_F(Win32EngineTest, NamesEndingInADotOrABlank) {
  Write(JoinPath(src, "memo."), "dot");
  Write(JoinPath(src, "draft "), "blank");
  Write(JoinPath(src, "folder.\\inside.txt"), "in a dotted folder");
  BackupJob job = Job();
  job.Mirror = true;
  EXPECT_EQ(Run(job), 0);
  EXPECT_EQ(Read(JoinPath(dst, "memo.")), "dot");
  EXPECT_EQ(Read(JoinPath(dst, "draft ")), "blank");
  EXPECT_EQ(Read(JoinPath(dst, "folder.\\inside.txt")), "in a dotted folder");
  window = RecordingWindow();
  EXPECT_EQ(Run(job), 0);  // found again: nothing to copy, nothing to delete
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");
  EXPECT_TRUE(window.TitlesOfKind(kReportFileDeleted).empty());
}

// A read-only source whose copy cannot replace the old one: the temporary
// must not be left behind read-only (it could never be removed).
TEST_F(Win32EngineTest, FailedReplaceOfAReadOnlyCopyLeavesNoTemporary) {
  Write(JoinPath(src, "ro.txt"), "new", Utc(2021, 1, 1));
  ASSERT_TRUE(fs.SetAttributes(JoinPath(src, "ro.txt"), kAttrReadOnly));
  Write(JoinPath(dst, "ro.txt"), "previous backup", Utc(2020, 1, 1));
  // Someone holds the old copy open without letting it be replaced.
  FileHandle holder(CreateFileW(NativePath(JoinPath(dst, "ro.txt")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.Valid());
  EXPECT_EQ(Run(Job()), 1);
  holder.Reset();
  EXPECT_EQ(Read(JoinPath(dst, "ro.txt")), "previous backup");
  EXPECT_EQ(Names(dst), (std::vector<std::string>{"ro.txt"}));
  window = RecordingWindow();
  EXPECT_EQ(Run(Job()), 0);  // and the next run succeeds
  EXPECT_EQ(Read(JoinPath(dst, "ro.txt")), "new");
  EXPECT_NE(fs.GetAttributes(JoinPath(dst, "ro.txt")) & kAttrReadOnly, 0u);
}

}  // namespace
}  // namespace dm
