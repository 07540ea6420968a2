#include "app/shell/set_commands.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>

#include "backupset/tests/fake_set_file_services.h"
#include "base/sjis.h"

namespace dm {
namespace {

class FakeView : public SetView {
 public:
  std::map<int, bool> enabled;
  int selected = -1;
  int showRowsCalls = 0;
  std::string title;
  std::vector<std::string> statusLines;
  std::vector<std::string> warnings;
  std::vector<std::string> questions;
  std::deque<bool> confirmAnswers;
  std::deque<SaveAnswer> saveAnswers;
  std::optional<std::string> openPath;
  std::optional<std::string> savePath;
  std::set<std::string>* existing = nullptr;
  std::function<bool(BackupSetting&, bool)> editor;

  FakeView() {
    for (int id = kCommandFirst; id < kCommandLast; ++id) enabled[id] = true;
  }
  void Enable(int command, bool on) override { enabled[command] = on; }
  bool IsEnabled(int command) const override { return enabled.at(command); }
  void ShowRows(int row) override {
    selected = row;
    ++showRowsCalls;
  }
  int SelectedRow() const override { return selected; }
  void SetTitle(const std::string& text) override { title = text; }
  void AddStatusLine(int kind, const std::string& t, int, const std::string& text) override {
    statusLines.push_back(std::to_string(kind) + " " + t + " " + text);
  }
  void Warn(const std::string& text) override { warnings.push_back(text); }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    bool yes = confirmAnswers.empty() ? true : confirmAnswers.front();
    if (!confirmAnswers.empty()) confirmAnswers.pop_front();
    return yes;
  }
  SaveAnswer AskSave(const std::string& text) override {
    questions.push_back(text);
    SaveAnswer answer = saveAnswers.empty() ? SaveAnswer::kCancel : saveAnswers.front();
    if (!saveAnswers.empty()) saveAnswers.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseSetToOpen() override { return openPath; }
  std::optional<std::string> ChooseSetToSave(const std::string&) override { return savePath; }
  bool FileExists(const std::string& path) override { return existing && existing->count(path); }
  bool EditSetting(BackupSetting& setting, bool adding) override { return editor && editor(setting, adding); }

  bool On(std::initializer_list<int> ids) const {
    for (int id : ids) {
      if (!enabled.at(id)) return false;
    }
    return true;
  }
  bool Off(std::initializer_list<int> ids) const {
    for (int id : ids) {
      if (enabled.at(id)) return false;
    }
    return true;
  }
};

class FakeWatcher : public RowWatcher {
 public:
  FakeWatcher(std::string folder, int& live) : folder(std::move(folder)), live_(live) { ++live_; }
  ~FakeWatcher() override { --live_; }
  int ChangeCount() const override { return count; }
  int TakeChangeCount() override { return std::exchange(count, 0); }
  std::string folder;
  int count = 0;

 private:
  int& live_;
};

class FakeWatchers : public WatcherFactory {
 public:
  int live = 0;
  std::vector<std::string> started;
  std::unique_ptr<RowWatcher> Watch(const std::string& folder) override {
    started.push_back(folder);
    return std::make_unique<FakeWatcher>(folder, live);
  }
};

const std::string kSetA = "C:\\sets\\a.dmk";
const std::string kSetB = "C:\\sets\\b.dmk";

constexpr std::initializer_list<int> kAllBackup = {ToolButtonBackup, BackupMenu, BackupShutdownMenu, TestMenu};

class SetCommandsTest : public ::testing::Test {
 protected:
  SetCommandsTest() {
    view.existing = &existing;
    view.editor = [this](BackupSetting& s, bool adding) {
      editorCalls.push_back(adding);
      if (!nextEdit) return false;
      nextEdit(s);
      return true;
    };
  }

  // A setting added through the editor with these folders.
  void AddRow(const std::string& name, const std::string& src) {
    nextEdit = [=](BackupSetting& s) {
      s.name = name;
      s[kSrc] = src;
      s[kDst] = "D:\\backup";
    };
    commands.Add();
  }
  void WriteSet(const std::string& path, std::vector<std::string> names) {
    BackupSet set;
    for (const std::string& n : names) {
      BackupSetting s = NewEditorSetting();
      s.name = n;
      s[kSrc] = "C:\\" + n;
      set.settings.push_back(s);
    }
    int crypt = 1;
    ASSERT_TRUE(SaveBackupSet(set, path, crypt, fake.services));
    existing.insert(path);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const BackupSetting& s : document.Settings()) names.push_back(s.name);
    return names;
  }
  std::vector<std::string> NamesIn(const std::string& path) {
    BackupSet set;
    EXPECT_TRUE(LoadBackupSet(set, path, false, fake.services));
    std::vector<std::string> names;
    for (const BackupSetting& s : set.settings) names.push_back(s.name);
    return names;
  }

