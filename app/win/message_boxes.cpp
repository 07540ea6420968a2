#include "app/win/message_boxes.h"

#include "base/datetime.h"
#include "base/win/wide.h"
#include "engine/backup_log.h"
#include "engine/report.h"
#include "engine/win32/win32_file_system.h"

namespace dm {

namespace {

UINT ButtonFlags(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::kYesNo:
      return MB_YESNO;
    case BoxButtons::kYesNoCancel:
      return MB_YESNOCANCEL;
    case BoxButtons::kOk:
      break;
  }
  return MB_OK;
}

UINT IconFlags(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kQuestion:
      return MB_ICONQUESTION;
    case BoxIcon::kInformation:
      return MB_ICONINFORMATION;
    case BoxIcon::kNone:
      return 0;
    case BoxIcon::kWarning:
      break;
  }
  return MB_ICONWARNING;
}

// The default button by its place among the box's buttons.
UINT DefaultButtonFlag(const BoxRequest& box) {
  if (box.buttons == BoxButtons::kOk) return MB_DEFBUTTON1;
  if (box.defaultAnswer == BoxAnswer::kNo) return MB_DEFBUTTON2;
  if (box.defaultAnswer == BoxAnswer::kCancel && box.buttons == BoxButtons::kYesNoCancel) return MB_DEFBUTTON3;
  return MB_DEFBUTTON1;
}

}  // namespace

BoxAnswer Win32MessageService::Show(const BoxRequest& box) {
  HWND owner = box.owner == Owner::kMainWindow && mainWindow_ ? mainWindow_() : nullptr;
  int pressed = MessageBoxW(owner, Utf8ToWide(box.text).c_str(), L"Drovenmark",
                            ButtonFlags(box.buttons) | IconFlags(box.icon) | DefaultButtonFlag(box));
  switch (pressed) {
    case IDOK:
      return BoxAnswer::kOk;
    case IDYES:
      return BoxAnswer::kYes;
    case IDNO:
      return BoxAnswer::kNo;
    case IDCANCEL:
      return BoxAnswer::kCancel;
    default:
      return box.defaultAnswer;  // the box could not be shown
  }
}

void WriteDayLogLine(int kind, const std::string& title, const std::string& text) {
  // One line appended straight to the file, without the run log's flusher
  // thread: a box can come while a library loads, where no thread may start.
  Win32FileSystem fs;
  DateTimeParts now = SystemClock().Now();
  std::unique_ptr<AppendFile> log = fs.OpenAppend(BackupLogFileName(ProgramFolder(), now));
  if (log) log->Write(FormatBackupLogLine(kind, title, now.hour, now.minute, now.second, text));
}

void WriteDayLogErrorLine(const std::string& text) { WriteDayLogLine(kReportError, "エラー", text); }

std::unique_ptr<MessageService> MakeMessageService(bool unattended, std::function<HWND()> mainWindow) {
  if (unattended) return std::make_unique<UnattendedMessages>(WriteDayLogErrorLine);
  return std::make_unique<Win32MessageService>(std::move(mainWindow));
}

}  // namespace dm
