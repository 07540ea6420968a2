#include "backupset/set_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backupset/tests/fake_set_file_services.h"
#include "base/sjis.h"
#include "base/text.h"

namespace dm {
namespace {

using ::testing::ElementsAre;
using Owner = MessageBoxes::Owner;

const std::string kPath = "C:\\sets\\ソ表.dmk";
const std::string kDefaults = "C:\\Program Files\\Drovenmark\\default.dat";

// Every value other than its default; "ä" has no Shift-JIS form.
BackupSetting FullSetting(const std::string& name) {
  BackupSetting s = FileDefaultSetting(name);
  s.checked = true;
  for (int i = 0; i < kSettingValueCount; ++i) s.values[i] = IsSwitchSetting(i) ? "1" : kSettingKeys[i] + std::string(" ソ表");
  s[kMirror] = "0";
  s[kSrcPass] = "pä";
  s[kDstPass] = "秘密=ソ";
  s[kOldFileDate] = "2001/02/03";
  s[kDateFolderType] = "1";
  return s;
}

class SetFileTest : public ::testing::Test {
 protected:
  FakeSetFileServices fake;
  SetFileServices& services = fake.services;
  BackupSet set;

  void Put(const std::string& text, const std::string& path = kPath) { fake.storage.files[path] = Utf8ToSjis(text); }
  std::string File(const std::string& path = kPath) { return SjisToUtf8(fake.storage.files[path]); }
};

TEST_F(SetFileTest, RoundTripsEveryValueInBothVersions) {
  for (int crypt : {0, 1}) {
    BackupSet saved;
    saved.settings = {FullSetting("ソ表 [x]"), FileDefaultSetting("")};
    int option = crypt;
    ASSERT_TRUE(SaveBackupSet(saved, kPath, option, services));
    EXPECT_TRUE(StartsWith(File(), crypt ? "##Drovenmark2##\r\n" : "##Drovenmark1##\r\n"));
    EXPECT_EQ(File().find("秘密") == std::string::npos, crypt == 1);
    BackupSet loaded;
    ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
    saved.settings[0][kSrcPass] = "p?";
    EXPECT_EQ(loaded.settings, saved.settings);
  }
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(fake.cipher.binds, 2);
  EXPECT_EQ(fake.cipher.bound, 0);  // released after each load and save
}

TEST_F(SetFileTest, WritesSectionsWithBlankLinesAndCrLf) {
  set.settings = {FileDefaultSetting("表"), FileDefaultSetting("b")};
  set.settings[0].checked = true;
  set.settings[0][kSrcPass] = "pw";
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  const std::string section =
      "Src=-\r\nDst=-\r\nUpdate=未処理\r\nFilter=*.bak\r\nMirror=1\r\nSubDir=1\r\nAllCopy=0\r\n\r\n"
      "SrcLogin=0\r\nSrcUser=\r\nSrcPass=%s\r\nDstLogin=0\r\nDstUser=\r\nDstPass=\r\nSrcLogoff=0\r\n"
      "DstLogoff=0\r\n\r\nSrcVolumeCheck=0\r\nSrcVolumeName=\r\nDstVolumeCheck=0\r\nDstVolumeName=\r\n\r\n"
      "OldFileNoCopy=0\r\nOldFileDate=2000/01/01\r\n\r\nFilterFolder=\r\nGotoTrash=0\r\n"
      "PermissibleTimeCheck=0\r\nPermissibleTime=3\r\nTimeStampWrite=0\r\nZeroFile=0\r\nDateFolder=0\r\n"
      "DateFolderType=0\r\nNotReadOnly=0\r\nNotHidden=0\r\n";
  // The key is the serial number 1A2B3C4D in decimal.
  EXPECT_EQ(File(), "##Drovenmark2##\r\n\r\n[表]\r\nChecked=1\r\n" +
                        StringPrintf(section.c_str(), FakeCipherLibrary::Encrypt("pw", "439041101").c_str()) +
                        "[b]\r\nChecked=0\r\n" + StringPrintf(section.c_str(), ""));
  EXPECT_EQ(fake.storage.files[kPath].substr(20, 3), "\x95\x5c]");  // Shift-JIS 表 ends in 0x5C
}

TEST_F(SetFileTest, VersionLine) {
  const std::pair<std::string, bool> cases[] = {
      {"##Drovenmark1##  \t\r\n", true},      {"  ##Drovenmark1##\r\r\n", true},
      {"##Drovenmark2##\n", true},            {"##drovenmark1##\r\n", false},
      {"\r\n##Drovenmark1##\r\n", false},
  };
  for (const auto& [first, loads] : cases) {
    fake.messages.shown.clear();
    set.settings = {FileDefaultSetting("old")};
    fake.storage.files[kPath] = first + "[a]\r\n";
    EXPECT_EQ(LoadBackupSet(set, kPath, false, services), loads) << first;
    EXPECT_EQ(set.settings.at(0).name, loads ? "a" : "old");
    if (!loads) {
      EXPECT_THAT(fake.messages.Texts(),
                  ElementsAre("ファイルのバージョンが異なります。読み込みを中止します。\n\n" + kPath));
    }
  }
  // An empty file (or one that ends at once) is refused without a message.
  fake.messages.shown.clear();
  for (const char* empty : {"", "\x1a##Drovenmark1##\r\n[a]\r\n"}) {
    fake.storage.files[kPath] = empty;
    EXPECT_FALSE(LoadBackupSet(set, kPath, false, services));
  }
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(SetFileTest, ReadsKeyLinesByTheirExactPattern) {
  const std::string line4095 = "Src=" + std::string(4091, 'a');
  Put("##Drovenmark1##\r\nSrc=before any section\r\n[]\r\n[a]b]\r\n"
      "  Dst=  C:\\ソ  \r\nDst =x\r\ndst=x\r\nFilter= *.a=b | x \r\nChecked=2\r\nUpdate=1\r\nUpdate=2\r\n" +
      line4095 + "SubDir=" + std::string(1000, '0') + "\r\n" +  // a 5,106-byte line is read in two
      "[c]\r\nChecked=abc\r\nSrcUser=u\x1aSrcPass=after the end\r\n[d]\r\n");
  ASSERT_TRUE(LoadBackupSet(set, kPath, false, services));
  ASSERT_EQ(set.settings.size(), 3u);
  EXPECT_EQ(set.settings[0], FileDefaultSetting(""));
  BackupSetting a = FileDefaultSetting("a]b");
  a.checked = true;
  a[kDst] = "C:\\ソ";
  a[kFilter] = "*.a=b | x";
  a[kUpdate] = "2";
  a[kSrc] = std::string(4091, 'a');
  a[kSubDir] = std::string(1000, '0');
  EXPECT_EQ(set.settings[1], a);
  EXPECT_FALSE(set.settings[2].checked);
  EXPECT_EQ(set.settings[2][kSrcUser], "u");
  EXPECT_EQ(set.settings[2][kSrcPass], "");
}

TEST_F(SetFileTest, AddingMissingFilesAndUnreadableSerial) {
  Put("##Drovenmark1##\r\n[new]\r\n");
  set.settings = {FileDefaultSetting("old")};
  ASSERT_TRUE(LoadBackupSet(set, kPath, true, services));
  ASSERT_TRUE(LoadBackupSet(set, "C:\\missing.dmk", true, services));
  EXPECT_EQ(set.settings.size(), 2u);
  ASSERT_TRUE(LoadBackupSet(set, "C:\\missing.dmk", false, services));
  EXPECT_TRUE(set.settings.empty());
  EXPECT_TRUE(fake.messages.shown.empty());

  fake.location.serial.reset();
  EXPECT_FALSE(LoadBackupSet(set, kPath, false, services));
  EXPECT_TRUE(set.settings.empty());
  int option = 1;
  EXPECT_FALSE(SaveBackupSet(set, "C:\\other.dmk", option, services));
  EXPECT_EQ(fake.storage.files.count("C:\\other.dmk"), 0u);
  ASSERT_EQ(fake.messages.shown.size(), 2u);
  for (const auto& shown : fake.messages.shown) {
    EXPECT_EQ(shown.text, "システム情報の取得に失敗しました");
    EXPECT_EQ(shown.owner, Owner::kMainWindow);
  }
}

TEST_F(SetFileTest, PasswordsWithoutAWorkingLibrary) {
  set.settings = {FullSetting("a"), FullSetting("b")};
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  fake.cipher.present = false;
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを復号化できません"));
  for (BackupSetting& s : loaded.settings) {
    EXPECT_EQ(s[kSrcPass] + s[kDstPass], "");
    EXPECT_EQ(s[kSrcUser], "SrcUser ソ表");
  }

  fake.messages.shown.clear();
  option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  EXPECT_EQ(option, 0);
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません"));
  EXPECT_TRUE(StartsWith(File(), "##Drovenmark1##\r\n"));
  EXPECT_NE(File().find("DstPass=秘密=ソ\r\n"), std::string::npos);
}

TEST_F(SetFileTest, APasswordTheCipherRefusesIsSavedEmptyAndTheOthersStayEnciphered) {
  // The toy cipher writes two characters a byte: 2,100 bytes would make a
  // line longer than the reader takes whole, so it could not come back.
  set.settings = {FullSetting("経理"), FullSetting("長い")};
  set.settings[1][kDstPass] = std::string(2100, 'x');
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  EXPECT_EQ(option, 1);
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("ログインパスワードを暗号化できませんでした\n\n"
                                                 "次のパスワードは保存されません\n\n"
                                                 "設定「長い」のバックアップ先パスワード"));
  EXPECT_TRUE(StartsWith(File(), "##Drovenmark2##\r\n"));
  EXPECT_EQ(File().find("秘密"), std::string::npos);
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  ASSERT_EQ(loaded.settings.size(), 2u);
  EXPECT_EQ(loaded.settings[0][kDstPass], "秘密=ソ");
  EXPECT_EQ(loaded.settings[1][kSrcPass], "p?");
  EXPECT_EQ(loaded.settings[1][kDstPass], "");

  // A library that refuses every password: all of them named, none in plain.
  fake.messages.shown.clear();
  fake.cipher.failEncrypt = true;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("ログインパスワードを暗号化できませんでした\n\n"
                                                 "次のパスワードは保存されません\n\n"
                                                 "設定「経理」のソース側パスワード\n"
                                                 "設定「経理」のバックアップ先パスワード\n"
                                                 "設定「長い」のソース側パスワード\n"
                                                 "設定「長い」のバックアップ先パスワード"));
  EXPECT_TRUE(StartsWith(File(), "##Drovenmark2##\r\n"));
  EXPECT_EQ(File().find("秘密"), std::string::npos);
  EXPECT_EQ(File().find("SrcPass=p"), std::string::npos);
}

// A version-2 set whose passwords cannot be deciphered, because the library
// is missing or because it is there and fails: no save loses them.
TEST_F(SetFileTest, PasswordsThatCannotBeDecipheredAreNeverLost) {
  const std::string kRefused = "復号化できなかったログインパスワードがあるため、ファイルを保存しません\n\n";
  const std::string kHowTo = "\n\nCRYPT.DLLを元に戻すか、パスワードを入力し直してください";
  const std::string kOther = "C:\\sets\\other.dmk";
  for (bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "library missing" : "library failing");
    fake.storage.files.clear();
    fake.cipher.present = true;
    fake.cipher.failDecrypt = false;
    set.settings = {FullSetting("a"), FullSetting("b")};
    int option = 1;
    ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
    const std::string before = fake.storage.files[kPath];

    fake.cipher.present = !missing;
    fake.cipher.failDecrypt = !missing;
    fake.messages.shown.clear();
    BackupSet loaded;
    ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
    EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを復号化できません"));
    for (const BackupSetting& s : loaded.settings) {
      EXPECT_EQ(s[kSrcPass] + s[kDstPass], "");
      EXPECT_TRUE(s.IsSealed(kSrcPass) && s.IsSealed(kDstPass));
    }
    EXPECT_FALSE(UnsealPasswords(loaded, services));

    // The file they came from is not written, however its name is spelt
    // and whatever the option says.
    for (int crypt : {1, 0}) {
      for (const std::string& path : {kPath, std::string("c:/SETS/ソ表.dmk")}) {
        fake.messages.shown.clear();
        option = crypt;
        EXPECT_FALSE(SaveBackupSet(loaded, path, option, services));
        EXPECT_THAT(fake.messages.Texts(), ElementsAre(kRefused + path + kHowTo));
        EXPECT_EQ(fake.storage.files[kPath], before);
        EXPECT_EQ(fake.storage.files.size(), 1u);
      }
    }

    // Another file takes them as they were read, in version 2, even with
    // the option off: here the file comes out byte for byte the same.
    option = 0;
    ASSERT_TRUE(SaveBackupSet(loaded, kOther, option, services));
    EXPECT_EQ(fake.storage.files[kOther], before);

    // Without the cipher a typed password could only go in plain, which
    // version 2 cannot hold: then no file is written.
    if (missing) {
      loaded.settings[1][kDstPass] = "新しい";
      fake.messages.shown.clear();
      option = 1;
      EXPECT_FALSE(SaveBackupSet(loaded, "C:\\sets\\third.dmk", option, services));
      EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません",
                                                     kRefused + "C:\\sets\\third.dmk" + kHowTo));
      EXPECT_EQ(fake.storage.files.count("C:\\sets\\third.dmk"), 0u);
      loaded.settings[1][kDstPass].clear();
    }

    // With the library back the passwords read again, and the file is
    // written as it was.
    fake.cipher.present = true;
    fake.cipher.failDecrypt = false;
    EXPECT_TRUE(UnsealPasswords(loaded, services));
    EXPECT_EQ(loaded.settings[1][kDstPass], "秘密=ソ");
    EXPECT_EQ(loaded.settings[1].Sealed(kDstPass), SealedPassword{});
    option = 1;
    ASSERT_TRUE(SaveBackupSet(loaded, kPath, option, services));
    EXPECT_EQ(fake.storage.files[kPath], before);
    BackupSet other;
    ASSERT_TRUE(LoadBackupSet(other, kOther, false, services));
    EXPECT_EQ(other.settings.at(0)[kSrcPass], "p?");
  }
}