  FakeSetFileServices fake;
  FakeView view;
  FakeWatchers watchers;
  SetDocument document;
  std::set<std::string> existing;
  std::function<void(BackupSetting&)> nextEdit;
  std::vector<bool> editorCalls;
  int crypt = 1;
  int autoSave = 0;
  bool watching = false;
  bool runAndExit = false;
  bool running = false;
  SetCommands commands{document, view, fake.services, watchers,
                       SetCommandState{crypt, autoSave, [this] { return watching; }, runAndExit, running}};
};

TEST_F(SetCommandsTest, AddingAndDeletingTheLastRowThenNew) {
  view.Enable(ToolButtonSave, false);
  AddRow("一", "C:\\one");
  ASSERT_EQ(Names(), std::vector<std::string>{"一"});
  const BackupSetting& added = document.Settings()[0];
  EXPECT_TRUE(added.checked);
  EXPECT_EQ(added[kUpdate], "未処理");
  EXPECT_EQ(editorCalls, std::vector<bool>{true});
  EXPECT_EQ(view.selected, 0);
  EXPECT_TRUE(document.Modified());
  EXPECT_TRUE(view.On({ToolButtonSave, SaveMenu, NewSaveMenu, ToolButtonDel, ToolButtonEdit}));
  EXPECT_TRUE(view.On(kAllBackup));
  EXPECT_FALSE(running);

  // The editor starts from the user's defaults.
  BackupSetting defaults = NewEditorSetting();
  defaults.name = "既定";
  defaults[kFilter] = "*.tmp";
  ASSERT_TRUE(WriteDefaultSetting(defaults, fake.services));
  BackupSetting shown;
  nextEdit = nullptr;
  view.editor = [&](BackupSetting& s, bool) { return shown = s, false; };
  commands.Add();
  EXPECT_EQ(shown.name, "既定");
  EXPECT_EQ(shown[kFilter], "*.tmp");
  EXPECT_EQ(document.RowCount(), 1);  // cancelled

  view.selected = 0;
  view.confirmAnswers = {false};
  commands.Delete();
  EXPECT_EQ(document.RowCount(), 1);
  commands.Delete();
  EXPECT_EQ(view.questions.back(), "一 を削除します。\n\nよろしいですか？");
  EXPECT_EQ(document.RowCount(), 0);
  EXPECT_TRUE(view.Off(kAllBackup));
  EXPECT_TRUE(view.Off({ToolButtonDel, ToolButtonEdit}));
  EXPECT_TRUE(view.On({ToolButtonSave, SaveMenu, NewSaveMenu}));

  // New on the emptied list asks nothing and leaves the save commands.
  size_t questions = view.questions.size();
  document.SetFileName(kSetA);
  commands.New();
  EXPECT_EQ(view.questions.size(), questions);
  EXPECT_EQ(document.FileName(), "無題.dmk");
  EXPECT_EQ(view.title, "Drovenmark - 無題.dmk");
  EXPECT_FALSE(document.Modified());
  EXPECT_TRUE(view.On({ToolButtonSave, SaveMenu}));

  view.selected = -1;
  commands.Delete();
  EXPECT_EQ(view.warnings.back(), "削除する設定を選択してください");
}

TEST_F(SetCommandsTest, CopyMoveAndEditRows) {
  watching = true;
  AddRow("一", "C:\\one");
  AddRow("二", "C:\\two");
  EXPECT_EQ(watchers.live, 2);
  document.SetChecked(1, false);
  document.SetUpdateText(1, "2026/01/01 10:00");

  view.selected = 1;
  commands.Copy();
  EXPECT_EQ(Names(), (std::vector<std::string>{"一", "二", "二"}));
  EXPECT_EQ(view.selected, 2);
  EXPECT_FALSE(document.Settings()[2].checked);
  EXPECT_EQ(document.Settings()[2][kUpdate], "未処理");
  EXPECT_EQ(document.Settings()[2][kSrc], "C:\\two");
  EXPECT_EQ(watchers.live, 3);

  // The first row moved up stays first, yet the set counts as changed.
  document.MarkUnmodified();
  view.Enable(SaveMenu, false);
  view.selected = 0;
  commands.MoveUp();
  EXPECT_EQ(Names(), (std::vector<std::string>{"一", "二", "二"}));
  EXPECT_TRUE(document.Modified());
  EXPECT_TRUE(view.On({SaveMenu, ToolButtonDown, PopupMenuDown}));
  EXPECT_TRUE(view.Off({ToolButtonUp, PopupMenuUp}));

  commands.MoveDown();
  EXPECT_EQ(Names(), (std::vector<std::string>{"二", "一", "二"}));
  EXPECT_EQ(view.selected, 1);
  EXPECT_TRUE(view.On({ToolButtonUp, ToolButtonDown}));
  EXPECT_EQ(document.Settings()[1][kSrc], "C:\\one");

  // Edit: an unchanged source keeps its watcher, a new one replaces it.
  size_t started = watchers.started.size();
  nextEdit = [](BackupSetting& s) { s.name = "一改"; };
  commands.Edit();
  EXPECT_EQ(document.Settings()[1].name, "一改");
  EXPECT_EQ(watchers.started.size(), started);
  EXPECT_EQ(editorCalls.back(), false);
  nextEdit = [](BackupSetting& s) { s[kSrc] = "C:\\moved"; };
  commands.Edit();
  EXPECT_EQ(watchers.started.back(), "C:\\moved");
  EXPECT_EQ(watchers.live, 3);
  EXPECT_EQ(document.Settings()[1][kUpdate], "未処理");

  view.selected = -1;
  commands.Edit();
  commands.Copy();
  commands.MoveUp();
  commands.MoveDown();
  EXPECT_EQ(view.warnings, (std::vector<std::string>{"編集する設定を選択してください", "複製する設定を選択してください",
                                                     "上へ移動する設定を選択してください",
                                                     "下へ移動する設定を選択してください"}));
  EXPECT_FALSE(running);

  document.Remove(0);
  EXPECT_EQ(watchers.live, 2);
}

TEST_F(SetCommandsTest, GuardsOfTheRowCommands) {
  AddRow("一", "C:\\one");
  view.selected = 0;
  // During a run the backup button is off: edits, copies and moves wait.
  view.Enable(ToolButtonBackup, false);
  for (int id : {ToolButtonEdit, PopupMenuCopy, ToolButtonUp, PopupMenuDown}) EXPECT_TRUE(commands.Dispatch(id));
  EXPECT_EQ(document.RowCount(), 1);
  EXPECT_EQ(editorCalls.size(), 1u);
  view.Enable(ToolButtonBackup, true);
  running = true;
  commands.Dispatch(ToolButtonAdd);
  commands.Dispatch(FolderDelMenu);
  commands.Dispatch(FolderCopyMenu);
  EXPECT_EQ(document.RowCount(), 1);
  EXPECT_TRUE(view.questions.empty());
  EXPECT_FALSE(commands.Dispatch(BackupMenu));
}

TEST_F(SetCommandsTest, SaveQuestionAnswers) {
  WriteSet(kSetA, {"一"});
  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  AddRow("二", "C:\\two");

  view.saveAnswers = {SaveAnswer::kCancel};
  commands.New();
  EXPECT_EQ(view.questions.back(), "'C:\\sets\\a.dmk' への変更を保存しますか？");
  EXPECT_EQ(document.RowCount(), 2);
  EXPECT_EQ(document.FileName(), kSetA);

  view.saveAnswers = {SaveAnswer::kNo};
  commands.New();
  EXPECT_EQ(document.RowCount(), 0);
  EXPECT_EQ(NamesIn(kSetA), std::vector<std::string>{"一"});
  EXPECT_TRUE(view.Off({ToolButtonSave, SaveMenu, ToolButtonBackup, BackupMenu}));

  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  AddRow("二", "C:\\two");
  view.saveAnswers = {SaveAnswer::kYes};
  commands.New();
  EXPECT_EQ(NamesIn(kSetA), (std::vector<std::string>{"一", "二"}));
  EXPECT_EQ(document.FileName(), "無題.dmk");

  // Yes on an untitled set asks for a name; cancelling it still goes on.
  AddRow("三", "C:\\three");
  view.saveAnswers = {SaveAnswer::kYes};
  view.openPath = kSetA;
  commands.Open(false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"一", "二"}));
  EXPECT_FALSE(fake.storage.files.count("無題.dmk"));

  // Closing: Cancel keeps the window, No closes unsaved, Yes saves.
  AddRow("四", "C:\\four");
  view.saveAnswers = {SaveAnswer::kCancel, SaveAnswer::kNo, SaveAnswer::kYes};
  EXPECT_FALSE(commands.QueryClose());
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(NamesIn(kSetA).size(), 2u);
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(NamesIn(kSetA).size(), 3u);
  EXPECT_FALSE(document.Modified());
}

