// What a folder is, as opposed to how a path names it. One folder can be
// reached under many names (a folder link or junction, a second drive letter
// on the same folder, a share of the local disk); comparing path texts cannot
// see that, comparing the volume and the file system's own number for the
// folder can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dm {

struct FolderIdentity {
  // How the numbers were obtained: numbers of two schemes are never compared.
  uint8_t scheme = 0;  // 0: unknown
  uint64_t volume = 0;
  uint64_t idHigh = 0;  // 128 bits of file id; the older scheme fills 64
  uint64_t idLow = 0;
  // The folder's number within its volume alone (0: not known). Cheap to
  // ask where the volume is not, but equal numbers on two volumes are two
  // folders: it only tells which folders need comparing in full. Never
  // part of SameFolder.
  uint64_t number = 0;

  bool Known() const { return scheme != 0; }
  // Unknown identities match nothing, themselves included: a folder that
  // cannot be identified is left to the path rules.
  bool SameFolder(const FolderIdentity& other) const {
    return Known() && scheme == other.scheme && volume == other.volume && idHigh == other.idHigh &&
           idLow == other.idLow;
  }
};

// An identity from the system's figures. A volume numbered 0 is one the
// system could not name (Wine answers so for a folder on a Linux file
// system that has no drive letter of its own, where file numbers repeat
// from one such file system to the next): that identity stays unknown.
FolderIdentity MakeFolderIdentity(uint8_t scheme, uint64_t volume, uint64_t idHigh, uint64_t idLow);

// What the folder at a path is, in full.
using IdentityLookup = std::function<FolderIdentity(const std::string& path)>;

// A folder a walk meets: its number is asked of every such folder, what it
// is in full only when that number is also a compared folder's. One folder
// always has one number, so differing numbers settle that two folders are
// not one; equal numbers settle nothing.
class MetFolder {
 public:
  MetFolder() = default;
  MetFolder(std::string path, uint64_t number) : path_(std::move(path)) { identity_.number = number; }
  // A folder already asked in full.
  MetFolder(std::string path, const FolderIdentity& identity)
      : path_(std::move(path)), identity_(identity), complete_(true) {}

  uint64_t Number() const { return identity_.number; }
  // What the folder is, asked the first time it is needed.
  const FolderIdentity& Identity(const IdentityLookup& lookup);
  // Whether the numbers leave the two possibly one folder (an unknown
  // number leaves every folder possible).
  bool MayBe(uint64_t number) const { return Number() == 0 || number == 0 || Number() == number; }
  bool SameFolder(MetFolder& other, const IdentityLookup& lookup);
  bool SameFolder(const FolderIdentity& other, const IdentityLookup& lookup);

 private:
  std::string path_;
  FolderIdentity identity_;
  bool complete_ = false;
};

// A folder's path followed by each of its ancestors up to the volume root:
// "C:\a\b" gives C:\a\b, C:\a, C:\; "\\srv\share\x" gives \\srv\share\x and
// \\srv\share\. The path must be absolute and normalized.
std::vector<std::string> SelfAndAncestors(std::string_view folder);

// The source of a job and its ancestors: a backup written into one of them
// would land in the source, and mirroring one of them would delete it.
class SourceLineage {
 public:
  void Clear() { lineage_.clear(); }
  // The source first, then its parent, and so on.
  void Add(const FolderIdentity& identity) { lineage_.push_back(identity); }
  bool IsSource(const FolderIdentity& identity) const;
  FolderIdentity Source() const { return lineage_.empty() ? FolderIdentity{} : lineage_.front(); }
  const std::vector<FolderIdentity>& Folders() const { return lineage_; }
  bool IsSourceOrAncestor(const FolderIdentity& identity) const;
  // The same for a folder met on a walk, asked in full only when its number
  // is one of the lineage's.
  bool IsSourceOrAncestor(MetFolder& folder, const IdentityLookup& lookup) const;

 private:
  std::vector<FolderIdentity> lineage_;
};

// What a walk does with a sub-folder it meets.
enum class FolderVisit {
  kEnter,
  kBackupFolder,  // the job's backup folder, reached from inside the source
  kLoop,          // a folder already on the walk's path: entering it never ends
};

// The identities of the folders on a walk's current path, by depth (the
// walk's top folder at depth 0), and the backup folders the walk must leave
// out.
class WalkGuard {
 public:
  void Reset() {
    path_.clear();
    backup_.clear();
    above_.clear();
  }
  // The folders above the walk's top folder: a way back up to one of them
  // leads around into the walk again.
  void AddFolderAbove(const FolderIdentity& identity) {
    if (identity.Known()) above_.push_back(identity);
  }
  // The backup folder, and with date folders the folder that holds them.
  void AddBackupFolder(const FolderIdentity& identity) {
    if (identity.Known()) backup_.push_back(identity);
  }
  // A folder met at `depth` (its parent being the folder entered at
  // depth - 1). The folder, or a folder on the path, is asked in full only
  // when its number is that of a folder it is compared with.
  FolderVisit Visit(MetFolder& folder, size_t depth, const IdentityLookup& lookup);
  // Records the folder entered at `depth`; deeper entries are forgotten.
  void Enter(const MetFolder& folder, size_t depth);

 private:
  std::vector<MetFolder> path_;
  std::vector<FolderIdentity> backup_;
  std::vector<FolderIdentity> above_;
};

}  // namespace dm
