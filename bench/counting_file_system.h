// A file system that passes every call on and counts it, so a benchmark can
// tell how many times a run asks the system per file.
#pragma once

#include <atomic>
#include <map>
#include <string>

#include "engine/file_system.h"

namespace dm {

class CountingFileSystem : public FileSystem {
 public:
  explicit CountingFileSystem(FileSystem& inner) : inner_(inner) {}

  // Calls by name; NameKey and ErrorMessage ask nothing of the disk and are left out.
  std::map<std::string, long> Counts() const {
    std::map<std::string, long> counts;
    for (int i = 0; i < kKinds; ++i) {
      if (long n = counts_[i].load()) counts[kNames[i]] = n;
    }
    return counts;
  }
  long Total() const {
    long total = 0;
    for (const auto& counter : counts_) total += counter.load();
    return total;
  }

  std::unique_ptr<DirectoryListing> OpenListing(const std::string& folder, uint32_t& error) override {
    Count(kOpenListing);
    return inner_.OpenListing(folder, error);
  }
  std::string NameKey(std::string_view name) override { return inner_.NameKey(name); }
  uint32_t ProbeName(const std::string& path) override { Count(kProbeName); return inner_.ProbeName(path); }
  bool Lookup(const std::string& path, DirEntry& entry) override { Count(kLookup); return inner_.Lookup(path, entry); }
  bool IsFolder(const std::string& path) override { Count(kIsFolder); return inner_.IsFolder(path); }
  FolderIdentity IdentityOf(const std::string& folder) override {
    Count(kIdentityOf);
    return inner_.IdentityOf(folder);
  }
  uint64_t NumberOf(const std::string& folder) override {
    Count(kNumberOf);
    return inner_.NumberOf(folder);
  }
  uint32_t CreateFolders(const std::string& path) override {
    Count(kCreateFolderTree);
    return inner_.CreateFolders(path);
  }
  std::string FinalPath(const std::string& folder) override { return inner_.FinalPath(folder); }
  uint32_t GetAttributes(const std::string& path) override { Count(kGetAttributes); return inner_.GetAttributes(path); }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    Count(kSetAttributes);
    return inner_.SetAttributes(path, attributes);
  }
  uint32_t CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) override {
    Count(kCopyFileTo);
    return inner_.CopyFileTo(from, to, progress);
  }
  uint32_t MoveReplacing(const std::string& from, const std::string& to) override {
    Count(kMoveReplacing);
    return inner_.MoveReplacing(from, to);
  }
  bool RemoveFile(const std::string& path) override { Count(kRemoveFile); return inner_.RemoveFile(path); }
  bool SetFileTimes(const std::string& path, const FileTimes& times) override {
    Count(kSetFileTimes);
    return inner_.SetFileTimes(path, times);
  }
  int ShellDelete(const std::string& path, bool toRecycleBin) override {
    Count(kShellDelete);
    return inner_.ShellDelete(path, toRecycleBin);
  }
  RecycleBinInfo RecycleBinOf(const std::string& folder) override { return inner_.RecycleBinOf(folder); }
  std::string VolumeFileSystem(const std::string& path) override { return inner_.VolumeFileSystem(path); }
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path) override {
    Count(kOpenAppend);
    return inner_.OpenAppend(path);
  }
  std::string ErrorMessage(uint32_t code) override { return inner_.ErrorMessage(code); }

 private:
  enum Kind {
    kOpenListing, kProbeName, kLookup, kIsFolder, kIdentityOf, kNumberOf, kCreateFolderTree, kGetAttributes, kSetAttributes,
    kCopyFileTo, kMoveReplacing, kRemoveFile, kSetFileTimes, kShellDelete, kOpenAppend, kKinds
  };
  static constexpr const char* kNames[kKinds] = {
      "OpenListing", "ProbeName", "Lookup", "IsFolder", "IdentityOf", "NumberOf", "CreateFolderTree", "GetAttributes", "SetAttributes",
      "CopyFileTo", "MoveReplacing", "RemoveFile", "SetFileTimes", "ShellDelete", "OpenAppend"};
  void Count(Kind kind) { counts_[kind].fetch_add(1, std::memory_order_relaxed); }

  FileSystem& inner_;
  std::atomic<long> counts_[kKinds] = {};
};

}  // namespace dm
