#include "backupset/set_file.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/paths.h"
#include "base/pattern.h"
#include "base/sjis.h"
#include "base/text.h"

namespace dm {
namespace {

using Owner = MessageBoxes::Owner;

constexpr char kSystemInfoFailed[] = "システム情報の取得に失敗しました";
constexpr char kWrongVersion[] = "ファイルのバージョンが異なります。読み込みを中止します。\n\n";
constexpr char kCannotDecrypt[] = "CRYPT.DLLが無効です\n\nログインパスワードを復号化できません";
constexpr char kCannotEncrypt[] = "CRYPT.DLLが無効です\n\nログインパスワードを暗号化できません";
constexpr char kVolumeInfoFailed[] = "ボリューム情報の取得に失敗しました。";
constexpr char kEncryptFailedInSet[] =
    "ログインパスワードを暗号化できませんでした\n\n次のパスワードは保存されません\n";
constexpr char kEncryptFailedInDefaults[] =
    "ログインパスワードを暗号化できませんでした\n\n既定値のパスワードは保存されません";
constexpr char kCannotSave[] = "ファイルを保存できませんでした\n\n";
constexpr char kSealedNotSaved[] = "復号化できなかったログインパスワードがあるため、ファイルを保存しません\n\n";
constexpr char kSealedHowTo[] = "\n\nCRYPT.DLLを元に戻すか、パスワードを入力し直してください";
constexpr char kDefaultsNotSaved[] =
    "保存されている暗号化ログインパスワードを失わないよう、既定値を保存しません\n\n";

// Lines are read through a buffer of this size: at most one byte less per
// line, the rest of a longer line comes as a line of its own.
constexpr size_t kLineBuffer = 4096;

// The lines of a file as a C runtime in text mode returns them through a
// fixed buffer: CR LF becomes LF, Ctrl-Z ends the text, and each line keeps
// its LF (when it fits) and is at most kLineBuffer - 1 bytes long.
std::vector<std::string> TextModeLines(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\x1a') break;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end + 1;
    end = std::min(end, pos + kLineBuffer - 1);
    lines.emplace_back(text, pos, end - pos);
    pos = end;
  }
  return lines;
}

std::string CipherKey(uint32_t serial) { return StringPrintf("%lu", static_cast<unsigned long>(serial)); }

// --- reading ---

// A key line names one of the values, or the check mark.
constexpr int kCheckedKey = kSettingValueCount;
constexpr int kNoKey = -1;

// The key patterns, tried in this order: the check mark, then the values in
// their file order. Lines are matched in UTF-8, so a Shift-JIS trail byte
// can never pass for "=" or "]".
const std::vector<std::string>& KeyPatterns() {
  static const std::vector<std::string> patterns = [] {
    std::vector<std::string> p;
    for (const char* key : kSettingKeys) p.push_back(std::string(key) + "=*");
    p.push_back("Checked=*");
    return p;
  }();
  return patterns;
}

int MatchKey(std::string_view line, bool withCheckedAndUpdate) {
  const std::vector<std::string>& patterns = KeyPatterns();
  if (withCheckedAndUpdate && MatchPattern(patterns[kCheckedKey], line) == 0) return kCheckedKey;
  for (int i = 0; i < kSettingValueCount; ++i) {
    if (i == kUpdate && !withCheckedAndUpdate) continue;
    if (MatchPattern(patterns[i], line) == 0) return i;
  }
  return kNoKey;
}

bool IsSectionLine(std::string_view line) { return MatchPattern("[*]", line) == 0; }

// Everything after the first "=", trimmed. In Shift-JIS "=" is never the
// second byte of a character, so the raw bytes can be searched.
std::string_view RawValue(std::string_view line) {
  size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : TrimView(line.substr(equals + 1));
}

// A password line's value in plain; nothing when it is enciphered and
// `decrypt` (if any) cannot decipher it. Only a non-empty password is ever
// enciphered, so an empty result is the library's failure.
std::optional<std::string> Decipher(BoundCipher* decrypt, std::string_view cipherText, const std::string& key) {
  if (!decrypt) return std::nullopt;
  std::string plain = decrypt->Run(std::string(cipherText), key);
  if (plain.empty()) return std::nullopt;
  return SjisToUtf8(plain);
}

struct OpenedSetFile {
  std::vector<std::string> lines;  // after the version line
  bool enciphered = false;
  std::unique_ptr<BoundCipher> decrypt;  // bound while the file is read
  std::string key;
  bool decipherFailed = false;  // the bound library failed on a password

