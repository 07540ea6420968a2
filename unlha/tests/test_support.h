// Helpers of the native tests: scratch folders, whole-file reads, the
// committed archives and their manifest.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "unlha/command_line.h"
#include "unlha/extractor.h"
#include "unlha/header.h"
#include "unlha/tests/archive_builder.h"
#include "unlha/posix_folder.h"

namespace dm::lzh::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = ::testing::TempDir() + "unlha-XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    closedir(dir);
  }
  return names;
}

inline uint64_t Fnv1a64(const std::string& data) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : data) h = (h ^ c) * 0x100000001b3ULL;
  return h;
}

inline std::string DataPath(const std::string& name) { return std::string(UNLHA_TEST_DATA) + "/" + name; }

struct ManifestFile {
  std::string storedPath;  // "/" between folders
  uint64_t size = 0;
  uint64_t hash = 0;
  std::string FlatName() const { return storedPath.substr(storedPath.rfind('/') + 1); }
};

// archive name -> its files, as the making script listed them
inline std::map<std::string, std::vector<ManifestFile>> ReadManifest() {
  std::map<std::string, std::vector<ManifestFile>> manifest;
  std::ifstream in(DataPath("manifest.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string archive, path, size, hash;
    std::getline(fields, archive, '\t');
    std::getline(fields, path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, hash, '\t');
    manifest[archive].push_back({path, std::stoull(size), std::stoull(hash, nullptr, 16)});
  }
  return manifest;
}

struct RunOutcome {
  ResultCode result;
  std::string report;
  RunCounts counts;
};

// Runs a command text against real files, as the library's export does.
inline RunOutcome RunText(const std::string& text, ProgressListener* listener = nullptr) {
  const CommandParse parse = ParseCommand(text);
  Report report;
  if (!parse.ok) return {kResultBadCommand, parse.problem, {}};
  auto archive = PosixFileSource::Open(parse.command.archive);
  if (!archive) return {kResultArchiveMissing, "", {}};
  PosixFolder folder(parse.command.folder);
  NoProgress none;
  RunCounts counts;
  const ResultCode result = RunCommand(parse.command, *archive, &folder, listener ? *listener : none, report, &counts);
  return {result, report.Text(), counts};
}

// The first entry of a committed archive, packed bytes included, to build
// new archives from real compressed data.
inline BuiltEntry FirstEntryOf(const std::string& archiveName) {
  const std::string bytes = ReadWhole(DataPath(archiveName));
  MemorySource source(bytes);
  EntryHeader header;
  EXPECT_EQ(ReadEntryHeader(source, header).status, HeaderStatus::kEntry);
  BuiltEntry entry;
  entry.method = header.method;
  entry.name = header.name;
  entry.originalSize = header.originalSize;
  entry.crc = header.crc;
  entry.packed.resize(header.packedSize);
  source.Read(reinterpret_cast<uint8_t*>(entry.packed.data()), entry.packed.size());
  return entry;
}

inline bool HaveCommand(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace dm::lzh::testing
