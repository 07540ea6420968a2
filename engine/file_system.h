// What the engine asks of the file system. The Win32 implementation calls the
// wide file functions; tests use an in-memory fake. Paths are UTF-8 text in
// Windows form ("C:\data\a.txt", "\\server\share\x").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/folder_identity.h"
#include "engine/recycle_bin.h"

namespace dm {

inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;
inline constexpr uint32_t kAttrReparsePoint = 0x400;
inline constexpr uint32_t kAttrOffline = 0x1000;
inline constexpr uint32_t kAttrRecallOnOpen = 0x40000;
inline constexpr uint32_t kAttrRecallOnDataAccess = 0x400000;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// Reparse tags of links: a junction (mount point) and a symbolic link. Both
// are name surrogates: the entry stands for another name. Tags without the
// surrogate bit (cloud files, deduplicated files) are the file itself.
inline constexpr uint32_t kReparseTagMountPoint = 0xA0000003;
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;
inline constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;

// System error codes the engine itself produces or tests for.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorLockViolation = 33;
inline constexpr uint32_t kErrorRequestAborted = 1235;

// The answers that mean "there is no such file or folder", as opposed to
// one that exists but cannot be read.
inline bool IsNotFound(uint32_t error) { return error == kErrorFileNotFound || error == kErrorPathNotFound; }

// FILETIME values: 100-nanosecond ticks since 1601, UTC.
struct FileTimes {
  uint64_t creation = 0;
  uint64_t lastAccess = 0;
  uint64_t lastWrite = 0;
  bool operator==(const FileTimes&) const = default;
};

struct DirEntry {
  std::string name;
  uint32_t attributes = 0;
  uint64_t size = 0;
  uint32_t dosTime = 0;  // last write, packed DOS date-time in local time
  FileTimes times;
  uint32_t reparseTag = 0;  // with kAttrReparsePoint: what kind of reparse point
  // The entry's number within its volume where the listing tells it
  // (FolderIdentity::number), 0 when it does not. A listing never numbers
  // a reparse point: a link's own number is not that of the folder it
  // leads to.
  uint64_t number = 0;
  bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
  bool IsDotEntry() const { return name == "." || name == ".."; }
  // A folder that stands for another folder: a junction or a symbolic
  // link. Wine lists a Linux symbolic link to a folder as a reparse point
  // without a tag; Windows always gives one.
  bool IsFolderLink() const {
    return IsFolder() && (attributes & kAttrReparsePoint) &&
           (reparseTag == 0 || (reparseTag & kReparseTagNameSurrogate));
  }
  // A file whose data is not, or not all, on this computer (a cloud file
  // kept online only, a file moved to remote storage): opening or reading
  // it would fetch it.
  bool IsOnlineOnly() const {
    return !IsFolder() && (attributes & (kAttrOffline | kAttrRecallOnOpen | kAttrRecallOnDataAccess));
  }
};

// One folder's entries in the order the file system returns them, "." and
// ".." included where the file system reports them.
class DirectoryListing {
 public:
  virtual ~DirectoryListing() = default;
  // false at the end of the listing, or when it broke off: see Error().
  virtual bool Next(DirEntry& entry) = 0;
  // After Next answered false: 0 when every entry was read, otherwise the
  // system's code for what cut the listing short.
  virtual uint32_t Error() const { return 0; }
};

// Told how far a copy has come; answers false to cancel it.
using CopyProgress = std::function<bool(uint64_t transferred, uint64_t total)>;

// A file being appended to (the daily log).
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  virtual bool Write(const std::string& bytes) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // A folder's listing; one without entries when the folder holds nothing.
  // nullptr when the folder cannot be listed, with the system's code in
  // `error`: a backup must never take an unreadable folder for an empty one.
  virtual std::unique_ptr<DirectoryListing> OpenListing(const std::string& folder, uint32_t& error) = 0;
  // The same for tools that need not tell the failures apart.
  std::unique_ptr<DirectoryListing> List(const std::string& folder) {
    uint32_t error = 0;
    return OpenListing(folder, error);
  }
  // The form of a name that equals another's exactly when the file system
  // takes them for the same name (Windows: case-insensitively).
  virtual std::string NameKey(std::string_view name) = 0;
  // Asks for one name directly, for a second opinion before deleting a
  // backup whose source a listing did not show: 0 when the name exists,
  // kErrorFileNotFound or kErrorPathNotFound when the system says it does
  // not, any other code when it cannot tell.
  virtual uint32_t ProbeName(const std::string& path) = 0;
  // The entry a path names, as a listing of its folder would show it.
  virtual bool Lookup(const std::string& path, DirEntry& entry) = 0;
  virtual bool IsFolder(const std::string& path) = 0;
  // What the folder is, whatever name reaches it; unknown when it cannot be
  // opened or the system cannot say. One open of the folder, so asked per
  // folder, never per file.
  virtual FolderIdentity IdentityOf(const std::string& folder) {
    (void)folder;
    return {};
  }
  // The folder's number within its volume (FolderIdentity::number), 0 when
  // unknown: what a walk asks of every folder, since it costs the system
  // far less than the volume. A file system that cannot tell it apart
  // answers 0, and every folder is then asked in full.
  virtual uint64_t NumberOf(const std::string& folder) {
    (void)folder;
    return 0;
  }
  // The number of a folder a listing showed: the listing's, where it gave
  // one, so a walk opens no folder just to number it.
  uint64_t NumberOfListed(const std::string& folder, const DirEntry& listed) {
    return listed.number != 0 ? listed.number : NumberOf(folder);
  }
  // Creates the folder and every missing parent: 0 or the system's code.
  virtual uint32_t CreateFolders(const std::string& path) = 0;
  bool CreateFolderTree(const std::string& path) { return CreateFolders(path) == 0; }
  // The folder's path with every link in it followed, as the system names
  // it; empty when unknown. Asked of folder links only.
  virtual std::string FinalPath(const std::string& folder) {
    (void)folder;
    return {};
  }

  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;

  // Copies a file over whatever `to` holds. 0 or the system error code;
  // a copy cancelled by `progress` answers kErrorRequestAborted.
  virtual uint32_t CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) = 0;
  // Renames `from` to `to`, replacing `to` in one step. 0 or the error code.
  virtual uint32_t MoveReplacing(const std::string& from, const std::string& to) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  virtual bool SetFileTimes(const std::string& path, const FileTimes& times) = 0;

  // The shell's delete of one file or folder (with its contents), silent and
  // without confirmation; into the recycle bin when asked. 0 on success,
  // otherwise a system error code.
  virtual int ShellDelete(const std::string& path, bool toRecycleBin) = 0;
  // What the recycle bin of the volume holding `folder` takes. Asked once
  // per job, before the first deletion into the bin.
  virtual RecycleBinInfo RecycleBinOf(const std::string& folder) = 0;
  // The name of the file system of the volume holding `path` ("NTFS",
  // "FAT32", "exFAT"); empty when unknown.
  virtual std::string VolumeFileSystem(const std::string& path) {
    (void)path;
    return {};
  }

  // nullptr when the file cannot be opened for appending.
  virtual std::unique_ptr<AppendFile> OpenAppend(const std::string& path) = 0;

  virtual std::string ErrorMessage(uint32_t code) = 0;
};

// Reads a whole folder into `entries`. false when the folder could not be
// listed completely; `error` then holds the system's code and `entries`
// whatever was read before the failure.
bool ReadFolder(FileSystem& fs, const std::string& folder, std::vector<DirEntry>& entries, uint32_t& error);

}  // namespace dm