  std::optional<std::string> Password(std::string_view raw) {
    if (raw.empty()) return std::string();
    if (!enciphered) return SjisToUtf8(raw);
    std::optional<std::string> plain = Decipher(decrypt.get(), raw, key);
    if (!plain && decrypt) decipherFailed = true;
    return plain;
  }
  // A library that is there but failed is reported as one that is missing
  // (which the opening reported already): either way passwords are lost.
  void ReportFailures(SetFileServices& services) const {
    if (decipherFailed) services.messages.Warning(kCannotDecrypt, Owner::kNone);
  }
};

enum class OpenOutcome { kNoFile, kRefused, kOpened };

// Opens a set file, checks its version line and binds the cipher it needs.
OpenOutcome OpenSetFile(const std::string& path, uint32_t serial, SetFileServices& services,
                        OpenedSetFile& file) {
  std::string bytes;
  if (!services.storage.Read(path, bytes)) return OpenOutcome::kNoFile;
  file.lines = TextModeLines(bytes);
  if (file.lines.empty()) return OpenOutcome::kRefused;
  std::string_view version = TrimView(file.lines.front());
  if (version == kSetFileVersion2) {
    file.enciphered = true;
  } else if (version != kSetFileVersion1) {
    services.messages.Warning(kWrongVersion + path, Owner::kNone);
    return OpenOutcome::kRefused;
  }
  file.lines.erase(file.lines.begin());
  file.key = CipherKey(serial);
  if (file.enciphered) {
    file.decrypt = services.cipher.Bind(CipherLibrary::Function::kDecrypt);
    if (!file.decrypt) services.messages.Warning(kCannotDecrypt, Owner::kNone);
  }
  return OpenOutcome::kOpened;
}

bool IsPassword(int index) { return index == kSrcPass || index == kDstPass; }
constexpr int kPasswords[] = {kSrcPass, kDstPass};

bool SamePath(const std::string& a, const std::string& b) {
  return AsciiLower(NormalizedPath(a)) == AsciiLower(NormalizedPath(b));
}

bool HoldsSealedPasswords(const BackupSet& set) {
  for (const BackupSetting& setting : set.settings) {
    for (int i : kPasswords) {
      if (setting.IsSealed(i)) return true;
    }
  }
  return false;
}

// True when a sealed password of the set was read from `path`.
bool SealedFrom(const BackupSet& set, const std::string& path) {
  for (const BackupSetting& setting : set.settings) {
    for (int i : kPasswords) {
      if (setting.IsSealed(i) && SamePath(setting.Sealed(i).file, path)) return true;
    }
  }
  return false;
}

bool HoldsPlainPasswords(const BackupSet& set) {
  for (const BackupSetting& setting : set.settings) {
    for (int i : kPasswords) {
      if (!setting.values[i].empty()) return true;
    }
  }
  return false;
}

// --- writing ---

class SetFileWriter {
 public:
  void Line(std::string_view sjis) {
    out_ += sjis;
    out_ += "\r\n";
  }
  void Value(int index, std::string_view utf8) { Line(Utf8ToSjis(std::string(kSettingKeys[index]) + "=") + Utf8ToSjis(utf8)); }
  void RawValue(int index, std::string_view sjis) { Line(std::string(kSettingKeys[index]) + "=" + std::string(sjis)); }
  // A section: the values come from `value`, the passwords from `password`
  // (already in file form).
  template <typename ValueText, typename PasswordText>
  void Section(const std::string& name, const char* checked, ValueText value, PasswordText password) {
    Line(Utf8ToSjis("[" + name + "]"));
    Line(std::string("Checked=") + checked);
    for (int i = 0; i < kSettingValueCount; ++i) {
      if (IsPassword(i)) {
        RawValue(i, password(i));
      } else {
        Value(i, value(i));
      }
      if (i == kAllCopy || i == kDstLogoff || i == kDstVolumeName || i == kOldFileDate) Line("");
    }
  }
  const std::string& Text() const { return out_; }

