// The signed lines of the version file, the signature over it, the archive
// and the extracted files against what the key signed.
#include <gtest/gtest.h>

#include <functional>

#include "engine/tests/fake_file_system.h"
#include "update/release_checks.h"
#include "update/release_manifest.h"

namespace dm {
namespace {

const std::string kHashA(64, 'a');
const std::string kHashB = std::string(63, 'b') + "c";

VersionFileInfo ValidInfo() {
  VersionFileInfo info;
  info.build = "411";
  info.archiveSize = {"2873344"};
  info.archiveSha256 = {kHashA};
  info.files = {"2411008 " + kHashB + " drovenmk.exe", "20480 " + kHashA + " CRYPT.DLL"};
  return info;
}

TEST(ReleaseManifest, ReadsTheSignedLines) {
  ManifestReading reading = ReadManifest(ValidInfo());
  ASSERT_TRUE(reading.manifest) << reading.problem;
  EXPECT_EQ(reading.manifest->archiveSize, 2873344u);
  EXPECT_EQ(Sha256Text(reading.manifest->archiveSha256), kHashA);
  ASSERT_EQ(reading.manifest->files.size(), 2u);
  EXPECT_EQ(reading.manifest->files[0].name, "drovenmk.exe");
  EXPECT_EQ(reading.manifest->files[0].size, 2411008u);
  EXPECT_EQ(Sha256Text(reading.manifest->files[0].sha256), kHashB);
  EXPECT_EQ(SignedFileLine(reading.manifest->files[1]), "20480 " + kHashA + " CRYPT.DLL");
}

TEST(ReleaseManifest, WhatIsRefused) {
  struct Case {
    const char* name;
    std::function<void(VersionFileInfo&)> change;
    const char* problem;  // empty: accepted
  };
  const std::string long_name(300, 'n');
  const Case cases[] = {
      {"upper-case hash", [](VersionFileInfo& i) { i.archiveSha256 = {std::string(64, 'F')}; }, ""},
      {"the largest size", [](VersionFileInfo& i) { i.archiveSize = {"2147483648"}; }, ""},
      {"one byte past the largest size", [](VersionFileInfo& i) { i.archiveSize = {"2147483649"}; },
       "Archive-size: 2147483649"},
      {"no archive size", [](VersionFileInfo& i) { i.archiveSize.clear(); }, "Archive-size がありません"},
      {"archive size twice", [](VersionFileInfo& i) { i.archiveSize.push_back("2873344"); },
       "Archive-size が二度以上あります"},
      {"archive hash twice", [](VersionFileInfo& i) { i.archiveSha256.push_back(kHashA); },
       "Archive-sha256 が二度以上あります"},
      {"no archive hash", [](VersionFileInfo& i) { i.archiveSha256.clear(); }, "Archive-sha256 がありません"},
      {"signed size", [](VersionFileInfo& i) { i.archiveSize = {"+2873344"}; }, "Archive-size: +2873344"},
      {"negative size", [](VersionFileInfo& i) { i.archiveSize = {"-1"}; }, "Archive-size: -1"},
      {"size with a blank", [](VersionFileInfo& i) { i.archiveSize = {"2873 344"}; }, "Archive-size: 2873 344"},
      {"size in hexadecimal", [](VersionFileInfo& i) { i.archiveSize = {"0x2bd800"}; }, "Archive-size: 0x2bd800"},
      {"hash one digit short", [](VersionFileInfo& i) { i.archiveSha256 = {std::string(63, 'a')}; },
       "Archive-sha256: "},
      {"hash one digit long", [](VersionFileInfo& i) { i.archiveSha256 = {std::string(65, 'a')}; },
       "Archive-sha256: "},
      {"hash not hexadecimal", [](VersionFileInfo& i) { i.archiveSha256 = {std::string(63, 'a') + "g"}; },
       "Archive-sha256: "},
      {"file hash one digit short",
       [](VersionFileInfo& i) { i.files[1] = "20480 " + std::string(63, 'a') + " CRYPT.DLL"; }, "File: 20480 "},
      {"file without a name", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA; }, "File: 20480 "},
      {"file without a size", [](VersionFileInfo& i) { i.files[1] = kHashA + " CRYPT.DLL"; }, "File: "},
      {"two blanks", [](VersionFileInfo& i) { i.files[1] = "20480  " + kHashA + " CRYPT.DLL"; }, "File: 20480 "},
      {"a path", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " ..\\CRYPT.DLL"; }, "File: "},
      {"a device", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " CON"; }, "File: "},
      {"the version file", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " version.txt"; }, "File: "},
      {"an archive", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " next.lzh"; }, "File: "},
      {"a staging name", [](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " CRYPT.DLL.dmnew"; },
       "File: "},
      {"a name longer than a file system takes",
       [&](VersionFileInfo& i) { i.files[1] = "20480 " + kHashA + " " + long_name; }, "File: "},
      {"the same name twice, in another case",
       [](VersionFileInfo& i) { i.files.push_back("1 " + kHashA + " crypt.dll"); },
       "File: crypt.dll が二度以上あります"},
      {"no program", [](VersionFileInfo& i) { i.files.erase(i.files.begin()); }, "File: drovenmk.exe がありません"},
      {"more files than a release has",
       [](VersionFileInfo& i) {
         for (int n = 0; n < 63; ++n) i.files.push_back("1 " + kHashA + " f" + std::to_string(n) + ".dat");
       },
       "File: が多すぎます (65)"},
  };
  for (const Case& c : cases) {
    VersionFileInfo info = ValidInfo();
    c.change(info);
    ManifestReading reading = ReadManifest(info);
    if (std::string(c.problem).empty()) {
      EXPECT_TRUE(reading.manifest) << c.name << ": " << reading.problem;
    } else {
      EXPECT_FALSE(reading.manifest) << c.name;
      EXPECT_EQ(reading.problem.rfind(c.problem, 0), 0u) << c.name << ": " << reading.problem;
    }
  }
}

