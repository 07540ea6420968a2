#include "update/win/auto_update_form.h"

#include <commctrl.h>

#include "base/paths.h"
#include "base/sjis.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "engine/win32/win32_file_system.h"
#include "update/release_checks.h"
#include "update/release_manifest.h"
#include "update/update_check.h"
#include "update/update_steps.h"
#include "update/version_file.h"
#include "update/win/archive_extraction.h"
#include "update/win/cng.h"
#include "update/win/file_target.h"
#include "update/win/form.h"
#include "update/win/form_ids.h"
#include "update/win/ver_forms.h"
#include "update/win/watched_internet.h"
#include "update/win/wininet_library.h"

namespace dm {

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr int kFileCopyAnimation = 160;  // shell32's file-copy clip
const wchar_t kAbortCaption[] = L"中止";
const wchar_t kCloseCaption[] = L"閉じる";

void Box(HWND owner, const std::string& text, UINT icon) {
  MessageBoxW(owner, Utf8ToWide(text).c_str(), L"Drovenmark", MB_OK | icon);
}

class AutoUpdateForm : public Form, public DownloadView, public ExtractionView {
 public:
  AutoUpdateForm(const UpdateSettings& settings, const EndingFormHost& endingForm)
      : settings_(settings), endingForm_(endingForm) {}

  bool Run(HWND owner) {
    ShowModal(owner, kAutoUpdateCaption, 369, 227);
    return stop_;
  }

 private:
  // ---- The window ----