 private:
  std::string out_;
};

// A password in its file form through CryptEnc for the line of `index`;
// nothing when the library fails (an empty text is no cipher text either) or
// when the line would be longer than the reader takes in one piece, which
// would read back as another password.
std::optional<std::string> Encipher(BoundCipher& cipher, int index, const std::string& password,
                                    const std::string& key) {
  if (password.empty()) return std::string();
  std::string text = cipher.Run(Utf8ToSjis(password), key);
  if (text.empty()) return std::nullopt;
  if (std::string_view(kSettingKeys[index]).size() + 1 + text.size() > kLineBuffer - 1) return std::nullopt;
  return text;
}

// "設定「name」のソース側パスワード": which password a message is about.
std::string PasswordName(const std::string& settingName, int index) {
  return "設定「" + settingName + "」の" + (index == kSrcPass ? "ソース側" : "バックアップ先") + "パスワード";
}

// The whole set file, in version 2 when `enciphered`. A sealed password is
// written as it was read. The others go through `cipher`, which may be
// missing only when none of them is set; one the cipher refuses is written
// empty and named in `refused`, the others stay enciphered.
std::string SetFileText(const BackupSet& set, bool enciphered, BoundCipher* cipher, const std::string& key,
                        std::vector<std::string>& refused) {
  SetFileWriter writer;
  writer.Line(enciphered ? kSetFileVersion2 : kSetFileVersion1);
  writer.Line("");
  for (const BackupSetting& setting : set.settings) {
    writer.Section(
        setting.name, BoolToText(setting.checked), [&](int i) -> const std::string& { return setting.values[i]; },
        [&](int i) -> std::string {
          if (setting.IsSealed(i)) return setting.Sealed(i).cipherText;
          if (!enciphered) return Utf8ToSjis(setting.values[i]);
          if (setting.values[i].empty() || !cipher) return std::string();
          std::optional<std::string> text = Encipher(*cipher, i, setting.values[i], key);
          if (!text) refused.push_back(PasswordName(setting.name, i));
          return text.value_or("");
        });
  }
  return writer.Text();
}

bool StoreFile(const std::string& path, const std::string& bytes, SetFileServices& services) {
  std::string reason;
  if (services.storage.Replace(path, bytes, reason)) return true;
  services.messages.Warning(kCannotSave + path + "\n\n" + reason, Owner::kNone);
  return false;
}

}  // namespace

bool LoadBackupSet(BackupSet& set, const std::string& path, bool add, SetFileServices& services) {
  std::optional<uint32_t> serial = services.location.VolumeSerial();
  if (!serial) {
    services.messages.Warning(kSystemInfoFailed, Owner::kMainWindow);
    return false;
  }
  OpenedSetFile file;
  switch (OpenSetFile(path, *serial, services, file)) {
    case OpenOutcome::kNoFile:
      if (!add) set.settings.clear();
      return true;
    case OpenOutcome::kRefused:
      return false;
    case OpenOutcome::kOpened:
      break;
  }
  std::vector<BackupSetting> loaded;
  for (const std::string& raw : file.lines) {
    std::string_view line = TrimView(raw);
    if (line.empty()) continue;
    std::string text = SjisToUtf8(line);
    if (IsSectionLine(text)) {
      loaded.push_back(FileDefaultSetting(text.substr(1, text.size() - 2)));
      continue;
    }
    if (loaded.empty()) continue;  // nothing to apply keys to before the first section
    BackupSetting& setting = loaded.back();
    int key = MatchKey(text, true);
    if (key == kNoKey) continue;
    std::string_view value = RawValue(line);
    if (key == kCheckedKey) {
      setting.checked = TextToBool(SjisToUtf8(value));
    } else if (IsPassword(key)) {
      std::optional<std::string> plain = file.Password(value);
      setting.values[key] = plain.value_or("");
      setting.Sealed(key) = plain ? SealedPassword{} : SealedPassword{std::string(value), path};
    } else {
      setting.values[key] = SjisToUtf8(value);
    }
  }
  file.ReportFailures(services);
  if (!add) set.settings.clear();
  for (BackupSetting& setting : loaded) set.settings.push_back(std::move(setting));
  return true;
}

