// An in-memory file system for engine tests: case-insensitive Windows paths,
// file contents as strings, attributes, DOS times, and switches to make
// single operations fail.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "engine/file_system.h"

namespace dm {

class FakeFileSystem : public FileSystem {
 public:
  struct Node {
    std::string path;  // as created, original case
    bool folder = false;
    uint32_t attributes = kAttrArchive;
    std::string content;
    uint32_t dosTime = 0;
    FileTimes times;
    uint32_t reparseTag = 0;
    // A size other than the content's, for files too large to hold.
    std::optional<uint64_t> size;
    bool operator==(const Node&) const = default;
  };

  // Test set-up. Parents are created as needed.
  void AddFolder(const std::string& path);
  void AddFile(const std::string& path, const std::string& content, const DateTimeParts& written,
               uint32_t attributes = kAttrArchive);
  void AddFileDos(const std::string& path, const std::string& content, uint32_t dosTime,
                  uint32_t attributes = kAttrArchive);

  // A folder link at `path` (a junction, a Linux symbolic link under Wine):
  // every path through it leads to `target`, which need not exist. Listed in
  // its parent as a folder with the reparse-point attribute and `tag` (Wine
  // gives none).
  void AddLink(const std::string& path, const std::string& target, uint32_t tag = 0);
  // A file's size as listings show it, whatever its content.
  void SetSize(const std::string& path, uint64_t size);
  // A second drive letter ("Z:") on a folder.
  void AddDriveAlias(const std::string& drive, const std::string& target);
  // Folders whose identity cannot be told (they cannot be opened).
  std::set<std::string> unidentifiable;
  // Volumes by drive ("D:"): what their recycle bins take (a bin without
  // a limit where none is given) and their file systems ("NTFS" where none
  // is given).
  std::map<std::string, RecycleBinInfo> recycleBins;
  std::map<std::string, std::string> fileSystems;

  bool Exists(const std::string& path) const;
  const Node* Find(const std::string& path) const;
  std::string Content(const std::string& path) const;
  // Every path below a folder (files and folders), in order.
  std::vector<std::string> Below(const std::string& folder) const;
  const std::map<std::string, Node>& Nodes() const { return nodes_; }

  // Failure switches.
  std::set<std::string> failCopyFrom;    // copies from these paths fail (sharing violation)
  std::set<std::string> undeletable;     // shell deletes and removals of these fail
  std::set<std::string> failMoveTo;      // renames onto these fail (sharing violation)
  // Copies from (renames onto) these paths fail with a sharing violation so
  // many more times, then succeed: another program holding them a moment.
  std::map<std::string, int> busyCopyFrom;
  std::map<std::string, int> busyMoveTo;
  std::set<std::string> uncreatable;     // folders that cannot be created
  std::set<std::string> failSetTimes;    // SetFileTimes fails
  bool failOpenAppend = false;
  // Listings of these folders fail at once (access denied); for a link,
  // its listing through the link only.
  std::set<std::string> unlistable;
  // Listings of these folders break off after so many entries (a read error).
  std::map<std::string, int> listingBreaksAfter;
  // Names a listing leaves out although they exist (as Wine does with a
  // dangling link); an exact-name probe of them cannot tell (error 18).
  std::set<std::string> hiddenFromListings;
  // Called when a folder's listing is opened; a test can change the tree here.
  std::function<void(const std::string& folder)> onList;
  int copyChunks = 4;                    // progress calls per copy
  // Called after each progress step of a copy; a test can request an abort here.
  std::function<void(const std::string& from, int chunk)> onCopyChunk;

  std::vector<std::string> recycled;     // paths sent to the recycle bin
  std::vector<std::string> downloaded;   // online-only files that a copy read
  std::vector<std::string> journal;      // every change, in order ("copy a -> b", ...)
  std::map<std::string, int> calls;      // file-system calls by name

  // FileSystem
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
  RecycleBinInfo RecycleBinOf(const std::string& folder) override;
  std::string VolumeFileSystem(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path) override;
  std::string ErrorMessage(uint32_t code) override;

 private:
  // The path's key after every link and drive alias in it is followed.
  std::string Key(const std::string& path) const;
  static std::string TextKey(const std::string& path);
  // The number a folder has within its volume, from its resolved key.
  static uint64_t FolderNumber(const std::string& key);
  std::string StoredPath(const std::string& path) const;
  // The key a link at `path` is kept under: its folder resolved, its own
  // name not.
  std::string LinkKey(const std::string& path) const;
  Node* FindMutable(const std::string& path);
  bool ParentExists(const std::string& path) const;
  bool HiddenFromListings(const std::string& path) const;
  std::map<std::string, Node> nodes_;
  std::map<std::string, std::string> links_;  // text key of a link or drive -> text key of its target
};

}  // namespace dm
