#include "engine/file_system.h"

namespace dm {

bool ReadFolder(FileSystem& fs, const std::string& folder, std::vector<DirEntry>& entries, uint32_t& error) {
  entries.clear();
  error = 0;
  std::unique_ptr<DirectoryListing> listing = fs.OpenListing(folder, error);
  if (!listing) return false;
  for (DirEntry entry; listing->Next(entry);) entries.push_back(std::move(entry));
  error = listing->Error();
  return error == 0;
}

}  // namespace dm
