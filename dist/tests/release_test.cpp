// The published files as the program that downloads them sees them.
#include "dist/release.h"

#include <gtest/gtest.h>

#include "update/download.h"
#include "update/update_check.h"
#include "update/update_steps.h"
#include "update/version_file.h"

namespace dm {
namespace {

// The facts make dist measures: the archive, then each program file.
std::string Facts(const Release& release) {
  std::string facts = "2873344 " + std::string(64, 'a') + " " + ArchiveName(release) + "\n";
  char digit = '0';
  for (const std::string& f : ProgramFiles()) facts += "1000 " + std::string(64, digit++) + " " + f + "\n";
  return facts;
}

ReleaseManifest ManifestOf(const Release& release) {
  std::string problem;
  std::optional<ReleaseManifest> manifest = ManifestOfFacts(release, Facts(release), problem);
  EXPECT_TRUE(manifest) << problem;
  return manifest.value_or(ReleaseManifest{});
}

TEST(Release, VersionFileLeadsTheProgramToTheArchiveOfTheBuild) {
  struct Case {
    Release release;
    std::string archiveUrl, detailsUrl;
  };
  const Case cases[] = {
      {{"2.10", 411, "https://www.quorvanta.example/drovenmark"},
       "https://www.quorvanta.example/drovenmark/drovenmk-2.10-411.lzh",
       "https://www.quorvanta.example/drovenmark/drovenmk-2.10-411.txt"},
      {{"2.11", 1000, "http://127.0.0.1:8080/ok/"},  // a trailing "/" gives no empty segment
       "http://127.0.0.1:8080/ok/drovenmk-2.11-1000.lzh", "http://127.0.0.1:8080/ok/drovenmk-2.11-1000.txt"},
  };
  for (const Case& c : cases) {
    const ReleaseManifest manifest = ManifestOf(c.release);
    const std::string text = VersionFileText(c.release, manifest);
    VersionFileInfo info = ReadVersionFile(text);
    // The signed lines read back as the manifest make dist measured.
    ManifestReading reading = ReadManifest(info);
    ASSERT_TRUE(reading.manifest) << reading.problem;
    EXPECT_EQ(*reading.manifest, manifest);
    EXPECT_EQ(reading.manifest->files.size(), ProgramFiles().size());
    // Every line is far shorter than a line the oldest reader takes whole.
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      EXPECT_LT(end - start, 200u) << text.substr(start, end - start);
    }
    EXPECT_EQ(info.version, c.release.productVersion);
    EXPECT_EQ(info.build, std::to_string(c.release.build));
    EXPECT_EQ(info.url, c.archiveUrl);
    EXPECT_EQ(info.info, c.detailsUrl);
    // Every line ends with CRLF, as Windows editors and the maker's server keep it.
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // One build older asks; the same build is told it is up to date.
    CheckDecision older = DecideUpdate(info, PublishedUrl(c.release, kVersionFileName), c.release.build - 1);
    EXPECT_EQ(older.outcome, CheckOutcome::kNewer);
    EXPECT_EQ(older.archiveUrl, c.archiveUrl);
    EXPECT_EQ(DownloadFileName(older.archiveUrl), ArchiveName(c.release));
    EXPECT_EQ(DownloadFileName(older.detailsUrl), DetailsName(c.release));
    EXPECT_EQ(DecideUpdate(info, "", c.release.build).outcome, CheckOutcome::kUpToDate);
  }
}

TEST(Release, FactsThatDoNotFitTheReleaseAreRefused) {
  Release release{"2.10", 411, "https://host/d"};
  const std::string facts = Facts(release);
  const std::string archive_line = facts.substr(0, facts.find('\n') + 1);
  const std::string file_lines = facts.substr(archive_line.size());
  struct Case {
    const char* name;
    std::string facts;
  };
  const Case cases[] = {
      {"no facts", ""},
      {"no archive", file_lines},
      {"another archive", "1 " + std::string(64, 'a') + " drovenmk-2.10-410.lzh\n" + file_lines},
      {"a file missing", archive_line + file_lines.substr(file_lines.find('\n') + 1)},
      {"a file more", facts + "1 " + std::string(64, 'a') + " extra.dll\n"},
      {"a hash cut short", archive_line + "1000 " + std::string(63, '0') + " drovenmk.exe\n"},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_FALSE(ManifestOfFacts(release, c.facts, problem)) << c.name;
    EXPECT_FALSE(problem.empty()) << c.name;
  }
}

TEST(Release, TheUpdaterInstallsEveryProgramFileButNeverTheArchiveOrTheVersionFile) {
  Release release{"2.10", 411, "https://host/d"};
  for (const std::string& f : ProgramFiles()) EXPECT_TRUE(IsInstalledName(f)) << f;
  EXPECT_FALSE(IsInstalledName(ArchiveName(release)));
  EXPECT_FALSE(IsInstalledName(kVersionFileName));
  EXPECT_EQ(ProgramFiles().front(), "drovenmk.exe");
}

TEST(Release, NamesCarryVersionAndBuild) {
  Release release{"2.10", 411, "https://host/d"};
  EXPECT_EQ(InstallerName(release), "drovenmk-2.10-setup.exe");
  EXPECT_EQ(ArchiveName(release), "drovenmk-2.10-411.lzh");
  EXPECT_EQ(DetailsName(release), "drovenmk-2.10-411.txt");
  EXPECT_NE(DetailsText(release).find("Version 2.10 (Build 411)"), std::string::npos);
}

TEST(Release, ProblemsThatWouldBreakTheDownload) {
  struct Case {
    Release release;
    bool ok;
  };
  const Case cases[] = {
      {{"2.10", 410, "https://www.quorvanta.example/drovenmark"}, true},
      {{"2.10", 65535, "http://127.0.0.1:8080"}, true},
      {{"", 410, "https://h/d"}, false},
      {{"2.10 beta", 410, "https://h/d"}, false},
      {{"2.10.", 410, "https://h/d"}, false},
      {{"../2", 410, "https://h/d"}, false},
      {{"2.10", 0, "https://h/d"}, false},
      {{"2.10", 65536, "https://h/d"}, false},
      {{"2.10", 410, "ftp://h/d"}, false},
      {{"2.10", 410, "https://"}, false},
      {{"2.10", 410, "https:///d"}, false},
      {{"2.10", 410, "https://h/my files"}, false},
      {{"2.10", 410, "https://h/d?x=1"}, false},
      {{"2.10", 410, "https://h/d\t"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!ReleaseProblem(c.release).has_value(), c.ok)
        << c.release.productVersion << " " << c.release.build << " " << c.release.baseUrl;
  }
}

}  // namespace
}  // namespace dm
