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

// Every value set to something other than its default.
BackupSetting FullSetting(const std::string& name) {
  BackupSetting s = FileDefaultSetting(name);
  s.checked = true;
  for (int i = 0; i < kSettingValueCount; ++i) s.values[i] = IsSwitchSetting(i) ? "1" : std::string(kSettingKeys[i]) + " 値ソ表";
  s[kMirror] = "0";
  s[kSrc] = "C:\\ソース\\表";
  s[kSrcPass] = "pässwörd";  // no Shift-JIS form: comes back as "p?ssw?rd"
  s[kDstPass] = "秘密=ソ";
  s[kOldFileDate] = "2001/02/03";
  s[kPermissibleTime] = "10";
  s[kDateFolderType] = "1";
  return s;
}

std::string Sjis(const std::string& utf8) { return Utf8ToSjis(utf8); }

class SetFileTest : public ::testing::Test {
 protected:
  FakeSetFileServices fake;
  SetFileServices& services = fake.services;
  BackupSet set;

  void Put(const std::string& text, const std::string& path = kPath) { fake.storage.files[path] = Sjis(text); }
  std::string File(const std::string& path = kPath) { return SjisToUtf8(fake.storage.files[path]); }
};

TEST_F(SetFileTest, RoundTripsEveryValueInBothVersions) {
  for (int crypt : {0, 1}) {
    SCOPED_TRACE(crypt);
    BackupSet saved;
    saved.settings = {FullSetting("ソ表 [x]"), FileDefaultSetting(""), FullSetting("b")};
    saved.settings[2].checked = false;
    int option = crypt;
    ASSERT_TRUE(SaveBackupSet(saved, kPath, option, services));
    EXPECT_EQ(option, crypt);
    std::string bytes = fake.storage.files[kPath];
    EXPECT_EQ(bytes.substr(0, 17), crypt ? "##Drovenmark2##\r\n" : "##Drovenmark1##\r\n");
    EXPECT_EQ(bytes.find(Sjis("秘密")) == std::string::npos, crypt == 1);

    BackupSet loaded;
    ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
    saved.settings[0][kSrcPass] = saved.settings[2][kSrcPass] = "p?ssw?rd";
    EXPECT_EQ(loaded.settings, saved.settings);
    EXPECT_TRUE(fake.messages.shown.empty());
    EXPECT_EQ(fake.cipher.bound, 0);  // released after every load and save
  }
  EXPECT_EQ(fake.cipher.binds, 2);
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
  std::string expected = "##Drovenmark2##\r\n\r\n[表]\r\nChecked=1\r\n" +
                         StringPrintf(section.c_str(), FakeCipherLibrary::Encrypt("pw", "439041101").c_str()) +
                         "[b]\r\nChecked=0\r\n" + StringPrintf(section.c_str(), "");
  EXPECT_EQ(File(), expected);
  EXPECT_EQ(fake.storage.files[kPath].substr(20, 4), "\x95\x5c]\r");  // 表 in Shift-JIS ends in 0x5C
  EXPECT_EQ(fake.cipher.keys, std::vector<std::string>{"439041101"});  // the serial 1A2B3C4D in decimal
}

