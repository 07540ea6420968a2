// What a volume's recycle bin takes, from what the system says of it.
#include "engine/recycle_bin.h"

#include <gtest/gtest.h>

namespace dm {
namespace {

constexpr uint64_t kGiB = 1ull << 30;

TEST(RecycleBinTest, WhatTheBinTakesFromTheVolumeFacts) {
  RecycleBinFacts fixed;
  fixed.driveType = kDriveFixed;
  fixed.shellHasBin = true;
  fixed.volumeBytes = 100 * kGiB;
  struct Case {
    const char* what;
    RecycleBinFacts facts;
    RecycleBinKind kind;
    NoBinReason reason;
    uint64_t capacity;
  };
  auto with = [&](auto change) {
    RecycleBinFacts facts = fixed;
    change(facts);
    return facts;
  };
  const Case cases[] = {
      {"fixed drive, no size of its own: 5 %", fixed, RecycleBinKind::kTakes, NoBinReason::kNone, 5 * kGiB},
      {"the volume's own size", with([](auto& f) { f.maxCapacityMb = 2048; }), RecycleBinKind::kTakes,
       NoBinReason::kNone, 2 * kGiB},
      {"a policy's size outweighs the volume's", with([](auto& f) { f.maxCapacityMb = 2048, f.policyPercent = 10; }),
       RecycleBinKind::kTakes, NoBinReason::kNone, 10 * kGiB},
      {"USB stick", with([](auto& f) { f.driveType = kDriveRemovable; }), RecycleBinKind::kMissing,
       NoBinReason::kRemovable, 0},
      {"network drive", with([](auto& f) { f.driveType = kDriveRemote; }), RecycleBinKind::kNetwork,
       NoBinReason::kNone, 0},
      {"share", with([](auto& f) { f.unc = true, f.driveType = kDriveFixed; }), RecycleBinKind::kNetwork,
       NoBinReason::kNone, 0},
      {"CD-ROM", with([](auto& f) { f.driveType = 5; }), RecycleBinKind::kMissing, NoBinReason::kNoBin, 0},
      {"RAM disk", with([](auto& f) { f.driveType = 6; }), RecycleBinKind::kMissing, NoBinReason::kNoBin, 0},
      {"unmapped letter", with([](auto& f) { f.driveType = 1; }), RecycleBinKind::kMissing, NoBinReason::kNoBin, 0},
      {"the shell knows no bin there", with([](auto& f) { f.shellHasBin = false; }), RecycleBinKind::kMissing,
       NoBinReason::kNoBin, 0},
      {"deletes at once", with([](auto& f) { f.nukeOnDelete = 1; }), RecycleBinKind::kMissing,
       NoBinReason::kTurnedOff, 0},
      {"keeps deletions", with([](auto& f) { f.nukeOnDelete = 0; }), RecycleBinKind::kTakes, NoBinReason::kNone,
       5 * kGiB},
      {"policy: no bin", with([](auto& f) { f.policyNoRecycle = true; }), RecycleBinKind::kMissing,
       NoBinReason::kTurnedOff, 0},
      {"policy: 0 %", with([](auto& f) { f.policyPercent = 0; }), RecycleBinKind::kMissing, NoBinReason::kTurnedOff,
       0},
      {"size 0", with([](auto& f) { f.maxCapacityMb = 0; }), RecycleBinKind::kMissing, NoBinReason::kTurnedOff, 0},
      {"size of the volume unknown", with([](auto& f) { f.volumeBytes = 0; }), RecycleBinKind::kMissing,
       NoBinReason::kNoBin, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecycleBinInfo bin = RecycleBinFrom(c.facts);
    EXPECT_EQ(bin.kind, c.kind);
    EXPECT_EQ(bin.reason, c.reason);
    EXPECT_EQ(bin.capacity, c.capacity);
  }
}

}  // namespace
}  // namespace dm
