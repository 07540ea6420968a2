// Whether the recycle bin of a backup folder's volume will take what
// mirroring deletes. Asking the shell to delete "into the bin" where no bin
// takes the entry deletes it for good without a word: on a USB stick or an
// SD card, on a drive whose bin is turned off, for an entry larger than the
// bin. Mirroring asks here first and keeps what the bin would not take.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dm {

enum class RecycleBinKind {
  kTakes,    // a bin that takes entries up to its capacity
  kNetwork,  // a network folder: the shell deletes there for good, as the option's hint says
  kMissing,  // no bin takes entries on this volume
};

enum class NoBinReason {
  kNone,
  kRemovable,  // removable media (USB sticks, memory cards) have no bin
  kTurnedOff,  // the user or a policy turned the volume's bin off
  kNoBin,      // the shell has no bin for the volume (optical media, RAM disks, unknown drives)
};

struct RecycleBinInfo {
  RecycleBinKind kind = RecycleBinKind::kTakes;
  NoBinReason reason = NoBinReason::kNone;
  uint64_t capacity = 0;  // in bytes; 0 when no limit is known
};

// What the system says of a volume, gathered by the platform side.
struct RecycleBinFacts {
  int driveType = 0;     // GetDriveType's answer: 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk
  bool unc = false;      // a \\server\share path
  bool shellHasBin = false;  // the shell answered the question about the volume's bin
  bool policyNoRecycle = false;  // "Do not move deleted files to the Recycle Bin"
  std::optional<uint32_t> policyPercent;  // the policy's maximum bin size, percent of the volume
  std::optional<uint32_t> nukeOnDelete;   // the volume's own setting: 1 deletes at once
  std::optional<uint32_t> maxCapacityMb;  // the volume's own maximum bin size
  uint64_t volumeBytes = 0;  // the volume's size, 0 when unknown
};

inline constexpr int kDriveRemovable = 2;
inline constexpr int kDriveFixed = 3;
inline constexpr int kDriveRemote = 4;

// The decision from the facts. Where the volume names no size of its own,
// the bin is taken to hold 5 % of the volume: never more than Windows
// gives it by default, so an entry the real bin would refuse is never sent.
RecycleBinInfo RecycleBinFrom(const RecycleBinFacts& facts);

// True when the bin takes an entry of `size` bytes.
bool BinTakes(const RecycleBinInfo& bin, uint64_t size);

// Why a job's entries were kept, in words ("リムーバブルドライブにはごみ箱がない");
// `tooLarge` when a bin exists but the entries were larger than it.
std::string KeptReason(const RecycleBinInfo& bin, bool tooLarge);

// The shell's delete answers mostly with system error codes, but some of
// its answers are older codes of its own that mean something else as
// system codes (0x78 would read "this function is not supported"). Those
// are turned into the system code that says what they mean.
uint32_t ShellDeleteErrorCode(int result, bool anyAborted);

}  // namespace dm
