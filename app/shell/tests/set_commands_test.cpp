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
  std::map<int, bool> on;  // commands not in the map count as enabled
  int selected = -1;
  std::string title;
  std::vector<std::string> lines, warnings, questions;
  bool confirm = true;
  std::deque<SaveAnswer> answers;
  std::optional<std::string> openPath, savePath;
  std::set<std::string> existing;
  std::function<bool(BackupSetting&)> editor;  // nothing: the editor is cancelled

  void Enable(int command, bool enabled) override { on[command] = enabled; }
  bool IsEnabled(int command) const override { return !on.count(command) || on.at(command); }
  void ShowRows(int row) override { selected = row; }
  int SelectedRow() const override { return selected; }
  void SetTitle(const std::string& text) override { title = text; }
  void AddStatusLine(int kind, const std::string& t, int, const std::string& text) override {
    lines.push_back(std::to_string(kind) + " " + t + " " + text);
  }
  void Warn(const std::string& text) override { warnings.push_back(text); }
  bool Confirm(const std::string& text) override { return questions.push_back(text), confirm; }
  SaveAnswer AskSave(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return ADD_FAILURE() << "unexpected: " << text, SaveAnswer::kCancel;
    SaveAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseSetToOpen() override { return openPath; }
  std::optional<std::string> ChooseSetToSave(const std::string&) override { return savePath; }
  bool FileExists(const std::string& path) override { return existing.count(path) > 0; }
  bool EditSetting(BackupSetting& setting, bool) override { return editor && editor(setting); }

  // "1" for each enabled command of `ids`, "0" for each disabled one.
  std::string States(std::initializer_list<int> ids) const {
    std::string states;
    for (int id : ids) states += IsEnabled(id) ? '1' : '0';
    return states;
  }
};

class FakeWatchers : public WatcherFactory {
 public:
  struct Watcher : RowWatcher {
    explicit Watcher(int& live) : live(live) { ++live; }
    ~Watcher() override { --live; }
    int ChangeCount() const override { return 0; }
    int TakeChangeCount() override { return 0; }
    int& live;
  };
  int live = 0;
  std::vector<std::string> started;
  std::unique_ptr<RowWatcher> Watch(const std::string& folder) override {
    started.push_back(folder);
    return std::make_unique<Watcher>(live);
  }
};

const std::string kSetA = "C:\\sets\\a.dmk";
const std::string kSetB = "C:\\sets\\b.dmk";
constexpr std::initializer_list<int> kSave = {ToolButtonSave, SaveMenu, NewSaveMenu};
constexpr std::initializer_list<int> kRun = {ToolButtonBackup, BackupMenu, BackupShutdownMenu, TestMenu};

class SetCommandsTest : public ::testing::Test {
 protected:
  void AddRow(const std::string& name) {
    view.editor = [name](BackupSetting& s) {
      s.name = name;
      s[kSrc] = "C:\\" + name;
      s[kDst] = "D:\\";
      return true;
    };
    commands.Add();
  }
  void WriteSet(const std::string& path, std::vector<std::string> names) {
    BackupSet set;
    for (const std::string& name : names) {
      set.settings.push_back(NewEditorSetting());
      set.settings.back().name = name;
    }
    ASSERT_TRUE(SaveBackupSet(set, path, crypt, fake.services));
    view.existing.insert(path);
  }
  static std::vector<std::string> NamesOf(const std::vector<BackupSetting>& settings) {
    std::vector<std::string> names;
    for (const BackupSetting& s : settings) names.push_back(s.name);
    return names;
  }
  std::vector<std::string> Names() const { return NamesOf(document.Settings()); }
  std::vector<std::string> NamesIn(const std::string& path) {
    BackupSet set;
    EXPECT_TRUE(LoadBackupSet(set, path, false, fake.services));
    return NamesOf(set.settings);
  }
  using Names_ = std::vector<std::string>;

  FakeSetFileServices fake;
  FakeView view;
  FakeWatchers watchers;
  SetDocument document;
  int crypt = 1;
  int autoSave = 0;
  bool watching = false;
  bool runAndExit = false;
  bool running = false;
  SetCommands commands{document, view, fake.services, watchers,
                       SetCommandState{crypt, autoSave, [this] { return watching; }, runAndExit, running}};
};

