// Watchers on real folders (under Wine in CI).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "watch/tests/watch_test_support.h"
#include "watch/win/folder_changes.h"

namespace dm {
namespace {

std::wstring Long(const std::string& path) { return Utf8ToWide(LongPathForm(path)); }

void MakeFolders(const std::string& path) {
  std::string parent = ParentPath(path);
  if (!parent.empty() && GetFileAttributesW(Long(parent).c_str()) == INVALID_FILE_ATTRIBUTES) MakeFolders(parent);
  CreateDirectoryW(Long(path).c_str(), nullptr);
}

bool WriteFile(const std::string& path) {
  FileHandle file(CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  return file.Valid();
}

// Deletes a folder tree with the plain file functions.
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(Long(JoinPath(path, "*")).c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::string child = JoinPath(path, WideToUtf8(name));
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(Long(child).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Long(child).c_str());
      }
    } while (FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  RemoveDirectoryW(Long(path).c_str());
}

int CountContaining(const std::vector<std::string>& texts, const std::string& part) {
  return static_cast<int>(std::count_if(texts.begin(), texts.end(),
                                        [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

class FolderChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = JoinPath(WideToUtf8(temp), "dm_watch_" + std::to_string(GetCurrentProcessId()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    RemoveTree(root);
    MakeFolders(root);
  }
  void TearDown() override { RemoveTree(root); }

  std::string root;
  RecordingWatchWindow window;
};

// Wine watches only the sub-folders this process has created or opened
// (Windows watches the whole tree), so the two folders are made after the
// watcher starts, and the file is counted on its own after that.
TEST_F(FolderChangesTest, AFileCreatedTwoFoldersDownIsCounted) {
  // The second folder lies deeper than MAX_PATH.
  const std::string folders[] = {JoinPath(root, "監視元"), JoinPath(root, std::string(120, 'a') + "\\" +
                                                                              std::string(120, 'b') + "\\深い")};
  for (const std::string& folder : folders) {
    RecordingWatchWindow lines;
    MakeFolders(folder);
    std::atomic<int> priority{THREAD_PRIORITY_ERROR_RETURN};
    lines.onRedraw = [&] { priority = GetThreadPriority(GetCurrentThread()); };

    auto watch = CreateFileWatch(folder, lines);
    ASSERT_TRUE(watch->Watching()) << folder;
    EXPECT_EQ(watch->ChangeCount(), 0);
    MakeFolders(JoinPath(folder, "一\\二"));
    EXPECT_TRUE(Eventually([&] { return watch->ChangeCount() > 0; })) << folder;
    Sleep(300);  // the folder changes may arrive as more than one signal
    watch->ResetChangeCount();

    ASSERT_TRUE(WriteFile(JoinPath(folder, "一\\二\\新規.txt")));
    EXPECT_TRUE(Eventually([&] { return watch->ChangeCount() > 0; })) << folder;
    EXPECT_GT(lines.redraws.load(), 0);
    EXPECT_EQ(priority.load(), THREAD_PRIORITY_LOWEST);
    watch->Stop();
    EXPECT_EQ(watch->ChangeCount(), 0);
    EXPECT_THAT(lines.Texts(), ::testing::ElementsAre("0|通知|3|" + folder + "内の監視を開始します",
                                                      "0|通知|3|TFileWatch:: " + folder + "内の監視を終了します"));
  }
}

TEST_F(FolderChangesTest, WhatCannotBeWatchedCountsMinusOne) {
  const std::string file = JoinPath(root, "ファイル.txt");
  ASSERT_TRUE(WriteFile(file));
  for (const std::string& path : {JoinPath(root, "ありません"), file, std::string("Q:\\unmapped")}) {
    RecordingWatchWindow lines;
    auto watch = CreateFileWatch(path, lines);
    EXPECT_FALSE(watch->Watching()) << path;
    EXPECT_EQ(watch->ChangeCount(), -1) << path;
    watch.reset();
    EXPECT_THAT(lines.Texts(), ::testing::ElementsAre("1|エラー|1|" + path + "が見つかりません"));
  }
}

TEST_F(FolderChangesTest, FiftyWatchersStopWithOneLineEach) {
  std::vector<std::unique_ptr<TFileWatch>> watches;
  for (int i = 0; i < 50; ++i) {
    std::string folder = JoinPath(root, "設定" + std::to_string(i));
    MakeFolders(folder);
    watches.push_back(CreateFileWatch(folder, window));
  }
  // Half of them see a change that may still be in flight as they stop.
  for (int i = 0; i < 50; i += 2) WriteFile(JoinPath(root, "設定" + std::to_string(i) + "\\x.txt"));
  for (auto& watch : watches) watch->Stop();

  std::vector<std::string> texts = window.Texts();
  EXPECT_EQ(CountContaining(texts, "内の監視を開始します"), 50);
  EXPECT_EQ(CountContaining(texts, "内の監視を終了します"), 50);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(CountContaining(texts, "\\設定" + std::to_string(i) + "内の監視を終了します"), 1) << i;
  }
}

TEST_F(FolderChangesTest, AWatchedFolderThatIsRemovedStillStops) {
  const std::string folder = JoinPath(root, "消える");
  MakeFolders(JoinPath(folder, "中"));
  auto watch = CreateFileWatch(folder, window);
  ASSERT_TRUE(watch->Watching());
  RemoveTree(folder);
  Sleep(200);  // let the watcher see what it sees
  watch->Stop();
  EXPECT_EQ(CountContaining(window.Texts(), "内の監視を終了します"), 1);
}

}  // namespace
}  // namespace dm
