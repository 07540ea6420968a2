// The published files as the program that downloads them sees them.
#include "dist/release.h"

#include <gtest/gtest.h>

#include "update/download.h"
#include "update/update_check.h"
#include "update/update_steps.h"
#include "update/version_file.h"

namespace dm {
namespace {

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
    const std::string text = VersionFileText(c.release);
    VersionFileInfo info = ReadVersionFile(text);
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
