#include "engine/tests/fake_file_system.h"

#include <algorithm>
#include <cctype>

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

constexpr uint32_t kErrorFileExistsCode = 80;
constexpr uint32_t kErrorAlreadyExistsCode = 183;

constexpr uint32_t kErrorNoMoreFiles = 18;
constexpr uint32_t kErrorReadFault = 30;

class FakeListing : public DirectoryListing {
 public:
  FakeListing(std::vector<DirEntry> entries, size_t breakAfter)
      : entries_(std::move(entries)), breakAfter_(breakAfter) {}
  bool Next(DirEntry& entry) override {
    if (next_ >= breakAfter_ && breakAfter_ < entries_.size()) {
      error_ = kErrorReadFault;
      return false;
    }
    if (next_ >= entries_.size()) return false;
    entry = entries_[next_++];
    return true;
  }
  uint32_t Error() const override { return error_; }

 private:
  std::vector<DirEntry> entries_;
  size_t breakAfter_;
  size_t next_ = 0;
  uint32_t error_ = 0;
};

class FakeAppendFile : public AppendFile {
 public:
  FakeAppendFile(FakeFileSystem::Node& node) : node_(node) {}
  bool Write(const std::string& bytes) override {
    node_.content += bytes;
    return true;
  }

 private:
  FakeFileSystem::Node& node_;
};

DirEntry EntryOf(const FakeFileSystem::Node& node) {
  DirEntry entry;
  entry.name = FileNamePart(node.path);
  entry.attributes = node.attributes | (node.folder ? kAttrDirectory : 0);
  entry.size = node.size.value_or(node.content.size());
  entry.reparseTag = node.reparseTag;
  entry.dosTime = node.dosTime;
  entry.times = node.times;
  return entry;
}

// "D:" for a key on drive d.
std::string DriveOf(const std::string& key) {
  std::string drive = key.substr(0, 2);
  drive[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
  return drive;
}

// Folders are kept under their name alone, as a listing shows them.
std::string WithoutTrailingDelimiter(std::string path) {
  while (path.size() > 3 && EndsWithPathDelimiter(path)) path.pop_back();
  return path;
}

}  // namespace

