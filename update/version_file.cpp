#include "update/version_file.h"

#include "base/pattern.h"
#include "base/sjis.h"
#include "base/text.h"

namespace dm {

namespace {

struct Key {
  const char* pattern;
  std::optional<std::string> VersionFileInfo::*field;
};

const Key kKeys[] = {
    {"Url: *", &VersionFileInfo::url},
    {"Version: *", &VersionFileInfo::version},
    {"Build: *", &VersionFileInfo::build},
    {"Last-modified: *", &VersionFileInfo::lastModified},
    {"Content-length: *", &VersionFileInfo::contentLength},
    {"Info: *", &VersionFileInfo::info},
};

struct ListKey {
  const char* pattern;
  std::vector<std::string> VersionFileInfo::*field;
};

const ListKey kListKeys[] = {
    {"Archive-size: *", &VersionFileInfo::archiveSize},
    {"Archive-sha256: *", &VersionFileInfo::archiveSha256},
    {"File: *", &VersionFileInfo::files},
};

std::string ValueOf(const std::string& line) { return Trim(std::string_view(line).substr(line.find(':') + 1)); }

// Hands each line to `take` as a line reader with a fixed buffer sees it: a
// line ends at CR LF, LF or a lone CR, and a line longer than the buffer
// comes in pieces. Every byte is looked at once; `take` answers false to
// stop.
template <typename Take>
void ForEachLine(std::string_view bytes, Take take) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    std::string_view window = bytes.substr(pos, kVersionFileLineBytes);
    size_t length = window.find_first_of("\r\n");
    if (length == std::string_view::npos) length = window.size();
    if (!take(window.substr(0, length))) return;
    pos += length;
    if (pos == bytes.size()) return;
    if (bytes[pos] == '\r') {
      ++pos;
      if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    } else if (bytes[pos] == '\n') {
      ++pos;
    }
  }
}

}  // namespace

VersionFileInfo ReadVersionFile(std::string_view bytes, const std::function<bool()>& stopRequested) {
  VersionFileInfo info;
  if (bytes.size() > kVersionFileMaxBytes) return info;
  bool inProduct = false;
  ForEachLine(bytes, [&](std::string_view raw) {
    if (stopRequested && stopRequested()) return false;
    std::string line = Trim(SjisToUtf8(raw));
    if (line.empty()) return true;
    if (MatchPattern("[*]", line) == 0) {
      if (inProduct) return false;  // the next section begins: the product's is done
      inProduct = line == kProductSection;
      return true;
    }
    if (!inProduct) return true;
    for (const Key& key : kKeys) {
      if (MatchPattern(key.pattern, line) != 0) continue;
      info.*key.field = ValueOf(line);
      return true;
    }
    for (const ListKey& key : kListKeys) {
      if (MatchPattern(key.pattern, line) != 0) continue;
      (info.*key.field).push_back(ValueOf(line));
      return true;
    }
    return true;
  });
  return info;
}

}  // namespace dm
