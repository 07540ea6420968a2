// The decoder and the header reader against archives a real archiver made,
// against hand-built headers of every level, and against lhasa.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "unlha/crc16.h"
#include "unlha/decoder.h"
#include "unlha/header.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/tests/test_support.h"

namespace dm::lzh::testing {
namespace {

class StringSink : public OutputSink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string bytes;
};

// Every file of an archive, decoded in archive order and joined; folders
// contribute nothing. Fails the test on any error.
std::string DecodeAll(const std::string& archiveBytes, std::vector<EntryHeader>* headers = nullptr) {
  MemorySource source(archiveBytes);
  StringSink sink;
  for (;;) {
    EntryHeader entry;
    const HeaderResult header = ReadEntryHeader(source, entry);
    EXPECT_NE(header.status, HeaderStatus::kBroken) << header.problem;
    if (header.status != HeaderStatus::kEntry) break;
    if (headers) headers->push_back(entry);
    LimitedSource data(source, entry.packedSize);
    const size_t before = sink.bytes.size();
    const DecodeResult result = DecodeData(entry.method, data, entry.packedSize, entry.originalSize, sink);
    EXPECT_EQ(result.status, DecodeStatus::kOk) << entry.name;
    EXPECT_EQ(result.crc, entry.crc) << entry.name;
    EXPECT_EQ(sink.bytes.size() - before, entry.originalSize) << entry.name;
    EXPECT_TRUE(data.SkipRest());
  }
  return sink.bytes;
}

TEST(Crc16, KnownValueAndEveryLengthAgreesWithBitwise) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc16Of(check), 0xBB3D);
  std::mt19937 random(5);
  std::string data(100, '\0');
  for (char& c : data) c = static_cast<char>(random());
  for (size_t length = 0; length <= data.size(); ++length) {
    uint16_t bitwise = 0;
    for (size_t i = 0; i < length; ++i) {
      bitwise ^= static_cast<uint8_t>(data[i]);
      for (int bit = 0; bit < 8; ++bit) bitwise = (bitwise & 1) ? (bitwise >> 1) ^ 0xA001 : bitwise >> 1;
    }
    ASSERT_EQ(Crc16Of(data.substr(0, length)), bitwise) << length;
  }
}

TEST(Headers, EveryLevelGivesNameFolderSizesAndTime) {
  struct Case {
    int level;
    std::string folder;
    std::string expectedName;  // as StoredPath gives it
    Timestamp::Kind timeKind;
  };
  const Case cases[] = {
      {0, "", "dir\\file.txt", Timestamp::Kind::kDosLocal},
      {1, "dir\xFF", "dir\xFF" "file.txt", Timestamp::Kind::kDosLocal},
      {2, "dir\xFF", "dir\xFF" "file.txt", Timestamp::Kind::kUnixUtc},
      {3, "dir", "dir\xFF" "file.txt", Timestamp::Kind::kUnixUtc},
  };
  for (const Case& c : cases) {
    BuiltEntry entry = StoredEntry(c.level == 0 ? "dir\\file.txt" : "file.txt", "content", c.level);
    entry.folder = c.folder;
    const std::string archive = BuildArchive({entry, StoredEntry("second", "2", c.level)});
    MemorySource source(archive);
    EntryHeader header;
    ASSERT_EQ(ReadEntryHeader(source, header).status, HeaderStatus::kEntry) << c.level;
    EXPECT_EQ(header.level, c.level);
    EXPECT_EQ(StoredPath(header), c.expectedName);
    EXPECT_EQ(header.method, "-lh0-");
    EXPECT_EQ(header.packedSize, 7u) << c.level;
    EXPECT_EQ(header.originalSize, 7u);
    EXPECT_EQ(header.crc, Crc16Of("content"));
    EXPECT_EQ(header.time.kind, c.timeKind);
    EXPECT_EQ(header.time.value, c.level < 2 ? 0x3A4DBBEFu : 1234567890u);
    ASSERT_TRUE(source.Skip(header.packedSize));
    ASSERT_EQ(ReadEntryHeader(source, header).status, HeaderStatus::kEntry);
    EXPECT_EQ(header.name, "second");
    source.Skip(header.packedSize);
    EXPECT_EQ(ReadEntryHeader(source, header).status, HeaderStatus::kEnd);
  }
}