TEST_F(SetCommandsTest, AddDeleteTheLastRowThenNew) {
  BackupSetting mine = NewEditorSetting();
  mine.name = "既定";
  ASSERT_TRUE(WriteDefaultSetting(mine, fake.services));
  std::string shown;
  view.editor = [&](BackupSetting& s) { return shown = s.name, false; };
  commands.Add();
  EXPECT_EQ(shown, "既定");  // the editor starts from default.dat
  EXPECT_EQ(document.RowCount(), 0);

  view.on[ToolButtonSave] = false;
  AddRow("一");
  EXPECT_TRUE(document.Settings()[0].checked);
  EXPECT_EQ(document.Settings()[0][kUpdate], "未処理");
  EXPECT_EQ(view.selected, 0);
  EXPECT_TRUE(document.Modified());
  EXPECT_EQ(view.States(kSave) + view.States(kRun), "1111111");
  EXPECT_FALSE(running);

  view.confirm = false;
  commands.Delete();
  EXPECT_EQ(document.RowCount(), 1);
  view.confirm = true;
  commands.Delete();
  EXPECT_EQ(view.questions.back(), "一 を削除します。\n\nよろしいですか？");
  EXPECT_EQ(document.RowCount(), 0);
  EXPECT_EQ(view.States(kRun) + view.States({ToolButtonDel, ToolButtonEdit}) + view.States(kSave), "000000111");

  // New on the emptied list asks nothing and leaves the save commands.
  document.SetFileName(kSetA);
  commands.New();
  EXPECT_EQ(view.questions.size(), 2u);
  EXPECT_EQ(view.title, "Drovenmark - 無題.dmk");
  EXPECT_FALSE(document.Modified());
  EXPECT_EQ(view.States(kSave), "111");

  commands.Delete();
  EXPECT_EQ(view.warnings, Names_{"削除する設定を選択してください"});
}

TEST_F(SetCommandsTest, CopyMoveAndEditRows) {
  watching = true;
  AddRow("一");
  AddRow("二");
  document.SetChecked(1, false);
  document.SetUpdateText(1, "2026/01/01 10:00");
  view.selected = 1;
  commands.Copy();
  EXPECT_EQ(Names(), (Names_{"一", "二", "二"}));
  EXPECT_EQ(view.selected, 2);
  EXPECT_FALSE(document.Settings()[2].checked);
  EXPECT_EQ(document.Settings()[2][kUpdate], "未処理");
  EXPECT_EQ(watchers.live, 3);

  // The first row moved up stays first, yet the set counts as changed.
  document.MarkUnmodified();
  view.on[SaveMenu] = false;
  view.selected = 0;
  commands.MoveUp();
  EXPECT_EQ(Names(), (Names_{"一", "二", "二"}));
  EXPECT_TRUE(document.Modified());
  EXPECT_EQ(view.States({SaveMenu, ToolButtonUp, PopupMenuUp, ToolButtonDown, PopupMenuDown}), "10011");
  commands.MoveDown();
  EXPECT_EQ(Names(), (Names_{"二", "一", "二"}));
  EXPECT_EQ(document.Settings()[1][kSrc], "C:\\一");  // the values move with the name
  EXPECT_EQ(view.States({ToolButtonUp, ToolButtonDown}), "11");

  // An unchanged source keeps its watcher; a new one replaces it.
  size_t started = watchers.started.size();
  view.editor = [](BackupSetting& s) { return s.name = "一改", true; };
  commands.Edit();
  EXPECT_EQ(document.Settings()[1].name, "一改");
  EXPECT_EQ(watchers.started.size(), started);
  view.editor = [](BackupSetting& s) { return s[kSrc] = "C:\\moved", true; };
  commands.Edit();
  EXPECT_EQ(watchers.started.back(), "C:\\moved");
  EXPECT_EQ(watchers.live, 3);

  view.selected = -1;
  for (int id : {ToolButtonEdit, PopupMenuCopy, ToolButtonUp, PopupMenuDown}) commands.Dispatch(id);
  EXPECT_EQ(view.warnings, (Names_{"編集する設定を選択してください", "複製する設定を選択してください",
                                   "上へ移動する設定を選択してください", "下へ移動する設定を選択してください"}));
  // During a run the backup button is off and the running flag set.
  view.selected = 0;
  view.on[ToolButtonBackup] = false;
  running = true;
  for (int id : {ToolButtonAdd, FolderDelMenu, ToolButtonEdit, PopupMenuCopy, ToolButtonUp, PopupMenuDown}) {
    commands.Dispatch(id);
  }
  EXPECT_EQ(Names(), (Names_{"二", "一改", "二"}));
  EXPECT_EQ(view.questions.size(), 0u);
}

