#include "update/release_checks.h"

#include <map>

#include "base/paths.h"
#include "base/text.h"

namespace dm {

std::optional<std::string> SignatureProblem(std::string_view versionFile, std::string_view signature,
                                            ReleaseKey& key) {
  if (signature.size() != kSignatureBytes) {
    return std::string(kSignatureRefused) + "署名の長さが正しくありません (" + std::to_string(signature.size()) +
           " byte)";
  }
  std::string error;
  if (key.Verify(versionFile, signature, error)) return std::nullopt;
  if (!error.empty()) return std::string(kSignatureRefused) + error;
  return std::string(kSignatureRefused) + "リリース鍵の署名ではないか、バージョン情報が書き換えられています";
}

std::string SignatureMissingMessage(const std::string& downloadError) {
  return std::string(kSignatureRefused) + "署名ファイルを取得できません\n" + downloadError;
}

std::optional<std::string> ArchiveProblem(const std::string& archiveName, uint64_t size,
                                          const std::optional<Sha256Digest>& sha256, const ReleaseManifest& manifest) {
  if (size != manifest.archiveSize) {
    return std::string(kArchiveRefused) + archiveName + ": " + std::to_string(size) + " byte (署名では " +
           std::to_string(manifest.archiveSize) + " byte)";
  }
  if (!sha256) return std::string(kArchiveRefused) + archiveName + ": 読み取れません";
  if (*sha256 != manifest.archiveSha256) return std::string(kArchiveRefused) + archiveName + ": SHA-256 が異なります";
  return std::nullopt;
}

std::vector<std::string> ExtractedProblems(FileSystem& fs, const std::string& folder, const std::string& archiveName,
                                           const ReleaseManifest& manifest, FileHasher& hasher) {
  std::vector<std::string> problems;
  std::map<std::string, const SignedFile*> expected;  // by the name as the file system compares it
  for (const SignedFile& file : manifest.files) expected[fs.NameKey(file.name)] = &file;
  std::vector<DirEntry> entries;
  uint32_t error = 0;
  if (!ReadFolder(fs, folder, entries, error)) {
    problems.push_back(folder + ": " + fs.ErrorMessage(error));
    return problems;
  }
  std::map<std::string, bool> seen;
  for (const DirEntry& entry : entries) {
    if (entry.IsDotEntry()) continue;
    const std::string key = fs.NameKey(entry.name);
    if (key == fs.NameKey(archiveName) && !entry.IsFolder()) continue;
    auto signed_file = expected.find(key);
    if (signed_file == expected.end() || entry.IsFolder()) {
      problems.push_back(entry.name + ": 署名にないファイルです");
      continue;
    }
    seen[key] = true;
    const SignedFile& file = *signed_file->second;
    if (entry.size != file.size) {
      problems.push_back(entry.name + ": " + std::to_string(entry.size) + " byte (署名では " +
                         std::to_string(file.size) + " byte)");
      continue;
    }
    std::optional<Sha256Digest> digest = hasher.HashFile(JoinPath(folder, entry.name));
    if (!digest) {
      problems.push_back(entry.name + ": 読み取れません");
    } else if (*digest != file.sha256) {
      problems.push_back(entry.name + ": SHA-256 が異なります");
    }
  }
  for (const SignedFile& file : manifest.files) {
    if (!seen.count(fs.NameKey(file.name))) problems.push_back(file.name + ": ありません");
  }
  return problems;
}

std::string ExtractedMessage(const std::vector<std::string>& problems) {
  std::string text = kExtractedRefused;
  for (size_t i = 0; i < problems.size(); ++i) text += (i ? "\n" : "") + problems[i];
  return text;
}

std::vector<std::string> EmptyUpdateFolder(FileSystem& fs, const std::string& folder) {
  std::vector<std::string> failures;
  std::vector<DirEntry> entries;
  uint32_t error = 0;
  if (!ReadFolder(fs, folder, entries, error)) {
    failures.push_back(folder + ": " + fs.ErrorMessage(error));
    return failures;
  }
  for (const DirEntry& entry : entries) {
    if (entry.IsDotEntry()) continue;
    // Nothing this program downloads makes a folder here, so one is
    // somebody's: it is named rather than deleted with what it holds, and
    // the check stops here instead of refusing the download afterwards.
    if (entry.IsFolder()) {
      failures.push_back(entry.name + "\\: フォルダは削除しません");
      continue;
    }
    const std::string path = JoinPath(folder, entry.name);
    // A read-only file refuses deletion: it is ours all the same.
    if (entry.attributes & kAttrReadOnly) fs.SetAttributes(path, entry.attributes & ~kAttrReadOnly);
    if (!fs.RemoveFile(path)) failures.push_back(entry.name + ": 削除できません");
  }
  return failures;
}

std::string FolderNotEmptiedMessage(const std::string& folder, const std::vector<std::string>& failures) {
  std::string text = std::string(kFolderNotEmptied) + folder;
  for (const std::string& failure : failures) text += "\n" + failure;
  return text;
}

std::string UpdateFolderOf(const std::string& downloadFolder) { return JoinPath(downloadFolder, kUpdateFolderName); }

}  // namespace dm