std::string FakeFileSystem::TextKey(const std::string& path) {
  std::string key = AsciiLower(path);
  std::replace(key.begin(), key.end(), '/', '\\');
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

std::string FakeFileSystem::Key(const std::string& path) const {
  std::string key = TextKey(path);
  if (links_.empty()) return key;
  // The first link from the left is followed, then the result again, like
  // the system's name resolution; it gives up after 40 links, as Wine does.
  for (int hops = 0; hops <= 40; ++hops) {
    bool followed = false;
    for (size_t end = key.find('\\'); !followed; end = key.find('\\', end + 1)) {
      auto link = links_.find(key.substr(0, end));
      if (link != links_.end()) {
        std::string rest = end == std::string::npos ? std::string() : key.substr(end);
        std::string target = link->second;
        if (EndsWithPathDelimiter(target) && !rest.empty()) target.pop_back();
        key = TextKey(target + rest);
        followed = true;
      }
      if (end == std::string::npos) break;
    }
    if (!followed) return key;
  }
  return "?:\\too many links";
}

std::string FakeFileSystem::StoredPath(const std::string& path) const {
  // Where links lead, a node keeps the path of where it really is.
  if (links_.empty()) return WithoutTrailingDelimiter(path);
  std::string name = FileNamePart(WithoutTrailingDelimiter(path));
  std::string parent = ParentPath(Key(path));
  if (const Node* node = Find(parent)) return JoinPath(node->path, name);
  std::string root = parent.substr(0, 2);
  root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
  return JoinPath(root + "\\", name);
}

void FakeFileSystem::AddLink(const std::string& path, const std::string& target, uint32_t tag) {
  std::string parent = Key(ParentPath(path));
  std::string key = TextKey(JoinPath(parent, AsciiLower(FileNamePart(path))));
  Node node;
  node.path = WithoutTrailingDelimiter(path);
  node.folder = true;
  node.attributes = kAttrReparsePoint;
  node.reparseTag = tag;
  nodes_[key] = node;
  links_[key] = TextKey(target);
}

std::string FakeFileSystem::LinkKey(const std::string& path) const {
  return TextKey(JoinPath(Key(ParentPath(path)), AsciiLower(FileNamePart(WithoutTrailingDelimiter(path)))));
}

void FakeFileSystem::SetSize(const std::string& path, uint64_t size) {
  if (Node* node = FindMutable(path)) node->size = size;
}

void FakeFileSystem::AddDriveAlias(const std::string& drive, const std::string& target) {
  links_[TextKey(drive.substr(0, 2))] = TextKey(target);
}

bool FakeFileSystem::ParentExists(const std::string& path) const {
  std::string parent = ParentPath(Key(path));
  if (parent.size() == 2 && parent[1] == ':') return true;  // a drive root
  const Node* node = Find(parent);
  return node && node->folder;
}

void FakeFileSystem::AddFolder(const std::string& path) {
  // Parents first, without recursion: tests build very deep trees.
  std::vector<std::string> missing;
  for (std::string folder = path; Key(folder).size() > 3 && !Exists(folder); folder = ParentPath(folder)) {
    missing.push_back(folder);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    Node node;
    node.path = StoredPath(*it);
    node.folder = true;
    node.attributes = 0;
    nodes_[Key(*it)] = node;
  }
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content, const DateTimeParts& written,
                             uint32_t attributes) {
  AddFileDos(path, content, ToDosDateTime(written), attributes);
}

void FakeFileSystem::AddFileDos(const std::string& path, const std::string& content, uint32_t dosTime,
                                uint32_t attributes) {
  std::string parent = ParentPath(path);
  if (!Exists(parent)) AddFolder(parent);
  Node node;
  node.path = StoredPath(path);
  node.content = content;
  node.attributes = attributes;
  node.dosTime = dosTime;
  node.times = {dosTime * 10ull, dosTime * 10ull + 1, dosTime * 10ull + 2};
  nodes_[Key(path)] = node;
}

bool FakeFileSystem::Exists(const std::string& path) const {
  std::string key = Key(path);
  return key.size() <= 3 || nodes_.count(key) > 0;
}

const FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

FakeFileSystem::Node* FakeFileSystem::FindMutable(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

std::string FakeFileSystem::Content(const std::string& path) const {
  const Node* node = Find(path);
  return node ? node->content : std::string("<missing>");
}

std::vector<std::string> FakeFileSystem::Below(const std::string& folder) const {
  std::string prefix = Key(folder) + "\\";
  std::vector<std::string> paths;
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && StartsWith(it->first, prefix); ++it) {
    paths.push_back(it->second.path);
  }
  return paths;
}

bool FakeFileSystem::HiddenFromListings(const std::string& path) const {
  for (const std::string& hidden : hiddenFromListings) {
    if (Key(hidden) == Key(path)) return true;
  }
  return false;
}

std::unique_ptr<DirectoryListing> FakeFileSystem::OpenListing(const std::string& folder, uint32_t& error) {
  ++calls["OpenListing"];
  if (onList) onList(folder);
  std::string key = Key(folder);
  bool root = key.size() <= 3;
  const Node* node = Find(folder);
  if (!root && (!node || !node->folder)) {
    error = kErrorPathNotFound;
    return nullptr;
  }
  for (const std::string& bad : unlistable) {
    // A link refuses its own listing only, as a junction's deny entry
    // does: its target listed by its own path is readable.
    std::string link = LinkKey(bad);
    bool refused = links_.count(link) ? LinkKey(folder) == link : Key(bad) == key;
    if (refused) {
      error = kErrorAccessDenied;
      return nullptr;
    }
  }
  std::vector<DirEntry> entries;
  if (!root) {
    DirEntry dot;
    dot.attributes = kAttrDirectory;
    dot.name = ".";
    entries.push_back(dot);
    dot.name = "..";
    entries.push_back(dot);
  }
  // The children only: each child's own descendants are skipped at once
  // ("]" follows "\\"), so a deep tree lists in steps of its width.
  std::string prefix = root ? key.substr(0, 2) + "\\" : key + "\\";
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && StartsWith(it->first, prefix);) {
    size_t slash = it->first.find('\\', prefix.size());
    if (slash == std::string::npos) {
      if (!HiddenFromListings(it->second.path)) {
        DirEntry entry = EntryOf(it->second);
        // As the system's listing does: a folder is numbered, a link is not.
        if (entry.IsFolder() && !(entry.attributes & kAttrReparsePoint)) entry.number = FolderNumber(it->first);
        entries.push_back(std::move(entry));
      }
      ++it;
    } else {
      it = nodes_.lower_bound(it->first.substr(0, slash) + "]");
    }
  }
  size_t break_after = entries.size();
  for (const auto& [path, count] : listingBreaksAfter) {
    if (Key(path) == key) break_after = static_cast<size_t>(count);
  }
  return std::make_unique<FakeListing>(std::move(entries), break_after);
}

