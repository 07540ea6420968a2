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

AppOptions Sample() {
  AppOptions o = DefaultAppOptions(kContext);
  o.backupSetFile = "C:\\バックアップ\\毎日.dmk";
  o.optionAutoUpdate = 1, o.optionLogViewMax = 500, o.windowLeft = -4;
  o.optionAutoUpdateTime = "30", o.lastBackup = 39448.75, o.optionNotifyUserName = "経理部のＰＣ";
  return o;
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, Utf8ToWide(kTestKey).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, Utf8ToWide(kTestKey).c_str());
  }
};

TEST_F(RegistryStoreTest, RoundTripAndWhatOtherToolsWrote) {
  RegistryOptionStore store(kTestKey);
  EXPECT_EQ(LoadOptions(store, kContext), DefaultAppOptions(kContext));  // no key yet
  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_EQ(store.LastPlace(), Place::kMachine);
  EXPECT_EQ(LoadOptions(store, kContext), Sample());

  // Texts without their terminating zero, expandable texts, wrong types.
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kTestKey).c_str(), 0, KEY_WRITE, &raw), ERROR_SUCCESS);
  RegistryKeyHandle key(raw);
  RegSetValueExW(raw, L"Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"ソ表"), 4);
  RegSetValueExW(raw, L"Expandable", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"%TEMP%"), 14);
  RegSetValueExW(raw, L"Binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4);
  auto options = store.OpenForReading();
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->ReadText("Unterminated"), "ソ表");
  EXPECT_EQ(options->ReadText("Expandable"), "%TEMP%");
  EXPECT_EQ(options->ReadText("Missing"), "");
  EXPECT_EQ(options->ReadText("OptionLogViewMax"), std::nullopt);
  EXPECT_EQ(options->ReadInteger("OptionLogViewMax"), 500);
  EXPECT_EQ(options->ReadInteger("Binary"), std::nullopt);
  EXPECT_EQ(options->ReadInteger("Unterminated"), std::nullopt);
}

// Wine lets anyone write HKEY_LOCAL_MACHINE, so the refusing machine side
// is a volatile key, below which no lasting key can be made.
TEST_F(RegistryStoreTest, FallsBackToTheUserKeyWhereTheMachineKeyIsRefused) {
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Utf8ToWide(kTestKey).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegistryKeyHandle parent(volatileKey);
  RegistryHive machine(parent.Get(), "Options"), user(HKEY_CURRENT_USER, kTestKey);
  MachineOrUserStore store(machine, user);
  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_NE(machine.LastCreateResult(), ERROR_SUCCESS);
  EXPECT_EQ(store.LastPlace(), Place::kUser);
  EXPECT_EQ(LoadOptions(store, kContext), Sample());
  EXPECT_EQ(store.LastPlace(), Place::kUser);
}

// The program's own key, left for the reg tool to read: run only by
// options_win_reg_query, which holds the key's test lock.
TEST(ProgramKey, DISABLED_SavesIntoTheMachineKey) {
  RegDeleteTreeW(HKEY_CURRENT_USER, Utf8ToWide(kOptionsKeyPath).c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, Utf8ToWide(kOptionsKeyPath).c_str());
  RegistryOptionStore store;
  ASSERT_TRUE(SaveOptions(Sample(), store, false));
  EXPECT_EQ(store.LastPlace(), Place::kMachine);
}

}  // namespace
}  // namespace dm