TEST_F(SetCommandsTest, SaveQuestionAnswers) {
  WriteSet(kSetA, {"一"});
  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  AddRow("二");
  view.answers = {SaveAnswer::kCancel, SaveAnswer::kNo};
  commands.New();
  EXPECT_EQ(view.questions.back(), "'C:\\sets\\a.dmk' への変更を保存しますか？");
  EXPECT_EQ(document.RowCount(), 2);
  commands.New();
  EXPECT_EQ(document.RowCount(), 0);
  EXPECT_EQ(NamesIn(kSetA), Names_{"一"});
  EXPECT_EQ(view.States({ToolButtonSave, SaveMenu, ToolButtonBackup, BackupMenu}), "0000");

  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  AddRow("二");
  view.answers = {SaveAnswer::kYes};
  commands.New();
  EXPECT_EQ(NamesIn(kSetA), (Names_{"一", "二"}));

  // Yes for an untitled set asks for a name; cancelling that goes on too.
  AddRow("三");
  view.answers = {SaveAnswer::kYes};
  view.openPath = kSetA;
  commands.Open(false);
  EXPECT_EQ(Names(), (Names_{"一", "二"}));
  EXPECT_EQ(fake.storage.files.size(), 1u);

  // Closing: Cancel keeps the window open, No closes unsaved, Yes saves.
  AddRow("四");
  view.answers = {SaveAnswer::kCancel, SaveAnswer::kNo, SaveAnswer::kYes};
  EXPECT_FALSE(commands.QueryClose());
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(NamesIn(kSetA).size(), 2u);
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(NamesIn(kSetA).size(), 3u);
}

TEST_F(SetCommandsTest, OpenInAdditionThenSave) {
  WriteSet(kSetA, {"一", "二"});
  WriteSet(kSetB, {"三"});
  view.openPath = kSetA;
  commands.Dispatch(OpenMenu);
  view.openPath = kSetB;
  commands.Dispatch(AddMenu);
  EXPECT_EQ(Names(), (Names_{"一", "二", "三"}));
  EXPECT_EQ(view.title, "Drovenmark - C:\\sets\\b.dmk");
  EXPECT_FALSE(document.Modified());
  EXPECT_EQ(view.States(kSave) + view.States({ToolButtonBackup, BackupMenu}), "00111");
  EXPECT_EQ(view.lines.back(), "11 ファイルオープン C:\\sets\\b.dmk");

  commands.Dispatch(SaveMenu);  // the merged list goes into the added file
  EXPECT_EQ(NamesIn(kSetB), (Names_{"一", "二", "三"}));
  EXPECT_EQ(view.lines.back(), "12 ファイルセーブ C:\\sets\\b.dmk");
  view.savePath = "C:\\sets\\c.dmk";
  commands.Dispatch(NewSaveMenu);
  EXPECT_EQ(NamesIn(*view.savePath).size(), 3u);
  EXPECT_EQ(document.FileName(), *view.savePath);
}

TEST_F(SetCommandsTest, RefusedFileKeepsTheNameAndTheRows) {
  watching = true;
  WriteSet(kSetA, {"一"});
  const std::string refused = "##drovenmark2##\r\n\r\n[x]\r\n";
  fake.storage.files[kSetB] = refused;
  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  AddRow("二");
  view.openPath = kSetB;
  view.answers = {SaveAnswer::kNo};
  commands.Open(false);
  commands.Dispatch(AddMenu);
  EXPECT_EQ(fake.messages.shown.size(), 2u);
  EXPECT_EQ(document.FileName(), kSetA);
  EXPECT_EQ(Names(), (Names_{"一", "二"}));
  EXPECT_TRUE(document.Modified());
  EXPECT_EQ(watchers.live, 2);  // watching again after the refusal

  // A save after the refusal cannot overwrite the refused file.
  commands.Dispatch(ToolButtonSave);
  EXPECT_EQ(NamesIn(kSetA), (Names_{"一", "二"}));
  EXPECT_EQ(fake.storage.files[kSetB], refused);
}