// A password typed anew takes the place of the sealed one.
TEST_F(SetFileTest, ATypedPasswordReplacesOneThatCouldNotBeDeciphered) {
  set.settings = {FullSetting("a")};
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  fake.cipher.failDecrypt = true;
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  loaded.settings[0][kSrcPass] = "新1";
  EXPECT_FALSE(SaveBackupSet(loaded, kPath, option, services));  // DstPass is still sealed
  loaded.settings[0][kDstPass] = "新2";
  ASSERT_TRUE(SaveBackupSet(loaded, kPath, option, services));
  fake.cipher.failDecrypt = false;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  EXPECT_EQ(loaded.settings[0][kSrcPass] + loaded.settings[0][kDstPass], "新1新2");
}

// default.dat keeps its enciphered passwords while they cannot be written:
// the editor's button then stores nothing.
TEST_F(SetFileTest, DefaultSettingKeepsItsPasswordsWithoutCipherOrSerial) {
  ASSERT_TRUE(WriteDefaultSetting(FullSetting("既定"), services));
  const std::string before = fake.storage.files[kDefaults];
  BackupSetting other = FullSetting("別");
  other[kSrcPass] = other[kDstPass] = "";

  fake.cipher.present = false;
  EXPECT_FALSE(WriteDefaultSetting(other, services));
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません",
                          "保存されている暗号化ログインパスワードを失わないよう、既定値を保存しません\n\n" + kDefaults));
  EXPECT_EQ(fake.storage.files[kDefaults], before);
  BackupSetting read = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(read, services));
  EXPECT_EQ(read[kSrcPass], "");

  fake.cipher.present = true;
  fake.location.serial.reset();
  EXPECT_FALSE(WriteDefaultSetting(other, services));
  EXPECT_EQ(fake.storage.files[kDefaults], before);

  // Defaults without passwords are written as before.
  fake.location.serial = 1u;
  ASSERT_TRUE(WriteDefaultSetting(other, services));
  fake.cipher.present = false;
  ASSERT_TRUE(WriteDefaultSetting(FullSetting("三"), services));
  EXPECT_TRUE(StartsWith(File(kDefaults), "##Drovenmark2##\r\n\r\n[三]\r\n"));
  EXPECT_NE(File(kDefaults).find("\r\nSrcPass=\r\n"), std::string::npos);
}

