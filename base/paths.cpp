#include "base/paths.h"

#include "base/text.h"

#include <vector>

namespace dm {

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }

bool EndsWithPathDelimiter(std::string_view path) {
  return !path.empty() && IsPathDelimiter(path.back());
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!EndsWithPathDelimiter(folder)) path += '\\';
  path += name;
  return path;
}

std::string ParentPath(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash));
}

std::string FileNamePart(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string LongPathForm(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  if (StartsWith(p, "\\\\?\\")) return p;
  if (p.size() >= 3 && p[1] == ':' && p[2] == '\\') return "\\\\?\\" + p;
  if (StartsWith(p, "\\\\")) return "\\\\?\\UNC" + p.substr(1);
  return p;
}

std::string NormalizedPath(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  if (StartsWith(p, "\\\\?\\UNC\\")) {
    p = "\\" + p.substr(7);
  } else if (StartsWith(p, "\\\\?\\")) {
    p = p.substr(4);
  }
  std::string root;
  size_t rest = 0;
  if (p.size() >= 2 && p[1] == ':' && (p.size() == 2 || p[2] == '\\')) {
    root = p.substr(0, 2) + "\\";
    rest = 2;
  } else if (StartsWith(p, "\\\\")) {
    root = "\\\\";
    rest = 2;
  } else {
    return p;  // relative: nothing to anchor ".." to
  }
  std::vector<std::string_view> names;
  std::string_view tail = std::string_view(p).substr(rest);
  while (!tail.empty()) {
    size_t slash = tail.find('\\');
    std::string_view name = tail.substr(0, slash);
    tail = slash == std::string_view::npos ? std::string_view() : tail.substr(slash + 1);
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      // A share's server and share names are its root; keep them.
      size_t keep = root.size() == 2 ? 2 : 0;
      if (names.size() > keep) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  std::string result = root;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) result += '\\';
    result += names[i];
  }
  return result;
}

bool IsSameOrBelow(std::string_view path, std::string_view folder) {
  if (folder.empty() || !StartsWith(path, folder)) return false;
  if (path.size() == folder.size()) return true;
  return EndsWithPathDelimiter(folder) || path[folder.size()] == '\\';
}

std::string VolumeRoot(std::string_view path) {
  if (StartsWith(path, "\\\\")) {
    size_t server_end = path.find('\\', 2);
    if (server_end == std::string_view::npos) return std::string(path) + "\\";
    size_t share_end = path.find('\\', server_end + 1);
    if (share_end == std::string_view::npos) return std::string(path) + "\\";
    return std::string(path.substr(0, share_end + 1));
  }
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2)) + "\\";
  return {};
}

}  // namespace dm
