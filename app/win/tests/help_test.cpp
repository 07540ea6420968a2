// Help in the running program: "ヘルプ目次(&C)" and the toolbar's help
// button open the help file beside the program with its contents, and
// closing the program closes the help window.
#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/tests/window_driver.h"

namespace dm {
namespace {

// The help viewer's own window class.
const wchar_t kHelpWindowClass[] = L"HH Parent";

class HelpTest : public ProgramTest {
 protected:
  HWND HelpWindow(const Program& program, DWORD timeoutMs = 20000) {
    return FindWindowOf(
        program.Id(), [](HWND hwnd) { return IsWindowVisible(hwnd) && HasClass(hwnd, kHelpWindowClass); },
        timeoutMs);
  }
};

TEST_F(HelpTest, ContentsOpenFromTheMenuAndTheToolbarAndCloseWithTheProgram) {
  SetOptions([](AppOptions& o) { o.optionAutoSave = 0; });
  Program program("");
  HWND main = FindTopWindow(program.Id(), L"TMainForm");
  ASSERT_TRUE(main);

  PostMessageW(main, WM_COMMAND, HelpContentsMenu, 0);
  HWND help = HelpWindow(program);
  ASSERT_TRUE(help);
  wchar_t title[128] = {};
  GetWindowTextW(help, title, 128);
  EXPECT_EQ(WideToUtf8(title), "Drovenmark ヘルプ");
  HWND contents = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (contents = drive::FindDescendant(help, WC_TREEVIEWW)) != nullptr; }, 10000));
  std::vector<std::string> topics;
  ASSERT_TRUE(WaitFor([&] { return !(topics = drive::TreeRootTexts(contents, program.Id())).empty(); }, 10000));
  for (const char* topic : {"はじめに", "バックアップセット", "設定の編集", "ミラーリングとごみ箱", "自動バックアップ",
                            "コマンドラインと終了コード", "ログ", "オプション", "管理者パスワード",
                            "オンラインアップデート"}) {
    EXPECT_NE(std::find(topics.begin(), topics.end(), topic), topics.end()) << topic;
  }

  PostMessageW(help, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(help); }, 10000));
  PostMessageW(main, WM_COMMAND, ToolButton1, 0);
  help = HelpWindow(program);
  ASSERT_TRUE(help);

  // Closing the program takes the help window with it.
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_FALSE(IsWindow(help));
}

}  // namespace
}  // namespace dm
