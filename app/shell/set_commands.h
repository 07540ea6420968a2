// The commands that change the backup set as a whole (new, open, open in
// addition, save, save as, the save question) and those that change its
// rows (add, delete, edit, copy, move up and down), with the modified flag,
// the title and which commands are enabled. The window that shows the set
// implements SetView; tests drive the commands through a fake one.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/shell/set_document.h"
#include "app/win/commands.h"
#include "backupset/set_file_services.h"

namespace dm {

enum class SaveAnswer { kYes, kNo, kCancel };

class SetView {
 public:
  virtual ~SetView() = default;
  virtual void Enable(int command, bool enabled) = 0;
  virtual bool IsEnabled(int command) const = 0;
  // The document's rows changed: show them again, with `selected` selected
  // (-1: none).
  virtual void ShowRows(int selected) = 0;
  virtual int SelectedRow() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void AddStatusLine(int kind, const std::string& title, int level, const std::string& text) = 0;
  // A warning box without owner.
  virtual void Warn(const std::string& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // The save question with Yes, No and Cancel.
  virtual SaveAnswer AskSave(const std::string& text) = 0;
  // The open and save dialogs; nothing when cancelled.
  virtual std::optional<std::string> ChooseSetToOpen() = 0;
  virtual std::optional<std::string> ChooseSetToSave(const std::string& current) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // The setting editor, modal, on `setting`; true on OK with its values.
  virtual bool EditSetting(BackupSetting& setting, bool adding) = 0;
};

// The options and the window's state the commands read, held by the window.
struct SetCommandState {
  const int& optionCryptEnabled;    // the user's choice; a missing library never changes it
  const int& optionAutoSave;
  std::function<bool()> watching;   // automatic backup and file watching both on
  const bool& runAndExit;           // the command line asked to run and end
  bool& running;                    // a run, or a row command's dialog, is under way
};

class SetCommands {
 public:
  SetCommands(SetDocument& document, SetView& view, SetFileServices& services, WatcherFactory& watchers,
              SetCommandState state)
      : document_(document), view_(view), services_(services), watchers_(watchers), state_(state) {}

  // Runs the command of a control; false when `command` is none of the
  // set's commands. Each command's guard is checked here.
  bool Dispatch(int command);

  void New();
  void Open(bool add);
  // Loads `path` as Open does after its dialog (also at start-up).
  bool LoadFile(const std::string& path, bool add);
  void Save();
  // False when cancelled or not saved.
  bool SaveAs();
  void Add();
  void Delete();
  void Edit();
  void Copy();
  void MoveUp();
  void MoveDown();
  // Enables the row commands by the selected row.
  void SelectionUpdate();
  // A click on the list or opening its menu: only while backups can start.
  void ListClicked();
  // A tick in the list: not a change of the file.
  void SetChecked(int row, bool checked) { document_.SetChecked(row, checked); }

  // The window asks to close (a run already aborted): false keeps it open.
  bool QueryClose();
  // Windows ends the log-on: a modified set is saved without asking, under
  // "dm_temp.dmk" unless it would have been saved anyway.
  void SaveAtSessionEnd();
  // Saves under the current name when modified (end of a command-line run).
  void SaveIfModified();

  static std::string Title(const std::string& fileName) { return "Drovenmark - " + fileName; }
  static std::string SaveQuestion(const std::string& fileName) {
    return "'" + fileName + "' への変更を保存しますか？";
  }

 private:
  bool SaveTo(const std::string& path);
  // Save, Cancel or go on after the save question; false: stop.
  bool SaveIfAsked();
  void BecameModified();
  void EnableBackupByRowCount(bool allRunCommands);
  std::unique_ptr<RowWatcher> WatcherFor(const std::string& folder);

  SetDocument& document_;
  SetView& view_;
  SetFileServices& services_;
  WatcherFactory& watchers_;
  SetCommandState state_;
  // A save found the cipher library missing: the later saves of this
  // session go without it, and the stored option stays as the user set it.
  bool cipherMissing_ = false;
};

}  // namespace dm
