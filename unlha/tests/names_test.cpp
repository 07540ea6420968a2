// Entry names as untrusted input, the command text and the report's
// truncation.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "unlha/command_line.h"
#include "unlha/entry_name.h"
#include "unlha/report.h"

namespace dm::lzh {
namespace {

TargetName TargetOf(const std::string& name, const std::string& folder = "") {
  EntryHeader entry;
  entry.name = name;
  entry.folder = folder;
  return FlatTargetName(entry);
}

TEST(EntryNames, PlainAndFolderedNamesBecomeTheirLastPart) {
  struct Case {
    std::string name, folder, fileName;
  };
  const Case cases[] = {
      {"readme.txt", "", "readme.txt"},
      {"bin\\drovenmk.exe", "", "drovenmk.exe"},
      {"bin/drovenmk.exe", "", "drovenmk.exe"},
      {"drovenmk.exe", "bin\xFFsub\xFF", "drovenmk.exe"},
      // "表" is 0x95 0x5C in Shift-JIS: its trail byte is no separator.
      {"\x95\x5C\x8E\xA6.txt", "", "表示.txt"},
      {"\x83\x74\x83\x48\x83\x8B\x83\x5F\\\x83\x5C.txt", "", "ソ.txt"},
      // Not Shift-JIS, but UTF-8: taken as it is.
      {"\xE3\x81\x82/\xE3\x81\x84.txt", "", "い.txt"},
  };
  for (const Case& c : cases) {
    const TargetName target = TargetOf(c.name, c.folder);
    EXPECT_TRUE(target.usable) << c.fileName << ": " << target.refusal;
    EXPECT_EQ(target.fileName, c.fileName);
    EXPECT_FALSE(target.folderDropped) << c.fileName;
  }
}

TEST(EntryNames, PathsReachingOutsideLoseTheirFolderAndSaySo) {
  for (const std::string& name : std::vector<std::string>{"..\\..\\windows\\evil.dll", "\\windows\\evil.dll", "/etc/evil.dll",
                                  "C:\\windows\\evil.dll", "c:evil\\evil.dll", "a\\..\\..\\evil.dll",
                                  "\\\\server\\share\\evil.dll"}) {
    const TargetName target = TargetOf(name);
    EXPECT_TRUE(target.usable) << name;
    EXPECT_EQ(target.fileName, "evil.dll") << name;
    EXPECT_TRUE(target.folderDropped) << name;
  }
  EXPECT_TRUE(TargetOf("evil.dll", "..\xFF..\xFF").folderDropped);
}

TEST(EntryNames, UnsafeFileNamesAreRefused) {
  for (const std::string& name : std::vector<std::string>
       {"", "..", ".", "dir\\", "C:", "C:evil.exe", "file.txt:stream", "file.txt::$DATA", "CON", "con.txt",
        "Nul", "NUL.tar.gz", "COM1", "lpt9.log", "AUX ", "CONIN$", "a\x01" "b", "tab\tname",
        "del\x7F", "what?.txt", "star*.txt", "pipe|x", "quote\"x", "less<x", "trailing.", "trailing ",
        std::string(256, 'a')}) {
    const TargetName target = TargetOf(name);
    EXPECT_FALSE(target.usable) << name;
    EXPECT_FALSE(target.refusal.empty()) << name;
  }
  for (const std::string& name : std::vector<std::string>{"CONSOLE.txt", "com10", "nul_", "auxiliary", ".hidden", "a..b",
                                  std::string(255, 'a')}) {
    EXPECT_TRUE(TargetOf(name).usable) << name;
  }
  EXPECT_EQ(NameProblem("com\xC2\xB9.txt"), "名前がデバイス名です");  // UTF-8 "com¹"
}

TEST(EntryNames, ShownPathIsPrintable) {
  const TargetName target = TargetOf("bad\x01\\name\x1F.txt");
  EXPECT_EQ(target.shownPath, "bad?\\name?.txt");
}

TEST(CommandText, TheProgramsCommandAndVariants) {
  struct Case {
    std::string text;
    std::string archive, folder;
    std::vector<std::string> patterns;
  };
  const Case cases[] = {
      {"e \"C:\\dl\\update.lzh\" \"C:\\dl\\\" *.*  -n -c -y", "C:\\dl\\update.lzh", "C:\\dl\\", {"*.*"}},
      {"-n -y e C:\\a.lzh C:\\out\\", "C:\\a.lzh", "C:\\out\\", {"*.*"}},
      {"  E\t\"C:\\My Files\\a b.lzh\"   \"D:\\dest dir\\\"  *.exe  *.txt -gm -x1 ", "C:\\My Files\\a b.lzh",
       "D:\\dest dir\\", {"*.exe", "*.txt"}},
      {"e a.lzh", "a.lzh", "", {"*.*"}},
      {"e \"-odd.lzh\" out/", "-odd.lzh", "out/", {"*.*"}},
  };
  for (const Case& c : cases) {
    const CommandParse parse = ParseCommand(c.text);
    ASSERT_TRUE(parse.ok) << c.text << ": " << parse.problem;
    EXPECT_EQ(parse.command.action, Action::kExtract);
    EXPECT_EQ(parse.command.archive, c.archive);
    EXPECT_EQ(parse.command.folder, c.folder);
    EXPECT_EQ(parse.command.patterns, c.patterns);
  }
  EXPECT_EQ(ParseCommand("t a.lzh").command.action, Action::kTest);
  EXPECT_EQ(ParseCommand("L a.lzh").command.action, Action::kList);
  for (const std::string& bad : std::vector<std::string>{"", "   ", "-n -c", "e", "e \"\"", "x a.lzh out\\", "a new.lzh file"}) {
    const CommandParse parse = ParseCommand(bad);
    EXPECT_FALSE(parse.ok) << bad;
    EXPECT_FALSE(parse.problem.empty());
  }
}

TEST(CommandText, PatternsSelectByNameOrPath) {
  EXPECT_TRUE(MatchesAnyPattern({"*.*"}, "README", "README"));
  EXPECT_TRUE(MatchesAnyPattern({"*.EXE"}, "drovenmk.exe", "bin\\drovenmk.exe"));
  EXPECT_FALSE(MatchesAnyPattern({"*.txt"}, "drovenmk.exe", "drovenmk.exe"));
  EXPECT_TRUE(MatchesAnyPattern({"bin/*"}, "drovenmk.exe", "bin\\drovenmk.exe"));
  EXPECT_FALSE(MatchesAnyPattern({"doc\\*"}, "drovenmk.exe", "bin\\drovenmk.exe"));
}

TEST(ReportText, LinesAndDroppedLineCount) {
  Report report(40);
  report.Add("first line");
  report.Add("second line");
  report.Add("third line is too long for the rest");
  report.Add("fourth");
  EXPECT_EQ(report.Text(), "first line\r\nsecond line\r\n（ほか 2 行は省略しました）\r\n");
}

TEST(ReportText, CopyNeverSplitsACharacterAndAlwaysEnds) {
  const auto sjisLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  const std::string text = "ab\r\n" + Utf8ToSjis("日本語") + "\r\n";  // 4 + 6 + 2 bytes
  struct Case {
    size_t size;
    std::string expected;
  };
  const Case cases[] = {
      {1, ""}, {3, "ab"}, {5, "ab\r\n"}, {12, "ab\r\n"}, {13, text}, {100, text},
  };
  for (const Case& c : cases) {
    std::vector<char> out(c.size + 1, '\x55');
    const size_t copied = CopyTruncated(text, out.data(), c.size, sjisLead);
    EXPECT_EQ(std::string(out.data()), c.expected) << c.size;
    EXPECT_EQ(copied, c.expected.size());
    EXPECT_EQ(out[c.size], '\x55') << "wrote past the buffer at size " << c.size;
  }
  // No whole line fits: cut after the last whole character.
  const std::string japanese = Utf8ToSjis("日本語");
  char small[6];
  CopyTruncated(japanese, small, sizeof small, sjisLead);
  EXPECT_EQ(std::string(small), Utf8ToSjis("日本"));
  EXPECT_EQ(CopyTruncated(text, nullptr, 10, sjisLead), 0u);
  char untouched = 'x';
  EXPECT_EQ(CopyTruncated(text, &untouched, 0, sjisLead), 0u);
  EXPECT_EQ(untouched, 'x');
}

}  // namespace
}  // namespace dm::lzh