  bool FormCreate() override {
    HWND animation = Add(ANIMATE_CLASSW, nullptr, ACS_TRANSPARENT | ACS_CENTER, 8, 6, 272, 62, AutoUpdateAnimate1);
    SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(GetModuleHandleW(L"shell32.dll")),
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFileCopyAnimation)));
    Add(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 8, 74, 353, 16, AutoUpdateLabelStatus);
    Add(L"STATIC", L"", SS_LEFT, 8, 74, 0, 0, AutoUpdateLabelStatus2);
    HWND bar = Add(PROGRESS_CLASSW, nullptr, 0, 8, 94, 305, 18, AutoUpdateProgressBar1);
    SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    Add(L"STATIC", L"", SS_RIGHT, 316, 95, 45, 16, AutoUpdateLabel1);
    Add(L"STATIC", L"", SS_RIGHT, 8, 116, 353, 16, AutoUpdateLabel6);
    Add(L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, 8, 136, 353, 52, AutoUpdateMemo1,
        WS_EX_CLIENTEDGE);
    Add(L"BUTTON", kAbortCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, 281, 195, 80, 24, AutoUpdateButtonAbort);
    SetFocus(Item(AutoUpdateButtonAbort));
    return false;
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM, INT_PTR& result) override {
    switch (message) {
      case WM_SHOWWINDOW:  // FormShow
        if (wparam && !started_) SetTimer(dialog_, kTimer1, 100, nullptr);
        return false;
      case WM_TIMER:
        if (wparam == kTimer1) Timer1Timer();
        return true;
      case WM_CLOSE:
        ButtonAbortClick();
        return true;
      default:
        return false;
    }
  }

  void OnCommand(int id, int) override {
    if (id == AutoUpdateButtonAbort || id == IDCANCEL) ButtonAbortClick();
  }

  void ButtonAbortClick() {
    wchar_t caption[16] = {};
    GetDlgItemTextW(dialog_, AutoUpdateButtonAbort, caption, 16);
    if (wcscmp(caption, kCloseCaption) != 0) stop_ = true;
    // While the check runs, it sees the flag and returns; the window closes then.
    if (!working_) EndDialog(dialog_, IDOK);
  }

  void AddLog(const std::string& line, bool alsoStatus = false) {
    HWND memo = Item(AutoUpdateMemo1);
    std::wstring text = Utf8ToWide(line);
    int length = GetWindowTextLengthW(memo);
    if (length > 0) text = L"\r\n" + text;
    SendMessageW(memo, EM_SETSEL, length, length);
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(memo, EM_SCROLLCARET, 0, 0);
    if (alsoStatus) SetText(AutoUpdateLabelStatus, line);
  }

  // ---- DownloadView ----

  void SetAnimation(bool on) override {
    HWND animation = Item(AutoUpdateAnimate1);
    if (on) {
      SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    } else {
      SendMessageW(animation, ACM_STOP, 0, 0);
    }
  }
  void ShowProgress(int position, const std::string& bytes, const std::string& percent) override {
    SendMessageW(Item(AutoUpdateProgressBar1), PBM_SETPOS, position, 0);
    SetText(AutoUpdateLabel6, bytes);
    SetText(AutoUpdateLabel1, percent);
  }
  void ShowExtraction(const ExtractionProgress& shown) override {
    SendMessageW(Item(AutoUpdateProgressBar1), PBM_SETPOS, shown.position, 0);
    SetText(AutoUpdateLabel6, shown.bytes);
  }
  void LetMessagesRun() override {
    if (!dm::LetMessagesRun(dialog_)) stop_ = true;
  }
  bool StopRequested() override { return stop_; }

  // ---- The work ----

  void Timer1Timer() {
    KillTimer(dialog_, kTimer1);
    if (started_) return;
    started_ = true;
    working_ = true;
    std::shared_ptr<WinInetLibrary> library =
        WinInetLibrary::Load([](const std::string& text) { Box(nullptr, text, MB_ICONWARNING); });
    if (!library) {
      Box(nullptr, "wininet.dll が見つかりません", MB_ICONWARNING);
      stop_ = true;
    } else {
      // The calls that wait for the server run on a worker: the window
      // answers, 中止 takes effect and a silent server is given up.
      WatchedInternet internet(library, {[this] { LetMessagesRun(); }, [this] { return stop_; }});
      library.reset();
      RunCheck(internet);
    }
    working_ = false;
    EndDialog(dialog_, IDOK);
  }

  DownloadResult DownloadTo(InternetApi& internet, const std::string& url, bool progress, uint64_t maxBytes) {
    FileDownloadTarget file;
    DownloadRequest request{url, updateFolder_, progress, settings_.proxy, maxBytes};
    return Download(request, internet, file, *this);
  }

  void Refuse(const std::string& message) {
    Box(nullptr, message, MB_ICONWARNING | MB_SYSTEMMODAL);
    stop_ = true;
  }

  // The update's own folder, made if need be and emptied of every earlier
  // download, so that nothing of one can be taken for part of this one.
  bool PrepareUpdateFolder(FileSystem& fs) {
    updateFolder_ = UpdateFolderOf(settings_.downloadFolder);
    if (!fs.IsFolder(updateFolder_) && !fs.CreateFolderTree(updateFolder_)) {
      AddLog("フォルダの作成に失敗しました");
      stop_ = true;
      return false;
    }
    std::vector<std::string> failures = EmptyUpdateFolder(fs, updateFolder_);
    if (failures.empty()) return true;
    Refuse(FolderNotEmptiedMessage(updateFolder_, failures));
    return false;
  }

  // The version file's bytes, only when the release key signed them: its
  // signature is fetched and checked before a single key of it is read.
  std::optional<std::string> FetchSignedVersionFile(InternetApi& internet) {
    DownloadResult saved = DownloadTo(internet, settings_.searchUrl, false, kVersionFileMaxBytes);
    if (saved.Failed()) {
      Refuse(saved.error);
      return std::nullopt;
    }
    // One byte past a version file's largest size is enough to refuse it.
    std::optional<std::string> bytes = ReadWholeFile(saved.savedPath, kVersionFileMaxBytes + 1);
    if (!bytes) {
      AddLog("ファイルのオープンに失敗しました " + saved.savedPath);
      DeleteFileW(NativePath(saved.savedPath).c_str());
      stop_ = true;
      return std::nullopt;
    }
    DownloadResult signature = DownloadTo(internet, settings_.searchUrl + kSignatureSuffix, false, kSignatureMaxBytes);
    std::optional<std::string> signature_bytes;
    if (!signature.Failed()) {
      signature_bytes = ReadWholeFile(signature.savedPath, kSignatureMaxBytes + 1);
      DeleteFileW(NativePath(signature.savedPath).c_str());
    }
    std::optional<std::string> problem;
    if (signature.Failed()) {
      problem = SignatureMissingMessage(signature.error);
    } else if (!signature_bytes) {
      problem = SignatureMissingMessage("ファイルのオープンに失敗しました " + signature.savedPath);
    } else {
      CngReleaseKey key(CompiledReleaseKey());
      problem = SignatureProblem(*bytes, *signature_bytes, key);
    }
    // 5. The version file is removed once read, trusted or not.
    if (!DeleteFileW(NativePath(saved.savedPath).c_str())) {
      Box(dialog_, "SaveFileの削除に失敗しました", MB_ICONINFORMATION);
    }
    if (problem) {
      Refuse(*problem);
      return std::nullopt;
    }
    return bytes;
  }

  void RunCheck(InternetApi& internet) {
    // 1.
    SetDlgItemTextW(dialog_, AutoUpdateMemo1, L"");
    SendMessageW(Item(AutoUpdateProgressBar1), PBM_SETPOS, 0, 0);
    stop_ = false;
    SetDlgItemTextW(dialog_, AutoUpdateButtonAbort, kAbortCaption);
    AddLog("バージョンチェック中です...", true);
    LetMessagesRun();

    // 2. The download folder, and the update's own folder in it.
    Win32FileSystem fs;
    const std::string& folder = settings_.downloadFolder;
    if (!fs.IsFolder(folder)) {
      AddLog("フォルダを作成します " + folder);
      if (!fs.CreateFolderTree(folder)) {
        AddLog("フォルダの作成に失敗しました");
        stop_ = true;
        return;
      }
    }
    if (!PrepareUpdateFolder(fs)) return;

    // 3-5. The version file and its signature, checked, read and removed.
    std::optional<std::string> bytes = FetchSignedVersionFile(internet);
    if (!bytes) return;
    VersionFileInfo info = ReadVersionFile(*bytes, [this] { return stop_; });
    // 6.
    if (stop_) return;

    // 7-8. The builds.
    CheckDecision decision = DecideUpdate(info, settings_.searchUrl, settings_.ownBuild);
    switch (decision.outcome) {
      case CheckOutcome::kNoBuild:
      case CheckOutcome::kBadBuild:
        stop_ = true;
        Box(dialog_, decision.message, MB_ICONWARNING | MB_SYSTEMMODAL);
        return;
      case CheckOutcome::kUpToDate:
        Box(dialog_, decision.message, MB_ICONINFORMATION);
        stop_ = true;
        return;
      case CheckOutcome::kNewer:
        break;
    }
    // What the key vouches for must be whole before anything is asked.
    ManifestReading manifest = ReadManifest(info);
    if (!manifest.manifest) {
      Refuse(kManifestRefused + manifest.problem);
      return;
    }

    // 9. The question, with the details on request.
    VerSureRequest question;
    question.label = NewVersionLabel(decision.version);
    if (!decision.detailsUrl.empty()) {
      question.showDetails = [&](HWND sure) { ShowDetails(internet, sure, decision.detailsUrl); };
    }
    if (!ShowVerSureForm(dialog_, question)) {
      stop_ = true;
      return;
    }

    // 10.
    AddLog(NewVersionLogLine(decision.version));
    DownloadAndExtract(internet, decision.archiveUrl, *manifest.manifest);
  }

  void ShowDetails(InternetApi& internet, HWND owner, const std::string& url) {
    if (endingForm_.show) endingForm_.show("詳細情報を取得中です。");
    DownloadResult saved = DownloadTo(internet, url, false, kDetailsMaxBytes);
    if (endingForm_.hide) endingForm_.hide();
    if (saved.Failed()) {
      Box(nullptr, saved.error, MB_ICONWARNING | MB_SYSTEMMODAL);
      return;
    }
    std::optional<std::string> bytes = ReadWholeFile(saved.savedPath);
    // Read, the text is not kept: the updater would install it with the
    // program's files.
    DeleteFileW(NativePath(saved.savedPath).c_str());
    ShowVerContForm(owner, bytes ? SjisToUtf8(*bytes) : std::string());
  }

  void DownloadAndExtract(InternetApi& internet, const std::string& archiveUrl, const ReleaseManifest& manifest) {
    AddLog("ダウンロード中です...", true);
    DownloadResult archive = DownloadTo(internet, archiveUrl, true, manifest.archiveSize);
    if (archive.Failed()) {
      Refuse(archive.error);
      return;
    }
    // The archive is opened only when it is the one the key signed.
    CngFileHasher hasher;
    const std::string archive_name = FileNamePart(archive.savedPath);
    if (std::optional<std::string> problem =
            ArchiveProblem(archive_name, archive.bytes, hasher.HashFile(archive.savedPath), manifest)) {
      DeleteFileW(NativePath(archive.savedPath).c_str());
      Refuse(*problem);
      return;
    }
    AddLog("解凍中です...", true);
    if (Extract(archive.savedPath)) {
      // Exactly the signed files, each as signed: the updater installs them.
      Win32FileSystem fs;
      std::vector<std::string> problems = ExtractedProblems(fs, updateFolder_, archive_name, manifest, hasher);
      if (!problems.empty()) {
        EmptyUpdateFolder(fs, updateFolder_);
        Refuse(ExtractedMessage(problems));
      }
    }
    SetDlgItemTextW(dialog_, AutoUpdateButtonAbort, kCloseCaption);
    if (!stop_) AddLog("完了しました", true);
  }

  // True when the archive was extracted (not kept as it is). A failed
  // extraction leaves no complete program to install, and nothing of it stays.
  bool Extract(const std::string& archivePath) {
    std::string report;
    ExtractionEnd end = ExtractArchive(dialog_, archivePath, updateFolder_, settings_.finish != 0, *this, report);
    if (end == ExtractionEnd::kNoLibrary) stop_ = true;
    if (end == ExtractionEnd::kFailed) {
      stop_ = true;
      Win32FileSystem fs;
      EmptyUpdateFolder(fs, updateFolder_);
      Box(nullptr, "ダウンロードしたファイルの解凍に失敗しました\n\n" + report, MB_ICONWARNING | MB_SYSTEMMODAL);
    }
    return end == ExtractionEnd::kExtracted;
  }

  const UpdateSettings& settings_;
  const EndingFormHost& endingForm_;
  std::string updateFolder_;  // where this check's downloads go
  bool stop_ = true;  // cleared only when a check starts
  bool started_ = false;
  bool working_ = false;
};

}  // namespace

bool ShowAutoUpdateForm(HWND owner, const UpdateSettings& settings, const EndingFormHost& endingForm) {
  AutoUpdateForm form(settings, endingForm);
  return form.Run(owner);
}

}  // namespace dm
