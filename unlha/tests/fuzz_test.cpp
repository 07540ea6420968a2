// Thousands of damaged archives: mutated, cut and lengthened copies of the
// committed ones and of hand-built ones. Every run must end with a result
// code, write only plain names inside the folder, keep its memory within the
// decoder's bound and leave no file whose CRC did not match.
//   UNLHA_FUZZ_SEED=n      replays another seed (the default is fixed)
//   UNLHA_FUZZ_SECONDS=n   time budget (default 20), UNLHA_FUZZ_CASES=n (default 15000)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <random>

#include "unlha/crc16.h"
#include "unlha/decoder.h"
#include "unlha/entry_name.h"
#include "unlha/extractor.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/tests/test_support.h"

// Every allocation of this test program is counted, so a run's peak can be
// compared with what it started from. Each block carries its size in front;
// the compiler cannot see that the pair below matches.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#pragma GCC diagnostic ignored "-Warray-bounds"
namespace {
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};
}  // namespace

void* operator new(size_t size) {
  void* block = std::malloc(size + 16);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  const size_t live = g_live += size;
  size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + 16;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - 16;
  g_live -= *static_cast<size_t*>(block);
  std::free(block);
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace dm::lzh::testing {
namespace {

constexpr uint64_t kDiskSize = 64 << 20;  // the fake disk fills up here

// A folder in memory that keeps no bytes, only what each file became.
class CountingFolder : public TargetFolder {
 public:
  struct File {
    uint64_t size = 0;
    uint16_t crc = 0;
  };
  std::map<std::string, File> files;
  uint64_t written = 0;
  std::vector<std::string> badNames;

  std::unique_ptr<PendingFile> Begin(const std::string& fileName, std::string&) override {
    if (!NameProblem(fileName).empty() || fileName.find_first_of("\\/") != std::string::npos) {
      badNames.push_back(fileName);
    }
    return std::make_unique<Pending>(*this, fileName);
  }
  // Unknown: the disk is found full while writing.
  bool FreeSpace(uint64_t&) override { return false; }

 private:
  class Pending : public PendingFile {
   public:
    Pending(CountingFolder& folder, std::string name) : folder_(folder), name_(std::move(name)) {}
    bool Write(const uint8_t* data, size_t size) override {
      if (folder_.written + size > kDiskSize) return false;
      folder_.written += size;
      file_.size += size;
      file_.crc = UpdateCrc16(file_.crc, data, size);
      return true;
    }
    bool Commit(const Timestamp&) override {
      folder_.files[name_] = file_;
      return true;
    }
    std::string Problem() const override { return "disk full"; }

   private:
    CountingFolder& folder_;
    std::string name_;
    File file_;
  };
};

// Remembers each header's CRC, to check every committed file against it.
class HeaderWatcher : public ProgressListener {
 public:
  std::map<std::string, std::pair<uint64_t, uint16_t>> expected;
  bool OnProgress(ProgressStage stage, const EntryHeader& entry, std::string_view name, uint64_t) override {
    if (stage == ProgressStage::kBegin) expected[std::string(name)] = {entry.originalSize, entry.crc};
    return true;
  }
};

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text ? std::strtoull(text, nullptr, 10) : fallback;
}

std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  for (const char* name : {"lh5_level0.lzh", "lh6_level1.lzh", "lh7_level2.lzh", "lh5_level2.lzh", "japanese.lzh",
                           "japanese_level0.lzh", "stored_level1.lzh", "many.lzh", "repeat.lzh"}) {
    seeds.push_back(ReadWhole(DataPath(name)));
  }
  seeds.push_back(BuildArchive({StoredEntry("a.txt", "abc", 3), StoredEntry("..\\b.txt", "def", 1)}));
  return seeds;
}

std::string Mutate(std::string data, std::mt19937_64& random) {
  auto pick = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(random() % n); };
  switch (random() % 6) {
    case 0:  // flip a few bytes anywhere
      for (int i = 0, n = 1 + pick(8); i < n && !data.empty(); ++i) data[pick(data.size())] ^= 1 + pick(255);
      break;
    case 1:  // damage the first header, where sizes and lengths live
      for (int i = 0, n = 1 + pick(3); i < n && !data.empty(); ++i) {
        data[pick(std::min<size_t>(data.size(), 64))] = static_cast<char>(random());
      }
      break;
    case 2:  // cut
      data.resize(pick(data.size()));
      break;
    case 3:  // huge sizes in the first header
      if (data.size() > 15) {
        const size_t field = random() % 2 ? 7 : 11;
        for (int i = 0; i < 4; ++i) data[field + i] = '\xFF';
      }
      break;
    case 4:  // noise inserted
      data.insert(pick(data.size()), std::string(1 + pick(64), static_cast<char>(random())));
      break;
    default:  // a stretch of the packed data overwritten
      if (data.size() > 100) {
        const size_t at = 40 + pick(data.size() - 40);
        for (size_t i = at; i < std::min(data.size(), at + 1 + pick(32)); ++i) data[i] = static_cast<char>(random());
      }
      break;
  }
  return data;
}

