// The engine's file system on the Win32 wide functions. Paths reach the
// system in their long form (\\?\C:\..., \\?\UNC\server\share\...), so
// folders deeper than MAX_PATH are handled like any other.
#pragma once

#include "engine/file_system.h"

namespace dm {

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem();

  std::unique_ptr<DirectoryListing> OpenListing(const std::string& folder, uint32_t& error) override;
  std::string NameKey(std::string_view name) override;
  uint32_t ProbeName(const std::string& path) override;
  bool Lookup(const std::string& path, DirEntry& entry) override;
  bool IsFolder(const std::string& path) override;
  FolderIdentity IdentityOf(const std::string& folder) override;
  uint64_t NumberOf(const std::string& folder) override;
  uint32_t CreateFolders(const std::string& path) override;
  std::string FinalPath(const std::string& folder) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) override;
  uint32_t MoveReplacing(const std::string& from, const std::string& to) override;
  bool RemoveFile(const std::string& path) override;
  bool SetFileTimes(const std::string& path, const FileTimes& times) override;
  int ShellDelete(const std::string& path, bool toRecycleBin) override;
  // In win32_volume.cpp.
  RecycleBinInfo RecycleBinOf(const std::string& folder) override;
  std::string VolumeFileSystem(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path) override;
  std::string ErrorMessage(uint32_t code) override;

 private:
  // The listing by a name search, whose entries carry no numbers.
  std::unique_ptr<DirectoryListing> SearchListing(const std::string& folder, uint32_t& error);
};

// The wide long form of a path: made absolute and tidied, then prefixed.
// Names keep their trailing dots and blanks.
std::wstring NativePath(const std::string& path);

}  // namespace dm
