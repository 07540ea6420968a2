// An invisible run ("-h") started by a scheduler: whatever it meets, no
// message box waits for a person. Each message becomes an error line of the
// day's log and the process ends by itself with the exit code a script
// reads. The program runs as a copy in a scratch folder, so its day's log
// (written beside it) holds this test's lines only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/win/tests/program_driver.h"
#include "app/win/unattended_box_guard.h"
#include "base/sjis.h"
#include "base/text.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using ::testing::SizeIs;

constexpr DWORD kEndsWithin = 30000;  // a run that waits for a person never ends
// The exit codes of the README.
constexpr DWORD kExitSuccess = 0;
constexpr DWORD kExitWithErrors = 1;
constexpr DWORD kExitRefused = 2;
constexpr DWORD kExitAnotherInstance = static_cast<DWORD>(-1);

class UnattendedTest : public ProgramTest {
 protected:
  void SetUp() override {
    before_ = ReadOptions();
    ProgramTest::SetUp();
    // Error lines reach the log even when it is kept at level 0.
    SetOptions([](AppOptions& o) {
      o.optionLogSave = 0;
      o.optionCryptEnabled = 1;
    });
    folder = JoinPath(root, "prog");
    ASSERT_TRUE(fs.CreateFolderTree(folder));
    program = JoinPath(folder, "drovenmk.exe");
    ASSERT_TRUE(CopyFileW(Utf8ToWide(ProgramPath()).c_str(), Utf8ToWide(program).c_str(), FALSE));
  }
  // The options go back as they were, so the next test starts with them.
  void TearDown() override {
    RegistryOptionStore store;
    SaveOptions(before_, store, false);
    ProgramTest::TearDown();
  }

