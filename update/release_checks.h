// The checks between a download and its use: the version file's signature
// before a single key of it is read, the archive against its signed size
// and SHA-256 before it is extracted, and the extracted files against the
// manifest before the updater may install them. Also the emptying of the
// update's folder before a new download. Each check answers nothing when
// all is well, or the message the user is shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "update/release_manifest.h"

namespace dm {

// The signature file: the version file's address with this added, holding
// the 64 bytes r||s of an ECDSA P-256 signature over SHA-256 of the version
// file's exact bytes.
inline constexpr char kSignatureSuffix[] = ".sig";
inline constexpr size_t kSignatureBytes = 64;
// What the signature's download reads at most: enough to tell a wrong length.
inline constexpr size_t kSignatureMaxBytes = 1024;
// What the details text's download reads at most.
inline constexpr size_t kDetailsMaxBytes = 1 << 20;

// The release key the program was built to trust.
class ReleaseKey {
 public:
  virtual ~ReleaseKey() = default;
  // True when `signature` (64 bytes r||s) is the key's over SHA-256 of
  // `message`. False for any other signature, and when the system cannot
  // verify at all (`error` then says why).
  virtual bool Verify(std::string_view message, std::string_view signature, std::string& error) = 0;
};

// The SHA-256 of a file's bytes; nothing when it cannot be read.
class FileHasher {
 public:
  virtual ~FileHasher() = default;
  virtual std::optional<Sha256Digest> HashFile(const std::string& path) = 0;
};

inline constexpr char kSignatureRefused[] = "バージョン情報の署名を確認できません。アップデートを中止します。\n\n";
inline constexpr char kArchiveRefused[] = "ダウンロードしたファイルが署名と一致しません。アップデートを中止します。\n\n";
inline constexpr char kExtractedRefused[] = "解凍したファイルが署名と一致しません。アップデートを中止します。\n\n";
inline constexpr char kManifestRefused[] = "バージョン情報の署名された項目が正しくありません。アップデートを中止します。\n\n";
inline constexpr char kFolderNotEmptied[] =
    "アップデート用のフォルダを空にできません。アップデートを中止します。\n\n";

// The whole message for a signature that does not hold, or nothing.
std::optional<std::string> SignatureProblem(std::string_view versionFile, std::string_view signature,
                                            ReleaseKey& key);
// The message for a signature that could not be downloaded.
std::string SignatureMissingMessage(const std::string& downloadError);

// The archive as downloaded against the manifest, or nothing.
std::optional<std::string> ArchiveProblem(const std::string& archiveName, uint64_t size,
                                          const std::optional<Sha256Digest>& sha256, const ReleaseManifest& manifest);

// The update's folder after extraction must hold the archive and exactly
// the signed files with their signed sizes and hashes: one line for each
// file missing, different or not signed. Empty when all is well.
std::vector<std::string> ExtractedProblems(FileSystem& fs, const std::string& folder, const std::string& archiveName,
                                           const ReleaseManifest& manifest, FileHasher& hasher);
std::string ExtractedMessage(const std::vector<std::string>& problems);

// Removes every file from the update's folder (no sub-folder, nothing
// below one). The lines name what could not be removed.
std::vector<std::string> EmptyUpdateFolder(FileSystem& fs, const std::string& folder);
std::string FolderNotEmptiedMessage(const std::string& folder, const std::vector<std::string>& failures);

// The folder of its own, below the user's download folder, where the update
// keeps its downloads and from which the updater starts. The user may have
// named any folder (their own downloads, the desktop) as the download folder;
// this one holds only what the update put there, so it can be emptied.
inline constexpr char kUpdateFolderName[] = "Drovenmark-update";
std::string UpdateFolderOf(const std::string& downloadFolder);

}  // namespace dm
