// One named job of a backup set: a source folder copied to a destination
// folder under its own rules. Values stay text, in the fixed order shared by
// the set file, the editor, the list and the run starter.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace dm {

enum SettingIndex : int {
  kSrc = 0,
  kDst,
  kUpdate,
  kFilter,
  kMirror,
  kSubDir,
  kAllCopy,
  kSrcLogin,
  kSrcUser,
  kSrcPass,
  kDstLogin,
  kDstUser,
  kDstPass,
  kSrcLogoff,
  kDstLogoff,
  kSrcVolumeCheck,
  kSrcVolumeName,
  kDstVolumeCheck,
  kDstVolumeName,
  kOldFileNoCopy,
  kOldFileDate,
  kFilterFolder,
  kGotoTrash,
  kPermissibleTimeCheck,
  kPermissibleTime,
  kTimeStampWrite,
  kZeroFile,
  kDateFolder,
  kDateFolderType,
  kNotReadOnly,
  kNotHidden,
  kSettingValueCount
};

// The keys of the set file, by index.
extern const std::array<const char*, kSettingValueCount> kSettingKeys;

// Index of a key (exact spelling), or -1.
int SettingIndexOfKey(std::string_view key);

// True for the values that are switches ("1" or "0").
bool IsSwitchSetting(int index);

// The text a run writes into Update before a setting was ever processed.
inline constexpr const char* kNotProcessed = "未処理";

// A password the set file held enciphered that could not be deciphered when
// it was read (the cipher library missing or failing): its cipher text as
// the file held it, and that file. The setting keeps it so that no save
// loses the password; while it stands, the password's value is empty.
struct SealedPassword {
  std::string cipherText;  // Shift-JIS, as on the file's line; empty: none
  std::string file;

  bool operator==(const SealedPassword&) const = default;
};

struct BackupSetting {
  std::string name;
  bool checked = false;
  std::array<std::string, kSettingValueCount> values;
  std::array<SealedPassword, 2> sealed;  // SrcPass, DstPass

  const std::string& operator[](SettingIndex i) const { return values[i]; }
  std::string& operator[](SettingIndex i) { return values[i]; }
  // The sealed form of the password at `passwordIndex` (kSrcPass or kDstPass).
  SealedPassword& Sealed(int passwordIndex) { return sealed[passwordIndex == kSrcPass ? 0 : 1]; }
  const SealedPassword& Sealed(int passwordIndex) const { return sealed[passwordIndex == kSrcPass ? 0 : 1]; }
  // True while the password at `passwordIndex` is only known enciphered: a
  // value typed since then takes its place.
  bool IsSealed(int passwordIndex) const {
    return !Sealed(passwordIndex).cipherText.empty() && values[passwordIndex].empty();
  }
  bool operator==(const BackupSetting&) const = default;
};

// A setting read from a file section that lacks some keys starts from these.
BackupSetting FileDefaultSetting(std::string name);

// A setting the editor creates: "新しい設定", checked.
BackupSetting NewEditorSetting();

// The ordered list the main window shows, with its file name and modified flag.
struct BackupSet {
  std::vector<BackupSetting> settings;
  std::string fileName;
  bool modified = false;
};

}  // namespace dm
