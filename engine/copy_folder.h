// One folder of the copy walk, shared by the walk (copy_walk.cpp) and the
// choice of the files it copies (file_selection.cpp).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/backup_thread.h"

namespace dm {

// One folder of the copy walk, kept while its entries are processed.
struct TFileBackupThread::CopyFolder {
  std::vector<DirEntry> entries;  // the source folder's listing
  size_t next = 0;
  size_t srcLength = 0;  // srcPath_ and dstPath_ of this folder
  size_t dstLength = 0;
  bool destinationIsNew = false;  // created by this walk (or would be, in test mode)
  bool destinationListed = false;
  std::unordered_map<std::string, DirEntry> destination;  // by name key
};

}  // namespace dm
