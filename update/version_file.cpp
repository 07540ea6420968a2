#include "update/version_file.h"

#include <vector>

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

// The file's lines as a line reader with a fixed buffer sees them: split at
// "\n", and a line longer than the buffer split into pieces.
std::vector<std::string_view> Lines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    size_t stop = end == std::string_view::npos ? bytes.size() : end;
    if (stop - start > kVersionFileLineBytes) {
      lines.push_back(bytes.substr(start, kVersionFileLineBytes));
      start += kVersionFileLineBytes;
      continue;
    }
    lines.push_back(bytes.substr(start, stop - start));
    start = stop + 1;
  }
  return lines;
}

}  // namespace

VersionFileInfo ReadVersionFile(std::string_view bytes, const std::function<bool()>& stopRequested) {
  VersionFileInfo info;
  bool inProduct = false;
  for (std::string_view raw : Lines(bytes)) {
    if (stopRequested && stopRequested()) break;
    std::string line = Trim(SjisToUtf8(raw));
    if (line.empty()) continue;
    if (MatchPattern("[*]", line) == 0) {
      if (inProduct) break;  // the next section begins: the product's is done
      inProduct = line == kProductSection;
      continue;
    }
    if (!inProduct) continue;
    for (const Key& key : kKeys) {
      if (MatchPattern(key.pattern, line) != 0) continue;
      info.*key.field = Trim(std::string_view(line).substr(line.find(':') + 1));
      break;
    }
  }
  return info;
}

}  // namespace dm
