// Windows path text, handled as UTF-8 so a name never splits inside a
// character (a Shift-JIS trail byte of 0x5C is no delimiter here).
#pragma once

#include <string>
#include <string_view>

namespace dm {

bool IsPathDelimiter(char c);
bool EndsWithPathDelimiter(std::string_view path);

// folder + "\" + name, without doubling a delimiter the folder already ends with.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder part of a path (without the last delimiter) and the last name.
std::string ParentPath(std::string_view path);
std::string FileNamePart(std::string_view path);

// The long-path form of an absolute path: "\\?\C:\x" for "C:\x" and
// "\\?\UNC\server\share\x" for "\\server\share\x"; already prefixed paths and
// relative paths come back unchanged. Forward slashes become backslashes,
// since the prefixed form takes every character literally.
std::string LongPathForm(std::string_view path);

// An absolute path in its plain, tidy form: "\\?\" and "\\?\UNC\" taken off,
// forward slashes turned into backslashes, doubled delimiters and "."
// names dropped, ".." taking back the name before it (never the root), no
// trailing delimiter except after a drive ("C:\"). Names keep trailing dots
// and blanks: they are part of a name read from a listing. Relative paths
// only get their slashes turned.
std::string NormalizedPath(std::string_view path);

// True when `path` is `folder` or lies below it. Both must be normalized
// and compared in the same case form.
bool IsSameOrBelow(std::string_view path, std::string_view folder);

// The root of the volume holding a path: "C:\" for C:\data,
// "\\server\share\" for \\server\share\data.
std::string VolumeRoot(std::string_view path);

}  // namespace dm
