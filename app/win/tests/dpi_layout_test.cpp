// Every window of the program at 150 % and 200 % (144 and 192 DPI), through
// the real program: each window is opened as a user opens it, and the
// layout probe, hooked into the program, reports where every control lies
// and what its text needs in the control's own font. No control may lie
// outside its window, no text may be wider or taller than its control, and
// fonts, icons and fixed window sizes must follow the DPI. Each window is
// then moved to the other DPI (WM_DPICHANGED, as a move to a monitor of
// another scale sends it) and checked again, and back, where it must be
// laid out as before.
//
// Run by dpi_layout_test.sh: in a Wine prefix of its own (its LogPixels is
// the DPI), with the program copied beside this test, and a loopback HTTP
// server for the update windows (DM_TEST_HTTP_PORT).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "app/win/commands.h"
#include "app/win/option_dialog_ids.h"
#include "app/win/string_input_form.h"
#include "app/win/tests/layout_probe.h"
#include "app/win/tests/program_driver.h"
#include "app/win/tests/window_driver.h"
#include "base/dpi_scale.h"
#include "logview/win/log_view_ids.h"
#include "update/win/form_ids.h"

namespace dm {

// The setting editor's page message, from a file of its own: the editor's
// control names clash with the options dialog's.
unsigned EditorShowPageMessage();

namespace {

// ---- The probe's report ----

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

int Int(const std::vector<std::string>& f, size_t i) { return i < f.size() ? std::stoi(f[i]) : -1; }

struct Probed {
  std::string caption;
  int clientWidth = 0, clientHeight = 0;
  std::vector<std::vector<std::string>> lines;  // every line but the window's, split

  // The lines of one kind.
  std::vector<std::vector<std::string>> Of(const std::string& kind) const {
    std::vector<std::vector<std::string>> found;
    for (const auto& line : lines) {
      if (!line.empty() && line[0] == kind) found.push_back(line);
    }
    return found;
  }
  // Each visible control's rectangle, by its path; etched lines size
  // themselves when they are made, and keep any size given later.
  std::map<std::string, std::string> Boxes() const {
    std::map<std::string, std::string> boxes;
    for (const auto& c : Of("control")) {
      const bool etched = c[2] == "Static" && (std::stoul(c[4]) & SS_TYPEMASK) >= SS_ETCHEDHORZ &&
                          (std::stoul(c[4]) & SS_TYPEMASK) <= SS_ETCHEDFRAME;
      if (c[5] == "1" && !etched) boxes[c[1]] = c[7] + "," + c[8] + "," + c[9] + "," + c[10];
    }
    return boxes;
  }
};

Probed Parse(const std::string& text) {
  Probed probed;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = Split(line);
    if (f.empty()) continue;
    if (f[0] == "window") {
      probed.caption = f.size() > 2 ? f[2] : "";
      probed.clientWidth = Int(f, 3);
      probed.clientHeight = Int(f, 4);
    } else {
      probed.lines.push_back(f);
    }
  }
  return probed;
}

// The probe hooked into the program's interface thread.
class LayoutProbe {
 public:
  explicit LayoutProbe(HWND anyWindow) {
    mapping_.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kLayoutProbeReportBytes,
                                      kLayoutProbeReport));
    // By full path, and its own imports from its folder or the system's only.
    library_.Reset(LoadLibraryExW(Utf8ToWide(ProgramFolder() + "layout_probe.dll").c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(library_.Get(), kLayoutProbeHookName)));
    const DWORD thread = GetWindowThreadProcessId(anyWindow, nullptr);
    if (hook && thread) hook_ = SetWindowsHookExW(WH_CALLWNDPROC, hook, library_.Get(), thread);
    message_ = RegisterWindowMessageW(kLayoutProbeMessageName);
  }
  ~LayoutProbe() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  bool Ready() const { return hook_ && mapping_; }

  // The report of `window`, after a move to `dpi` when it is not 0.
  Probed Take(HWND window, int dpi = 0) {
    void* view = MapViewOfFile(mapping_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, kLayoutProbeReportBytes);
    if (!view) return {};
    static_cast<char*>(view)[0] = '\0';
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, message_, dpi, 0, SMTO_ABORTIFHUNG, 20000, &answer);
    std::string text(static_cast<const char*>(view));
    UnmapViewOfFile(view);
    return Parse(text);
  }

 private:
  ObjectHandle mapping_;
  ModuleHandle library_;
  HHOOK hook_ = nullptr;
  UINT message_ = 0;
};

// ---- What every window must meet ----

struct Expect {
  int dpi = 96;
  int designWidth = 0, designHeight = 0;  // a window of fixed client size
  std::set<std::string> cellsChecked;     // "PATH" for every column, "PATH#N" for column N
};

