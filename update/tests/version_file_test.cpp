#include "update/version_file.h"

#include <gtest/gtest.h>

#include "base/sjis.h"
#include "update/update_check.h"

namespace dm {
namespace {

TEST(VersionFile, ReadsTheProductSectionOnly) {
  const char text[] =
      "[Other]\r\n"
      "Build: 999\r\n"
      "\r\n"
      "  [Drovenmark]  \r\n"
      "Url: http://host/a/drovenmk411.lzh\r\n"
      "Version: 2.11\r\n"
      "\tBuild:   411  \r\n"
      "Last-modified: Wed, 01 Jan 2025 10:20:30 GMT\r\n"
      "Content-length: 123456\r\n"
      "Info: http://host/a/info.txt\r\n"
      "Unknown: x\r\n"
      "[Later]\r\n"
      "Version: 9.99\r\n";
  VersionFileInfo info = ReadVersionFile(text);
  EXPECT_EQ(info.url, "http://host/a/drovenmk411.lzh");
  EXPECT_EQ(info.version, "2.11");
  EXPECT_EQ(info.build, "411");
  EXPECT_EQ(info.lastModified, "Wed, 01 Jan 2025 10:20:30 GMT");
  EXPECT_EQ(info.contentLength, "123456");
  EXPECT_EQ(info.info, "http://host/a/info.txt");
}

// Each file's section, and the build the reader takes from it.
TEST(VersionFile, KeyRules) {
  struct Case {
    const char* name;
    const char* text;
    std::optional<std::string> build;
  };
  const Case cases[] = {
      {"no build line", "[Drovenmark]\nVersion: 2.11\n", std::nullopt},
      {"lower-case key", "[Drovenmark]\nbuild: 411\n", std::nullopt},
      {"no blank after the colon", "[Drovenmark]\nBuild:411\n", std::nullopt},
      {"blank before the colon", "[Drovenmark]\nBuild : 411\n", std::nullopt},
      {"later key wins", "[Drovenmark]\nBuild: 411\nBuild: 412\n", "412"},
      {"value after the first colon", "[Drovenmark]\nBuild: 4:11\n", "4:11"},
      {"section name is case-sensitive", "[drovenmark]\nBuild: 411\n", std::nullopt},
      {"keys before any section", "Build: 411\n[Drovenmark]\n", std::nullopt},
      {"key in another section", "[Other]\nBuild: 411\n[Drovenmark]\nVersion: 1\n", std::nullopt},
      {"second product header after another section is not read",
       "[Drovenmark]\nVersion: 1\n[Other]\n[Drovenmark]\nBuild: 411\n", std::nullopt},
      {"blank value", "[Drovenmark]\nBuild:  \n", std::nullopt},  // trimmed to "Build:"
      {"lone CR line ends", "[Drovenmark]\rBuild: 411", "411"},
      {"mixed line ends", "[Drovenmark]\r\n\nVersion: 1\rBuild: 411\n", "411"},
      {"no final line end", "[Drovenmark]\nBuild: 411", "411"},
      {"empty file", "", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadVersionFile(c.text).build, c.build) << c.name;
}

TEST(VersionFile, ValuesAreShiftJisText) {
  std::string text = Utf8ToSjis("[Drovenmark]\r\nVersion: 2.11 ベータ\r\n");
  EXPECT_EQ(ReadVersionFile(text).version, "2.11 ベータ");
}

TEST(VersionFile, LongLinesAreReadInPieces) {
  // A 5,000-byte line: its first 4,095 bytes are one line, the rest the next.
  std::string text = "[Drovenmark]\nInfo: " + std::string(4095 - 6, 'x') + "Build: 411\n";
  VersionFileInfo info = ReadVersionFile(text);
  EXPECT_EQ(info.build, "411");
  EXPECT_EQ(info.info->size(), 4095u - 6);
}

TEST(VersionFile, OldMacLineEndsYieldTheirKeys) {
  VersionFileInfo info = ReadVersionFile("[Other]\rBuild: 999\r[Drovenmark]\rUrl: http://h/a.lzh\rBuild: 411\r"
                                         "Info: http://h/i.txt\r[Later]\rBuild: 1\r");
  EXPECT_EQ(info.url, "http://h/a.lzh");
  EXPECT_EQ(info.build, "411");
  EXPECT_EQ(info.info, "http://h/i.txt");
}

TEST(VersionFile, AFileBeyondAVersionFilesSizeIsNotRead) {
  const std::string head = "[Drovenmark]\r\nBuild: 411\r\n";
  // Twenty megabytes without a line end after a valid section: refused as
  // a whole, and the check fails with its usual message.
  std::string huge = head + std::string(20u << 20, 'x');
  VersionFileInfo info = ReadVersionFile(huge);
  EXPECT_EQ(info, VersionFileInfo{});
  EXPECT_EQ(DecideUpdate(info, "u", 410).message, "バージョン情報の取得に失敗しました");

  std::string full = head + std::string(kVersionFileMaxBytes - head.size(), 'x');
  EXPECT_EQ(ReadVersionFile(full).build, "411");
  full += '\n';
  EXPECT_EQ(ReadVersionFile(full).build, std::nullopt);
}

TEST(VersionFile, StopsWhenAsked) {
  int lines = 0;
  VersionFileInfo info = ReadVersionFile("[Drovenmark]\nVersion: 1\nBuild: 411\n", [&] { return ++lines > 2; });
  EXPECT_EQ(info.version, "1");
  EXPECT_EQ(info.build, std::nullopt);
}

TEST(UpdateCheck, Decisions) {
  VersionFileInfo info;
  info.version = "2.11";
  info.info = "http://host/info.txt";

  CheckDecision none = DecideUpdate(info, "http://host/version.txt", 410);
  EXPECT_EQ(none.outcome, CheckOutcome::kNoBuild);
  EXPECT_EQ(none.message, "バージョン情報の取得に失敗しました");

  struct Case {
    const char* build;
    int own;
    CheckOutcome outcome;
  };
  const Case cases[] = {
      {"410", 410, CheckOutcome::kUpToDate}, {"409", 410, CheckOutcome::kUpToDate},
      {"411", 410, CheckOutcome::kNewer},    {"1000", 999, CheckOutcome::kNewer},  // numbers, not texts
      {"abc", 410, CheckOutcome::kBadBuild}, {"4.11", 410, CheckOutcome::kBadBuild},
      {"99999999999", 410, CheckOutcome::kBadBuild}, {"411", -1, CheckOutcome::kNewer},
  };
  for (const Case& c : cases) {
    info.build = c.build;
    EXPECT_EQ(DecideUpdate(info, "u", c.own).outcome, c.outcome) << c.build << " against " << c.own;
  }

  info.build = "410";
  EXPECT_EQ(DecideUpdate(info, "u", 410).message, "最新版を使用されていますので、アップデートの必要はありません");
  info.build = "abc";
  EXPECT_NE(DecideUpdate(info, "u", 410).message.find("'abc'"), std::string::npos);

  // Without "Url:" the version file's own address is what would be downloaded.
  info.build = "411";
  CheckDecision newer = DecideUpdate(info, "http://host/version.txt", 410);
  EXPECT_EQ(newer.archiveUrl, "http://host/version.txt");
  EXPECT_EQ(newer.detailsUrl, "http://host/info.txt");
  EXPECT_EQ(newer.build, 411);
  info.url = "http://host/drovenmk411.lzh";
  EXPECT_EQ(DecideUpdate(info, "http://host/version.txt", 410).archiveUrl, "http://host/drovenmk411.lzh");

  EXPECT_EQ(NewVersionLabel("2.11"), "最新版 Version2.11 が登録されています");
  EXPECT_EQ(NewVersionLogLine("2.11"), "新バージョンが登録されています Version: 2.11");
}

}  // namespace
}  // namespace dm
