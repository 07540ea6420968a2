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

FolderVisit WalkGuard::Visit(const FolderIdentity& folder, size_t depth) const {
  if (!folder.Known()) return FolderVisit::kEnter;
  for (const FolderIdentity& backup : backup_) {
    if (backup.SameFolder(folder)) return FolderVisit::kBackupFolder;
  }
  for (const FolderIdentity& above : above_) {
    if (above.SameFolder(folder)) return FolderVisit::kLoop;
  }
  size_t on_path = depth < path_.size() ? depth : path_.size();
  for (size_t i = 0; i < on_path; ++i) {
    if (path_[i].SameFolder(folder)) return FolderVisit::kLoop;
  }
  return FolderVisit::kEnter;
}

void WalkGuard::Enter(const FolderIdentity& folder, size_t depth) {
  // A folder entered below a depth whose identity was never recorded (an
  // empty folder the walk did not keep) leaves unknown places in between.
  path_.resize(depth);
  path_.push_back(folder);
}

}  // namespace dm
