// The decision after the version information file was read: is there a
// newer build, and what the user is told. Only build numbers are compared,
// as numbers; the version text is only shown.
#pragma once

#include <string>

#include "update/version_file.h"

namespace dm {

enum class CheckOutcome {
  kNoBuild,     // the product's section has no "Build:" line
  kBadBuild,    // the build text is not a decimal integer
  kUpToDate,    // the program's own build is the same or newer
  kNewer,       // a newer build is registered: ask the user
};

struct CheckDecision {
  CheckOutcome outcome = CheckOutcome::kNoBuild;
  std::string message;       // the message box text; empty for kNewer
  std::string archiveUrl;    // kNewer: "Url:", or the version file's own address without one
  std::string version;       // kNewer: "Version:" (empty without one)
  std::string detailsUrl;    // kNewer: "Info:" (empty without one)
  int build = 0;             // the registered build, when it is a number
};

inline constexpr char kNoBuildMessage[] = "バージョン情報の取得に失敗しました";
inline constexpr char kUpToDateMessage[] = "最新版を使用されていますので、アップデートの必要はありません";

CheckDecision DecideUpdate(const VersionFileInfo& info, const std::string& versionFileUrl, int ownBuild);

// The confirmation dialog's first line.
std::string NewVersionLabel(const std::string& version);
// The line the update window's log gets when the user said yes.
std::string NewVersionLogLine(const std::string& version);

}  // namespace dm
