#include "engine/tests/fake_file_system.h"

#include <algorithm>

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorFileExistsCode = 80;

class FakeListing : public DirectoryListing {
 public:
  explicit FakeListing(std::vector<DirEntry> entries) : entries_(std::move(entries)) {}
  bool Next(DirEntry& entry) override {
    if (next_ >= entries_.size()) return false;
    entry = entries_[next_++];
    return true;
  }

 private:
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
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
  entry.size = node.content.size();
  entry.dosTime = node.dosTime;
  entry.times = node.times;
  return entry;
}

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) {
  std::string key = AsciiLower(path);
  std::replace(key.begin(), key.end(), '/', '\\');
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

bool FakeFileSystem::ParentExists(const std::string& path) const {
  std::string parent = ParentPath(Key(path));
  if (parent.size() == 2 && parent[1] == ':') return true;  // a drive root
  const Node* node = Find(parent);
  return node && node->folder;
}

void FakeFileSystem::AddFolder(const std::string& path) {
  std::string key = Key(path);
  if (key.size() <= 3) return;  // drive roots always exist
  std::string parent = ParentPath(path);
  if (!parent.empty() && !Exists(parent)) AddFolder(parent);
  Node node;
  node.path = path;
  node.folder = true;
  node.attributes = 0;
  nodes_[key] = node;
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
  node.path = path;
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
  for (const auto& [key, node] : nodes_) {
    if (StartsWith(key, prefix)) paths.push_back(node.path);
  }
  return paths;
}

std::unique_ptr<DirectoryListing> FakeFileSystem::List(const std::string& folder) {
  std::string key = Key(folder);
  bool root = key.size() <= 3;
  const Node* node = Find(folder);
  if (!root && (!node || !node->folder)) return nullptr;
  std::vector<DirEntry> entries;
  if (!root) {
    DirEntry dot;
    dot.attributes = kAttrDirectory;
    dot.name = ".";
    entries.push_back(dot);
    dot.name = "..";
    entries.push_back(dot);
  }
  std::string prefix = root ? key.substr(0, 2) + "\\" : key + "\\";
  for (const auto& [child_key, child] : nodes_) {
    if (StartsWith(child_key, prefix) && child_key.find('\\', prefix.size()) == std::string::npos) {
      entries.push_back(EntryOf(child));
    }
  }
  if (entries.empty()) return nullptr;
  return std::make_unique<FakeListing>(std::move(entries));
}

bool FakeFileSystem::Lookup(const std::string& path, DirEntry& entry) {
  const Node* node = Find(path);
  if (!node) return false;
  entry = EntryOf(*node);
  return true;
}

bool FakeFileSystem::IsFolder(const std::string& path) {
  if (Key(path).size() <= 3) return true;
  const Node* node = Find(path);
  return node && node->folder;
}

bool FakeFileSystem::CreateFolderTree(const std::string& path) {
  std::string key = Key(path);
  if (key.size() <= 3) return true;
  if (const Node* node = Find(path)) return node->folder;
  for (const std::string& bad : uncreatable) {
    if (Key(bad) == key) return false;
  }
  if (!CreateFolderTree(ParentPath(path))) return false;
  Node node;
  node.path = path;
  node.folder = true;
  node.attributes = 0;
  nodes_[key] = node;
  journal.push_back("mkdir " + path);
  return true;
}

uint32_t FakeFileSystem::GetAttributes(const std::string& path) {
  const Node* node = Find(path);
  if (!node) return kInvalidAttributes;
  return node->attributes | (node->folder ? kAttrDirectory : 0);
}

bool FakeFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  Node* node = FindMutable(path);
  if (!node) return false;
  node->attributes = attributes == kAttrNormal ? 0 : (attributes & ~kAttrDirectory);
  journal.push_back(StringPrintf("attrib %s %x", path.c_str(), attributes));
  return true;
}

uint32_t FakeFileSystem::CopyFileTo(const std::string& from, const std::string& to, const CopyProgress& progress) {
  const Node* source = Find(from);
  if (!source || source->folder) return kErrorFileNotFound;
  if (failCopyFrom.count(from)) return kErrorSharingViolation;
  if (Exists(to)) return kErrorFileExistsCode;
  if (!ParentExists(to)) return kErrorPathNotFound;
  Node copy = *source;
  copy.path = to;
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
  Node* source = FindMutable(from);
  if (!source) return kErrorFileNotFound;
  if (const Node* target = Find(to)) {
    if (target->folder || (target->attributes & kAttrReadOnly)) return kErrorAccessDenied;
  }
  Node moved = *source;
  moved.path = to;
  nodes_.erase(Key(from));
  nodes_[Key(to)] = moved;
  journal.push_back("move " + from + " -> " + to);
  return 0;
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
  const Node* node = Find(path);
  if (!node || node->folder) return false;
  nodes_.erase(Key(path));
  journal.push_back("delete " + path);
  return true;
}

bool FakeFileSystem::SetFileTimes(const std::string& path, const FileTimes& times) {
  Node* node = FindMutable(path);
  if (!node || failSetTimes.count(path) || (node->attributes & kAttrReadOnly)) return false;
  node->times = times;
  journal.push_back("touch " + path);
  return true;
}

int FakeFileSystem::ShellDelete(const std::string& path, bool toRecycleBin) {
  if (!Find(path) || undeletable.count(path)) return 2;
  std::string key = Key(path);
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == key || StartsWith(it->first, key + "\\")) {
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
  if (toRecycleBin) recycled.push_back(path);
  journal.push_back("shelldelete " + path);
  return 0;
}

std::unique_ptr<AppendFile> FakeFileSystem::OpenAppend(const std::string& path) {
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
    case kErrorRequestAborted:
      return "要求は中止されました。";
    default:
      return "エラー " + std::to_string(code);
  }
}

}  // namespace dm