TEST(ReleaseManifest, TheVersionFileCarriesItsLinesPastOldReaders) {
  const std::string text =
      "[Other]\r\nArchive-size: 1\r\n"
      "[Drovenmark]\r\nVersion: 2.11\r\nBuild: 411\r\nUrl: http://h/a.lzh\r\n"
      "Archive-size: 2873344\r\nArchive-sha256: " + kHashA + "\r\n"
      "File: 2411008 " + kHashB + " drovenmk.exe\r\nFile: 20480 " + kHashA + " CRYPT.DLL\r\n"
      "File:1 " + kHashA + " x.dll\r\nfile: 1 " + kHashA + " y.dll\r\n"
      "[Later]\r\nFile: 1 " + kHashA + " z.dll\r\n";
  VersionFileInfo info = ReadVersionFile(text);
  // What an old build reads is all there, the same.
  EXPECT_EQ(info.build, "411");
  EXPECT_EQ(info.url, "http://h/a.lzh");
  EXPECT_EQ(info.contentLength, std::nullopt);
  EXPECT_EQ(info.archiveSize, std::vector<std::string>{"2873344"});
  ManifestReading reading = ReadManifest(info);
  ASSERT_TRUE(reading.manifest) << reading.problem;
  EXPECT_EQ(reading.manifest->files.size(), 2u);  // the lines without the blank, in another case or section are no keys
  // A file line longer than a line is read in pieces: the first piece no longer reads.
  VersionFileInfo cut = ReadVersionFile("[Drovenmark]\r\nFile: 1 " + kHashA + " " + std::string(4100, 'n') + ".dll\r\n");
  ASSERT_EQ(cut.files.size(), 1u);
  EXPECT_FALSE(ParseSignedFileLine(cut.files[0]));
}

// Signs a message as the fake key does: its bytes repeated, 64 of them.
std::string FakeSignature(std::string_view message) {
  std::string signature;
  while (signature.size() < kSignatureBytes) signature += message.empty() ? std::string("-") : std::string(message);
  return signature.substr(0, kSignatureBytes);
}

struct FakeKey : ReleaseKey {
  std::string systemError;
  bool Verify(std::string_view message, std::string_view signature, std::string& error) override {
    error = systemError;
    return systemError.empty() && signature == FakeSignature(message);
  }
};

