// The set file on the real system: files on drives M: (serial 1A2B3C4D) and
// N: (serial 0BADF00D) mapped by the test bed, and the real CRYPT.DLL. Each
// process works in its own folder whose name has a character outside
// Shift-JIS.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backupset/set_file.h"
#include "backupset/tests/fake_set_file_services.h"
#include "backupset/win/win32_set_file_services.h"
#include "base/text.h"
#include "base/win/wide.h"

namespace dm {
namespace {

using ::testing::ElementsAre;

// Removes a folder tree given by its "\\?\" path, one entry at a time.
void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  Win32SetFileStorage().Read(path, bytes);
  return bytes;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Utf8ToWide(folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = WideToUtf8(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

BackupSetting Setting(const std::string& name) {
  BackupSetting s = FileDefaultSetting(name);
  s.checked = true;
  s[kSrc] = "C:\\ソース";
  s[kDst] = "\\\\server\\表\\backup";
  s[kSrcUser] = "ユーザー";
  s[kSrcPass] = "パスワード表";
  s[kDstPass] = "p@ss word";
  return s;
}

class Win32SetFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::string* folder : {&m, &n}) {
      DeleteTree(Utf8ToWide("\\\\?\\" + folder->substr(0, folder->size() - 1)));
      ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(*folder).c_str(), nullptr)) << *folder << " (drives not mapped?)";
    }
    set.settings = {Setting("設定😀 1"), Setting("ソ表"), FileDefaultSetting("")};
  }
  void TearDown() override {
    for (std::string* folder : {&m, &n}) DeleteTree(Utf8ToWide("\\\\?\\" + folder->substr(0, folder->size() - 1)));
  }

  const std::string folderName = StringPrintf("dm_set_😀_%lu\\", GetCurrentProcessId());
  std::string m = "M:\\" + folderName;
  std::string n = "N:\\" + folderName;
  Win32ProgramLocation onM{m};
  Win32ProgramLocation onN{n};
  Win32CipherLibrary crypt;
  FakeMessageBoxes messages;
  Win32SetFileStorage storage;
  SetFileServices servicesM{onM, crypt, messages, storage};
  SetFileServices servicesN{onN, crypt, messages, storage};
  BackupSet set;
};

TEST_F(Win32SetFileTest, SavesAndLoadsWithTheRealLibrary) {
  const std::string path = m + "セット😀.dmk";
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, path, option, servicesM));
  set.settings[1][kSrcPass] = "changed";
  ASSERT_TRUE(SaveBackupSet(set, path, option, servicesM));  // replaces the first file
  std::string bytes = ReadBytes(path);
  EXPECT_TRUE(StartsWith(bytes, "##Drovenmark2##\r\n\r\n[\x90\xdd\x92\xe8? 1]\r\n")) << bytes;
  EXPECT_EQ(bytes.find("p@ss word"), std::string::npos);
  EXPECT_THAT(Entries(m), ElementsAre("セット😀.dmk"));

  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, path, false, servicesM));
  set.settings[0].name = "設定? 1";
  EXPECT_EQ(loaded.settings, set.settings);

  // The same file where the program runs from another drive: other
  // passwords, everything else the same.
  ASSERT_TRUE(LoadBackupSet(loaded, path, false, servicesN));
  ASSERT_EQ(loaded.settings.size(), 3u);
  EXPECT_NE(loaded.settings[0][kSrcPass], "パスワード表");
  EXPECT_NE(loaded.settings[0][kDstPass], "p@ss word");
  EXPECT_EQ(loaded.settings[2][kSrcPass], "");
  EXPECT_EQ(loaded.settings[1][kSrcUser], "ユーザー");
  EXPECT_TRUE(messages.shown.empty());

  // The defaults beside the program.
  ASSERT_TRUE(WriteDefaultSetting(set.settings[0], servicesM));
  EXPECT_TRUE(StartsWith(ReadBytes(m + "default.dat"), "##Drovenmark2##\r\n"));
  BackupSetting defaults = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(defaults, servicesM));
  EXPECT_EQ(defaults[kSrcPass], "パスワード表");
  EXPECT_EQ(defaults[kDst], "\\\\server\\表\\backup");
}

