// What a folder is, as opposed to how a path names it. One folder can be
// reached under many names (a folder link or junction, a second drive letter
// on the same folder, a share of the local disk); comparing path texts cannot
// see that, comparing the volume and the file system's own number for the
// folder can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dm {

struct FolderIdentity {
  // How the numbers were obtained: numbers of two schemes are never compared.
  uint8_t scheme = 0;  // 0: unknown
  uint64_t volume = 0;
  uint64_t idHigh = 0;  // 128 bits of file id; the older scheme fills 64
  uint64_t idLow = 0;

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
  // depth - 1).
  FolderVisit Visit(const FolderIdentity& folder, size_t depth) const;
  // Records the folder entered at `depth`; deeper entries are forgotten.
  void Enter(const FolderIdentity& folder, size_t depth);

 private:
  std::vector<FolderIdentity> path_;
  std::vector<FolderIdentity> backup_;
  std::vector<FolderIdentity> above_;
};

}  // namespace dm