TEST(ReleaseChecks, TheSignatureMustBeTheKeysOverTheseBytes) {
  const std::string file = "[Drovenmark]\r\nBuild: 411\r\n";
  std::string flipped = FakeSignature(file);
  flipped[10] ^= 1;
  struct Case {
    const char* name;
    std::string bytes, signature, systemError;
    const char* reason;  // empty: holds
  };
  const Case cases[] = {
      {"genuine", file, FakeSignature(file), "", ""},
      {"empty", file, "", "", "署名の長さが正しくありません (0 byte)"},
      {"one byte short", file, FakeSignature(file).substr(1), "", "署名の長さが正しくありません (63 byte)"},
      {"one byte long", file, FakeSignature(file) + "x", "", "署名の長さが正しくありません (65 byte)"},
      {"one bit of the signature", file, flipped, "", "リリース鍵の署名ではないか"},
      {"one byte of the file", "[Drovenmark]\r\nBuild: 412\r\n", FakeSignature(file), "", "リリース鍵の署名ではないか"},
      {"a CR more", file + "\r", FakeSignature(file), "", "リリース鍵の署名ではないか"},
      {"the system cannot verify", file, FakeSignature(file), "BCryptImportKeyPair: 0xC0000002",
       "BCryptImportKeyPair: 0xC0000002"},
  };
  for (const Case& c : cases) {
    FakeKey key;
    key.systemError = c.systemError;
    std::optional<std::string> problem = SignatureProblem(c.bytes, c.signature, key);
    if (std::string(c.reason).empty()) {
      EXPECT_FALSE(problem) << c.name << ": " << *problem;
    } else {
      ASSERT_TRUE(problem) << c.name;
      EXPECT_EQ(problem->rfind(kSignatureRefused, 0), 0u) << c.name;
      EXPECT_NE(problem->find(c.reason), std::string::npos) << c.name << ": " << *problem;
    }
  }
  EXPECT_EQ(SignatureMissingMessage("InternetOpenUrl()に失敗しました (HTTP 404)"),
            std::string(kSignatureRefused) + "署名ファイルを取得できません\nInternetOpenUrl()に失敗しました (HTTP 404)");
}

TEST(ReleaseChecks, TheArchiveMustHaveItsSignedSizeAndHash) {
  ReleaseManifest manifest;
  manifest.archiveSize = 1000;
  manifest.archiveSha256 = *ParseSha256(kHashA);
  Sha256Digest one_bit = manifest.archiveSha256;
  one_bit[31] ^= 1;
  struct Case {
    uint64_t size;
    std::optional<Sha256Digest> sha;
    const char* problem;
  };
  const Case cases[] = {
      {1000, manifest.archiveSha256, ""},
      {999, manifest.archiveSha256, "a.lzh: 999 byte (署名では 1000 byte)"},
      {1001, manifest.archiveSha256, "a.lzh: 1001 byte (署名では 1000 byte)"},
      {1000, one_bit, "a.lzh: SHA-256 が異なります"},
      {1000, std::nullopt, "a.lzh: 読み取れません"},
  };
  for (const Case& c : cases) {
    std::optional<std::string> problem = ArchiveProblem("a.lzh", c.size, c.sha, manifest);
    if (std::string(c.problem).empty()) {
      EXPECT_FALSE(problem) << *problem;
    } else {
      EXPECT_EQ(problem, std::string(kArchiveRefused) + c.problem);
    }
  }
}

// A digest that tells contents of up to 32 bytes apart.
Sha256Digest DigestOf(std::string_view content) {
  Sha256Digest digest{};
  std::copy_n(content.begin(), std::min(content.size(), digest.size()), digest.begin());
  return digest;
}

struct FakeHasher : FileHasher {
  FakeFileSystem& fs;
  explicit FakeHasher(FakeFileSystem& f) : fs(f) {}
  std::optional<Sha256Digest> HashFile(const std::string& path) override {
    if (!fs.Exists(path)) return std::nullopt;
    return DigestOf(fs.Content(path));
  }
};