TEST_F(SetFileTest, VersionLine) {
  struct Case {
    std::string bytes;
    bool loads;
  } cases[] = {
      {"##Drovenmark1##  \t\r\n[a]\r\n", true},
      {"  ##Drovenmark1##\r\r\n[a]\r\n", true},
      {"##Drovenmark2##\n[a]\n", true},
      {"##drovenmark1##\r\n[a]\r\n", false},
      {"##Drovenmark3##\r\n[a]\r\n", false},
      {"\r\n##Drovenmark1##\r\n[a]\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    fake.messages.shown.clear();
    set.settings = {FileDefaultSetting("old")};
    fake.storage.files[kPath] = c.bytes;
    EXPECT_EQ(LoadBackupSet(set, kPath, false, services), c.loads);
    ASSERT_EQ(set.settings.size(), 1u);
    EXPECT_EQ(set.settings[0].name, c.loads ? "a" : "old");
    if (!c.loads) {
      ASSERT_EQ(fake.messages.shown.size(), 1u);
      EXPECT_EQ(fake.messages.shown[0].text, "ファイルのバージョンが異なります。読み込みを中止します。\n\n" + kPath);
      EXPECT_EQ(fake.messages.shown[0].owner, Owner::kNone);
    }
  }
  // An empty file (or one that ends at once) is refused without a message.
  fake.messages.shown.clear();
  for (const char* empty : {"", "\x1a##Drovenmark1##\r\n[a]\r\n"}) {
    fake.storage.files[kPath] = empty;
    EXPECT_FALSE(LoadBackupSet(set, kPath, false, services));
  }
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(set.settings[0].name, "old");
}

TEST_F(SetFileTest, ReadsKeyLinesByTheirExactPattern) {
  Put("##Drovenmark1##\r\n"
      "Src=before any section\r\n"
      "[]\r\n"
      "[a]b]\r\n"
      "  Src=  C:\\ソ  \r\n"
      "Dst =ignored\r\n"
      "dst=ignored\r\n"
      "Filter= *.a=b | x \r\n"
      "Checked=2\r\n"
      "Update=first\r\nUpdate=second\r\n"
      "SrcPass= plain pw \r\n"
      "Unknown=1\r\n"
      "[c]\r\nChecked=abc\r\n"
      "[d]\r\nChecked=1\r\nSrcUser=u\x1aSrcPass=after the end\r\n[e]\r\n");
  ASSERT_TRUE(LoadBackupSet(set, kPath, false, services));
  ASSERT_EQ(set.settings.size(), 4u);
  EXPECT_EQ(set.settings[0], FileDefaultSetting(""));
  BackupSetting a = FileDefaultSetting("a]b");
  a.checked = true;
  a[kSrc] = "C:\\ソ";
  a[kFilter] = "*.a=b | x";
  a[kUpdate] = "second";
  a[kSrcPass] = "plain pw";
  EXPECT_EQ(set.settings[1], a);
  EXPECT_FALSE(set.settings[2].checked);
  EXPECT_EQ(set.settings[3][kSrcUser], "u");
  EXPECT_EQ(set.settings[3][kSrcPass], "");
}

TEST_F(SetFileTest, LongLineIsReadInPiecesOf4095Bytes) {
  const std::string first = "Src=" + std::string(4091, 'a');  // exactly 4,095 bytes
  Put("##Drovenmark1##\r\n[a]\r\n" + first + "Dst=" + std::string(905, 'b') + "\r\n" +  // 5,004 bytes
      "Filter=" + std::string(4088, 'c') + "\r\nSubDir=0\r\n");                           // 4,095 + LF
  ASSERT_TRUE(LoadBackupSet(set, kPath, false, services));
  ASSERT_EQ(set.settings.size(), 1u);
  EXPECT_EQ(set.settings[0][kSrc], std::string(4091, 'a'));
  EXPECT_EQ(set.settings[0][kDst], std::string(905, 'b'));
  EXPECT_EQ(set.settings[0][kFilter], std::string(4088, 'c'));
  EXPECT_EQ(set.settings[0][kSubDir], "0");
}

TEST_F(SetFileTest, AddAppendsAndMissingFileLoadsAsNothing) {
  Put("##Drovenmark1##\r\n[new]\r\n");
  set.settings = {FileDefaultSetting("old")};
  ASSERT_TRUE(LoadBackupSet(set, kPath, true, services));
  ASSERT_EQ(set.settings.size(), 2u);
  EXPECT_EQ(set.settings[1].name, "new");

  ASSERT_TRUE(LoadBackupSet(set, "C:\\missing.dmk", true, services));
  EXPECT_EQ(set.settings.size(), 2u);
  ASSERT_TRUE(LoadBackupSet(set, "C:\\missing.dmk", false, services));
  EXPECT_TRUE(set.settings.empty());
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(fake.cipher.binds, 0);
}

TEST_F(SetFileTest, UnreadableSerialStopsLoadAndSave) {
  fake.location.serial.reset();
  Put("##Drovenmark1##\r\n[new]\r\n");
  set.settings = {FileDefaultSetting("old")};
  EXPECT_FALSE(LoadBackupSet(set, kPath, false, services));
  EXPECT_EQ(set.settings.size(), 1u);
  int option = 1;
  EXPECT_FALSE(SaveBackupSet(set, "C:\\other.dmk", option, services));
  EXPECT_EQ(fake.storage.files.count("C:\\other.dmk"), 0u);
  ASSERT_EQ(fake.messages.shown.size(), 2u);
  for (const auto& shown : fake.messages.shown) {
    EXPECT_EQ(shown.text, "システム情報の取得に失敗しました");
    EXPECT_EQ(shown.owner, Owner::kMainWindow);
  }
}

TEST_F(SetFileTest, WithoutTheLibraryPasswordsAreNeitherReadNorEnciphered) {
  set.settings = {FullSetting("a"), FullSetting("b")};
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  fake.cipher.present = false;
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを復号化できません"));
  ASSERT_EQ(loaded.settings.size(), 2u);
  for (BackupSetting& s : loaded.settings) {
    EXPECT_EQ(s[kSrcPass], "");
    EXPECT_EQ(s[kDstPass], "");
    EXPECT_EQ(s[kSrcUser], "SrcUser 値ソ表");
  }

  fake.messages.shown.clear();
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  EXPECT_EQ(option, 0);
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません"));
  EXPECT_TRUE(StartsWith(File(), "##Drovenmark1##\r\n"));
  EXPECT_NE(File().find("DstPass=秘密=ソ\r\n"), std::string::npos);
}

TEST_F(SetFileTest, FailedEncipheringSavesEverythingInPlain) {
  set.settings = {FullSetting("a")};
  fake.cipher.failEncrypt = true;
  int option = 1;
  ASSERT_TRUE(SaveBackupSet(set, kPath, option, services));
  EXPECT_EQ(option, 1);
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("ログインパスワードを暗号化できませんでした\n\nパスワードを暗号化せずに保存します"));
  BackupSet loaded;
  ASSERT_TRUE(LoadBackupSet(loaded, kPath, false, services));
  EXPECT_EQ(loaded.settings[0][kDstPass], "秘密=ソ");
}