TEST(Fuzz, DamagedArchivesEndCleanlyWithinBoundedMemory) {
  const uint64_t seed = EnvNumber("UNLHA_FUZZ_SEED", 20240501);
  const uint64_t cases = EnvNumber("UNLHA_FUZZ_CASES", 15000);
  const auto budget = std::chrono::seconds(EnvNumber("UNLHA_FUZZ_SECONDS", 20));
  const std::vector<std::string> seeds = Seeds();
  std::mt19937_64 random(seed);
  Command command;
  command.patterns = {"*.*"};
  const size_t memoryBound = DecoderMemoryBound() + 2 * kMaxHeaderBytes + (1 << 20) + (256 << 10);
  const auto start = std::chrono::steady_clock::now();
  uint64_t done = 0;
  int errors = 0;
  size_t worstMemory = 0;
  for (; done < cases && std::chrono::steady_clock::now() - start < budget; ++done) {
    std::string archive = seeds[random() % seeds.size()];
    for (int rounds = 1 + random() % 3; rounds > 0; --rounds) archive = Mutate(std::move(archive), random);
    CountingFolder folder;
    HeaderWatcher watcher;
    Report report;
    size_t baseline;
    ResultCode result;
    {
      MemorySource source(archive);
      baseline = g_live.load();
      g_peak = baseline;
      result = RunCommand(command, source, &folder, watcher, report);
    }
    const size_t used = g_peak.load() - baseline;
    worstMemory = std::max(worstMemory, used);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", case " + std::to_string(done));
    ASSERT_TRUE(result >= kResultSuccess && result <= kResultAborted) << result;
    ASSERT_LE(used, memoryBound);
    ASSERT_TRUE(folder.badNames.empty()) << folder.badNames.front();
    for (const auto& [name, file] : folder.files) {
      ASSERT_EQ(file.size, watcher.expected[name].first) << name;
      ASSERT_EQ(file.crc, watcher.expected[name].second) << name;
    }
    if (result != kResultSuccess) {
      ++errors;
      ASSERT_FALSE(report.Text().empty());
    }
  }
  std::printf("fuzz: %llu archives (seed %llu), %d error results, peak memory of a run %zu bytes\n",
              static_cast<unsigned long long>(done), static_cast<unsigned long long>(seed), errors, worstMemory);
  EXPECT_GE(done, 500u);
  EXPECT_GT(errors, static_cast<int>(done / 2));
}

// A header that claims 4 GB for a few bytes of data allocates nothing for
// it and ends as damaged.
TEST(Fuzz, ClaimedSizesAllocateNothing) {
  for (int level = 0; level <= 3; ++level) {
    BuiltEntry entry = FirstEntryOf("lh7_level2.lzh");
    entry.level = level;
    entry.originalSize = 0xFFFFFFFFu;
    const std::string archive = BuildArchive({entry});
    MemorySource source(archive);
    CountingFolder folder;
    NoProgress none;
    Report report;
    Command command;
    command.patterns = {"*.*"};
    const size_t baseline = g_live.load();
    g_peak = baseline;
    EXPECT_EQ(RunCommand(command, source, &folder, none, report), kResultEntriesFailed) << level;
    EXPECT_LE(g_peak.load() - baseline, DecoderMemoryBound() + 2 * kMaxHeaderBytes + 65536) << level;
    EXPECT_NE(report.Text().find("データ"), std::string::npos) << report.Text();
  }
}

}  // namespace
}  // namespace dm::lzh::testing