const std::set<std::string> kTextClasses = {"Button", "Static", "Edit", "ComboBox", "SysListView32",
                                            "SysTabControl32", "SysDateTimePick32", "msctls_statusbar32",
                                            "SysHeader32"};

// Every rule the window breaks, one line each.
std::vector<std::string> Faults(const Probed& p, const Expect& e) {
  std::vector<std::string> faults;
  auto fault = [&](const std::string& what) { faults.push_back(p.caption + ": " + what); };
  if (p.lines.empty()) {
    fault("no report from the probe");
    return faults;
  }
  if (e.designWidth > 0 && (p.clientWidth != ScaleToDpi(e.designWidth, e.dpi) ||
                            p.clientHeight != ScaleToDpi(e.designHeight, e.dpi))) {
    fault("client area " + std::to_string(p.clientWidth) + "x" + std::to_string(p.clientHeight) + ", not " +
          std::to_string(ScaleToDpi(e.designWidth, e.dpi)) + "x" + std::to_string(ScaleToDpi(e.designHeight, e.dpi)));
  }
  std::set<std::string> hidden;  // a hidden control hides what lies in it
  const int smallest_text = ScaleToDpi(12, e.dpi) - 1;
  for (const auto& c : p.Of("control")) {
    const std::string& path = c[1];
    const std::string name = path + " " + c[2] + " \"" + c[6] + "\"";
    bool shown = c[5] == "1";
    for (const std::string& h : hidden) shown = shown && path.rfind(h + "/", 0) != 0;
    if (!shown) {
      hidden.insert(path);
      continue;
    }
    const int l = Int(c, 7), t = Int(c, 8), r = Int(c, 9), b = Int(c, 10), pw = Int(c, 11), ph = Int(c, 12);
    if (l < 0 || t < 0 || r > pw || b > ph) {
      fault(name + " at " + c[7] + "," + c[8] + "-" + c[9] + "," + c[10] + " outside " + c[11] + "x" + c[12]);
    }
    const int char_height = Int(c, 13), need_w = Int(c, 14), need_h = Int(c, 15), avail_w = Int(c, 16),
              avail_h = Int(c, 17);
    if (need_w >= 0 && avail_w >= 0 && need_w > avail_w) {
      fault(name + " needs " + std::to_string(need_w) + " pixels of width, has " + std::to_string(avail_w));
    }
    if (need_h >= 0 && avail_h >= 0 && need_h > avail_h) {
      fault(name + " needs " + std::to_string(need_h) + " pixels of height, has " + std::to_string(avail_h));
    }
    const bool has_text = !c[6].empty() || c[2] != "Static";
    if (kTextClasses.count(c[2]) && has_text && char_height < smallest_text) {
      fault(name + " draws " + std::to_string(char_height) + "-pixel characters, under " +
            std::to_string(smallest_text + 1));
    }
  }
  auto shown_path = [&](const std::string& path) {
    for (const std::string& h : hidden) {
      if (path == h || path.rfind(h + "/", 0) == 0) return false;
    }
    return true;
  };
  for (const auto& i : p.Of("images")) {
    if (i[3] == "state" || !shown_path(i[1])) continue;
    if (Int(i, 4) < ScaleToDpi(16, e.dpi)) fault(i[1] + " " + i[2] + " icons of " + i[4] + " pixels");
  }
  for (const auto& col : p.Of("column")) {
    if (shown_path(col[1]) && Int(col, 4) > Int(col, 5)) {
      fault(col[1] + " column \"" + col[3] + "\" needs " + col[4] + ", is " + col[5]);
    }
  }
  for (const auto& cell : p.Of("cell")) {
    if (!shown_path(cell[1])) continue;
    if (!e.cellsChecked.count(cell[1]) && !e.cellsChecked.count(cell[1] + "#" + cell[3])) continue;
    if (Int(cell, 5) > Int(cell, 6)) {
      fault(cell[1] + " row " + cell[2] + " column " + cell[3] + " \"" + cell[4] + "\" needs " + cell[5] +
            ", has " + cell[6]);
    }
  }
  for (const auto& part : p.Of("part")) {
    if (shown_path(part[1]) && Int(part, 4) > Int(part, 5)) {
      fault(part[1] + " panel " + part[2] + " \"" + part[3] + "\" needs " + part[4] + ", is " + part[5]);
    }
  }
  for (const auto& tab : p.Of("tab")) {
    if (shown_path(tab[1]) &&
        (Int(tab, 4) < 0 || Int(tab, 5) < 0 || Int(tab, 6) > Int(tab, 8) || Int(tab, 7) > Int(tab, 9))) {
      fault(tab[1] + " tab \"" + tab[3] + "\" outside its control");
    }
  }
  return faults;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

int OtherDpi(int dpi) { return dpi == 144 ? 192 : 144; }

// ---- The program at one DPI ----

class DpiLayoutTest : public ProgramTest {
 protected:
  void SetUp() override {
    ASSERT_NE(GetEnvironmentVariableW(L"DM_TEST_HTTP_PORT", nullptr, 0), 0u) << "run by dpi_layout_test.sh";
    ProgramTest::SetUp();
    wchar_t port[16] = {};
    GetEnvironmentVariableW(L"DM_TEST_HTTP_PORT", port, 16);
    const std::string url = "http://127.0.0.1:" + WideToUtf8(port) + "/ok/version.txt";
    const std::string downloads = JoinPath(root, "dl");
    SetOptions([&](AppOptions& o) {
      o.optionStatusView = 1;
      o.optionLogSave = 3;
      o.optionLogView = 3;
      o.updateSearchUrl = url;
      o.updateDownloadFolder = downloads;
      o.updateConnectCheck = 0;
      o.updateFinish = 1;
      o.optionPassword = 0;
      // The bounds the options give a new user: two thirds of the screen.
      o.windowWidth = GetSystemMetrics(SM_CXSCREEN) * 2 / 3;
      o.windowHeight = GetSystemMetrics(SM_CYSCREEN) * 2 / 3;
      o.windowLeft = (GetSystemMetrics(SM_CXSCREEN) - o.windowWidth) / 2;
      o.windowTop = (GetSystemMetrics(SM_CYSCREEN) - o.windowHeight) / 2;
    });
  }
  void TearDown() override {
    SetOptions([](AppOptions& o) { o.optionPassword = 0; });
    SetLogPixels(96);
    ProgramTest::TearDown();
  }

  // The DPI of the programs started from now on.
  void UseDpi(int dpi) {
    dpi_ = dpi;
    SetLogPixels(dpi);
  }

  static void SetLogPixels(int dpi) {
    DWORD value = static_cast<DWORD>(dpi);
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &value, sizeof value);
  }

  // Probes `window` at the test's DPI, at the other DPI and back again.
  void Check(LayoutProbe& probe, HWND window, Expect expect, const std::string& step) {
    SCOPED_TRACE(step);
    expect.dpi = dpi_;
    const Probed at = probe.Take(window);
    EXPECT_EQ(Joined(Faults(at, expect)), "");
    Expect moved = expect;
    moved.dpi = OtherDpi(dpi_);
    EXPECT_EQ(Joined(Faults(probe.Take(window, moved.dpi), moved)), "") << "after a move to " << moved.dpi;
    const Probed back = probe.Take(window, dpi_);
    EXPECT_EQ(Joined(Faults(back, expect)), "") << "after the move back";
    EXPECT_EQ(back.Boxes(), at.Boxes()) << "the move back lays the window out as before";
  }

  HWND OpenDialog(const Program& program, HWND main, UINT command, const wchar_t* caption) {
    PostMessageW(main, WM_COMMAND, command, 0);
    return drive::FindDialog(program.Id(), caption, [](HWND hwnd) { return !drive::IsMessageBox(hwnd); });
  }

  void CloseDialog(HWND dialog, int button = IDCANCEL) {
    PostMessageW(dialog, WM_COMMAND, button, 0);
    WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
  }

  int dpi_ = 96;

  void EveryWindowFits(int dpi);
  void ThePasswordPromptFits(int dpi);
};