std::string FakeFileSystem::NameKey(std::string_view name) { return AsciiLower(name); }

uint32_t FakeFileSystem::ProbeName(const std::string& path) {
  ++calls["ProbeName"];
  if (HiddenFromListings(path)) return kErrorNoMoreFiles;
  if (Find(path)) return 0;
  return ParentExists(path) ? kErrorFileNotFound : kErrorPathNotFound;
}

bool FakeFileSystem::Lookup(const std::string& path, DirEntry& entry) {
  ++calls["Lookup"];
  const Node* node = Find(path);
  if (!node) return false;
  entry = EntryOf(*node);
  return true;
}

bool FakeFileSystem::IsFolder(const std::string& path) {
  ++calls["IsFolder"];
  if (Key(path).size() <= 3) return true;
  const Node* node = Find(path);
  return node && node->folder;
}

FolderIdentity FakeFileSystem::IdentityOf(const std::string& folder) {
  ++calls["IdentityOf"];
  for (const std::string& bad : unidentifiable) {
    if (Key(bad) == Key(folder)) return {};
  }
  bool folder_exists = IsFolder(folder);
  --calls["IsFolder"];  // one call, as the system's single open
  if (!folder_exists) return {};
  std::string key = Key(folder);
  if (key.size() == 3) key.pop_back();  // "c:\" and "c:" are one root
  FolderIdentity identity =
      MakeFolderIdentity(1, static_cast<unsigned char>(key[0]), 0, std::hash<std::string>()(key));
  if (identity.Known()) identity.number = FolderNumber(key);
  return identity;
}

uint64_t FakeFileSystem::FolderNumber(const std::string& key) {
  // The number leaves the drive out, so the same path on two drives (and
  // every drive's root) has one number, as file numbers repeat from one
  // volume to the next.
  return std::hash<std::string>()("#" + key.substr(2)) | 1;
}

uint64_t FakeFileSystem::NumberOf(const std::string& folder) {
  ++calls["NumberOf"];
  bool folder_exists = IsFolder(folder);
  --calls["IsFolder"];
  if (!folder_exists) return 0;
  std::string key = Key(folder);
  if (key.size() == 3) key.pop_back();
  return FolderNumber(key);
}

uint32_t FakeFileSystem::CreateFolders(const std::string& path) {
  ++calls["CreateFolderTree"];
  std::string key = Key(path);
  if (key.size() <= 3) return 0;
  if (const Node* node = Find(path)) return node->folder ? 0 : kErrorAlreadyExistsCode;
  for (const std::string& bad : uncreatable) {
    if (Key(bad) == key) return kErrorPathNotFound;
  }
  if (uint32_t error = CreateFolders(ParentPath(path)); error != 0) return error;
  --calls["CreateFolderTree"];  // one call for the whole tree, as the system's
  Node node;
  node.path = StoredPath(path);
  node.folder = true;
  node.attributes = 0;
  nodes_[key] = node;
  journal.push_back("mkdir " + path);
  return 0;
}

std::string FakeFileSystem::FinalPath(const std::string& folder) {
  ++calls["FinalPath"];
  const Node* node = Find(folder);
  return node && node->folder ? node->path : std::string();
}

uint32_t FakeFileSystem::GetAttributes(const std::string& path) {
  ++calls["GetAttributes"];
  const Node* node = Find(path);
  if (!node) return kInvalidAttributes;
  return node->attributes | (node->folder ? kAttrDirectory : 0);
}

bool FakeFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  ++calls["SetAttributes"];
  Node* node = FindMutable(path);
  if (!node) return false;
  node->attributes = attributes == kAttrNormal ? 0 : (attributes & ~kAttrDirectory);
  journal.push_back(StringPrintf("attrib %s %x", path.c_str(), attributes));
  return true;
}

