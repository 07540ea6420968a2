#include "update/install.h"

#include <gtest/gtest.h>

#include "engine/tests/fake_file_system.h"

namespace dm {
namespace {

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateTimeParts when = MakeDateTime(2025, 1, 1, 10, 0, 0);
    fs.AddFile("C:\\dl\\drovenmk.exe", "new program", when);
    fs.AddFile("C:\\dl\\CRYPT.DLL", "new crypt", when);
    fs.AddFile("C:\\dl\\UNLHA32.DLL", "marker", when);
    // Left by an earlier archive: no program file, never installed.
    fs.AddFile("C:\\dl\\VERSION.dll", "stray library", when);
    fs.AddFile("C:\\dl\\readme.txt", "stray text", when);
    fs.AddFile("C:\\dl\\drovenmk411.lzh", "archive", when);
    fs.AddFile("C:\\dl\\Version.txt", "[Drovenmark]", when);
    fs.AddFolder("C:\\dl\\sub");
    fs.AddFile("C:\\app\\drovenmk.exe", "old program", when);
    fs.AddFile("C:\\app\\CRYPT.DLL", "old crypt", when);
    fs.AddFile("C:\\app\\settings.dmk", "user data", when);
  }
  InstallResult Install() {
    return InstallUpdate(fs, "C:\\dl", "C:\\app", [this](const std::string& path) { return !links.count(path); });
  }
  void ExpectOldProgram() {
    EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "old program");
    EXPECT_EQ(fs.Content("C:\\app\\CRYPT.DLL"), "old crypt");
    EXPECT_FALSE(fs.Exists("C:\\app\\UNLHA32.DLL"));
    EXPECT_EQ(fs.Below("C:\\app"),
              (std::vector<std::string>{"C:\\app\\CRYPT.DLL", "C:\\app\\drovenmk.exe", "C:\\app\\settings.dmk"}));
  }
  FakeFileSystem fs;
  std::set<std::string> links;
};

TEST_F(InstallTest, ReplacesTheProgramFilesAndLeavesNothingBehind) {
  InstallResult result = Install();
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.installed, (std::vector<std::string>{"CRYPT.DLL", "drovenmk.exe", "UNLHA32.DLL"}));
  EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "new program");
  EXPECT_EQ(fs.Content("C:\\app\\CRYPT.DLL"), "new crypt");
  EXPECT_EQ(fs.Content("C:\\app\\UNLHA32.DLL"), "marker");
  EXPECT_EQ(fs.Content("C:\\app\\settings.dmk"), "user data");
  // No archive, no version file, no folder, no staging or old copies.
  EXPECT_EQ(fs.Below("C:\\app"), (std::vector<std::string>{"C:\\app\\CRYPT.DLL", "C:\\app\\drovenmk.exe",
                                                          "C:\\app\\settings.dmk", "C:\\app\\UNLHA32.DLL"}));
  // The download folder is left as it was.
  EXPECT_EQ(fs.Content("C:\\dl\\drovenmk.exe"), "new program");
}

TEST_F(InstallTest, DownloadedFilesWithTheStagingNamesAreNotInstalled) {
  // Such a file beside the program it seems to belong to was once taken
  // for the installer's own copy: the old copy's removal deleted it after
  // its installation, or the staged program was overwritten by it.
  for (const char* name : {"drovenmk.exe.dmold", "drovenmk.exe.dmnew", "CRYPT.DLL.DMOLD"}) {
    SCOPED_TRACE(name);
    fs = FakeFileSystem();
    SetUp();
    fs.AddFile(std::string("C:\\dl\\") + name, "stray", MakeDateTime(2025, 1, 1));
    InstallResult result = Install();
    EXPECT_TRUE(result.Succeeded()) << InstallFailureMessage(result);
    EXPECT_EQ(result.installed, (std::vector<std::string>{"CRYPT.DLL", "drovenmk.exe", "UNLHA32.DLL"}));
    EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "new program");
    EXPECT_EQ(fs.Content("C:\\app\\CRYPT.DLL"), "new crypt");
    EXPECT_EQ(fs.Below("C:\\app"), (std::vector<std::string>{"C:\\app\\CRYPT.DLL", "C:\\app\\drovenmk.exe",
                                                            "C:\\app\\settings.dmk", "C:\\app\\UNLHA32.DLL"}));
  }
}

TEST_F(InstallTest, AFailedCopyChangesNothing) {
  fs.failCopyFrom.insert("C:\\dl\\UNLHA32.DLL");
  InstallResult result = Install();
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("UNLHA32.DLL: ", 0), 0u);
  EXPECT_TRUE(result.installed.empty());
  ExpectOldProgram();
}

TEST_F(InstallTest, AFailedSwapPutsTheOldFilesBack) {
  // The old copy of drovenmk.exe cannot be made: CRYPT.DLL, already in
  // place by then, goes back too.
  fs.AddFolder("C:\\app\\drovenmk.exe.dmold");
  InstallResult result = Install();
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(result.failures[0].rfind("drovenmk.exe: ", 0), 0u);
  EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "old program");
  EXPECT_EQ(fs.Content("C:\\app\\CRYPT.DLL"), "old crypt");
  EXPECT_FALSE(fs.Exists("C:\\app\\UNLHA32.DLL"));
  EXPECT_FALSE(fs.Exists("C:\\app\\CRYPT.DLL.dmold"));
  EXPECT_FALSE(fs.Exists("C:\\app\\drovenmk.exe.dmnew"));
}

TEST_F(InstallTest, AFolderInTheWayIsAFailure) {
  fs.AddFolder("C:\\app\\UNLHA32.DLL");
  InstallResult result = Install();
  ASSERT_EQ(result.failures.size(), 1u);
  EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "old program");
  EXPECT_FALSE(fs.Exists("C:\\app\\CRYPT.DLL.dmnew"));
}

TEST_F(InstallTest, LinksOutOfTheFolderAreRefused) {
  links.insert("C:\\dl\\UNLHA32.DLL");
  InstallResult result = Install();
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.refused, std::vector<std::string>{"UNLHA32.DLL"});
  EXPECT_FALSE(fs.Exists("C:\\app\\UNLHA32.DLL"));
  EXPECT_EQ(fs.Content("C:\\app\\drovenmk.exe"), "new program");
}

TEST_F(InstallTest, NothingToInstallIsAFailure) {
  FakeFileSystem empty;
  empty.AddFolder("C:\\dl");
  empty.AddFile("C:\\dl\\a.lzh", "x", MakeDateTime(2025, 1, 1));
  InstallResult result = InstallUpdate(empty, "C:\\dl", "C:\\app", [](const std::string&) { return true; });
  EXPECT_FALSE(result.Succeeded());
  EXPECT_NE(InstallFailureMessage(result).find("インストールするファイルがありません"), std::string::npos);
  EXPECT_EQ(InstallFailureMessage(result).rfind("Drovenmarkのアップデートに失敗しました", 0), 0u);
}

}  // namespace
}  // namespace dm
