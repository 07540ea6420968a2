// UNLHA32.DLL as the program uses it: loaded by name, its exports found by
// name, the update's exact command run into real folders under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "base/win/handles.h"
#include "base/win/wide.h"
#include "unlha/extractor.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/win/unlha_api.h"
#include "update/update_steps.h"

namespace dm::lzh {
namespace {

using testing::BuildArchive;
using testing::StoredEntry;

template <typename Function>
Function FindExport(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string ToAnsi(const std::string& utf8) {
  const std::wstring wide = Utf8ToWide(utf8);
  std::string ansi(wide.size() * 2 + 1, '\0');
  ansi.resize(WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), ansi.data(),
                                  static_cast<int>(ansi.size()), nullptr, nullptr));
  return ansi;
}

std::string FromAnsi(const std::string& ansi) {
  std::wstring wide(ansi.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return WideToUtf8(wide);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.Valid());
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::set<std::string> NamesIn(const std::wstring& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.insert(WideToUtf8(name));
  } while (FindNextFileW(find.Get(), &data));
  return names;
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  {
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          DeleteTree(path);
        } else {
          SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(find.Get(), &data));
    }
  }
  RemoveDirectoryW(folder.c_str());
}

// What the progress callback saw.
struct CallbackLog {
  struct Call {
    HWND owner;
    UINT stage;
    uint32_t fileSize, written;
    std::string name;
  };
  std::vector<Call> calls;
  int abortAtCall = -1;
};
CallbackLog* g_log = nullptr;

BOOL CALLBACK RecordProgress(HWND owner, UINT, UINT stage, UnlhaProgress* record) {
  g_log->calls.push_back({owner, stage, record->fileSize, record->writtenSize, FromAnsi(record->fileName)});
  return static_cast<int>(g_log->calls.size()) == g_log->abortAtCall ? FALSE : TRUE;
}

HWND const kOwner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5A5A));

class UnlhaDll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.module) << "UNLHA32.DLL did not load";
    ASSERT_TRUE(unlha && getVersion && setOwner && killOwner);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = std::wstring(temp) + L"unlha_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
    DeleteTree(root);
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    folder = root + L"\\dl";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    log = {};
    g_log = &log;
  }
  void TearDown() override {
    killOwner(kOwner);
    DeleteTree(root);
  }

  std::wstring Archive(const std::string& bytes) {
    const std::wstring path = folder + L"\\update.lzh";
    WriteFileBytes(path, bytes);
    return path;
  }
  // The command exactly as the update builds it.
  std::string UpdateCommand(const std::wstring& archive, const std::wstring& target) {
    return ExtractionCommand(WideToUtf8(archive), WideToUtf8(target));
  }
  int Run(const std::string& command, size_t outputSize = 32000) {
    std::vector<char> output(outputSize + 16, '\x7E');
    const int result = unlha(kOwner, ToAnsi(command).c_str(), output.data(), static_cast<DWORD>(outputSize));
    for (size_t i = outputSize; i < output.size(); ++i) EXPECT_EQ(output[i], '\x7E') << "wrote past the buffer";
    report = outputSize ? FromAnsi(output.data()) : "";
    return result;
  }
  std::string Read(const std::string& name) { return ReadFileBytes(folder + L"\\" + Utf8ToWide(name)); }
  bool NoTemporaryLeft() {
    for (const std::string& name : NamesIn(folder)) {
      if (name.rfind("~unlha", 0) == 0) return false;
    }
    return true;
  }

  struct Library {
    ModuleHandle module{LoadLibraryW(kUnlhaLibraryName)};
  } library;
  UnlhaFunction unlha = FindExport<UnlhaFunction>(library.module.Get(), kUnlhaName);
  UnlhaGetVersionFunction getVersion = FindExport<UnlhaGetVersionFunction>(library.module.Get(), kUnlhaGetVersionName);
  UnlhaSetOwnerWindowExFunction setOwner =
      FindExport<UnlhaSetOwnerWindowExFunction>(library.module.Get(), kUnlhaSetOwnerWindowExName);
  UnlhaKillOwnerWindowExFunction killOwner =
      FindExport<UnlhaKillOwnerWindowExFunction>(library.module.Get(), kUnlhaKillOwnerWindowExName);
  std::wstring root, folder;
  std::string report;
  CallbackLog log;
};