uint32_t FakeFileSystem::CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) {
  ++calls["CopyFileTo"];
  const Node* source = Find(from);
  if (!source || source->folder) return kErrorFileNotFound;
  if (failCopyFrom.count(from)) return kErrorSharingViolation;
  if (auto busy = busyCopyFrom.find(from); busy != busyCopyFrom.end() && busy->second > 0) {
    --busy->second;
    return kErrorSharingViolation;
  }
  if (EntryOf(*source).IsOnlineOnly()) downloaded.push_back(from);
  if (Exists(to)) return kErrorFileExistsCode;
  if (!ParentExists(to)) return kErrorPathNotFound;
  Node copy = *source;
  copy.path = StoredPath(to);
  std::string full = copy.content;
  // The copy grows chunk by chunk; a cancel leaves the partial file behind,
  // as a real copy can between its steps.
  copy.content.clear();
  nodes_[Key(to)] = copy;
  journal.push_back("copy " + from + " -> " + to);
  uint64_t total = full.size();
  for (int chunk = 1; chunk <= copyChunks; ++chunk) {
    uint64_t done = total * chunk / copyChunks;
    FindMutable(to)->content = full.substr(0, done);
    if (onCopyChunk) onCopyChunk(from, chunk);
    if (progress && !progress(done, total)) return kErrorRequestAborted;
  }
  return 0;
}

uint32_t FakeFileSystem::MoveReplacing(const std::string& from, const std::string& to) {
  ++calls["MoveReplacing"];
  Node* source = FindMutable(from);
  if (!source) return kErrorFileNotFound;
  if (failMoveTo.count(to)) return kErrorSharingViolation;
  if (auto busy = busyMoveTo.find(to); busy != busyMoveTo.end() && busy->second > 0) {
    --busy->second;
    return kErrorSharingViolation;
  }
  if (const Node* target = Find(to)) {
    if (target->folder || (target->attributes & kAttrReadOnly)) return kErrorAccessDenied;
  }
  Node moved = *source;
  moved.path = StoredPath(to);
  nodes_.erase(Key(from));
  nodes_[Key(to)] = moved;
  journal.push_back("move " + from + " -> " + to);
  return 0;
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
  ++calls["RemoveFile"];
  const Node* node = Find(path);
  // Windows refuses to delete a read-only file.
  if (!node || node->folder || (node->attributes & kAttrReadOnly) || undeletable.count(path)) return false;
  nodes_.erase(Key(path));
  journal.push_back("delete " + path);
  return true;
}

bool FakeFileSystem::SetFileTimes(const std::string& path, const FileTimes& times) {
  ++calls["SetFileTimes"];
  Node* node = FindMutable(path);
  if (!node || failSetTimes.count(path) || (node->attributes & kAttrReadOnly)) return false;
  node->times = times;
  journal.push_back("touch " + path);
  return true;
}

int FakeFileSystem::ShellDelete(const std::string& path, bool toRecycleBin) {
  ++calls["ShellDelete"];
  if (!Find(path)) return kErrorFileNotFound;
  if (undeletable.count(path)) return kErrorAccessDenied;
  std::string key = Key(path);
  nodes_.erase(key);
  for (auto it = nodes_.lower_bound(key + "\\"); it != nodes_.end() && StartsWith(it->first, key + "\\");) {
    it = nodes_.erase(it);
  }
  if (toRecycleBin) recycled.push_back(path);
  journal.push_back("shelldelete " + path);
  return 0;
}

RecycleBinInfo FakeFileSystem::RecycleBinOf(const std::string& folder) {
  ++calls["RecycleBinOf"];
  auto bin = recycleBins.find(DriveOf(Key(folder)));
  return bin == recycleBins.end() ? RecycleBinInfo{} : bin->second;
}

std::string FakeFileSystem::VolumeFileSystem(const std::string& path) {
  ++calls["VolumeFileSystem"];
  auto name = fileSystems.find(DriveOf(Key(path)));
  return name == fileSystems.end() ? "NTFS" : name->second;
}

std::unique_ptr<AppendFile> FakeFileSystem::OpenAppend(const std::string& path) {
  ++calls["OpenAppend"];
  if (failOpenAppend || !ParentExists(path)) return nullptr;
  Node* node = FindMutable(path);
  if (!node) {
    Node file;
    file.path = path;
    nodes_[Key(path)] = file;
    node = FindMutable(path);
  }
  return std::make_unique<FakeAppendFile>(*node);
}

std::string FakeFileSystem::ErrorMessage(uint32_t code) {
  switch (code) {
    case kErrorSharingViolation:
      return "プロセスはファイルにアクセスできません。";
    case kErrorAccessDenied:
      return "アクセスが拒否されました。";
    case kErrorPathNotFound:
      return "指定されたパスが見つかりません。";
    case kErrorRequestAborted:
      return "要求は中止されました。";
    default:
      return "エラー " + std::to_string(code);
  }
}

}  // namespace dm
