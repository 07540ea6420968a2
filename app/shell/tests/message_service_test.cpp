#include "app/shell/message_service.h"

#include <gtest/gtest.h>

#include <vector>

namespace dm {
namespace {

TEST(MessageService, OneLineTextJoinsLinesWithOneBlank) {
  struct Case {
    const char* text;
    const char* line;
  } cases[] = {
      {"CRYPT.DLLが無効です\n\nログインパスワードを復号化できません",
       "CRYPT.DLLが無効です ログインパスワードを復号化できません"},
      {"ファイルのバージョンが異なります。読み込みを中止します。\n\nC:\\a.dmk",
       "ファイルのバージョンが異なります。読み込みを中止します。 C:\\a.dmk"},
      {"a\r\nb\rc\n", "a b c"},
      {"\n\nfirst  second\n", "first  second"},
      {"one line", "one line"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(OneLineText(c.text), c.line) << c.text;
}

TEST(MessageService, UnattendedBoxesAreLoggedAndTakeTheirDefault) {
  std::vector<std::string> lines;
  UnattendedMessages messages([&](const std::string& line) { lines.push_back(line); });
  EXPECT_EQ(messages.Show({"保存しますか？", BoxIcon::kWarning, BoxButtons::kYesNoCancel, BoxAnswer::kYes}),
            BoxAnswer::kYes);
  EXPECT_EQ(messages.Show({"よろしいですか？\n\n", BoxIcon::kQuestion, BoxButtons::kYesNo, BoxAnswer::kNo}),
            BoxAnswer::kNo);
  // The set file's warnings take the same way.
  MessageBoxes& set_file_boxes = messages;
  set_file_boxes.Warning("システム情報の取得に失敗しました", MessageBoxes::Owner::kMainWindow);
  EXPECT_EQ(lines, (std::vector<std::string>{"保存しますか？", "よろしいですか？", "システム情報の取得に失敗しました"}));
  EXPECT_EQ(messages.AnsweredUnattended(), 3);
}

}  // namespace
}  // namespace dm