TEST_F(UnlhaDll, VersionAndOwnerCalls) {
  EXPECT_EQ(getVersion(), 100);
  EXPECT_GE(getVersion(), 70);  // the program asks for 0.70 or later
  EXPECT_EQ(setOwner(kOwner, RecordProgress), 1);
  EXPECT_EQ(killOwner(kOwner), 1);
  EXPECT_EQ(setOwner(nullptr, nullptr), 1);
}

TEST_F(UnlhaDll, VersionResourceAgreesWithUnlhaGetVersion) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(library.module.Get(), path, MAX_PATH), 0u);
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
  wchar_t* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041104b0\\ProductVersion",
                             reinterpret_cast<void**>(&value), &length));
  char expected[16];
  snprintf(expected, sizeof expected, "%d.%02d", getVersion() / 100, getVersion() % 100);
  EXPECT_EQ(WideToUtf8(value), expected);
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041104b0\\OriginalFilename",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_EQ(WideToUtf8(value), "UNLHA32.DLL");
}

TEST_F(UnlhaDll, TheUpdatesCommandExtractsEveryFileFlatAndReplaces) {
  WriteFileBytes(folder + L"\\drovenmk.exe", "the old program");
  WriteFileBytes(folder + L"\\readme.txt", "old readme");
  SetFileAttributesW((folder + L"\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring archive = Archive(BuildArchive(
      {StoredEntry("bin\\drovenmk.exe", "the new program", 0), StoredEntry("readme.txt", "new readme", 1),
       StoredEntry("\x95\x5C\x8E\xA6.txt", "sjis name"), StoredEntry("empty.dat", "")}));
  for (const std::wstring& target : {folder, folder + L"\\"}) {
    EXPECT_EQ(Run(UpdateCommand(archive, target)), kResultSuccess) << report;
    EXPECT_EQ(Read("drovenmk.exe"), "the new program");
    EXPECT_EQ(Read("readme.txt"), "new readme");
    EXPECT_EQ(Read("表示.txt"), "sjis name");
    EXPECT_EQ(Read("empty.dat"), "");
    EXPECT_EQ(NamesIn(folder),
              (std::set<std::string>{"update.lzh", "drovenmk.exe", "readme.txt", "表示.txt", "empty.dat"}));
    EXPECT_NE(report.find("readme.txt: 展開しました"), std::string::npos) << report;
    EXPECT_NE(report.find("展開 4 件"), std::string::npos) << report;
  }
  // The entry's time (level 2: Unix seconds) is the file's last write time.
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW((folder + L"\\表示.txt").c_str(), GetFileExInfoStandard, &data));
  const uint64_t written = (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(written, 1234567890ULL * 10000000ULL + 116444736000000000ULL);
}

TEST_F(UnlhaDll, CompressedArchiveFromTheArchiver) {
  const std::wstring data = Utf8ToWide(std::string("Z:") + UNLHA_TEST_DATA + "/japanese.lzh");
  std::wstring archive = data;
  for (wchar_t& c : archive) c = c == L'/' ? L'\\' : c;
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultSuccess) << report;
  EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"表示.txt", "ソース.txt", "z.txt"}));
  EXPECT_EQ(Read("ソース.txt"), std::string(100, 'x'));
  EXPECT_EQ(Read("z.txt"), "zzz");
}

TEST_F(UnlhaDll, ProgressReachesTheCallbackWithSizeAndBytesWritten) {
  ASSERT_EQ(setOwner(kOwner, RecordProgress), 1);
  const std::string big(700000, 'p');
  const std::wstring archive = Archive(BuildArchive({StoredEntry("big.bin", big), StoredEntry("small.txt", "s")}));
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultSuccess) << report;
  ASSERT_GE(log.calls.size(), 6u);
  uint32_t last = 0;
  for (const auto& call : log.calls) {
    EXPECT_EQ(call.owner, kOwner);
    if (call.name != "big.bin") continue;
    EXPECT_EQ(call.fileSize, big.size());
    EXPECT_GE(call.written, last);
    last = call.written;
  }
  EXPECT_EQ(last, big.size());
  EXPECT_EQ(log.calls.front().stage, kUnlhaEntryBegins);
  EXPECT_EQ(log.calls.front().written, 0u);
  EXPECT_EQ(log.calls.back().stage, kUnlhaEntryEnds);
  EXPECT_EQ(log.calls.back().name, "small.txt");
  // Released: no more calls.
  ASSERT_EQ(killOwner(kOwner), 1);
  const size_t before = log.calls.size();
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultSuccess);
  EXPECT_EQ(log.calls.size(), before);
}