TEST_F(SetFileTest, FailedWriteReportsAndKeepsTheOldFile) {
  Put("##Drovenmark1##\r\n[old]\r\n");
  fake.storage.refuseWrites = "アクセスが拒否されました。";
  set.settings = {FullSetting("new")};
  int option = 1;
  EXPECT_FALSE(SaveBackupSet(set, kPath, option, services));
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("ファイルを保存できませんでした\n\n" + kPath + "\n\nアクセスが拒否されました。"));
  EXPECT_EQ(File(), "##Drovenmark1##\r\n[old]\r\n");
}

// --- default.dat ---

const std::string kDefaults = "C:\\Program Files\\Drovenmark\\default.dat";

TEST_F(SetFileTest, DefaultSettingRoundTrip) {
  BackupSetting written = FullSetting("既定");
  written[kOldFileDate] = "2001/2/3";
  written[kNotHidden] = "7";
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_EQ(DefaultSettingPath(fake.location), kDefaults);
  std::string file = File(kDefaults);
  EXPECT_TRUE(StartsWith(file, "##Drovenmark2##\r\n\r\n[既定]\r\nChecked=0\r\n"));
  EXPECT_NE(file.find("\r\nUpdate=0\r\n"), std::string::npos);
  EXPECT_NE(file.find("\r\nNotHidden=1\r\n"), std::string::npos);

  BackupSetting read = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(read, services));
  BackupSetting expected = FullSetting("既定");
  expected.checked = true;
  expected[kUpdate] = kNotProcessed;
  expected[kSrcPass] = "p?ssw?rd";
  EXPECT_EQ(read, expected);
  EXPECT_TRUE(fake.messages.shown.empty());
  EXPECT_EQ(fake.cipher.bound, 0);
}

TEST_F(SetFileTest, DefaultSettingReadsOddValuesAndLinesBeforeTheSection) {
  Put("##Drovenmark1##\r\nSrc=C:\\early\r\nChecked=0\r\nUpdate=0\r\n[既定]\r\n"
      "Mirror=abc\r\nAllCopy=-2\r\nDateFolderType=5\r\nOldFileDate=2001/2/3\r\nOldFileDate=not a date\r\n"
      "PermissibleTime=x\r\nSrcPass=plain\r\n",
      kDefaults);
  BackupSetting read = NewEditorSetting();
  ASSERT_TRUE(ReadDefaultSetting(read, services));
  BackupSetting expected = NewEditorSetting();
  expected.name = "既定";
  expected[kSrc] = "C:\\early";
  expected[kMirror] = "0";
  expected[kAllCopy] = "1";
  expected[kDateFolderType] = "1";
  expected[kOldFileDate] = "2001/02/03";
  expected[kPermissibleTime] = "x";
  expected[kSrcPass] = "plain";
  EXPECT_EQ(read, expected);
}

TEST_F(SetFileTest, DefaultSettingFailures) {
  // Missing: the built-in defaults stand.
  BackupSetting read = NewEditorSetting();
  EXPECT_TRUE(ReadDefaultSetting(read, services));
  EXPECT_EQ(read, NewEditorSetting());

  // Another version: reading stops after the message.
  Put("##Drovenmark##\r\n[x]\r\n", kDefaults);
  EXPECT_FALSE(ReadDefaultSetting(read, services));
  EXPECT_EQ(read, NewEditorSetting());

  // A password CryptEnc fails on is left out; the rest is written.
  fake.messages.shown.clear();
  BackupSetting written = FullSetting("d");
  fake.cipher.failEncrypt = true;
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_THAT(fake.messages.Texts(),
              ElementsAre("ログインパスワードを暗号化できませんでした\n\n既定値のパスワードは保存されません"));
  EXPECT_TRUE(StartsWith(File(kDefaults), "##Drovenmark2##\r\n"));
  EXPECT_NE(File(kDefaults).find("\r\nDstPass=\r\n"), std::string::npos);

  // Without the serial number the file is still written, without passwords.
  fake.messages.shown.clear();
  fake.cipher.failEncrypt = false;
  fake.location.serial.reset();
  ASSERT_TRUE(WriteDefaultSetting(written, services));
  EXPECT_THAT(fake.messages.Texts(), ElementsAre("ボリューム情報の取得に失敗しました。"));
  EXPECT_NE(File(kDefaults).find("\r\nSrcPass=\r\nDstLogin=1\r\n"), std::string::npos);
  EXPECT_FALSE(ReadDefaultSetting(read, services));
  EXPECT_EQ(fake.messages.shown.back().text, "システム情報の取得に失敗しました");

  // A failed write is reported like a failed set file.
  fake.storage.refuseWrites = "no room";
  fake.location.serial = 1;
  EXPECT_FALSE(WriteDefaultSetting(written, services));
  EXPECT_EQ(fake.messages.shown.back().text, "ファイルを保存できませんでした\n\n" + kDefaults + "\n\nno room");
}

}  // namespace
}  // namespace dm