TEST_F(Win32SetFileTest, MissingLibraryOrFunction) {
  const std::string path = m + "a.dmk";
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, path, option, servicesM));

  Win32CipherLibrary noLibrary(L"NO_SUCH_CRYPT.DLL");
  Win32CipherLibrary noFunction(L"UNLHA32.DLL");  // beside this test, without the cipher
  SetFileServices withoutLibrary{onM, noLibrary, messages, storage};
  SetFileServices withoutFunction{onM, noFunction, messages, storage};
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, path, false, withoutFunction));
  EXPECT_EQ(loaded.settings[0][kSrcPass], "");
  EXPECT_EQ(loaded.settings[0][kSrcUser], "ユーザー");

  ASSERT_TRUE(SaveBackupSet(set, path, option, withoutLibrary));
  EXPECT_EQ(option, 0);
  EXPECT_THAT(messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを復号化できません",
                                            "CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません"));
  EXPECT_TRUE(StartsWith(ReadBytes(path), "##Drovenmark1##\r\n"));
}

TEST_F(Win32SetFileTest, PasswordsUpToTheCipherBuffer) {
  // 3,063 bytes encipher to 4,092 characters and a terminator, the most the
  // 4,096-byte buffer holds; but a line is read back only up to 4,095 bytes,
  // so 3,055 bytes is the longest password that returns whole from a file.
  // A longer one is saved empty and named; the file stays version 2 and the
  // other passwords stay enciphered.
  const std::string path = m + "long.dmk";
  for (size_t length : {3055u, 3056u, 3063u, 3064u, 4000u}) {
    SCOPED_TRACE(length);
    messages.shown.clear();
    set.settings[1][kDstPass] = std::string(length, 'x');
    int option = 1;
    ASSERT_TRUE(SaveBackupSet(set, path, option, servicesM));
    const bool fits = length <= 3055;
    EXPECT_EQ(ReadBytes(path).substr(0, 15), kSetFileVersion2);
    EXPECT_EQ(ReadBytes(path).find("p@ss word"), std::string::npos);
    EXPECT_THAT(messages.Texts(), ::testing::SizeIs(fits ? 0 : 1));
    if (!fits) {
      EXPECT_THAT(messages.Texts()[0], ::testing::EndsWith("\n設定「ソ表」のバックアップ先パスワード"));
    }
    BackupSet loaded;
    ASSERT_TRUE(LoadBackupSet(loaded, path, false, servicesM));
    EXPECT_EQ(loaded.settings[1][kDstPass], fits ? set.settings[1][kDstPass] : "");
    EXPECT_EQ(loaded.settings[0][kDstPass], "p@ss word");
    EXPECT_EQ(loaded.settings[1][kSrcPass], "パスワード表");
  }
}

TEST_F(Win32SetFileTest, FailedSavesLeaveNothingBehind) {
  const std::string readOnly = m + "ro.dmk";
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, readOnly, option, servicesM));
  const std::string before = ReadBytes(readOnly);
  ASSERT_TRUE(SetFileAttributesW(Utf8ToWide(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(m + "folder.dmk").c_str(), nullptr));

  set.settings.pop_back();
  for (const std::string& path : {readOnly, m + "folder.dmk", m + "no such folder\\a.dmk"}) {
    SCOPED_TRACE(path);
    messages.shown.clear();
    EXPECT_FALSE(SaveBackupSet(set, path, option, servicesM));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(StartsWith(messages.shown[0].text, "ファイルを保存できませんでした\n\n" + path + "\n\n"));
    EXPECT_GT(messages.shown[0].text.size(), ("ファイルを保存できませんでした\n\n" + path + "\n\n").size());
  }
  EXPECT_EQ(ReadBytes(readOnly), before);
  std::vector<std::string> left = Entries(m);
  std::sort(left.begin(), left.end());
  EXPECT_THAT(left, ElementsAre("folder.dmk", "ro.dmk"));

  // A relative name lands in the current directory.
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_TRUE(SetCurrentDirectoryW(Utf8ToWide(n).c_str()));
  bool saved = SaveBackupSet(set, "dm_temp.dmk", option, servicesM);
  SetCurrentDirectoryW(current);
  EXPECT_TRUE(saved);
  EXPECT_THAT(Entries(n), ElementsAre("dm_temp.dmk"));
}

}  // namespace
}  // namespace dm