  void WithCipherLibrary() {
    ASSERT_TRUE(CopyFileW(Utf8ToWide(ProgramFolder() + "CRYPT.DLL").c_str(),
                          Utf8ToWide(JoinPath(folder, "CRYPT.DLL")).c_str(), FALSE));
  }
  std::string ReadText(const std::string& path) {
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    if (file) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return SjisToUtf8(bytes);
  }
  // The texts of the error lines in the copy's day's log, without their time.
  std::vector<std::string> ErrorLines() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string log = ReadText(JoinPath(folder, StringPrintf("%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay)));
    const std::string prefix = " 1, エラー              , ";
    std::vector<std::string> texts;
    for (size_t start = 0; start < log.size();) {
      size_t end = log.find("\r\n", start);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(start, end - start);
      if (StartsWith(line, prefix) && line.size() >= prefix.size() + 10) texts.push_back(line.substr(prefix.size() + 10));
      start = end + 2;
    }
    return texts;
  }
  std::string RunSet(const std::string& set) { return "-h \"-a=" + set + "\""; }
  // The set file's services as the copy of the program has them: the
  // cipher key is the serial number of the drive the copy lies on.
  struct CopyFileServices {
    explicit CopyFileServices(const std::string& folder) : location(folder) {}
    CopyFileServices(const CopyFileServices&) = delete;
    Win32ProgramLocation location;
    Win32CipherLibrary cipher;  // the build's, beside this test
    Win32MessageBoxes messages;
    Win32SetFileStorage storage;
    SetFileServices services{location, cipher, messages, storage};
  };

  AppOptions before_;
  std::string folder;   // where the copy of the program lies
  std::string program;  // the copy
};

TEST_F(UnattendedTest, ASetOfAnotherVersionEndsWithItsMessageInTheLog) {
  const std::string set = JoinPath(root, "other.dmk");
  const std::string content = "##Drovenmark3##\r\n\r\n[a]\r\nSrc=C:\\x\r\n";
  WriteFile(set, content);
  Program run(RunSet(set), program);
  EXPECT_EQ(run.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitRefused));
  EXPECT_THAT(ErrorLines(), ElementsAre("ファイルのバージョンが異なります。読み込みを中止します。 " + set));
  EXPECT_EQ(ReadText(set), content);  // the refused file is left alone
}

// CRYPT.DLL missing for one run is a passing fault of the installation: the
// run goes on, and neither the set's enciphered passwords nor the option to
// encipher them are lost. The next run, with the library back, reads them.
TEST_F(UnattendedTest, WithoutTheCipherLibraryTheRunGoesOnAndTheSetKeepsItsPasswords) {
  for (int i = 0; i < 2; ++i) WriteFile(JoinPath(root, "src\\f" + std::to_string(i) + ".txt"), "data");
  const std::string path = JoinPath(root, "crypt.dmk");
  {
    BackupSet set;
    set.settings = {NewEditorSetting()};
    BackupSetting& s = set.settings[0];
    s.name = "暗号";
    s[kSrc] = JoinPath(root, "src");
    s[kDst] = JoinPath(root, "dst");
    s[kSrcUser] = s[kDstUser] = "user";
    s[kSrcPass] = "秘密";
    s[kDstPass] = "別の秘密";
    int crypt = 1;
    CopyFileServices copy(folder);
    ASSERT_TRUE(SaveBackupSet(set, path, crypt, copy.services));
  }
  const std::string before = ReadText(path);
  ASSERT_TRUE(StartsWith(before, "##Drovenmark2##"));
  const std::vector<std::string> errors = {
      "CRYPT.DLLが無効です ログインパスワードを復号化できません",
      "復号化できなかったログインパスワードがあるため、ファイルを保存しません " + path +
          " CRYPT.DLLを元に戻すか、パスワードを入力し直してください"};

  Program run(RunSet(path), program);  // no CRYPT.DLL beside this copy
  EXPECT_EQ(run.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitWithErrors));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 2);
  EXPECT_EQ(ErrorLines(), errors);
  EXPECT_EQ(ReadText(path), before);
  EXPECT_EQ(ReadOptions().optionCryptEnabled, 1);

  WithCipherLibrary();
  Program again(RunSet(path), program);
  EXPECT_EQ(again.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitSuccess));
  EXPECT_EQ(ErrorLines(), errors);  // nothing new
  // Saved after the run (its time in Update), with the passwords enciphered
  // as before.
  const std::string after = ReadText(path);
  EXPECT_TRUE(StartsWith(after, "##Drovenmark2##"));
  for (const char* key : {"\r\nSrcPass=", "\r\nDstPass="}) {
    size_t at = before.find(key);
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(after.find(before.substr(at, before.find("\r\n", at + 2) + 2 - at)), std::string::npos) << key;
  }
  BackupSet saved;
  CopyFileServices copy(folder);
  ASSERT_TRUE(LoadBackupSet(saved, path, false, copy.services));
  ASSERT_EQ(saved.settings.size(), 1u);
  EXPECT_EQ(saved.settings[0][kSrcPass], "秘密");
  EXPECT_EQ(saved.settings[0][kDstPass], "別の秘密");
  EXPECT_EQ(saved.settings[0][kUpdate].substr(0, 2), "20");
  EXPECT_EQ(ReadOptions().optionCryptEnabled, 1);
}

// A set that cannot be opened runs nothing; the log says which.
TEST_F(UnattendedTest, ASetThatCannotBeOpenedIsNamedInTheLog) {
  const std::string missing = JoinPath(root, "missing.dmk");
  const std::string empty = JoinPath(root, "empty.dmk");
  WriteFile(empty, "");
  for (const std::string& set : {missing, empty}) {
    Program run(RunSet(set), program);
    EXPECT_EQ(run.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitRefused)) << set;
  }
  EXPECT_THAT(ErrorLines(), ElementsAre("バックアップセットファイルが見つかりません " + missing,
                                        "バックアップセットファイルを開けません " + empty));
}

TEST_F(UnattendedTest, ASaveThatFailsIsLoggedAndTheProgramEnds) {
  WithCipherLibrary();
  WriteFile(JoinPath(root, "src\\f.txt"), "data");
  const std::string set = MakeSet("locked.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  const std::string before = ReadText(set);
  ASSERT_TRUE(SetFileAttributesW(NativePath(set).c_str(), FILE_ATTRIBUTE_READONLY));
  Program run(RunSet(set), program);
  EXPECT_EQ(run.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitWithErrors));
  SetFileAttributesW(NativePath(set).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 1);
  std::vector<std::string> errors = ErrorLines();
  ASSERT_THAT(errors, SizeIs(1));
  EXPECT_TRUE(StartsWith(errors[0], "ファイルを保存できませんでした " + set + " ")) << errors[0];
  EXPECT_EQ(ReadText(set), before);
}

