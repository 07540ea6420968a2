// The options dialog, the start-up shortcut and the administrator lock in
// the running program, driven from outside as a user would.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/option_dialog_ids.h"
#include "app/win/string_input_form.h"
#include "app/win/tests/window_driver.h"
#include "base/win/com.h"

namespace dm {
namespace {

using namespace drive;

std::string StartupLinkPath() {
  wchar_t folder[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
  return WideToUtf8(folder) + "\\Drovenmark.lnk";
}

bool Exists(const std::string& path) { return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// A shortcut as the shell reads it back.
struct Link {
  std::string target, arguments, folder;
};
std::optional<Link> ReadLink(const std::string& path) {
  ComApartment com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Put()))) {
    return std::nullopt;
  }
  ComPtr<IPersistFile> file = link.As<IPersistFile>(IID_IPersistFile);
  if (!file || FAILED(file->Load(Utf8ToWide(path).c_str(), STGM_READ))) return std::nullopt;
  wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, folder[MAX_PATH] = {};
  link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link->GetArguments(arguments, MAX_PATH);
  link->GetWorkingDirectory(folder, MAX_PATH);
  return Link{WideToUtf8(target), WideToUtf8(arguments), WideToUtf8(folder)};
}

bool HasPrompt(HWND dialog) { return GetDlgItem(dialog, EditInput) != nullptr; }

class OptionsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    before_ = ReadOptions();
    DeleteFileW(Utf8ToWide(StartupLinkPath()).c_str());
  }
  // Other tests of the program rely on the options they find.
  void TearDown() override {
    SetOptions([this](AppOptions& o) { o = before_; });
    DeleteFileW(Utf8ToWide(StartupLinkPath()).c_str());
    ProgramTest::TearDown();
  }

  HWND OpenOptions(const Program& program, HWND main, int command = ToolButtonOption) {
    PostMessageW(main, WM_COMMAND, command, 0);
    return FindDialog(program.Id(), L"オプション");
  }
  void Close(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, button, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 10000));
  }
  int StatusLinesWith(HWND main, const Program& program, const std::string& part) {
    int count = 0;
    for (const std::string& text : ListTexts(FindChild(main, L"ListView2"), program.Id(), 1)) {
      if (text.find(part) != std::string::npos) ++count;
    }
    return count;
  }

  AppOptions before_;
};