bool SaveBackupSet(const BackupSet& set, const std::string& path, int& optionCryptEnabled,
                   SetFileServices& services) {
  std::optional<uint32_t> serial = services.location.VolumeSerial();
  if (!serial) {
    services.messages.Warning(kSystemInfoFailed, Owner::kMainWindow);
    return false;
  }
  // Passwords known only enciphered are the file's alone: the file they came
  // from stays as it is, and another file can take them only as they were
  // read, which needs version 2 and so the cipher for every other password.
  const bool sealed = HoldsSealedPasswords(set);
  if (sealed && SealedFrom(set, path)) {
    services.messages.Warning(kSealedNotSaved + path + kSealedHowTo, Owner::kNone);
    return false;
  }
  std::unique_ptr<BoundCipher> cipher;
  if (optionCryptEnabled == 1 || sealed) {
    cipher = services.cipher.Bind(CipherLibrary::Function::kEncrypt);
    if (!cipher) {
      services.messages.Warning(kCannotEncrypt, Owner::kNone);
      optionCryptEnabled = 0;
    }
  }
  if (sealed && !cipher && HoldsPlainPasswords(set)) {
    services.messages.Warning(kSealedNotSaved + path + kSealedHowTo, Owner::kNone);
    return false;
  }
  // A password the library will not encipher is left out rather than
  // written in plain: one such password must not expose all the others.
  std::vector<std::string> refused;
  std::string text = SetFileText(set, cipher || sealed, cipher.get(), CipherKey(*serial), refused);
  if (!refused.empty()) {
    std::string message = kEncryptFailedInSet;
    for (const std::string& name : refused) message += "\n" + name;
    services.messages.Warning(message, Owner::kNone);
  }
  return StoreFile(path, text, services);
}

bool UnsealPasswords(BackupSet& set, SetFileServices& services) {
  if (!HoldsSealedPasswords(set)) return true;
  std::optional<uint32_t> serial = services.location.VolumeSerial();
  if (!serial) return false;
  std::unique_ptr<BoundCipher> decrypt = services.cipher.Bind(CipherLibrary::Function::kDecrypt);
  if (!decrypt) return false;
  bool all = true;
  for (BackupSetting& setting : set.settings) {
    for (int i : kPasswords) {
      if (!setting.IsSealed(i)) continue;
      std::optional<std::string> plain = Decipher(decrypt.get(), setting.Sealed(i).cipherText, CipherKey(*serial));
      if (plain) {
        setting.values[i] = *plain;
        setting.Sealed(i) = SealedPassword{};
      } else {
        all = false;
      }
    }
  }
  return all;
}

std::string DefaultSettingPath(ProgramLocation& location) { return location.Folder() + "default.dat"; }

namespace {

// True when the defaults file holds an enciphered password (a version-2
// file with a non-empty SrcPass or DstPass line).
bool DefaultsHoldEncipheredPasswords(SetFileServices& services) {
  std::string bytes;
  if (!services.storage.Read(DefaultSettingPath(services.location), bytes)) return false;
  std::vector<std::string> lines = TextModeLines(bytes);
  if (lines.empty() || TrimView(lines.front()) != kSetFileVersion2) return false;
  for (const std::string& raw : lines) {
    std::string_view line = TrimView(raw);
    if (IsPassword(MatchKey(SjisToUtf8(line), false)) && !RawValue(line).empty()) return true;
  }
  return false;
}

}  // namespace

