// Whole runs into real folders: replacing files only after the CRC matched,
// progress and abort, damaged and hostile archives.
#include <gtest/gtest.h>

#include "unlha/header.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/tests/test_support.h"

namespace dm::lzh::testing {
namespace {

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override { mkdir(out().c_str(), 0755); }
  std::string out() const { return scratch / "out/"; }
  RunOutcome Extract(const std::string& archiveBytes, ProgressListener* listener = nullptr) {
    WriteWhole(scratch / "a.lzh", archiveBytes);
    return RunText("e \"" + (scratch / "a.lzh") + "\" \"" + out() + "\" *.*  -n -c -y", listener);
  }
  ScratchFolder scratch;
};

TEST_F(Extraction, ReplacesExistingFilesWithoutQuestions) {
  WriteWhole(out() + "a.txt", "old contents, longer than the new");
  const RunOutcome run = Extract(BuildArchive({StoredEntry("a.txt", "new"), StoredEntry("b.txt", "bee")}));
  EXPECT_EQ(run.result, kResultSuccess) << run.report;
  EXPECT_EQ(ReadWhole(out() + "a.txt"), "new");
  EXPECT_EQ(ReadWhole(out() + "b.txt"), "bee");
  EXPECT_NE(run.report.find("a.txt: 展開しました"), std::string::npos) << run.report;
  struct stat info;
  ASSERT_EQ(stat((out() + "a.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, 1234567890);
}

TEST_F(Extraction, ACrcMismatchLeavesTheOldFileAndNoTemporary) {
  WriteWhole(out() + "good.txt", "the good old file");
  BuiltEntry damaged = FirstEntryOf("lh6_level1.lzh");
  damaged.name = "good.txt";
  damaged.crc ^= 0x0101;
  BuiltEntry stored = StoredEntry("other.txt", "other");
  stored.crc ^= 1;
  const RunOutcome run = Extract(BuildArchive({damaged, stored, StoredEntry("fine.txt", "fine")}));
  EXPECT_EQ(run.result, kResultEntriesFailed);
  EXPECT_EQ(ReadWhole(out() + "good.txt"), "the good old file");
  EXPECT_EQ(NamesIn(out()), (std::set<std::string>{"good.txt", "fine.txt"}));
  EXPECT_NE(run.report.find("good.txt: CRC が一致しません"), std::string::npos) << run.report;
  EXPECT_NE(run.report.find("other.txt: CRC"), std::string::npos) << run.report;
  EXPECT_EQ(run.counts.failed, 2);
}

TEST_F(Extraction, FolderEntriesAreSkippedQuietly) {
  BuiltEntry folder = StoredEntry("", "");
  folder.method = "-lhd-";
  folder.folder = "sub\xFF";
  const RunOutcome run =
      Extract(BuildArchive({folder, StoredEntry("old\\", "", 0), StoredEntry("sub\\f.txt", "f", 0)}));
  EXPECT_EQ(run.result, kResultSuccess) << run.report;
  EXPECT_EQ(NamesIn(out()), std::set<std::string>{"f.txt"});
}

TEST_F(Extraction, UnknownMethodNamesTheEntryAndTheRestGoesOn) {
  BuiltEntry odd = StoredEntry("odd.bin", "12345");
  odd.method = "-lzx-";
  const RunOutcome run = Extract(BuildArchive({odd, StoredEntry("after.txt", "after")}));
  EXPECT_EQ(run.result, kResultEntriesFailed);
  EXPECT_NE(run.report.find("odd.bin: 圧縮方式 -lzx- には対応していません"), std::string::npos) << run.report;
  EXPECT_EQ(NamesIn(out()), std::set<std::string>{"after.txt"});
}

TEST_F(Extraction, HostileNamesNeverWriteOutsideTheFolder) {
  mkdir((scratch / "out/inner").c_str(), 0755);
  const std::string inner = scratch / "out/inner/";
  WriteWhole(scratch / "a.lzh",
             BuildArchive({StoredEntry("..\\..\\escape.txt", "e", 0), StoredEntry("/abs.txt", "a", 1),
                           StoredEntry("../up.txt", "u"), StoredEntry("CON", "c"), StoredEntry("a:b", "s"),
                           StoredEntry("ctl\x01.txt", "x"), StoredEntry("..", "d"), StoredEntry("ok.txt", "ok")}));
  const RunOutcome run = RunText("e " + (scratch / "a.lzh") + " " + inner);
  EXPECT_EQ(run.result, kResultEntriesFailed);
  EXPECT_EQ(NamesIn(inner), (std::set<std::string>{"escape.txt", "abs.txt", "up.txt", "ok.txt"}));
  EXPECT_EQ(NamesIn(scratch / "out"), std::set<std::string>{"inner"});
  EXPECT_EQ(NamesIn(scratch.Path()), (std::set<std::string>{"a.lzh", "out"}));
  EXPECT_EQ(run.counts.refused, 4);
  EXPECT_NE(run.report.find("..\\..\\escape.txt: フォルダー外を指すパスを除いて「escape.txt」として展開しました"),
            std::string::npos)
      << run.report;
  EXPECT_NE(run.report.find("CON: 書き込みません（名前がデバイス名です）"), std::string::npos) << run.report;
}

// Under 150 bytes whose data expands to 268 MB, in an entry that declares one
// megabyte (with that megabyte's CRC): extraction stops at the declared size
// and the entry fails; the old file stays and the next entry is extracted.
TEST_F(Extraction, DataLongerThanItsHeaderFailsTheEntry) {
  WriteWhole(out() + "bomb.bin", "the old bomb.bin");
  BlockWriter stream;
  stream.ByteBlock("x");
  for (int i = 0; i < 16; ++i) stream.SilentBlock(65535, 256 + 253);
  BuiltEntry bomb;
  bomb.method = "-lh5-";
  bomb.name = "bomb.bin";
  bomb.packed = stream.Bytes();
  bomb.originalSize = 1 << 20;
  bomb.crc = Crc16Of(std::string(1 << 20, 'x'));
  const std::string archive = BuildArchive({bomb, StoredEntry("after.txt", "after")});
  EXPECT_LT(BuildArchive({bomb}).size(), 150u);
  const RunOutcome run = Extract(archive);
  EXPECT_EQ(run.result, kResultEntriesFailed) << run.report;
  EXPECT_EQ(ReadWhole(out() + "bomb.bin"), "the old bomb.bin");
  EXPECT_EQ(ReadWhole(out() + "after.txt"), "after");
  EXPECT_EQ(NamesIn(out()), (std::set<std::string>{"bomb.bin", "after.txt"}));
  EXPECT_NE(run.report.find("bomb.bin: データがヘッダーのサイズを超えて続いています"), std::string::npos) << run.report;
}

// The real folder with a volume of a chosen free space.
class SmallVolume : public PosixFolder {
 public:
  SmallVolume(const std::string& folder, uint64_t free) : PosixFolder(folder), free_(free) {}
  bool FreeSpace(uint64_t& bytes) override {
    bytes = free_;
    return true;
  }

 private:
  uint64_t free_;
};

TEST_F(Extraction, FilesLargerThanTheFreeSpaceAreRefusedBeforeAnyIsWritten) {
  WriteWhole(out() + "a.txt", "the old a");
  BuiltEntry folder = StoredEntry("", "");
  folder.method = "-lhd-";
  folder.folder = "sub\xFF";
  BuiltEntry unsafe = StoredEntry("CON", std::string(5000, 'c'));
  // 600 + 400 bytes of files; the folder, the unsafe name and the pattern's
  // misses do not count.
  WriteWhole(scratch / "a.lzh", BuildArchive({StoredEntry("a.txt", std::string(600, 'a')), folder, unsafe,
                                              StoredEntry("b.txt", std::string(400, 'b')),
                                              StoredEntry("skip.dat", std::string(9000, 's'))}));
  const struct {
    uint64_t free;
    bool refused;
  } cases[] = {{999, true}, {0, true}, {1000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.free);
    std::remove((out() + "b.txt").c_str());
    const CommandParse parse = ParseCommand("e \"" + (scratch / "a.lzh") + "\" \"" + out() + "\" *.txt CON");
    ASSERT_TRUE(parse.ok);
    auto archive = PosixFileSource::Open(parse.command.archive);
    ASSERT_TRUE(archive);
    SmallVolume volume(out(), c.free);
    NoProgress none;
    Report report;
    RunCounts counts;
    const ResultCode result = RunCommand(parse.command, *archive, &volume, none, report, &counts);
    const std::string text = report.Text();
    EXPECT_EQ(result, kResultEntriesFailed) << text;  // the unsafe name is refused either way
    if (c.refused) {
      EXPECT_EQ(text, "展開先の空き容量が足りません（展開するファイル 2 件の合計 1000 バイト、空き " +
                          std::to_string(c.free) + " バイト）。何も書き込んでいません\r\n展開 0 件、拒否 2 件\r\n");
      EXPECT_EQ(NamesIn(out()), std::set<std::string>{"a.txt"});
      EXPECT_EQ(ReadWhole(out() + "a.txt"), "the old a");
    } else {
      EXPECT_EQ(counts.done, 2) << text;
      EXPECT_EQ(ReadWhole(out() + "b.txt"), std::string(400, 'b'));
    }
  }
}

class Recorder : public ProgressListener {
 public:
  explicit Recorder(int abortAtCall) : abortAtCall_(abortAtCall) {}
  bool OnProgress(ProgressStage stage, const EntryHeader& entry, std::string_view name, uint64_t written) override {
    calls.push_back({stage, std::string(name), entry.originalSize, written});
    return static_cast<int>(calls.size()) != abortAtCall_;
  }
  struct Call {
    ProgressStage stage;
    std::string name;
    uint64_t size, written;
  };
  std::vector<Call> calls;

 private:
  int abortAtCall_;
};

TEST_F(Extraction, ProgressCountsUpToTheSizeOfEachFile) {
  const std::string big(600000, 'b');
  Recorder recorder(-1);
  const RunOutcome run = Extract(BuildArchive({StoredEntry("big.bin", big), StoredEntry("zero", "")}), &recorder);
  EXPECT_EQ(run.result, kResultSuccess);
  ASSERT_GE(recorder.calls.size(), 5u);
  EXPECT_EQ(recorder.calls.front().stage, ProgressStage::kBegin);
  EXPECT_EQ(recorder.calls.front().written, 0u);
  uint64_t last = 0;
  for (const auto& call : recorder.calls) {
    if (call.name != "big.bin") continue;
    EXPECT_EQ(call.size, big.size());
    EXPECT_GE(call.written, last);
    EXPECT_LE(call.written, call.size);
    last = call.written;
  }
  EXPECT_EQ(last, big.size());
  EXPECT_EQ(recorder.calls.back().name, "zero");
  EXPECT_EQ(recorder.calls.back().stage, ProgressStage::kEnd);
}

TEST_F(Extraction, AbortDropsTheFileBeingWrittenAndEndsTheRun) {
  WriteWhole(out() + "second.bin", "the old second");
  const std::string big(600000, 's');
  Recorder recorder(5);  // first: begin, writing, end; second: begin, then the abort
  const RunOutcome run =
      Extract(BuildArchive({StoredEntry("first.txt", "1"), StoredEntry("second.bin", big), StoredEntry("third", "3")}),
              &recorder);
  EXPECT_EQ(run.result, kResultAborted);
  EXPECT_EQ(ReadWhole(out() + "first.txt"), "1");
  EXPECT_EQ(ReadWhole(out() + "second.bin"), "the old second");
  EXPECT_EQ(NamesIn(out()), (std::set<std::string>{"first.txt", "second.bin"}));
  EXPECT_NE(run.report.find("second.bin: 中止しました"), std::string::npos) << run.report;
}

TEST_F(Extraction, EveryCutOfAnArchiveEndsCleanly) {
  BuiltEntry compressed = FirstEntryOf("lh5_level2.lzh");
  const std::string whole = BuildArchive({StoredEntry("one.txt", "one"), compressed}, false);
  const size_t firstEnd = BuildArchive({StoredEntry("one.txt", "one")}, false).size();
  for (size_t cut = 0; cut < whole.size(); cut += (cut < 120 ? 1 : 997)) {
    const RunOutcome run = Extract(whole.substr(0, cut));
    const std::set<std::string> names = NamesIn(out());
    for (const std::string& name : names) EXPECT_TRUE(name == "one.txt") << name << " at cut " << cut;
    if (cut == 0 || cut == firstEnd) {
      EXPECT_EQ(run.result, kResultSuccess);  // whole entries without the end mark
    } else {
      EXPECT_NE(run.result, kResultSuccess) << "cut " << cut;
      EXPECT_FALSE(run.report.empty());
    }
  }
  EXPECT_EQ(Extract(whole).result, kResultSuccess);
}

TEST_F(Extraction, TestAndListWriteNothing) {
  const std::string archive = BuildArchive({StoredEntry("a.txt", "a"), FirstEntryOf("lh7_level0.lzh")});
  WriteWhole(scratch / "a.lzh", archive);
  const RunOutcome test = RunText("t " + (scratch / "a.lzh") + " " + out());
  EXPECT_EQ(test.result, kResultSuccess) << test.report;
  EXPECT_EQ(test.report, "a.txt: OK\r\ntext.txt: OK\r\n検査 2 件\r\n");
  const RunOutcome list = RunText("l " + (scratch / "a.lzh"));
  EXPECT_EQ(list.result, kResultSuccess);
  EXPECT_NE(list.report.find("text.txt  -lh7-"), std::string::npos) << list.report;
  EXPECT_TRUE(NamesIn(out()).empty());
}

}  // namespace
}  // namespace dm::lzh::testing