TEST_F(SetFileTest, DefaultSettingRoundTrip) {
  BackupSetting written = FullSetting("既定");
  written[kOldFileDate] = "2001/2/3";
  written[kNotHidden] = "7";
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_TRUE(StartsWith(File(kDefaults), "##Drovenmark2##\r\n\r\n[既定]\r\nChecked=0\r\n"));
  EXPECT_NE(File(kDefaults).find("\r\nUpdate=0\r\n"), std::string::npos);

  BackupSetting read = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(read, services));
  BackupSetting expected = FullSetting("既定");
  expected[kUpdate] = kNotProcessed;
  expected[kSrcPass] = "p?";
  EXPECT_EQ(read, expected);
  EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(SetFileTest, DefaultSettingReadsOddValuesAndLinesBeforeTheSection) {
  Put("##Drovenmark1##\r\nSrc=C:\\early\r\nChecked=0\r\nUpdate=0\r\n[既定]\r\nMirror=abc\r\nAllCopy=-2\r\n"
      "DateFolderType=5\r\nOldFileDate=2001/2/3 8:30\r\nOldFileDate=not a date\r\nSrcPass=plain\r\n",
      kDefaults);
  BackupSetting read = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(read, services));
  BackupSetting expected = NewEditorSetting();
  expected.name = "既定";
  expected[kSrc] = "C:\\early";
  expected[kMirror] = "0";
  expected[kAllCopy] = "1";
  expected[kDateFolderType] = "1";
  expected[kOldFileDate] = "2001/02/03 8:30:00";
  expected[kSrcPass] = "plain";
  EXPECT_EQ(read, expected);

  Put("##Drovenmark##\r\n[x]\r\n", kDefaults);
  EXPECT_FALSE(ReadDefaultSetting(read, services));
  EXPECT_EQ(read.name, "既定");
}

TEST_F(SetFileTest, DefaultSettingWithoutCipherOrSerial) {
  BackupSetting written = FullSetting("d");
  fake.cipher.failEncrypt = true;
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("ログインパスワードを暗号化できませんでした\n\n既定値のパスワードは保存されません"));
  EXPECT_NE(File(kDefaults).find("\r\nDstPass=\r\n"), std::string::npos);

  fake.messages.shown.clear();
  fake.cipher.failEncrypt = false;
  fake.location.serial.reset();
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_TRUE(StartsWith(File(kDefaults), "##Drovenmark2##\r\n"));
  EXPECT_NE(File(kDefaults).find("\r\nSrcPass=\r\nDstLogin=1\r\n"), std::string::npos);
  EXPECT_FALSE(ReadDefaultSetting(written, services));
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("ボリューム情報の取得に失敗しました。", "システム情報の取得に失敗しました"));
}

}  // namespace
}  // namespace dm