bool WriteDefaultSetting(const BackupSetting& setting, SetFileServices& services) {
  std::optional<uint32_t> serial = services.location.VolumeSerial();
  if (!serial) services.messages.Warning(kVolumeInfoFailed, Owner::kNone);
  std::unique_ptr<BoundCipher> cipher = services.cipher.Bind(CipherLibrary::Function::kEncrypt);
  if (!cipher) services.messages.Warning(kCannotEncrypt, Owner::kNone);
  // Without a key or a cipher the passwords would be written empty: the
  // defaults file keeps the ones it holds until they can be written again.
  if ((!serial || !cipher) && DefaultsHoldEncipheredPasswords(services)) {
    services.messages.Warning(kDefaultsNotSaved + DefaultSettingPath(services.location), Owner::kNone);
    return false;
  }

  // Without a key or a cipher the passwords are left out: default.dat is
  // always version 2 and must never hold them in plain.
  bool failed = false;
  auto password = [&](int i) -> std::string {
    if (!serial || !cipher) return {};
    std::optional<std::string> text = Encipher(*cipher, i, setting.values[i], CipherKey(*serial));
    if (!text) failed = true;
    return text.value_or("");
  };
  auto value = [&](int i) -> std::string {
    if (i == kUpdate) return "0";
    if (IsSwitchSetting(i) || i == kDateFolderType) return BoolToText(TextToBool(setting.values[i]));
    if (i == kOldFileDate) {
      if (std::optional<double> date = ParseDateTimeText(setting.values[i])) return FormatDateTime(DecodeDateTime(*date));
    }
    return setting.values[i];
  };
  SetFileWriter writer;
  writer.Line(kSetFileVersion2);
  writer.Line("");
  writer.Section(setting.name, "0", value, password);
  if (failed) services.messages.Warning(kEncryptFailedInDefaults, Owner::kNone);
  cipher.reset();
  return StoreFile(DefaultSettingPath(services.location), writer.Text(), services);
}

bool ReadDefaultSetting(BackupSetting& setting, SetFileServices& services) {
  std::optional<uint32_t> serial = services.location.VolumeSerial();
  if (!serial) {
    services.messages.Warning(kSystemInfoFailed, Owner::kNone);
    return false;
  }
  OpenedSetFile file;
  switch (OpenSetFile(DefaultSettingPath(services.location), *serial, services, file)) {
    case OpenOutcome::kNoFile:
      return true;
    case OpenOutcome::kRefused:
      return false;
    case OpenOutcome::kOpened:
      break;
  }
  for (const std::string& raw : file.lines) {
    std::string_view line = TrimView(raw);
    if (line.empty()) continue;
    std::string text = SjisToUtf8(line);
    if (IsSectionLine(text)) {
      setting.name = text.substr(1, text.size() - 2);
      continue;
    }
    int key = MatchKey(text, false);
    if (key == kNoKey) continue;
    std::string_view value = RawValue(line);
    if (IsPassword(key)) {
      setting.values[key] = file.Password(value).value_or("");
    } else if (IsSwitchSetting(key) || key == kDateFolderType) {
      // A check box or the choice of folder form: on only for a non-zero
      // whole number.
      setting.values[key] = BoolToText(TextToBool(SjisToUtf8(value)));
    } else if (key == kOldFileDate) {
      // A date picker keeps its date when the text is no date; a time of
      // day stays with it.
      if (std::optional<double> date = ParseDateTimeText(SjisToUtf8(value))) {
        setting.values[key] = FormatDateTime(DecodeDateTime(*date));
      }
    } else {
      setting.values[key] = SjisToUtf8(value);
    }
  }
  file.ReportFailures(services);
  return true;
}

}  // namespace dm
