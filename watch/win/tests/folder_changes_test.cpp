// Watchers on real folders (under Wine in CI).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "watch/tests/watch_test_support.h"
#include "watch/win/folder_changes.h"

namespace dm {
namespace {

std::wstring Long(const std::string& path) { return Utf8ToWide(LongPathForm(path)); }

void MakeFolders(const std::string& path) {
  if (GetFileAttributesW(Long(ParentPath(path)).c_str()) == INVALID_FILE_ATTRIBUTES) MakeFolders(ParentPath(path));
  CreateDirectoryW(Long(path).c_str(), nullptr);
}

bool MakeFile(const std::string& path) {
  return FileHandle(CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)).Valid();
}

// Deletes a folder tree with the plain file functions.
void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(Long(JoinPath(path, "*")).c_str(), &data));
  for (bool more = find.Valid(); more; more = FindNextFileW(find.Get(), &data)) {
    std::string child = JoinPath(path, WideToUtf8(data.cFileName));
    if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
    DeleteFileW(Long(child).c_str());
  }
  find.Reset();
  RemoveDirectoryW(Long(path).c_str());
}

int LinesWith(RecordingWatchWindow& window, const std::string& part) {
  auto texts = window.Texts();
  return std::count_if(texts.begin(), texts.end(), [&](auto& t) { return t.find(part) != std::string::npos; });
}

class FolderChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = JoinPath(WideToUtf8(temp), "dm_watch_" + std::to_string(GetCurrentProcessId()));
    RemoveTree(root);
    MakeFolders(root);
  }
  void TearDown() override { RemoveTree(root); }

  std::string root;
  RecordingWatchWindow window;
};

// Wine watches only the sub-folders this process has made or opened
// (Windows watches the whole tree): the two folders are made once the
// watcher runs, and the file is counted on its own after them.
TEST_F(FolderChangesTest, AFileCreatedTwoFoldersDownIsCounted) {
  // The second folder lies deeper than MAX_PATH.
  for (const std::string& folder : {JoinPath(root, "監視元"), JoinPath(root, std::string(250, 'a') + "\\深い")}) {
    RecordingWatchWindow lines;
    std::atomic<int> priority{THREAD_PRIORITY_ERROR_RETURN};
    lines.onRedraw = [&] { priority = GetThreadPriority(GetCurrentThread()); };
    MakeFolders(folder);
    auto watch = CreateFileWatch(folder, lines);
    ASSERT_TRUE(watch->Watching()) << folder;
    MakeFolders(JoinPath(folder, "一\\二"));
    EXPECT_TRUE(Eventually([&] { return watch->ChangeCount() > 0; })) << folder;
    Sleep(300);  // the folders may arrive as more than one signal
    watch->ResetChangeCount();

    ASSERT_TRUE(MakeFile(JoinPath(folder, "一\\二\\新規.txt")));
    EXPECT_TRUE(Eventually([&] { return watch->ChangeCount() > 0; })) << folder;
    EXPECT_EQ(priority.load(), THREAD_PRIORITY_LOWEST);
    watch->Stop();
    EXPECT_THAT(lines.Texts(), ::testing::ElementsAre("0|通知|3|" + folder + "内の監視を開始します",
                                                      "0|通知|3|TFileWatch:: " + folder + "内の監視を終了します"));
  }
}

TEST_F(FolderChangesTest, WhatCannotBeWatchedCountsMinusOne) {
  ASSERT_TRUE(MakeFile(JoinPath(root, "ファイル.txt")));
  for (const std::string& path : {JoinPath(root, "ありません"), JoinPath(root, "ファイル.txt"), std::string()}) {
    auto watch = CreateFileWatch(path, window);
    EXPECT_FALSE(watch->Watching()) << path;
    EXPECT_EQ(watch->ChangeCount(), -1) << path;
    EXPECT_EQ(LinesWith(window, "|エラー|1|" + path + "が見つかりません"), 1) << path;
  }
  EXPECT_EQ(window.Texts().size(), 3u);  // and nothing when they are freed
}

TEST_F(FolderChangesTest, FiftyWatchersStopWithOneLineEach) {
  std::vector<std::unique_ptr<TFileWatch>> watches;
  for (int i = 0; i < 50; ++i) {
    MakeFolders(JoinPath(root, std::to_string(i)));
    watches.push_back(CreateFileWatch(JoinPath(root, std::to_string(i)), window));
  }
  // Half of them see a change that may still be in flight as they stop.
  for (int i = 0; i < 50; i += 2) MakeFile(JoinPath(root, std::to_string(i) + "\\x.txt"));
  for (auto& watch : watches) watch->Stop();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(LinesWith(window, "\\" + std::to_string(i) + "内の監視を終了します"), 1) << i;
  }
}

TEST_F(FolderChangesTest, AWatchedFolderThatIsRemovedStillStops) {
  MakeFolders(JoinPath(root, "消える\\中"));
  auto watch = CreateFileWatch(JoinPath(root, "消える"), window);
  RemoveTree(JoinPath(root, "消える"));
  Sleep(200);  // whatever the watcher makes of it
  watch->Stop();
  EXPECT_EQ(LinesWith(window, "内の監視を終了します"), 1);
}

}  // namespace
}  // namespace dm
