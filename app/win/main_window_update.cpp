// The main window's part in the online update and the about box: the
// update command with its question and the updater's start, the updater's
// own timer in update mode, and the about box with the program's version.
#include "app/win/main_window.h"
#include "app/win/version_info.h"
#include "base/paths.h"
#include "base/win/wide.h"
#include "update/release_checks.h"
#include "update/update_steps.h"
#include "update/win/about_form.h"
#include "update/win/auto_update_form.h"
#include "update/win/updater.h"

namespace dm {

namespace {

std::string OwnProgramPath() {
  wchar_t own[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(nullptr, own, static_cast<DWORD>(std::size(own)));
  return WideToUtf8(std::wstring(own, length));
}

// The build of a program file; 0 without version data.
int BuildOf(const std::string& path) {
  std::optional<VersionBlock> block = ReadVersionBlock(path);
  std::string file_version;
  if (!block || !ReadVersionString(*block, "FileVersion", file_version)) return 0;
  return BuildNumberOf(file_version);
}

}  // namespace

void TMainForm::UpdateMenuClick() {
  if (running_) return;
  if (options_.updateConnectCheck == 1 &&
      MessageBoxW(nullptr, L"インターネットに接続し、アップデートを行いますか？", L"Drovenmark",
                  MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  UpdateSettings settings;
  settings.searchUrl = options_.updateSearchUrl;
  settings.downloadFolder = options_.updateDownloadFolder;
  settings.proxy = {options_.updateProxyEnabled == 1, options_.updateProxyServer, options_.updateProxyPort};
  settings.finish = options_.updateFinish;
  settings.ownBuild = GetBuildNumber();
  EndingFormHost ending{[this](const std::string& text) { ShowEndingForm(Utf8ToWide(text).c_str()); },
                        [this] { HideEndingForm(); }};
  if (ShowAutoUpdateForm(hwnd_, settings, ending)) return;

  // The updater is the new program itself, in the update's own folder. A
  // folder without one newer than this (the archive kept unextracted) has
  // nothing to hand over to.
  const std::string update_folder = UpdateFolderOf(options_.updateDownloadFolder);
  std::string updater = JoinPath(update_folder, kProgramFileName);
  if (BuildOf(updater) <= settings.ownBuild) {
    if (options_.updateFinish == 0) {
      MessageBoxW(nullptr, Utf8ToWide("ダウンロードしたフォルダに新しいDrovenmarkがありません\n\n" + updater).c_str(),
                  L"Drovenmark", MB_OK | MB_ICONWARNING);
    }
    return;
  }
  std::wstring command = Utf8ToWide(UpdaterCommandLine(reinterpret_cast<intptr_t>(hwnd_), ProgramFolder()));
  STARTUPINFOW startup = {sizeof startup};
  GetStartupInfoW(&startup);
  PROCESS_INFORMATION info = {};
  // Its own folder as its current directory: nothing it loads comes from
  // wherever this instance was started.
  if (CreateProcessW(Utf8ToWide(updater).c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                     nullptr, Utf8ToWide(update_folder).c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  // This instance keeps running until the updater closes it.
}

void TMainForm::TimerUpdateTimer() {
  KillTimer(hwnd_, kTimerUpdate);
  UpdaterRequest request;
  request.oldWindow = reinterpret_cast<HWND>(launch_.updateCallerWindow);
  request.programFolder = launch_.updateTargetFolder;
  // The files lie beside the updater: in the update's folder, or in the
  // download folder itself when an older build extracted them there.
  request.downloadFolder = ProgramFolder();
  if (request.downloadFolder.size() > 3 && EndsWithPathDelimiter(request.downloadFolder)) {
    request.downloadFolder.pop_back();
  }
  EndingFormHost ending{[this](const std::string& text) { ShowEndingForm(Utf8ToWide(text).c_str()); },
                        [this] { HideEndingForm(); }};
  exitCode_ = RunUpdater(request, ending);
  DestroyWindow(hwnd_);
}

void TMainForm::AboutClick() {
  ProgramVersion version;
  if (std::optional<VersionBlock> block = ReadVersionBlock(OwnProgramPath())) {
    version.present = true;
    ReadVersionString(*block, "ProductName", version.productName);
    ReadVersionString(*block, "ProductVersion", version.productVersion);
    ReadVersionString(*block, "LegalCopyright", version.legalCopyright);
    version.build = GetBuildNumber();
  }
  ShowAbout(hwnd_, version);
}

}  // namespace dm