void DpiLayoutTest::EveryWindowFits(int dpi) {
  UseDpi(dpi);
  // A long name that fits the name column, left out of the run, and a short
  // one whose run lines fit the title columns of the status list and the
  // log viewer (a long name is cut there at every DPI).
  BackupSet sample;
  for (const char* name : {"文書のバックアップ", "写真"}) {
    BackupSetting setting = NewEditorSetting();
    setting.name = name;
    setting[kSrc] = JoinPath(root, "src");
    setting[kDst] = JoinPath(root, "dst");
    setting[kMirror] = "0";
    setting.checked = setting.name == "写真";
    sample.settings.push_back(setting);
  }
  const std::string set = JoinPath(root, "sample.dmk");
  int crypt = 1;
  Win32SetFileServices services;
  ASSERT_TRUE(SaveBackupSet(sample, set, crypt, services.services));
  WriteFile(JoinPath(root, "src\\報告書.txt"), "report");
  Program program("\"" + set + "\"");
  drive::MainWindow w = drive::AttachMainWindow(program);
  ASSERT_TRUE(w.main);
  LayoutProbe probe(w.main);
  ASSERT_TRUE(probe.Ready());

  // The main window after a test run filled the status list and wrote the day's log.
  PostMessageW(w.main, WM_COMMAND, TestMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return AnyContains(ListTexts(w.status, program.Id(), 0), "テストモード終了"); }, 30000));
  Check(probe, w.main, {.cellsChecked = {"/ListView1#0", "/ListView1#3", "/ListView2#0"}}, "main window");

  // The options dialog, page by page.
  HWND options = OpenDialog(program, w.main, ToolButtonOption, L"オプション");
  ASSERT_TRUE(options);
  for (int page = 0; page < 3; ++page) {
    SendMessageW(options, kOptionShowPage, page, 0);
    Check(probe, options, {.designWidth = 399, .designHeight = 377}, "options page " + std::to_string(page + 1));
  }
  CloseDialog(options);

  // The setting editor, page by page.
  HWND editor = OpenDialog(program, w.main, ToolButtonAdd, L"設定の追加");
  ASSERT_TRUE(editor);
  for (int page = 0; page < 4; ++page) {
    SendMessageW(editor, EditorShowPageMessage(), page, 0);
    Check(probe, editor, {.designWidth = 460, .designHeight = 362}, "editor page " + std::to_string(page + 1));
  }
  CloseDialog(editor);

  // The log viewer on today's log.
  HWND viewer = OpenDialog(program, w.main, TodayLogViewMenu, L"バックアップログ");
  ASSERT_TRUE(viewer);
  HWND lines = GetDlgItem(viewer, logview::ListView1);
  ASSERT_TRUE(WaitFor([&] { return SendMessageW(lines, LVM_GETITEMCOUNT, 0, 0) > 3; }, 10000));
  const std::string days = "/" + std::to_string(logview::ListView2);
  const std::string rows = "/" + std::to_string(logview::ListView1);
  Check(probe, viewer, {.cellsChecked = {days, rows + "#0"}}, "log viewer");
  CloseDialog(viewer);

  // The about box.
  HWND about = OpenDialog(program, w.main, AboutMenu, L"バージョン情報");
  ASSERT_TRUE(about);
  Check(probe, about, {.designWidth = 383, .designHeight = 265}, "about box");
  CloseDialog(about, IDOK);

  // The online update: the question about the newer build over the update
  // window, its details, then the window during a (slow) download.
  PostMessageW(w.main, WM_COMMAND, UpdateMenu, 0);
  HWND update = drive::FindDialog(program.Id(), L"オンラインアップデート");
  ASSERT_TRUE(update);
  HWND question = drive::FindDialog(program.Id(), L"Drovenmark",
                                    [](HWND hwnd) { return GetDlgItem(hwnd, VerSureButton3) != nullptr; });
  ASSERT_TRUE(question);
  Check(probe, question, {.designWidth = 329, .designHeight = 98}, "update question");
  PostMessageW(question, WM_COMMAND, VerSureButton3, 0);
  HWND details = drive::FindDialog(program.Id(), L"詳細情報");
  ASSERT_TRUE(details);
  Check(probe, details, {.designWidth = 480, .designHeight = 360}, "update details");
  CloseDialog(details, VerContOK);
  PostMessageW(question, WM_COMMAND, VerSureButton1, 0);
  ASSERT_TRUE(WaitFor([&] { return !drive::ControlText(update, AutoUpdateLabel6).empty(); }, 20000));
  Check(probe, update, {.designWidth = 369, .designHeight = 227}, "update window");
  PostMessageW(update, WM_COMMAND, AutoUpdateButtonAbort, 0);
  drive::AnswerMessageBox(program.Id(), IDOK);  // the aborted download's message
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(update); }, 20000));

  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(30000).has_value());
}