TEST_F(OptionsTest, DialogShowsTheOptionsAndOkTakesThemOver) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int not_today = (now.wDayOfWeek + 3) % 7;  // the weekly schedule never comes due meanwhile
  SetOptions([&](AppOptions& o) {
    o.optionLogView = 3;  // the watchers' lines
    o.optionAutoUpdate = o.optionFileWatch = 1;
    o.optionAutoUpdateSchedule = 3, o.optionAutoUpdateDay = not_today, o.optionAutoUpdateHour = 13;
    o.optionAutoUpdateTime = "30";
    o.optionStatusView = o.optionPassword = o.updateProxyEnabled = 0;
    o.optionLogViewMax = 100;
    o.lastBackup = 40000.5;
    o.optionAutoUpdateCatchUp = 0;  // last week's time is not made up for meanwhile
  });
  std::string set = MakeSet("watched.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  HWND main = AttachMainWindow(program).main;
  ASSERT_TRUE(main);
  const char kStarted[] = "内の監視を開始します";
  const char kStopped[] = "内の監視を終了します";
  ASSERT_TRUE(WaitFor([&] { return StatusLinesWith(main, program, kStarted) == 1; }, 10000));

  // The dialog shows the options, and the schedule row follows the kind.
  HWND dialog = OpenOptions(program, main);
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(Checked(dialog, CheckBoxAutoUpdate));
  EXPECT_EQ(ListSelection(dialog, ComboBoxAutoUpdate), 3);
  EXPECT_EQ(ListItems(dialog, ComboBoxAutoUpdateDay),
            (std::vector<std::string>{"日", "月", "火", "水", "木", "金", "土"}));
  EXPECT_EQ(ListSelection(dialog, ComboBoxAutoUpdateDay), not_today);
  EXPECT_EQ(ListSelection(dialog, ComboBoxAutoUpdateHour), 13);
  EXPECT_EQ(ControlText(dialog, LabelAutoUpdateDay), "曜日");
  EXPECT_EQ(ControlText(dialog, EditAutoUpdateTime), "30");
  EXPECT_FALSE(Checked(dialog, CheckBoxCatchUp));
  EXPECT_TRUE(Enabled(dialog, CheckBoxCatchUp));
  EXPECT_EQ(ControlText(dialog, EditLogViewMax), "100");
  EXPECT_EQ(ListItems(dialog, ComboBoxLogView), (std::vector<std::string>{"しない", "最小限", "標準", "詳細"}));
  EXPECT_EQ(ListSelection(dialog, ComboBoxLogView), 3);
  EXPECT_FALSE(Checked(dialog, CheckBoxStartup));
  EXPECT_FALSE(Enabled(dialog, CheckBoxStartupMin));
  EXPECT_FALSE(Enabled(dialog, EditProxyServer));
  EXPECT_FALSE(Enabled(dialog, EditPassword));
  EXPECT_FALSE(Shown(dialog, CheckBoxEasyLogView));
  ChooseListItem(dialog, ComboBoxAutoUpdate, 4);  // 毎月: the days of the month, "1" chosen
  EXPECT_EQ(ListItems(dialog, ComboBoxAutoUpdateDay).size(), 31u);
  EXPECT_EQ(ListSelection(dialog, ComboBoxAutoUpdateDay), 0);
  EXPECT_EQ(ControlText(dialog, LabelAutoUpdateDay), "日");
  ChooseListItem(dialog, ComboBoxAutoUpdate, 1);  // 毎時: minutes only
  EXPECT_FALSE(Shown(dialog, ComboBoxAutoUpdateDay));
  EXPECT_FALSE(Shown(dialog, ComboBoxAutoUpdateHour));
  EXPECT_EQ(ControlText(dialog, LabelAutoUpdateMin), "分");
  EXPECT_FALSE(Enabled(dialog, CheckBoxCatchUp));  // an hourly schedule names no time to make up for
  Click(dialog, CheckBoxAutoUpdate, false);
  EXPECT_FALSE(Enabled(dialog, CheckBoxFileWatch));
  EXPECT_FALSE(Enabled(dialog, EditAutoUpdateTime));
  Click(dialog, CheckBoxStartup, true);

  // The tray menu's command while the dialog is open opens no second one.
  PostMessageW(main, WM_COMMAND, TaskMenuOption, 0);
  Sleep(500);
  EXPECT_EQ(CountWindows(program.Id(), [](HWND w) { return WindowTextOf(w) == "オプション"; }), 1);

  // Cancel keeps everything, the shortcut too.
  Close(dialog, IDCANCEL);
  EXPECT_FALSE(Exists(StartupLinkPath()));
  dialog = OpenOptions(program, main, OptionMenu);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(ListSelection(dialog, ComboBoxAutoUpdate), 3);
  EXPECT_TRUE(Checked(dialog, CheckBoxAutoUpdate));

  // A line limit that is not a number: the dialog stays on it and nothing
  // is taken over.
  SetControlText(dialog, EditAutoUpdateTime, "");
  SetControlText(dialog, EditLogViewMax, "abc");
  Click(dialog, CheckBoxStatusView, true);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK),
            "画面表示の上限行数に 'abc' は指定できません。\n0 以上の整数を入力してください。");
  ASSERT_TRUE(IsWindow(dialog));
  EXPECT_EQ(SendMessageW(GetDlgItem(dialog, PageControl1), TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, EditLogViewMax));
  EXPECT_EQ(SendMessageW(GetDlgItem(dialog, EditLogViewMax), EM_GETSEL, 0, 0), MAKELRESULT(0, 3));
  HWND status_bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
  EXPECT_FALSE(IsWindowVisible(status_bar));

  // Mended: taken over. Watching did not change, so the watchers go on.
  SetControlText(dialog, EditLogViewMax, "250");
  Click(dialog, CheckBoxStartup, true);
  Click(dialog, CheckBoxStartupMin, true);
  Click(dialog, CheckBoxPassword, true);
  EXPECT_TRUE(Enabled(dialog, EditPassword));
  SetControlText(dialog, EditPassword, "秘密");
  Click(dialog, CheckBoxProxyEnabled, true);
  EXPECT_TRUE(Enabled(dialog, EditProxyPort));
  SetControlText(dialog, EditProxyServer, "proxy.example");
  Click(dialog, RadioUpdateInstall, false);
  Click(dialog, RadioUpdateSaveOnly, true);
  Click(dialog, CheckBoxCatchUp, true);  // from now on: last week's time stays as it was
  Close(dialog, IDOK);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(status_bar) != FALSE; }, 5000));
  std::optional<Link> link = ReadLink(StartupLinkPath());
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->arguments, "-i");
  EXPECT_EQ(link->target, ProgramPath());
  EXPECT_EQ(link->folder + "\\", ProgramFolder());
  Sleep(300);
  EXPECT_EQ(StatusLinesWith(main, program, kStopped), 0);

  // Automatic backup off stops the watchers; the shortcut is written again
  // without "-i".
  dialog = OpenOptions(program, main, TaskMenuOption);
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(Checked(dialog, CheckBoxStartup));
  EXPECT_TRUE(Enabled(dialog, CheckBoxStatusWholeProgress));  // the status bar is on now
  Click(dialog, CheckBoxAutoUpdate, false);
  Click(dialog, CheckBoxStartupMin, false);
  Close(dialog, IDOK);
  EXPECT_TRUE(WaitFor([&] { return StatusLinesWith(main, program, kStopped) == 1; }, 10000));
  link = ReadLink(StartupLinkPath());
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->arguments, "");

  // Unticked: the shortcut goes.
  dialog = OpenOptions(program, main);
  ASSERT_TRUE(dialog);
  Click(dialog, CheckBoxStartup, false);
  Close(dialog, IDOK);
  EXPECT_TRUE(WaitFor([&] { return !Exists(StartupLinkPath()); }, 5000));

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  AppOptions saved = ReadOptions();
  EXPECT_EQ(saved.optionAutoUpdate, 0);
  EXPECT_EQ(saved.optionFileWatch, 1);
  EXPECT_EQ(saved.optionAutoUpdateSchedule, 3);  // the changes before Cancel are gone
  EXPECT_EQ(saved.optionAutoUpdateDay, not_today);
  EXPECT_EQ(saved.optionAutoUpdateHour, 13);
  EXPECT_EQ(saved.optionAutoUpdateTime, "0");
  EXPECT_EQ(saved.optionLogViewMax, 250);
  EXPECT_EQ(saved.optionStatusView, 1);
  EXPECT_EQ(saved.lastBackup, 0.0);
  EXPECT_EQ(saved.optionAutoUpdateCatchUp, 1);
  EXPECT_GT(saved.optionAutoUpdateSince, 40000.5);  // set by the OK
  EXPECT_EQ(saved.optionPassword, 1);
  EXPECT_EQ(saved.optionPasswordText, "秘密");
  EXPECT_EQ(saved.updateProxyEnabled, 1);
  EXPECT_EQ(saved.updateProxyServer, "proxy.example");
  EXPECT_EQ(saved.updateFinish, 1);
  EXPECT_EQ(saved.optionStartupMin, 0);
}

