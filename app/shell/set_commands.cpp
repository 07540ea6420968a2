#include "app/shell/set_commands.h"

#include "engine/report.h"

namespace dm {

namespace {

// What a change of the set enables.
constexpr int kSaveCommands[] = {ToolButtonSave, SaveMenu, NewSaveMenu};

}  // namespace

bool SetCommands::Dispatch(int command) {
  const bool can_run = view_.IsEnabled(ToolButtonBackup);
  switch (command) {
    case ToolButtonNew:
    case NewMenu:
      New();
      return true;
    case ToolButtonOpen:
    case OpenMenu:
      Open(false);
      return true;
    case AddMenu:
      Open(true);
      return true;
    case ToolButtonSave:
    case SaveMenu:
      Save();
      return true;
    case NewSaveMenu:
      SaveAs();
      return true;
    case ToolButtonAdd:
    case FolderAddMenu:
    case PopupMenuAdd:
      if (!state_.running) Add();
      return true;
    case ToolButtonDel:
    case FolderDelMenu:
    case PopupMenuDel:
      if (!state_.running) Delete();
      return true;
    case ToolButtonEdit:
    case FolderEditMenu:
    case PopupMenuEdit:
      if (can_run && !state_.running) Edit();
      return true;
    case FolderCopyMenu:
    case PopupMenuCopy:
      if (can_run && !state_.running) Copy();
      return true;
    case ToolButtonUp:
    case PopupMenuUp:
      if (can_run) MoveUp();
      return true;
    case ToolButtonDown:
    case PopupMenuDown:
      if (can_run) MoveDown();
      return true;
    default:
      return false;
  }
}

// ---- The set as a whole ----

void SetCommands::New() {
  if (document_.RowCount() == 0) {
    // Nothing to throw away: only the name starts over. The save commands
    // stay as they are, so deletions of every row can still be saved.
    document_.SetFileName(kUntitledSetName);
    view_.SetTitle(Title(document_.FileName()));
    document_.MarkUnmodified();
    return;
  }
  if (!SaveIfAsked()) return;
  document_.Clear();
  document_.SetFileName(kUntitledSetName);
  document_.MarkUnmodified();
  view_.ShowRows(-1);
  view_.SetTitle(Title(document_.FileName()));
  view_.Enable(ToolButtonSave, false);
  view_.Enable(SaveMenu, false);
  EnableBackupByRowCount(false);
}

void SetCommands::Open(bool add) {
  if (!add && !SaveIfAsked()) return;
  if (std::optional<std::string> path = view_.ChooseSetToOpen()) LoadFile(*path, add);
  EnableBackupByRowCount(false);
}

bool SetCommands::LoadFile(const std::string& path, bool add) {
  // A refused file (serial number, version line) leaves the rows and the
  // name as they were: the name never points at a file whose settings are
  // not shown, so a later save cannot overwrite it with other settings.
  bool loaded = document_.Load(path, add, services_);
  if (state_.watching()) document_.StartAllWatchers(watchers_);
  view_.ShowRows(-1);
  if (!loaded) return false;
  view_.Enable(ToolButtonSave, false);
  view_.Enable(SaveMenu, false);
  view_.Enable(NewSaveMenu, true);
  view_.SetTitle(Title(document_.FileName()));
  view_.AddStatusLine(kReportSetOpened, "ファイルオープン", 0, path);
  return true;
}

void SetCommands::Save() {
  if (!view_.FileExists(document_.FileName())) {
    SaveAs();
    return;
  }
  SaveTo(document_.FileName());
}

bool SetCommands::SaveAs() {
  std::optional<std::string> path = view_.ChooseSetToSave(document_.FileName());
  if (!path) return false;
  return SaveTo(*path);
}

bool SetCommands::SaveTo(const std::string& path) {
  // A file that cannot be written was reported by the writer; the set then
  // stays modified and keeps its name.
  // A missing library is a passing fault of the installation, not the
  // user's decision: only this session saves without it.
  int crypt = cipherMissing_ ? 0 : state_.optionCryptEnabled;
  const int asked = crypt;
  bool saved = document_.Save(path, crypt, services_);
  if (asked == 1 && crypt == 0) cipherMissing_ = true;
  if (!saved) return false;
  view_.Enable(ToolButtonSave, false);
  view_.Enable(SaveMenu, false);
  view_.SetTitle(Title(document_.FileName()));
  view_.AddStatusLine(kReportSetSaved, "ファイルセーブ", 0, path);
  return true;
}

bool SetCommands::SaveIfAsked() {
  if (!document_.Modified()) return true;
  switch (view_.AskSave(SaveQuestion(document_.FileName()))) {
    case SaveAnswer::kCancel:
      return false;
    case SaveAnswer::kYes:
      Save();  // goes on even when its dialog was cancelled
      return true;
    case SaveAnswer::kNo:
      return true;
  }
  return true;
}

bool SetCommands::QueryClose() {
  if (!document_.Modified()) return true;
  if (state_.optionAutoSave == 0 && !state_.runAndExit) {
    switch (view_.AskSave(SaveQuestion(document_.FileName()))) {
      case SaveAnswer::kCancel:
        return false;
      case SaveAnswer::kNo:
        return true;
      case SaveAnswer::kYes:
        break;
    }
  }
  // Under the current name as it is, even the untitled one (then in the
  // current folder).
  SaveTo(document_.FileName());
  return true;
}

void SetCommands::SaveAtSessionEnd() {
  if (!document_.Modified()) return;
  if (state_.optionAutoSave == 0 && !state_.runAndExit) document_.SetFileName("dm_temp.dmk");
  SaveTo(document_.FileName());
}

void SetCommands::SaveIfModified() {
  if (document_.Modified()) SaveTo(document_.FileName());
}

// ---- Rows ----

void SetCommands::Add() {
  state_.running = true;
  BackupSetting setting = NewEditorSetting();
  ReadDefaultSetting(setting, services_);
  if (view_.EditSetting(setting, true)) {
    setting.checked = true;
    setting[kUpdate] = kNotProcessed;
    std::unique_ptr<RowWatcher> watcher = WatcherFor(setting[kSrc]);
    int row = document_.Append(std::move(setting), std::move(watcher));
    view_.ShowRows(row);
    view_.Enable(ToolButtonDel, true);
    view_.Enable(ToolButtonEdit, true);
    BecameModified();
  }
  EnableBackupByRowCount(true);
  state_.running = false;
}

void SetCommands::Delete() {
  state_.running = true;
  int row = view_.SelectedRow();
  if (row < 0 || row >= document_.RowCount()) {
    view_.Warn("削除する設定を選択してください");
  } else if (view_.Confirm(document_.Settings()[row].name + " を削除します。\n\nよろしいですか？")) {
    document_.Remove(row);
    view_.ShowRows(-1);
    view_.Enable(ToolButtonDel, false);
    view_.Enable(ToolButtonEdit, false);
    BecameModified();
  }
  EnableBackupByRowCount(true);
  state_.running = false;
}

void SetCommands::Edit() {
  state_.running = true;
  int row = view_.SelectedRow();
  if (row < 0 || row >= document_.RowCount()) {
    view_.Warn("編集する設定を選択してください");
    state_.running = false;
    return;
  }
  const BackupSetting before = document_.Settings()[row];
  BackupSetting setting = before;
  if (view_.EditSetting(setting, false)) {
    setting.checked = before.checked;
    setting[kUpdate] = kNotProcessed;
    // The editor shows a password known only enciphered as empty: left
    // empty, it stays as the file holds it; typed anew, the new one counts.
    for (int password : {kSrcPass, kDstPass}) {
      if (setting.values[password].empty()) setting.Sealed(password) = before.Sealed(password);
    }
    bool moved = setting[kSrc] != before[kSrc];
    document_.Replace(row, setting);
    // The watcher follows the source folder; an unchanged one keeps its count.
    if (moved) document_.SetWatcher(row, WatcherFor(setting[kSrc]));
    view_.ShowRows(row);
    BecameModified();
  }
  state_.running = false;
}

void SetCommands::Copy() {
  state_.running = true;
  int row = view_.SelectedRow();
  if (row < 0 || row >= document_.RowCount()) {
    view_.Warn("複製する設定を選択してください");
  } else {
    BackupSetting copy = document_.Settings()[row];
    copy[kUpdate] = kNotProcessed;
    std::unique_ptr<RowWatcher> watcher = WatcherFor(copy[kSrc]);
    int added = document_.Append(std::move(copy), std::move(watcher));
    view_.ShowRows(added);
    BecameModified();
  }
  state_.running = false;
}

void SetCommands::MoveUp() {
  int row = view_.SelectedRow();
  if (row < 0 || row >= document_.RowCount()) {
    view_.Warn("上へ移動する設定を選択してください");
    SelectionUpdate();
    return;
  }
  if (row > 0) {
    document_.Swap(row, row - 1);
    view_.ShowRows(row - 1);
  }
  SelectionUpdate();
  BecameModified();  // also when the row was first already
}

void SetCommands::MoveDown() {
  int row = view_.SelectedRow();
  if (row < 0 || row >= document_.RowCount()) {
    view_.Warn("下へ移動する設定を選択してください");
    return;
  }
  if (row < document_.RowCount() - 1) {
    document_.Swap(row, row + 1);
    view_.ShowRows(row + 1);
  }
  SelectionUpdate();
  BecameModified();
}

void SetCommands::SelectionUpdate() {
  int row = view_.SelectedRow();
  bool has = row >= 0 && row < document_.RowCount();
  for (int command : {ToolButtonDel, ToolButtonEdit, PopupMenuDel, PopupMenuEdit, FolderDelMenu, FolderEditMenu,
                      FolderCopyMenu, PopupMenuCopy}) {
    view_.Enable(command, has);
  }
  bool down = has && row < document_.RowCount() - 1;
  bool up = has && row > 0;
  view_.Enable(PopupMenuDown, down);
  view_.Enable(ToolButtonDown, down);
  view_.Enable(PopupMenuUp, up);
  view_.Enable(ToolButtonUp, up);
}

void SetCommands::ListClicked() {
  if (view_.IsEnabled(ToolButtonBackup)) SelectionUpdate();
}

void SetCommands::BecameModified() {
  document_.MarkModified();
  for (int command : kSaveCommands) view_.Enable(command, true);
}

void SetCommands::EnableBackupByRowCount(bool allRunCommands) {
  bool any = document_.RowCount() > 0;
  view_.Enable(ToolButtonBackup, any);
  view_.Enable(BackupMenu, any);
  if (allRunCommands) {
    view_.Enable(BackupShutdownMenu, any);
    view_.Enable(TestMenu, any);
  }
}

std::unique_ptr<RowWatcher> SetCommands::WatcherFor(const std::string& folder) {
  if (!state_.watching()) return nullptr;
  return watchers_.Watch(folder);
}

}  // namespace dm
