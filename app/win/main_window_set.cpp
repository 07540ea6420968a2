// The main window as the view of the set commands: the settings list, the
// title, the questions and the file dialogs, and the setting editor.
#include "app/win/main_window.h"

#include <commdlg.h>

#include "backupset/setting_editor.h"
#include "backupset/win/folder_setting.h"
#include "base/win/wide.h"
#include "engine/report.h"

namespace dm {

namespace {

const wchar_t kSetFilter[] = L"DrovenmarkSet (*.dmk)\0*.DMK\0";
constexpr DWORD kPathBuffer = 32768;

}  // namespace

void TMainForm::ShowRows(int selected) {
  FillSettingsList();
  if (selected >= 0 && selected < ListView_GetItemCount(settingsList_)) {
    fillingList_ = true;
    ListView_SetItemState(settingsList_, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(settingsList_, selected, FALSE);
    fillingList_ = false;
  }
  InvalidateRect(settingsList_, nullptr, FALSE);
}

int TMainForm::SelectedRow() const { return ListView_GetNextItem(settingsList_, -1, LVNI_SELECTED); }

void TMainForm::SetTitle(const std::string& title) { SetWindowTextW(hwnd_, Utf8ToWide(title).c_str()); }

void TMainForm::Warn(const std::string& text) { messages_.Warning(text, MessageBoxes::Owner::kNone); }

bool TMainForm::Confirm(const std::string& text) {
  return messages_.Show({text, BoxIcon::kQuestion, BoxButtons::kYesNo, BoxAnswer::kYes}) == BoxAnswer::kYes;
}

SaveAnswer TMainForm::AskSave(const std::string& text) {
  switch (messages_.Show({text, BoxIcon::kWarning, BoxButtons::kYesNoCancel, BoxAnswer::kYes})) {
    case BoxAnswer::kYes:
      return SaveAnswer::kYes;
    case BoxAnswer::kNo:
      return SaveAnswer::kNo;
    default:
      return SaveAnswer::kCancel;
  }
}

// The open and save dialogs of set files: same filter, extension and owner.
OPENFILENAMEW TMainForm::SetFileDialog(std::wstring& path, const wchar_t* title, DWORD flags) const {
  OPENFILENAMEW dialog = {sizeof dialog};
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = kSetFilter;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathBuffer;
  dialog.lpstrDefExt = L"dmk";
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | flags;
  return dialog;
}

std::optional<std::string> TMainForm::ChooseSetToOpen() {
  std::wstring path(kPathBuffer, L'\0');
  OPENFILENAMEW dialog = SetFileDialog(path, L"バックアップセットを開く", OFN_FILEMUSTEXIST);
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return WideToUtf8(path.c_str());
}

std::optional<std::string> TMainForm::ChooseSetToSave(const std::string& current) {
  std::wstring path(kPathBuffer, L'\0');
  std::wstring name = Utf8ToWide(current);
  if (name.size() < kPathBuffer) path.replace(0, name.size(), name);
  OPENFILENAMEW dialog = SetFileDialog(path, L"バックアップセットに名前を付けて保存", OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return WideToUtf8(path.c_str());
}

bool TMainForm::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TMainForm::EditSetting(BackupSetting& setting, bool adding) {
  std::string bad_date;
  EditorFields fields = FieldsFromSetting(setting, adding ? kAddSettingCaption : kEditSettingCaption, &bad_date);
  if (!bad_date.empty()) AddStatusLine(kReportError, "エラー", kLevelMinimum, bad_date);
  if (!ShowFolderSetting(hwnd_, fields, setFiles_)) return false;
  setting = SettingFromFields(fields);
  return true;
}

}  // namespace dm