TEST_F(OptionsTest, ScheduleMinutesTheTimerCannotUseAreRefused) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  SetOptions([&](AppOptions& o) {
    o.optionAutoUpdate = 1, o.optionFileWatch = 0;
    o.optionAutoUpdateSchedule = 3, o.optionAutoUpdateDay = (now.wDayOfWeek + 3) % 7;  // never due meanwhile
    o.optionAutoUpdateHour = 13, o.optionAutoUpdateTime = "30";
    o.optionAutoUpdateCatchUp = 0;
  });
  Program program("-i");
  HWND main = AttachMainWindow(program).main;
  ASSERT_TRUE(main);
  HWND dialog = OpenOptions(program, main);
  ASSERT_TRUE(dialog);
  HWND minutes = GetDlgItem(dialog, EditAutoUpdateTime);
  auto refused_with = [&](const char* typed, const std::string& message) {
    SCOPED_TRACE(typed);
    SetControlText(dialog, EditAutoUpdateTime, typed);
    SendMessageW(GetDlgItem(dialog, PageControl1), TCM_SETCURSEL, 2, 0);  // another page in front
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK), message);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, PageControl1), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(FocusOf(dialog), minutes);
  };
  refused_with("３０", "スケジュールの分に '３０' は指定できません。\n0 以上の整数を入力してください。");
  refused_with("30分", "スケジュールの分に '30分' は指定できません。\n0 以上の整数を入力してください。");
  ChooseListItem(dialog, ComboBoxAutoUpdate, 0);  // 一定間隔, 0 hours
  refused_with("", "スケジュールの間隔に 0 時間 0 分は指定できません。\n1 分以上の間隔を入力してください。");

  // Mended (automatic backup off, so no run comes due): taken over.
  SetControlText(dialog, EditAutoUpdateTime, "15");
  Click(dialog, CheckBoxAutoUpdate, false);
  Close(dialog, IDOK);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  AppOptions saved = ReadOptions();
  EXPECT_EQ(saved.optionAutoUpdateSchedule, 0);
  EXPECT_EQ(saved.optionAutoUpdateHour, 0);
  EXPECT_EQ(saved.optionAutoUpdateTime, "15");
}