TEST(Headers, DamageIsReportedNotTrusted) {
  const std::string good = BuildArchive({StoredEntry("a.txt", "abc", 0)});
  std::string badSum = good;
  badSum[1] ^= 1;
  std::string badLevel = BuildArchive({StoredEntry("a.txt", "abc", 2)});
  badLevel[20] = 9;
  std::string hugeLevel2 = BuildArchive({StoredEntry("a.txt", "abc", 2)});
  hugeLevel2[0] = '\xFF';
  hugeLevel2[1] = '\xFF';
  const std::string notLzh = "<html><body>404 Not Found</body></html>";
  for (const std::string& archive : {badSum, badLevel, hugeLevel2, notLzh, good.substr(0, 10)}) {
    MemorySource source(archive);
    EntryHeader header;
    const HeaderResult result = ReadEntryHeader(source, header);
    EXPECT_EQ(result.status, HeaderStatus::kBroken);
    EXPECT_FALSE(result.problem.empty());
  }
}

TEST(Decoder, UnknownMethodAndStoredSizeMismatchAreErrors) {
  StringSink sink;
  MemorySource lzs("abc");
  EXPECT_EQ(DecodeData("-lzs-", lzs, 3, 3, sink).status, DecodeStatus::kUnknownMethod);
  MemorySource stored("abc");
  EXPECT_EQ(DecodeData("-lh0-", stored, 3, 4, sink).status, DecodeStatus::kSizeMismatch);
  MemorySource shortStored("ab");
  EXPECT_EQ(DecodeData("-lh0-", shortStored, 3, 3, sink).status, DecodeStatus::kTruncated);
}

// The archives of tests/data, made by make_archives.sh with jlha-utils.
class CommittedArchive : public ::testing::TestWithParam<std::string> {};

TEST_P(CommittedArchive, ExtractsEveryFileWithTheArchiversBytes) {
  const auto manifest = ReadManifest();
  const auto& files = manifest.at(GetParam());
  ScratchFolder out;
  const RunOutcome run = RunText("e \"" + DataPath(GetParam()) + "\" \"" + out.Path() + "/\" *.*  -n -c -y");
  EXPECT_EQ(run.result, kResultSuccess) << run.report;
  std::set<std::string> expected;
  for (const ManifestFile& file : files) {
    expected.insert(file.FlatName());
    const std::string bytes = ReadWhole(out / file.FlatName());
    EXPECT_EQ(bytes.size(), file.size) << file.storedPath;
    EXPECT_EQ(Fnv1a64(bytes), file.hash) << file.storedPath;
  }
  EXPECT_EQ(NamesIn(out.Path()), expected);  // flat, and no temporary file left
  EXPECT_EQ(run.counts.done, static_cast<int>(files.size()));
}