TEST_F(UnlhaDll, CallbackReturningZeroAbortsAndKeepsTheOldFile) {
  ASSERT_EQ(setOwner(kOwner, RecordProgress), 1);
  WriteFileBytes(folder + L"\\big.bin", "old big");
  log.abortAtCall = 2;  // the first piece of big.bin
  const std::wstring archive =
      Archive(BuildArchive({StoredEntry("big.bin", std::string(700000, 'n')), StoredEntry("later.txt", "l")}));
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultAborted);
  EXPECT_EQ(Read("big.bin"), "old big");
  EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"update.lzh", "big.bin"}));
  EXPECT_NE(report.find("big.bin: 中止しました"), std::string::npos) << report;
}

TEST_F(UnlhaDll, ACrcMismatchNeverReplacesTheGoodFile) {
  WriteFileBytes(folder + L"\\drovenmk.exe", "the good program");
  testing::BuiltEntry damaged = StoredEntry("drovenmk.exe", "a damaged program");
  damaged.crc ^= 0x8000;
  EXPECT_EQ(Run(UpdateCommand(Archive(BuildArchive({damaged, StoredEntry("ok.txt", "ok")})), folder)),
            kResultEntriesFailed);
  EXPECT_EQ(Read("drovenmk.exe"), "the good program");
  EXPECT_EQ(Read("ok.txt"), "ok");
  EXPECT_TRUE(NoTemporaryLeft());
  EXPECT_NE(report.find("drovenmk.exe: CRC が一致しません"), std::string::npos) << report;
}