void DpiLayoutTest::ThePasswordPromptFits(int dpi) {
  UseDpi(dpi);
  SetOptions([](AppOptions& o) {
    o.optionPassword = 1;
    o.optionPasswordText = "secret";
  });
  Program program("-i");
  HWND main = FindTopWindow(program.Id(), L"TMainForm");
  ASSERT_TRUE(main);
  LayoutProbe probe(main);
  ASSERT_TRUE(probe.Ready());
  PostMessageW(main, kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  HWND prompt = drive::FindDialog(program.Id(), L"Drovenmark",
                                  [](HWND hwnd) { return GetDlgItem(hwnd, EditInput) != nullptr; });
  ASSERT_TRUE(prompt);
  Check(probe, prompt, {.designWidth = 354, .designHeight = 120}, "password prompt");
  CloseDialog(prompt);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(30000).has_value());
}

TEST_F(DpiLayoutTest, EveryWindowFitsAt144) { EveryWindowFits(144); }
TEST_F(DpiLayoutTest, EveryWindowFitsAt192) { EveryWindowFits(192); }
TEST_F(DpiLayoutTest, ThePasswordPromptFitsAt144) { ThePasswordPromptFits(144); }
TEST_F(DpiLayoutTest, ThePasswordPromptFitsAt192) { ThePasswordPromptFits(192); }

}  // namespace
}  // namespace dm
