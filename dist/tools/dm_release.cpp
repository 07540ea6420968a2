// The release's decisions for the packaging script:
//   dm_release VERSION BUILD BASE-URL WHAT
// WHAT: check, installer-name, archive-name, details-name, files (one a
// line), version-file (from the facts on standard input: "SIZE SHA256 NAME"
// for the archive, then for each file), details (UTF-8). Exit code 2 and a
// message when the release cannot be published.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dist/release.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: dm_release VERSION BUILD BASE-URL WHAT\n");
    return 1;
  }
  dm::Release release;
  release.productVersion = argv[1];
  char* end = nullptr;
  long build = std::strtol(argv[2], &end, 10);
  release.build = (*argv[2] && *end == '\0' && build > 0 && build <= 65535) ? static_cast<int>(build) : 0;
  release.baseUrl = argv[3];
  if (auto problem = dm::ReleaseProblem(release)) {
    std::fprintf(stderr, "dm_release: %s\n", problem->c_str());
    return 2;
  }
  const std::string what = argv[4];
  std::string out;
  if (what == "check") {
  } else if (what == "installer-name") {
    out = dm::InstallerName(release) + "\n";
  } else if (what == "archive-name") {
    out = dm::ArchiveName(release) + "\n";
  } else if (what == "details-name") {
    out = dm::DetailsName(release) + "\n";
  } else if (what == "files") {
    for (const std::string& f : dm::ProgramFiles()) out += f + "\n";
  } else if (what == "version-file") {
    std::string facts;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) facts.append(buffer, got);
    std::string problem;
    std::optional<dm::ReleaseManifest> manifest = dm::ManifestOfFacts(release, facts, problem);
    if (!manifest) {
      std::fprintf(stderr, "dm_release: %s\n", problem.c_str());
      return 2;
    }
    out = dm::VersionFileText(release, *manifest);
  } else if (what == "details") {
    out = dm::DetailsText(release);
  } else {
    std::fprintf(stderr, "dm_release: unknown WHAT \"%s\"\n", what.c_str());
    return 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