TEST_F(SetCommandsTest, TicksAreNotChangesOfTheFile) {
  autoSave = 1;
  WriteSet(kSetA, {"一"});
  ASSERT_TRUE(commands.LoadFile(kSetA, false));
  const std::string before = fake.storage.files[kSetA];
  commands.SetChecked(0, false);
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_EQ(fake.storage.files[kSetA], before);

  // A real change is saved on closing without a question, tick included.
  view.selected = 0;
  commands.Copy();
  EXPECT_TRUE(commands.QueryClose());
  EXPECT_TRUE(view.questions.empty());
  BackupSet saved;
  ASSERT_TRUE(LoadBackupSet(saved, kSetA, false, fake.services));
  EXPECT_FALSE(saved.settings.at(0).checked);

  // Windows ending the log-on with automatic saving off: a temporary file.
  autoSave = 0;
  commands.Copy();
  commands.SaveAtSessionEnd();
  EXPECT_EQ(document.FileName(), "dm_temp.dmk");
  EXPECT_EQ(NamesIn("dm_temp.dmk").size(), 3u);
}

// CRYPT.DLL missing for one session: the set's enciphered passwords are
// not lost by any save, and the option stays as the user set it.
TEST_F(SetCommandsTest, AMissingCipherLibraryLosesNoPasswordAndLeavesTheOptionAlone) {
  BackupSet set;
  set.settings = {NewEditorSetting()};
  set.settings[0].name = "一";
  set.settings[0][kSrcPass] = "秘密";
  ASSERT_TRUE(SaveBackupSet(set, kSetA, crypt, fake.services));
  view.existing.insert(kSetA);
  const std::string before = fake.storage.files[kSetA];
  fake.cipher.present = false;
  runAndExit = true;
  ASSERT_TRUE(commands.LoadFile(kSetA, false));

  // A run writes its time into the row; its end, closing and Save all leave
  // the file alone, and the set stays modified.
  document.SetUpdateText(0, "2026/12/09 3:00:00");
  document.MarkModified();
  commands.SaveIfModified();
  EXPECT_TRUE(commands.QueryClose());
  commands.Dispatch(SaveMenu);
  EXPECT_EQ(fake.storage.files[kSetA], before);
  EXPECT_TRUE(document.Modified());
  EXPECT_EQ(fake.messages.shown.size(), 4u);  // the load's, then one per save
  EXPECT_EQ(fake.messages.shown.back().text,
            "復号化できなかったログインパスワードがあるため、ファイルを保存しません\n\nC:\\sets\\a.dmk"
            "\n\nCRYPT.DLLを元に戻すか、パスワードを入力し直してください");
  EXPECT_EQ(view.lines.back(), "11 ファイルオープン C:\\sets\\a.dmk");

  // An edit that leaves the shown (empty) password alone keeps it.
  view.selected = 0;
  view.editor = [](BackupSetting& s) {
    s.sealed = {};  // the editor's fields have no place for it
    s.name = "改";
    return true;
  };
  commands.Edit();
  commands.Dispatch(SaveMenu);
  EXPECT_EQ(fake.storage.files[kSetA], before);

  // A password typed anew goes in plain, as any password does without the
  // library; the option is untouched and the next session enciphers again.
  view.editor = [](BackupSetting& s) {
    s.sealed = {};
    s[kSrcPass] = "新しい";
    return true;
  };
  commands.Edit();
  commands.Dispatch(SaveMenu);
  EXPECT_NE(fake.storage.files[kSetA].find(Utf8ToSjis("\r\nSrcPass=新しい\r\n")), std::string::npos);
  EXPECT_EQ(crypt, 1);
  fake.cipher.present = true;
  commands.Edit();
  commands.Dispatch(SaveMenu);
  EXPECT_NE(fake.storage.files[kSetA].find(Utf8ToSjis("新しい")), std::string::npos);  // this session stays without
  SetCommands next{document, view, fake.services, watchers,
                   SetCommandState{crypt, autoSave, [this] { return watching; }, runAndExit, running}};
  document.MarkModified();
  next.SaveIfModified();
  EXPECT_TRUE(fake.storage.files[kSetA].rfind("##Drovenmark2##", 0) == 0);
  BackupSet saved;
  ASSERT_TRUE(LoadBackupSet(saved, kSetA, false, fake.services));
  EXPECT_EQ(saved.settings.at(0)[kSrcPass], "新しい");
}

}  // namespace
}  // namespace dm