TEST_F(SetCommandsTest, OpenInAdditionThenSave) {
  WriteSet(kSetA, {"一", "二"});
  WriteSet(kSetB, {"三"});
  view.openPath = kSetA;
  commands.Dispatch(OpenMenu);
  view.openPath = kSetB;
  commands.Dispatch(AddMenu);
  EXPECT_EQ(Names(), (std::vector<std::string>{"一", "二", "三"}));
  EXPECT_EQ(document.FileName(), kSetB);
  EXPECT_EQ(view.title, "Drovenmark - C:\\sets\\b.dmk");
  EXPECT_FALSE(document.Modified());
  EXPECT_TRUE(view.Off({ToolButtonSave, SaveMenu}));
  EXPECT_TRUE(view.On({NewSaveMenu, ToolButtonBackup, BackupMenu}));
  EXPECT_EQ(view.statusLines.back(), "11 ファイルオープン C:\\sets\\b.dmk");

  commands.Dispatch(SaveMenu);
  EXPECT_EQ(NamesIn(kSetB), (std::vector<std::string>{"一", "二", "三"}));
  EXPECT_EQ(view.statusLines.back(), "12 ファイルセーブ C:\\sets\\b.dmk");

  // Save as writes under the chosen name, which becomes the set's.
  view.savePath = "C:\\sets\\c.dmk";
  commands.Dispatch(NewSaveMenu);
  EXPECT_EQ(NamesIn("C:\\sets\\c.dmk").size(), 3u);
  EXPECT_EQ(document.FileName(), "C:\\sets\\c.dmk");
}