TEST_F(OptionsTest, LockedTrayAsksForThePassword) {
  SetOptions([](AppOptions& o) {
    o.optionAutoSave = 0;
    o.optionPassword = 1;
    o.optionPasswordText = "Pa55";
  });
  Program program("-i");
  HWND main = AttachMainWindow(program).main;
  ASSERT_TRUE(main);
  EXPECT_FALSE(IsWindowVisible(main));
  auto click = [&](UINT mouse) { PostMessageW(main, kTrayCallbackMessage, 1, mouse); };
  auto menus = [&] { return CountWindows(program.Id(), [](HWND w) { return HasClass(w, L"#32768"); }); };
  auto prompts = [&] { return CountWindows(program.Id(), HasPrompt); };
  auto answer_prompt = [&](const std::string& password, int button) {
    HWND prompt = FindDialog(program.Id(), L"Drovenmark", HasPrompt);
    if (!prompt) return false;
    SetControlText(prompt, EditInput, password);
    PostMessageW(prompt, WM_COMMAND, button, 0);
    return WaitFor([&] { return !IsWindow(prompt); }, 10000);
  };

  // Right click: no menu while locked.
  click(WM_RBUTTONDOWN);
  Sleep(700);
  EXPECT_EQ(menus(), 0);

  // The button going down and up, and one more click: one prompt.
  click(WM_LBUTTONDOWN);
  HWND prompt = FindDialog(program.Id(), L"Drovenmark", HasPrompt);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(ControlText(prompt, LabelMessage), "管理者パスワードを入力してください");
  EXPECT_EQ(GetWindowLongW(GetDlgItem(prompt, EditInput), GWL_STYLE) & ES_PASSWORD, ES_PASSWORD);
  EXPECT_TRUE(GetWindowLongW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST);
  click(WM_LBUTTONUP);
  click(WM_LBUTTONDOWN);
  Sleep(500);
  EXPECT_EQ(prompts(), 1);

  // Wrong (the case counts): a warning, the window stays hidden.
  ASSERT_TRUE(answer_prompt("pa55", IDOK));
  EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK), "管理者パスワードが無効です　　");
  EXPECT_FALSE(IsWindowVisible(main));

  // Cancelled: no warning.
  click(WM_LBUTTONUP);
  ASSERT_TRUE(answer_prompt("", IDCANCEL));
  EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK, 700), "(none)");
  EXPECT_FALSE(IsWindowVisible(main));

  // Right: the window shows; clicks while it is visible do nothing.
  click(WM_LBUTTONDOWN);
  ASSERT_TRUE(answer_prompt("Pa55", IDOK));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 5000));
  click(WM_LBUTTONDOWN);
  Sleep(300);
  EXPECT_EQ(prompts(), 0);

  // Minimising hides the window under the lock again.
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
  click(WM_LBUTTONDOWN);
  ASSERT_TRUE(answer_prompt("Pa55", IDOK));
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 5000));

  // Without the lock, the right click opens the tray menu.
  HWND dialog = OpenOptions(program, main);
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(Checked(dialog, CheckBoxPassword));
  Click(dialog, CheckBoxPassword, false);
  Close(dialog, IDOK);
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
  click(WM_RBUTTONDOWN);
  EXPECT_TRUE(WaitFor([&] { return menus() == 1; }, 5000));
  PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitFor([&] { return menus() == 0; }, 5000));

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(ReadOptions().optionPassword, 0);
}

}  // namespace
}  // namespace dm
