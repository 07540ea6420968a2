#include "dist/release.h"

#include <string_view>

#include "update/version_file.h"

namespace dm {
namespace {

bool AllOf(std::string_view text, bool (*allowed)(char)) {
  for (char c : text) {
    if (!allowed(c)) return false;
  }
  return true;
}

std::string TrimmedBase(const std::string& base) {
  std::string out = base;
  while (!out.empty() && out.back() == '/') out.pop_back();
  return out;
}

std::string Stem(const Release& release) { return "drovenmk-" + release.productVersion; }

}  // namespace

std::optional<std::string> ReleaseProblem(const Release& release) {
  const std::string& v = release.productVersion;
  if (v.empty() || v.front() == '.' || v.back() == '.' ||
      !AllOf(v, [](char c) { return (c >= '0' && c <= '9') || c == '.'; })) {
    return "the product version must be digits and dots, like 2.10: \"" + v + "\"";
  }
  // A version resource holds each part of FileVersion in 16 bits.
  if (release.build < 1 || release.build > 65535) {
    return "the build must be a number from 1 to 65535: " + std::to_string(release.build);
  }
  const std::string& base = release.baseUrl;
  std::string_view rest;
  if (base.rfind("http://", 0) == 0) {
    rest = std::string_view(base).substr(7);
  } else if (base.rfind("https://", 0) == 0) {
    rest = std::string_view(base).substr(8);
  } else {
    return "the base address must begin with http:// or https://: \"" + base + "\"";
  }
  if (rest.empty() || rest.front() == '/') return "the base address names no host: \"" + base + "\"";
  // The program trims each line of the version file and takes the file name
  // after the last "/": blanks, control characters and a query would change
  // what it downloads or under which name it saves it.
  if (!AllOf(base, [](char c) { return static_cast<unsigned char>(c) > ' ' && c != 0x7f && c != '?' && c != '#'; })) {
    return "the base address must hold no blanks, control characters, \"?\" or \"#\": \"" + base + "\"";
  }
  return std::nullopt;
}

std::string InstallerName(const Release& release) { return Stem(release) + "-setup.exe"; }

std::string ArchiveName(const Release& release) {
  return Stem(release) + "-" + std::to_string(release.build) + ".lzh";
}

std::string DetailsName(const Release& release) {
  return Stem(release) + "-" + std::to_string(release.build) + ".txt";
}

std::string PublishedUrl(const Release& release, const std::string& fileName) {
  return TrimmedBase(release.baseUrl) + "/" + fileName;
}

std::string VersionFileText(const Release& release, const ReleaseManifest& manifest) {
  std::string text;
  auto line = [&](const std::string& s) { text += s + "\r\n"; };
  line(kProductSection);
  line("Version: " + release.productVersion);
  line("Build: " + std::to_string(release.build));
  line("Url: " + PublishedUrl(release, ArchiveName(release)));
  line("Info: " + PublishedUrl(release, DetailsName(release)));
  line("Archive-size: " + std::to_string(manifest.archiveSize));
  line("Archive-sha256: " + Sha256Text(manifest.archiveSha256));
  for (const SignedFile& file : manifest.files) line("File: " + SignedFileLine(file));
  return text;
}

std::optional<ReleaseManifest> ManifestOfFacts(const Release& release, const std::string& facts,
                                               std::string& problem) {
  std::vector<std::string> expected = {ArchiveName(release)};
  expected.insert(expected.end(), ProgramFiles().begin(), ProgramFiles().end());
  ReleaseManifest manifest;
  size_t index = 0;
  size_t pos = 0;
  while (pos < facts.size()) {
    size_t end = facts.find('\n', pos);
    if (end == std::string::npos) end = facts.size();
    std::string line = facts.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) continue;
    if (index == expected.size()) {
      problem = "more files than the release has: " + line;
      return std::nullopt;
    }
    // The archive's name is no program file's, so it is read as a size and
    // a hash and then compared.
    std::optional<SignedFile> file;
    if (index == 0) {
      size_t first = line.find(' '), second = line.find(' ', first + 1);
      std::optional<uint64_t> size = ParseSignedSize(line.substr(0, first));
      std::optional<Sha256Digest> sha = ParseSha256(line.substr(first + 1, second - first - 1));
      if (first != std::string::npos && second != std::string::npos && size && sha) {
        file = SignedFile{line.substr(second + 1), *size, *sha};
      }
    } else {
      file = ParseSignedFileLine(line);
    }
    if (!file || file->name != expected[index]) {
      problem = "expected \"SIZE SHA256 " + expected[index] + "\", not: " + line;
      return std::nullopt;
    }
    if (index == 0) {
      manifest.archiveSize = file->size;
      manifest.archiveSha256 = file->sha256;
    } else {
      manifest.files.push_back(*file);
    }
    ++index;
  }
  if (index != expected.size()) {
    problem = "no facts for " + expected[index];
    return std::nullopt;
  }
  return manifest;
}

std::string DetailsText(const Release& release) {
  std::string text = "Drovenmark Version " + release.productVersion + " (Build " + std::to_string(release.build) +
                     ")\r\n\r\n更新されるファイル:\r\n";
  for (const std::string& f : ProgramFiles()) text += "  " + f + "\r\n";
  text += "\r\nダウンロード後、Drovenmarkを再起動して新しいファイルに入れ替えます。\r\n";
  return text;
}

}  // namespace dm
