#include "update/update_check.h"

#include "base/text.h"

namespace dm {

CheckDecision DecideUpdate(const VersionFileInfo& info, const std::string& versionFileUrl, int ownBuild) {
  CheckDecision decision;
  if (!info.build) {
    decision.outcome = CheckOutcome::kNoBuild;
    decision.message = kNoBuildMessage;
    return decision;
  }
  std::optional<int> build = ParseInteger(*info.build);
  if (!build) {
    decision.outcome = CheckOutcome::kBadBuild;
    decision.message = "'" + *info.build + "' は整数ではありません\n\n" + kNoBuildMessage;
    return decision;
  }
  decision.build = *build;
  if (ownBuild >= *build) {
    decision.outcome = CheckOutcome::kUpToDate;
    decision.message = kUpToDateMessage;
    return decision;
  }
  decision.outcome = CheckOutcome::kNewer;
  decision.archiveUrl = info.url.value_or(versionFileUrl);
  decision.version = info.version.value_or("");
  decision.detailsUrl = info.info.value_or("");
  return decision;
}

std::string NewVersionLabel(const std::string& version) {
  return "最新版 Version" + version + " が登録されています";
}

std::string NewVersionLogLine(const std::string& version) {
  return "新バージョンが登録されています Version: " + version;
}

}  // namespace dm
