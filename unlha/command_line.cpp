#include "unlha/command_line.h"

#include "base/pattern.h"
#include "base/text.h"

namespace dm::lzh {

std::vector<std::string> SplitCommandWords(std::string_view text, std::vector<bool>* quoted) {
  std::vector<std::string> words;
  if (quoted) quoted->clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    if (i >= text.size()) break;
    std::string word;
    bool inQuotes = false;
    bool hadQuotes = false;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') {
        inQuotes = !inQuotes;
        hadQuotes = true;
      } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
        break;
      } else {
        word += c;
      }
    }
    words.push_back(std::move(word));
    if (quoted) quoted->push_back(hadQuotes);
  }
  return words;
}

CommandParse ParseCommand(std::string_view text) {
  std::vector<bool> quoted;
  const std::vector<std::string> words = SplitCommandWords(text, &quoted);
  CommandParse parse;
  std::vector<std::string> plain;
  for (size_t i = 0; i < words.size(); ++i) {
    if (!quoted[i] && !words[i].empty() && words[i][0] == '-') {
      parse.command.switches.push_back(words[i].substr(1));
    } else {
      plain.push_back(words[i]);
    }
  }
  if (plain.empty()) {
    parse.problem = "コマンドがありません";
    return parse;
  }
  const std::string action = AsciiLower(plain[0]);
  if (action == "e") parse.command.action = Action::kExtract;
  else if (action == "t") parse.command.action = Action::kTest;
  else if (action == "l") parse.command.action = Action::kList;
  else {
    parse.problem = "コマンド「" + plain[0] + "」には対応していません（e, t, l が使えます）";
    return parse;
  }
  if (plain.size() < 2 || plain[1].empty()) {
    parse.problem = "アーカイブが指定されていません";
    return parse;
  }
  parse.command.archive = plain[1];
  bool folderSeen = false;
  for (size_t i = 2; i < plain.size(); ++i) {
    const std::string& word = plain[i];
    if (word.empty()) continue;
    const bool isFolder = word.back() == '\\' || word.back() == '/';
    if (isFolder && !folderSeen) {
      parse.command.folder = word;
      folderSeen = true;
    } else {
      parse.command.patterns.push_back(word);
    }
  }
  if (parse.command.patterns.empty()) parse.command.patterns.push_back("*.*");
  parse.ok = true;
  return parse;
}

bool MatchesAnyPattern(const std::vector<std::string>& patterns, std::string_view fileName,
                       std::string_view shownPath) {
  for (const std::string& pattern : patterns) {
    std::string lowered = AsciiLower(pattern);
    for (char& c : lowered) {
      if (c == '/') c = '\\';
    }
    if (lowered == "*.*") lowered = "*";
    const bool withFolder = lowered.find('\\') != std::string::npos;
    if (MatchPattern(lowered, AsciiLower(withFolder ? shownPath : fileName)) == 0) return true;
  }
  return false;
}

}  // namespace dm::lzh