TEST_F(SetCommandsTest, RefusedFileKeepsTheNameAndTheRows) {
  watching = true;
  WriteSet(kSetA, {"一"});
  fake.storage.files[kSetB] = "##drovenmark2##\r\n\r\n[x]\r\n";
  existing.insert(kSetB);
  view.openPath = kSetA;
  commands.Open(false);
  AddRow("二", "C:\\two");
  view.openPath = kSetB;
  view.saveAnswers = {SaveAnswer::kNo};
  commands.Open(false);
  EXPECT_EQ(fake.messages.shown.size(), 1u);
  EXPECT_EQ(document.FileName(), kSetA);
  EXPECT_EQ(view.title, "Drovenmark - C:\\sets\\a.dmk");
  EXPECT_EQ(Names(), (std::vector<std::string>{"一", "二"}));
  EXPECT_TRUE(document.Modified());
  EXPECT_EQ(watchers.live, 2);  // watching again after the refusal

  // So a save after the refusal cannot overwrite the refused file.
  commands.Dispatch(ToolButtonSave);
  EXPECT_EQ(NamesIn(kSetA), (std::vector<std::string>{"一", "二"}));
  EXPECT_EQ(fake.storage.files[kSetB], "##drovenmark2##\r\n\r\n[x]\r\n");

  commands.Dispatch(AddMenu);
  EXPECT_EQ(document.FileName(), kSetA);
  EXPECT_EQ(document.RowCount(), 2);
}

TEST_F(SetCommandsTest, CheckMarksAreNotChangesOfTheFile) {
  autoSave = 1;
  WriteSet(kSetA, {"一"});
  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  std::string before = fake.storage.files[kSetA];
  commands.SetChecked(0, false);
  EXPECT_FALSE(document.Modified());
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(fake.storage.files[kSetA], before);
  EXPECT_TRUE(view.questions.empty());

  // A real change is saved on closing without a question, tick included.
  view.selected = 0;
  commands.Copy();
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_TRUE(view.questions.empty());
  BackupSet saved;
  ASSERT_TRUE(LoadBackupSet(saved, kSetA, false, fake.services));
  ASSERT_EQ(saved.settings.size(), 2u);
  EXPECT_FALSE(saved.settings[0].checked);

  // Windows ending the log-on with auto-save off: a temporary file.
  autoSave = 0;
  commands.Copy();
  commands.SaveAtSessionEnd();
  EXPECT_EQ(document.FileName(), "dm_temp.dmk");
  EXPECT_TRUE(fake.storage.files.count("dm_temp.dmk"));
  EXPECT_EQ(NamesIn(kSetA).size(), 2u);
}

}  // namespace
}  // namespace dm