TEST_P(CommittedArchive, LhasaGivesTheSameBytes) {
  if (!HaveCommand("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  const std::string ours = DecodeAll(ReadWhole(DataPath(GetParam())));
  std::string theirs;
  if (FILE* pipe = popen(("lhasa pq '" + DataPath(GetParam()) + "'").c_str(), "r")) {
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) theirs.append(buffer, n);
    pclose(pipe);
  }
  EXPECT_EQ(ours.size(), theirs.size());
  EXPECT_TRUE(ours == theirs);
}

INSTANTIATE_TEST_SUITE_P(Archives, CommittedArchive,
                         ::testing::Values("lh5_level0.lzh", "lh5_level1.lzh", "lh5_level2.lzh", "lh6_level0.lzh",
                                           "lh6_level1.lzh", "lh6_level2.lzh", "lh7_level0.lzh", "lh7_level1.lzh",
                                           "lh7_level2.lzh", "stored_level0.lzh", "stored_level1.lzh",
                                           "stored_level2.lzh", "repeat.lzh", "many.lzh", "japanese.lzh",
                                           "japanese_level0.lzh", "refill.lzh"),
                         [](const auto& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           return name;
                         });

TEST(CommittedArchives, HeadersCarryMethodsLevelsAndTimes) {
  struct Case {
    std::string archive;
    std::string method;
    int level;
    Timestamp::Kind timeKind;
    uint64_t time;
  };
  const Case cases[] = {
      {"lh5_level0.lzh", "-lh5-", 0, Timestamp::Kind::kDosLocal, 0x3A4DBBEF},
      {"lh6_level1.lzh", "-lh6-", 1, Timestamp::Kind::kDosLocal, 0x3A4DBBEF},
      {"lh7_level2.lzh", "-lh7-", 2, Timestamp::Kind::kUnixUtc, 1234567890},
  };
  for (const Case& c : cases) {
    std::vector<EntryHeader> headers;
    DecodeAll(ReadWhole(DataPath(c.archive)), &headers);
    ASSERT_FALSE(headers.empty());
    EXPECT_EQ(headers[0].method, c.method);
    EXPECT_EQ(headers[0].level, c.level);
    EXPECT_EQ(headers[0].time.kind, c.timeKind);
    EXPECT_EQ(headers[0].time.value, c.time) << c.archive;
  }
  std::vector<EntryHeader> japanese;
  DecodeAll(ReadWhole(DataPath("japanese.lzh")), &japanese);
  int folders = 0;
  for (const EntryHeader& header : japanese) folders += IsFolderMethod(header.method);
  EXPECT_EQ(folders, 2);
}

TEST(StoredArchive, TwentyMegabytesOfNoise) {
  std::mt19937_64 random(7);
  std::string noise(20 << 20, '\0');
  for (size_t i = 0; i < noise.size(); i += 8) {
    const uint64_t v = random();
    std::memcpy(&noise[i], &v, 8);
  }
  ScratchFolder folder;
  WriteWhole(folder / "noise.lzh", BuildArchive({StoredEntry("noise.bin", noise)}));
  mkdir((folder / "out").c_str(), 0755);
  const RunOutcome run = RunText("e " + (folder / "noise.lzh") + " " + (folder / "out/"));
  EXPECT_EQ(run.result, kResultSuccess) << run.report;
  EXPECT_TRUE(ReadWhole(folder / "out/noise.bin") == noise);
}

// Needs the archiver itself: "jlha" of jlha-utils (with Java), called by the
// name only it has, since "lha" may name lhasa, which cannot create archives.
// A fresh archive of every method, and a 20 MB incompressible file, checked
// against lhasa as well.
TEST(FreshArchive, MadeByLhaNowExtractsTheSame) {
  if (!HaveCommand("jlha")) GTEST_SKIP() << "jlha is missing (package jlha-utils; scripts/setup-debian.sh installs it)";
  ScratchFolder folder;
  std::mt19937_64 random(11);
  std::string noise(20 << 20, '\0');
  for (size_t i = 0; i < noise.size(); i += 8) {
    const uint64_t v = random();
    std::memcpy(&noise[i], &v, 8);
  }
  std::string text;
  while (text.size() < 300000) text += "line " + std::to_string(random() % 1000) + " of the fresh archive\n";
  mkdir((folder / "in").c_str(), 0755);
  WriteWhole(folder / "in/noise.bin", noise);
  WriteWhole(folder / "in/text.txt", text);
  WriteWhole(folder / "in/zero.dat", "");
  // The noise goes into one archive only: the archiver is slow on it.
  for (const char* options : {"a2o5q", "a1o6q", "a0o7q"}) {
    SCOPED_TRACE(options);
    const bool withNoise = std::string(options) == "a2o5q";
    const std::string archive = folder / (std::string(options) + ".lzh");
    const std::string make = "cd '" + (folder / "in") + "' && jlha " + options + " '" + archive + "' " +
                             (withNoise ? "noise.bin " : "") + "text.txt zero.dat >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string out = folder / (std::string(options) + "/");
    mkdir(out.c_str(), 0755);
    const RunOutcome run = RunText("e \"" + archive + "\" \"" + out + "\" *.*  -n -c -y");
    EXPECT_EQ(run.result, kResultSuccess) << run.report;
    if (withNoise) {
      EXPECT_TRUE(ReadWhole(out + "noise.bin") == noise);
    }
    EXPECT_EQ(ReadWhole(out + "text.txt"), text);
    EXPECT_EQ(ReadWhole(out + "zero.dat"), "");
    if (HaveCommand("lhasa")) {
      const std::string checked = "cd '" + out + "' && lhasa tq '" + archive + "'";
      EXPECT_EQ(std::system(checked.c_str()), 0);
    }
  }
}

}  // namespace
}  // namespace dm::lzh::testing
