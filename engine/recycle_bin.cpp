#include "engine/recycle_bin.h"

namespace dm {

RecycleBinInfo RecycleBinFrom(const RecycleBinFacts& facts) {
  RecycleBinInfo bin;
  if (facts.unc || facts.driveType == kDriveRemote) {
    bin.kind = RecycleBinKind::kNetwork;
    return bin;
  }
  bin.kind = RecycleBinKind::kMissing;
  if (facts.driveType == kDriveRemovable) {
    bin.reason = NoBinReason::kRemovable;
    return bin;
  }
  if (facts.driveType != kDriveFixed || !facts.shellHasBin) {
    bin.reason = NoBinReason::kNoBin;
    return bin;
  }
  if (facts.policyNoRecycle || facts.nukeOnDelete.value_or(0) != 0 || facts.policyPercent == 0u ||
      facts.maxCapacityMb == 0u) {
    bin.reason = NoBinReason::kTurnedOff;
    return bin;
  }
  bin.kind = RecycleBinKind::kTakes;
  uint64_t percent = facts.policyPercent.value_or(5);
  if (facts.maxCapacityMb && !facts.policyPercent) {
    bin.capacity = static_cast<uint64_t>(*facts.maxCapacityMb) << 20;
  } else {
    bin.capacity = facts.volumeBytes / 100 * percent;
  }
  if (bin.capacity == 0) {
    // Neither a size of its own nor the volume's: nothing is sent that
    // may be too large.
    bin.kind = RecycleBinKind::kMissing;
    bin.reason = NoBinReason::kNoBin;
  }
  return bin;
}

bool BinTakes(const RecycleBinInfo& bin, uint64_t size) {
  switch (bin.kind) {
    case RecycleBinKind::kNetwork:
      return true;  // deleted for good, as the shell always has there
    case RecycleBinKind::kMissing:
      return false;
    case RecycleBinKind::kTakes:
      return bin.capacity == 0 || size <= bin.capacity;
  }
  return false;
}

std::string KeptReason(const RecycleBinInfo& bin, bool tooLarge) {
  if (bin.kind == RecycleBinKind::kTakes || tooLarge) return "ごみ箱の最大サイズより大きい";
  switch (bin.reason) {
    case NoBinReason::kRemovable:
      return "リムーバブルドライブにはごみ箱がない";
    case NoBinReason::kTurnedOff:
      return "このドライブではごみ箱を使わない設定になっている";
    case NoBinReason::kNone:
    case NoBinReason::kNoBin:
      break;
  }
  return "このドライブにはごみ箱がない";
}

uint32_t ShellDeleteErrorCode(int result, bool anyAborted) {
  constexpr uint32_t kAccessDenied = 5, kBadPathName = 161, kFileNameTooLong = 206,
                     kCannotComplete = 1003, kCancelled = 1223;
  if (result == 0) return anyAborted ? kCancelled : 0;
  switch (result) {
    case 0x75:  // cancelled
      return kCancelled;
    case 0x74:  // a root folder
    case 0x78:  // security settings denied access to the source
      return kAccessDenied;
    case 0x79:  // a path beyond MAX_PATH
    case 0x81:  // a name beyond MAX_PATH
      return kFileNameTooLong;
    case 0x7C:   // an invalid path
    case 0x402:  // "an unknown error", given for an invalid path before Vista
      return kBadPathName;
    default:
      break;
  }
  // The rest of the shell's own range, and its "error on the destination"
  // flag, say nothing a system message could word.
  if ((result >= 0x71 && result <= 0x88) || result == 0xB7 || result >= 0x10000) return kCannotComplete;
  return static_cast<uint32_t>(result);
}

}  // namespace dm