TEST_F(UnattendedTest, ASecondInstanceEndsAtOnceAfterItsLine) {
  WithCipherLibrary();
  const std::string set = MakeSet("daily.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program first("");
  ASSERT_TRUE(FindTopWindow(first.Id(), L"TMainForm"));
  Program second(RunSet(set), program);
  EXPECT_EQ(second.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitAnotherInstance));
  EXPECT_THAT(ErrorLines(), ElementsAre("Drovenmark は既に起動しています"));
  EXPECT_EQ(first.WaitForExit(0), std::nullopt);
  PostMessageW(FindTopWindow(first.Id(), L"TMainForm"), WM_CLOSE, 0, 0);
  EXPECT_TRUE(first.WaitForExit(kEndsWithin).has_value());
}

TEST_F(UnattendedTest, ACipherLibraryThatShowsItsOwnBoxAtLoadDoesNotStopTheRun) {
  ASSERT_TRUE(CopyFileW(Utf8ToWide(ProgramFolder() + "crypt_box_at_load.dll").c_str(),
                        Utf8ToWide(JoinPath(folder, "CRYPT.DLL")).c_str(), FALSE));
  WriteFile(JoinPath(root, "src\\f.txt"), "data");
  const std::string set = MakeSet("box.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program run(RunSet(set), program);
  EXPECT_EQ(run.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitWithErrors));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 1);
  EXPECT_THAT(ErrorLines(), ElementsAre("CRYPT.DLL エラー: CRYPT.DLLの初期化に失敗しました",
                                        "CRYPT.DLLが無効です ログインパスワードを復号化できません",
                                        "CRYPT.DLL エラー: CRYPT.DLLの初期化に失敗しました",
                                        "CRYPT.DLLが無効です ログインパスワードを暗号化できません"));
}

TEST(UnattendedBoxGuard, AnswersEveryBoxOfItsThreadWithTheDefaultButton) {
  std::vector<std::string> lines;
  UnattendedMessages messages([&](const std::string& line) { lines.push_back(line); });
  {
    UnattendedBoxGuard guard(messages);
    EXPECT_EQ(MessageBoxW(nullptr, L"一行目\n\n二行目", L"Drovenmark", MB_OK | MB_ICONWARNING), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, L"消しますか？", L"ほか", MB_YESNO | MB_DEFBUTTON2), IDNO);
  }
  EXPECT_THAT(lines, ElementsAre("一行目 二行目", "ほか: 消しますか？"));
  EXPECT_EQ(messages.AnsweredUnattended(), 2);
}

// A second start shown on the desktop lets go of the mutex before its box:
// while nobody answers it, the next start is not taken for a second one.
TEST_F(ProgramTest, ABoxLeftOpenDoesNotStopLaterStarts) {
  Program first("");
  HWND first_window = FindTopWindow(first.Id(), L"TMainForm");
  ASSERT_TRUE(first_window);
  Program second("");
  HWND box = FindTopWindow(second.Id(), L"#32770");
  ASSERT_TRUE(box);
  PostMessageW(first_window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.WaitForExit(kEndsWithin).has_value());

  Program third("");
  HWND shown = FindWindowOf(
      third.Id(), [](HWND hwnd) { return HasClass(hwnd, L"TMainForm") || HasClass(hwnd, L"#32770"); }, 30000);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(HasClass(shown, L"TMainForm"));
  EXPECT_TRUE(DismissMessageBox(second.Id(), "Drovenmark は既に起動しています"));
  EXPECT_EQ(second.WaitForExit(kEndsWithin), std::optional<DWORD>(kExitAnotherInstance));
  PostMessageW(FindTopWindow(third.Id(), L"TMainForm"), WM_CLOSE, 0, 0);
  EXPECT_TRUE(third.WaitForExit(kEndsWithin).has_value());
}

}  // namespace
}  // namespace dm
