#include "update/update_steps.h"

#include "base/paths.h"
#include "base/pattern.h"
#include "base/text.h"
#include "update/install.h"

namespace dm {

std::string ExtractionCommand(const std::string& archive, const std::string& folder) {
  if (EndsWithPathDelimiter(folder)) return StringPrintf("e \"%s\" \"%s\" *.*  -n -c -y", archive.c_str(), folder.c_str());
  return StringPrintf("e \"%s\" \"%s\\\" *.*  -n -c -y", archive.c_str(), folder.c_str());
}

ExtractionProgress ExtractionProgressOf(uint32_t size, uint32_t written) {
  ExtractionProgress progress;
  if (size == 0) return progress;
  progress.position = static_cast<int>(static_cast<uint64_t>(written) * 100 / size);
  progress.bytes = std::to_string(written) + "byte / " + std::to_string(size) + " byte";
  return progress;
}

std::string QuoteArgument(const std::string& text) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
    } else {
      // Backslashes before a quote are escapes to the parser: double them,
      // and escape the quote itself.
      if (c == '"') quoted.append(backslashes + 1, '\\');
      backslashes = 0;
    }
    quoted += c;
  }
  quoted.append(backslashes, '\\');  // before the closing quote
  return quoted + "\"";
}

std::string UpdaterCommandLine(intptr_t callerWindow, const std::string& programFolder) {
  return std::string(kProgramFileName) + " -update " + std::to_string(callerWindow) + " " +
         QuoteArgument(programFolder);
}

const std::vector<std::string>& ProgramFiles() {
  static const std::vector<std::string> files = {kProgramFileName, "CRYPT.DLL", "UNLHA32.DLL", "drovenmk.chm"};
  return files;
}

bool IsProgramFile(const std::string& name) {
  for (const std::string& file : ProgramFiles()) {
    if (AsciiLower(file) == AsciiLower(name)) return true;
  }
  return false;
}

bool IsInstalledName(const std::string& name) {
  std::string lower = AsciiLower(name);
  for (const char* excluded : {"*.lzh", "version.txt", "*..", "*."}) {
    if (MatchPattern(excluded, lower) == 0) return false;
  }
  // The installer's own staging names: a file installed under one of them
  // would be taken for, or overwritten as, the staged or the replaced copy
  // of another file.
  for (const char* suffix : {kStagedSuffix, kReplacedSuffix}) {
    if (EndsWith(lower, suffix)) return false;
  }
  if (lower.empty()) return false;
  for (unsigned char c : lower) {
    if (c < 0x20 || c == '\\' || c == '/' || c == ':') return false;
  }
  return true;
}

std::string MemoLines(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

std::string LibraryVersionText(uint16_t version) {
  return StringPrintf("%u.%02u", static_cast<unsigned>(version / 100), static_cast<unsigned>(version % 100));
}

}  // namespace dm
