// The backup set file (.dmk) and the user's defaults for new settings
// (default.dat in the program folder).
//
// Both are Shift-JIS text with CR LF line ends:
//
//   ##Drovenmark2##            version line: 1 = passwords in plain,
//                              2 = passwords enciphered by CRYPT.DLL
//   [name]                     one section per setting, in list order
//   Checked=1
//   Src=C:\data
//   ...                        the 31 values in their fixed order, with an
//                              empty line after AllCopy, DstLogoff,
//                              DstVolumeName and OldFileDate
//
// A value is everything after the first "=" of its line. The cipher key is
// the volume serial number of the program's drive, as an unsigned decimal.
#pragma once

#include <string>

#include "backupset/backup_setting.h"
#include "backupset/set_file_services.h"

namespace dm {

inline constexpr const char kSetFileVersion1[] = "##Drovenmark1##";
inline constexpr const char kSetFileVersion2[] = "##Drovenmark2##";

// Reads a set file into `set.settings`: replacing them, or appended after them
// when `add` is true. A file that cannot be opened loads as nothing (true,
// and an emptied list unless adding). False, with the list untouched, when
// the serial number cannot be read or the file is empty or of another
// version. A version-2 password that cannot be deciphered (no cipher
// library, or the library fails on it, after one message) reads as empty
// and is kept sealed in its setting.
bool LoadBackupSet(BackupSet& set, const std::string& path, bool add, SetFileServices& services);

// Writes every setting of the set. With `optionCryptEnabled` 1 the passwords
// are enciphered (version 2); when the cipher library is missing the file is
// written in version 1 and `optionCryptEnabled` becomes 0. A password the
// library refuses (or whose cipher text would make a line too long to read
// back) is written empty, after a message that names it. An existing file
// is replaced whole or not at all. False when the serial number cannot be
// read or the file cannot be written (both after a message).
//
// Sealed passwords are never lost: the file they were read from is not
// written at all, and another file gets them as they were read, in version
// 2 whatever `optionCryptEnabled` says; without the cipher that is possible
// only when no other password is set. Each refusal is a message that names
// the file, and gives false.
bool SaveBackupSet(const BackupSet& set, const std::string& path, int& optionCryptEnabled,
                   SetFileServices& services);

// Tries the cipher library again on the sealed passwords of the set (it may
// be back): each it deciphers now becomes an ordinary value. No message:
// the load told already. True when no password stays sealed.
bool UnsealPasswords(BackupSet& set, SetFileServices& services);

// "<program folder>default.dat".
std::string DefaultSettingPath(ProgramLocation& location);

// Stores an editor setting as the user's defaults: always version 2, with
// "Checked=0" and "Update=0" and the switches as 0 or 1. False when the file
// cannot be written, or, after a message, when passwords could not be
// enciphered (no cipher library or serial number) while the file holds
// enciphered ones: those are kept rather than replaced by empty ones.
bool WriteDefaultSetting(const BackupSetting& setting, SetFileServices& services);

// Lays the user's defaults over an editor setting: the section name, every
// key but Checked and Update (also lines before the section), switches as
// "1" or "0", dates in the short form. A missing file changes nothing. False
// when the file was not read to its end (serial number, version line).
bool ReadDefaultSetting(BackupSetting& setting, SetFileServices& services);

}  // namespace dm
