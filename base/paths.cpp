#include "base/paths.h"

#include "base/text.h"

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
