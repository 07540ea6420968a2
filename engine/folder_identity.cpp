#include "engine/folder_identity.h"

#include "base/paths.h"

namespace dm {

FolderIdentity MakeFolderIdentity(uint8_t scheme, uint64_t volume, uint64_t idHigh, uint64_t idLow) {
  FolderIdentity identity;
  if (scheme == 0 || volume == 0) return identity;
  identity.scheme = scheme;
  identity.volume = volume;
  identity.idHigh = idHigh;
  identity.idLow = idLow;
  return identity;
}

const FolderIdentity& MetFolder::Identity(const IdentityLookup& lookup) {
  if (!complete_) {
    uint64_t number = identity_.number;
    identity_ = lookup(path_);
    // The number asked first stays the one compared: the folder may have
    // been replaced since, and a later answer must not change what was
    // already ruled out.
    identity_.number = number;
    complete_ = true;
  }
  return identity_;
}

bool MetFolder::SameFolder(MetFolder& other, const IdentityLookup& lookup) {
  if (!MayBe(other.Number())) return false;
  // A folder already known to be unidentifiable (its number then unknown
  // too) matches nothing: neither is asked.
  if ((complete_ && !identity_.Known()) || (other.complete_ && !other.identity_.Known())) return false;
  if (!Identity(lookup).Known()) return false;
  return identity_.SameFolder(other.Identity(lookup));
}

bool MetFolder::SameFolder(const FolderIdentity& other, const IdentityLookup& lookup) {
  // An unknown identity matches nothing: no need to ask this folder's.
  if (!other.Known() || !MayBe(other.number)) return false;
  return Identity(lookup).SameFolder(other);
}

std::vector<std::string> SelfAndAncestors(std::string_view folder) {
  std::vector<std::string> folders;
  std::string root = VolumeRoot(folder);
  std::string path(folder);
  while (!path.empty()) {
    if (path.size() <= root.size()) {
      folders.push_back(root);
      break;
    }
    folders.push_back(path);
    path = ParentPath(path);
  }
  return folders;
}

bool SourceLineage::IsSource(const FolderIdentity& identity) const {
  return !lineage_.empty() && lineage_.front().SameFolder(identity);
}

bool SourceLineage::IsSourceOrAncestor(const FolderIdentity& identity) const {
  for (const FolderIdentity& folder : lineage_) {
    if (folder.SameFolder(identity)) return true;
  }
  return false;
}

bool SourceLineage::IsSourceOrAncestor(MetFolder& folder, const IdentityLookup& lookup) const {
  for (const FolderIdentity& held : lineage_) {
    if (folder.SameFolder(held, lookup)) return true;
  }
  return false;
}

FolderVisit WalkGuard::Visit(MetFolder& folder, size_t depth, const IdentityLookup& lookup) {
  for (const FolderIdentity& backup : backup_) {
    if (folder.SameFolder(backup, lookup)) return FolderVisit::kBackupFolder;
  }
  for (const FolderIdentity& above : above_) {
    if (folder.SameFolder(above, lookup)) return FolderVisit::kLoop;
  }
  size_t on_path = depth < path_.size() ? depth : path_.size();
  for (size_t i = 0; i < on_path; ++i) {
    if (folder.SameFolder(path_[i], lookup)) return FolderVisit::kLoop;
  }
  return FolderVisit::kEnter;
}

void WalkGuard::Enter(const MetFolder& folder, size_t depth) {
  // A folder entered below a depth whose identity was never recorded (an
  // empty folder the walk did not keep) leaves unknown places in between.
  path_.resize(depth);
  path_.push_back(folder);
}

}  // namespace dm
