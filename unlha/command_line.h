// The command text callers pass to the library, such as
//   e "C:\dl\update.lzh" "C:\dl\" *.*  -n -c -y
// Words are separated by blanks or tabs (any number); double quotes group a
// word and are removed ("\" never escapes anything, so "C:\dl\" ends in a
// backslash). Words starting with "-" outside quotes are switches, wherever
// they stand; unknown switches are ignored. The other words are, in order:
// the command, the archive, then the target folder (the first word ending
// in "\" or "/") and name patterns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dm::lzh {

enum class Action {
  kExtract,  // "e": every file, flat, into the folder, replacing files there
  kTest,     // "t": decode and check every file, write nothing
  kList,     // "l": one line per entry
};

struct Command {
  Action action = Action::kExtract;
  std::string archive;
  std::string folder;                 // empty: the current folder
  std::vector<std::string> patterns;  // "*.*" when none was given
  std::vector<std::string> switches;  // without the "-", as given
};

struct CommandParse {
  bool ok = false;
  std::string problem;  // when not ok, for the report
  Command command;
};

std::vector<std::string> SplitCommandWords(std::string_view text, std::vector<bool>* quoted = nullptr);
CommandParse ParseCommand(std::string_view text);

// Whether an entry is selected. Patterns without a folder part are matched
// against the file name, others against the stored path ("\" between the
// parts); letter case does not matter, and "*.*" takes every name.
bool MatchesAnyPattern(const std::vector<std::string>& patterns, std::string_view fileName,
                       std::string_view shownPath);

}  // namespace dm::lzh
