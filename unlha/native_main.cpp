// The extractor on the build machine: the same command text as the
// library's, for the benchmark and for comparing with other extractors.
//   unlha_native e ARCHIVE FOLDER/ [PATTERN...]
// Prints the report; the exit code is the library's result code.
#include <cstdio>
#include <string>

#include "unlha/command_line.h"
#include "unlha/extractor.h"
#include "unlha/posix_folder.h"

int main(int argc, char** argv) {
  using namespace dm::lzh;
  std::string text;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool quote = word.empty() || word.find_first_of(" \t") != std::string::npos;
    text += (i > 1 ? " " : "") + (quote ? "\"" + word + "\"" : word);
  }
  const CommandParse parse = ParseCommand(text);
  if (!parse.ok) {
    std::fprintf(stderr, "%s\n", parse.problem.c_str());
    return kResultBadCommand;
  }
  auto archive = PosixFileSource::Open(parse.command.archive);
  if (!archive) {
    std::fprintf(stderr, "%s: cannot open\n", parse.command.archive.c_str());
    return kResultArchiveMissing;
  }
  PosixFolder folder(parse.command.folder.empty() ? "." : parse.command.folder);
  NoProgress progress;
  Report report;
  const ResultCode result = RunCommand(parse.command, *archive, &folder, progress, report);
  std::fputs(report.Text().c_str(), stdout);
  return result;
}