TEST(ReleaseChecks, ExactlyTheSignedFilesAfterExtraction) {
  ReleaseManifest manifest;
  manifest.files = {{"drovenmk.exe", 11, DigestOf("new program")}, {"CRYPT.DLL", 9, DigestOf("new crypt")}};
  struct Case {
    const char* name;
    std::function<void(FakeFileSystem&)> change;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"as signed", [](FakeFileSystem&) {}, {}},
      {"names in another case", [](FakeFileSystem& fs) {
         fs.RemoveFile("C:\\dl\\u\\CRYPT.DLL");
         fs.AddFile("C:\\dl\\u\\crypt.dll", "new crypt", MakeDateTime(2025, 1, 1));
       }, {}},
      {"an extra library", [](FakeFileSystem& fs) { fs.AddFile("C:\\dl\\u\\VERSION.dll", "x", MakeDateTime(2025, 1, 1)); },
       {"VERSION.dll: 署名にないファイルです"}},
      {"an extra folder", [](FakeFileSystem& fs) { fs.AddFolder("C:\\dl\\u\\sub"); }, {"sub: 署名にないファイルです"}},
      {"one missing", [](FakeFileSystem& fs) { fs.RemoveFile("C:\\dl\\u\\CRYPT.DLL"); }, {"CRYPT.DLL: ありません"}},
      {"one byte more", [](FakeFileSystem& fs) {
         fs.AddFile("C:\\dl\\u\\CRYPT.DLL", "new crypt!", MakeDateTime(2025, 1, 1));
       }, {"CRYPT.DLL: 10 byte (署名では 9 byte)"}},
      {"same size, other bytes", [](FakeFileSystem& fs) {
         fs.AddFile("C:\\dl\\u\\drovenmk.exe", "old program", MakeDateTime(2025, 1, 1));
       }, {"drovenmk.exe: SHA-256 が異なります"}},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.AddFolder("C:\\dl\\u");
    fs.AddFile("C:\\dl\\u\\drovenmk.exe", "new program", MakeDateTime(2025, 1, 1));
    fs.AddFile("C:\\dl\\u\\CRYPT.DLL", "new crypt", MakeDateTime(2025, 1, 1));
    fs.AddFile("C:\\dl\\u\\next.lzh", "the archive", MakeDateTime(2025, 1, 1));
    c.change(fs);
    FakeHasher hasher(fs);
    EXPECT_EQ(ExtractedProblems(fs, "C:\\dl\\u", "next.lzh", manifest, hasher), c.problems) << c.name;
  }
}

// Its files go; a folder somebody made there is named, not deleted, so
// the check stops with that name before anything is downloaded.
TEST(ReleaseChecks, TheUpdateFolderIsEmptiedOfFilesOnly) {
  FakeFileSystem fs;
  fs.AddFolder("C:\\dl\\Drovenmark-update\\sub");
  fs.AddFile("C:\\dl\\Drovenmark-update\\VERSION.dll", "stray", MakeDateTime(2025, 1, 1));
  fs.AddFile("C:\\dl\\Drovenmark-update\\old.lzh", "archive", MakeDateTime(2025, 1, 1));
  fs.AddFile("C:\\dl\\Drovenmark-update\\sub\\kept.txt", "below", MakeDateTime(2025, 1, 1));
  fs.AddFile("C:\\dl\\mine.txt", "the user's", MakeDateTime(2025, 1, 1));
  fs.SetAttributes("C:\\dl\\Drovenmark-update\\old.lzh", kAttrReadOnly);
  EXPECT_EQ(UpdateFolderOf("C:\\dl"), "C:\\dl\\Drovenmark-update");
  EXPECT_EQ(EmptyUpdateFolder(fs, UpdateFolderOf("C:\\dl\\")), std::vector<std::string>{"sub\\: フォルダは削除しません"});
  EXPECT_EQ(fs.Below("C:\\dl"), (std::vector<std::string>{"C:\\dl\\Drovenmark-update", "C:\\dl\\Drovenmark-update\\sub",
                                                         "C:\\dl\\Drovenmark-update\\sub\\kept.txt",
                                                         "C:\\dl\\mine.txt"}));
  fs.AddFile("C:\\dl\\Drovenmark-update\\held.dll", "in use", MakeDateTime(2025, 1, 1));
  fs.undeletable.insert("C:\\dl\\Drovenmark-update\\held.dll");
  fs.ShellDelete("C:\\dl\\Drovenmark-update\\sub", false);
  std::vector<std::string> failures = EmptyUpdateFolder(fs, "C:\\dl\\Drovenmark-update");
  EXPECT_EQ(failures, std::vector<std::string>{"held.dll: 削除できません"});
  EXPECT_EQ(FolderNotEmptiedMessage("C:\\dl\\Drovenmark-update", failures),
            std::string(kFolderNotEmptied) + "C:\\dl\\Drovenmark-update\nheld.dll: 削除できません");
}

}  // namespace
}  // namespace dm