TEST_F(UnlhaDll, ATargetThatCannotBeReplacedKeepsItsPlace) {
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\taken").c_str(), nullptr));
  WriteFileBytes(folder + L"\\locked.txt", "in use");
  FileHandle locked(CreateFileW((folder + L"\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(locked.Valid());
  const std::wstring archive = Archive(
      BuildArchive({StoredEntry("taken", "a file"), StoredEntry("locked.txt", "new"), StoredEntry("free.txt", "f")}));
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultEntriesFailed);
  locked.Reset();
  EXPECT_EQ(GetFileAttributesW((folder + L"\\taken").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
  EXPECT_EQ(Read("locked.txt"), "in use");
  EXPECT_EQ(Read("free.txt"), "f");
  EXPECT_TRUE(NoTemporaryLeft());
  EXPECT_NE(report.find("taken: 置き換えられません"), std::string::npos) << report;
  EXPECT_NE(report.find("locked.txt: 置き換えられません"), std::string::npos) << report;
}

TEST_F(UnlhaDll, NamesReachingOutsideAreRefusedOrMadeHarmless) {
  const std::wstring inner = folder + L"\\inner";
  ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
  const std::wstring archive = Archive(BuildArchive({
      StoredEntry("..\\..\\escape.txt", "e", 0),
      StoredEntry("C:\\windows\\system32\\evil.dll", "d", 1),
      StoredEntry("\\rooted.txt", "r"),
      StoredEntry("CON", "c"),
      StoredEntry("nul.txt", "n"),
      StoredEntry("file.txt:stream", "s"),
      StoredEntry("ctl\x07.txt", "x"),
      StoredEntry("trailing.", "t"),
      StoredEntry("ok.txt", "ok"),
  }));
  EXPECT_EQ(Run(UpdateCommand(archive, inner)), kResultEntriesFailed);
  EXPECT_EQ(NamesIn(inner), (std::set<std::string>{"escape.txt", "evil.dll", "rooted.txt", "ok.txt"}));
  EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"update.lzh", "inner"}));
  EXPECT_EQ(NamesIn(root), std::set<std::string>{"dl"});
  for (const char* line : {"CON: 書き込みません", "nul.txt: 書き込みません", "file.txt:stream: 書き込みません",
                           "ctl?.txt: 書き込みません", "trailing.: 書き込みません",
                           "..\\..\\escape.txt: フォルダー外を指すパスを除いて"}) {
    EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
  }
}

// Two thousand entries of a few bytes that each declare 4 GB: more than the
// volume holds, which GetDiskFreeSpaceExW tells before anything is written.
TEST_F(UnlhaDll, FilesLargerThanTheVolumesFreeSpaceAreRefused) {
  std::vector<testing::BuiltEntry> entries;
  for (int i = 0; i < 2000; ++i) {
    testing::BuiltEntry entry = StoredEntry("big" + std::to_string(i) + ".bin", "xyz");
    entry.method = "-lh5-";
    entry.originalSize = 0xFFFFFFFFu;
    entries.push_back(entry);
  }
  WriteFileBytes(folder + L"\\big0.bin", "the old file");
  const std::wstring archive = Archive(BuildArchive(entries));
  EXPECT_EQ(Run(UpdateCommand(archive, folder)), kResultEntriesFailed) << report;
  EXPECT_EQ(report.rfind("展開先の空き容量が足りません（展開するファイル 2000 件の合計 8589934590000 バイト、空き ", 0), 0u)
      << report;
  EXPECT_NE(report.find("展開 0 件、拒否 2000 件"), std::string::npos) << report;
  EXPECT_EQ(NamesIn(folder), (std::set<std::string>{"update.lzh", "big0.bin"}));
  EXPECT_EQ(Read("big0.bin"), "the old file");
}

TEST_F(UnlhaDll, ErrorResultsComeWithAReport) {
  struct Case {
    std::string command;
    int result;
    std::string text;
  };
  const std::string missingArchive = WideToUtf8(folder + L"\\missing.lzh");
  const std::string archive = WideToUtf8(Archive(BuildArchive({StoredEntry("a.txt", "a")})));
  const std::string notLzh = WideToUtf8(folder + L"\\page.lzh");
  WriteFileBytes(folder + L"\\page.lzh", "<html>404 Not Found</html>");
  const Case cases[] = {
      {"", kResultBadCommand, "コマンドがありません"},
      {"q \"" + archive + "\"", kResultBadCommand, "コマンド「q」"},
      {"e \"" + missingArchive + "\" \"" + WideToUtf8(folder) + "\\\" *.*  -n -c -y", kResultArchiveMissing,
       "アーカイブ「" + missingArchive + "」を開けません"},
      {"e \"" + archive + "\" \"" + WideToUtf8(root) + "\\nowhere\\\" *.*  -n -c -y", kResultFolderMissing,
       "展開先のフォルダー"},
      {"e \"" + notLzh + "\" \"" + WideToUtf8(folder) + "\\\" *.*  -n -c -y", kResultBrokenArchive,
       "LZH のヘッダーではありません"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.command), c.result) << c.command;
    EXPECT_NE(report.find(c.text), std::string::npos) << c.command << "\n" << report;
  }
  EXPECT_EQ(unlha(kOwner, nullptr, nullptr, 0), kResultBadCommand);
}

TEST_F(UnlhaDll, ReportIsCutToTheBufferAndAlwaysEnds) {
  // Listing writes no files, so a report longer than the program's buffer
  // comes quickly.
  std::vector<testing::BuiltEntry> entries;
  for (int i = 0; i < 1200; ++i) entries.push_back(StoredEntry(ToAnsi("日本語のファイル" + std::to_string(i) + ".txt"), "x"));
  const std::string list = "l \"" + WideToUtf8(Archive(BuildArchive(entries))) + "\"";
  EXPECT_EQ(Run(list, 200000), kResultSuccess);
  const std::string whole = report;
  ASSERT_GT(ToAnsi(whole).size(), 32000u);
  for (size_t size : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, size_t{100}, size_t{32000}}) {
    EXPECT_EQ(Run(list, size), kResultSuccess) << size;
    EXPECT_LT(ToAnsi(report).size(), std::max<size_t>(size, 1));
    EXPECT_EQ(whole.compare(0, report.size(), report), 0) << size;  // a clean prefix
    if (size >= 100) {
      EXPECT_EQ(report.substr(report.size() - 2), "\r\n") << "ends after a whole line";
    }
  }
}

}  // namespace
}  // namespace dm::lzh
