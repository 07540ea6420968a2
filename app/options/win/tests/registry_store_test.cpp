// The options through the real registry (under Wine in CI).
#include <windows.h>

#include <gtest/gtest.h>

#include "app/options/app_options.h"
#include "app/options/win/registry_store.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {
namespace {

using Place = MachineOrUserStore::Place;

const LoadContext kContext{.currentDirectory = "C:\\dm", .screenWidth = 1280, .screenHeight = 1024};
const char kTestKey[] = "Software\\Quorvanta\\DrovenmarkTest";

void DeleteKey(HKEY root, const std::string& path) { RegDeleteTreeW(root, Utf8ToWide(path).c_str()); }

AppOptions Sample() {
  AppOptions o = DefaultAppOptions(kContext);
  o.backupSetFile = "C:\\バックアップ\\毎日.dmk";
  o.optionAutoUpdate = 1;
  o.optionAutoUpdateTime = "30";
  o.optionLogViewMax = 500;
  o.lastBackup = 39448.75;
  o.optionNotifyUserName = "経理部のＰＣ";
  o.windowLeft = -4;  // a window partly off the screen's left edge
  return o;
}

// Type and raw bytes of a stored value.
std::pair<DWORD, std::wstring> RawValue(HKEY root, const std::string& path, const wchar_t* name) {
  RegistryKeyHandle key;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, Utf8ToWide(path).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {0, L""};
  key.Reset(opened);
  wchar_t data[256] = {};
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  return {type, std::wstring(data, size / sizeof(wchar_t))};
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    DeleteKey(HKEY_LOCAL_MACHINE, kTestKey);
    DeleteKey(HKEY_CURRENT_USER, kTestKey);
  }
};

TEST_F(RegistryStoreTest, WritesTypedValuesAndReadsThemBack) {
  RegistryOptionStore store(kTestKey);
  EXPECT_EQ(LoadOptions(store, kContext), DefaultAppOptions(kContext));  // no key yet
  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_EQ(store.LastPlace(), Place::kMachine);
  EXPECT_EQ(LoadOptions(store, kContext), Sample());

  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kTestKey, L"OptionLogViewMax").first, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kTestKey, L"OptionNotifyUserName"),
            std::make_pair(static_cast<DWORD>(REG_SZ), std::wstring(L"経理部のＰＣ") + L'\0'));
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kTestKey, L"LastBackup"),
            std::make_pair(static_cast<DWORD>(REG_SZ), std::wstring(L"39448.75") + L'\0'));
}

// Values written by other tools: texts without their terminating zero,
// expandable texts, and values of the wrong type.
TEST_F(RegistryStoreTest, ReadsWhatOtherToolsWrote) {
  RegistryHive hive(HKEY_LOCAL_MACHINE, kTestKey);
  ASSERT_NE(hive.CreateKey(), nullptr);
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kTestKey).c_str(), 0, KEY_WRITE, &raw), ERROR_SUCCESS);
  RegistryKeyHandle key(raw);
  const std::wstring unterminated = L"ソ表";
  RegSetValueExW(raw, L"Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated.data()),
                 static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));
  RegSetValueExW(raw, L"Expandable", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"%TEMP%"), 14);
  const BYTE bytes[] = {1, 0, 0, 0};
  RegSetValueExW(raw, L"Binary", 0, REG_BINARY, bytes, sizeof bytes);
  DWORD number = 7;
  RegSetValueExW(raw, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);

  auto options = hive.OpenKey();
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->ReadText("Unterminated"), "ソ表");
  EXPECT_EQ(options->ReadText("Expandable"), "%TEMP%");
  EXPECT_EQ(options->ReadText("Missing"), "");
  EXPECT_EQ(options->ReadText("Number"), std::nullopt);
  EXPECT_EQ(options->ReadInteger("Number"), 7);
  EXPECT_EQ(options->ReadInteger("Binary"), std::nullopt);
  EXPECT_EQ(options->ReadInteger("Missing"), std::nullopt);
  EXPECT_EQ(options->ReadInteger("Unterminated"), std::nullopt);
}

// A place that refuses to hold the key. Wine does not refuse a standard
// user here, so the machine side is a volatile key, below which a lasting
// key cannot be made.
TEST_F(RegistryStoreTest, FallsBackToTheUserKeyWhereTheMachineKeyIsRefused) {
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kTestKey).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegistryKeyHandle parent(volatileKey);
  RegistryHive machine(parent.Get(), "Options");
  RegistryHive user(HKEY_CURRENT_USER, kTestKey);
  MachineOrUserStore store(machine, user);

  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_NE(machine.LastCreateResult(), ERROR_SUCCESS);
  EXPECT_EQ(store.LastPlace(), Place::kUser);
  EXPECT_FALSE(machine.HasKey());
  EXPECT_EQ(LoadOptions(store, kContext), Sample());
  EXPECT_EQ(store.LastPlace(), Place::kUser);
}

// The program's own key, left in place for the reg tool to read
// (options_win_reg_query).
TEST(ProgramKey, SavesIntoTheMachineKey) {
  DeleteKey(HKEY_CURRENT_USER, kOptionsKeyPath);
  DeleteKey(HKEY_LOCAL_MACHINE, kOptionsKeyPath);
  RegistryOptionStore store;
  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_EQ(store.LastPlace(), Place::kMachine);
  EXPECT_EQ(LoadOptions(store, kContext), Sample());
}

}  // namespace
}  // namespace dm
