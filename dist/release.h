// What a release of Drovenmark consists of: the names of the files a maker
// publishes, the program files the installer and the update archive carry,
// and the version information file the online update reads.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "update/release_manifest.h"
#include "update/update_steps.h"

namespace dm {

struct Release {
  std::string productVersion;  // "2.10": what users see; names the files
  int build = 0;               // 411: what the online update compares
  std::string baseUrl;         // where the files will be served from, e.g. "https://host/drovenmark"
};

// Why the release cannot be published, or nothing when it can: the version
// names files (digits and dots only), the build is a positive number that a
// version resource holds, the base address is an http or https address
// without blanks or control characters.
std::optional<std::string> ReleaseProblem(const Release& release);

// "drovenmk-2.10-setup.exe"
std::string InstallerName(const Release& release);
// "drovenmk-2.10-411.lzh": each build gets its own name, so a download
// cache or a half-uploaded file can never be taken for another build.
std::string ArchiveName(const Release& release);
// "drovenmk-2.10-411.txt": the details text (Shift-JIS) the Info line names.
std::string DetailsName(const Release& release);
inline constexpr char kVersionFileName[] = "version.txt";

// The program's files (ProgramFiles of update_steps.h) are what the
// installer writes and the update archive holds.

// The base address joined with a file name, with one "/" between them.
std::string PublishedUrl(const Release& release, const std::string& fileName);

// The whole version information file, CRLF line ends:
//   [Drovenmark]
//   Version: 2.10
//   Build: 411
//   Url: <base>/drovenmk-2.10-411.lzh
//   Info: <base>/drovenmk-2.10-411.txt
// then the manifest the release key signs with the file: Archive-size,
// Archive-sha256 and a File line for each program file.
std::string VersionFileText(const Release& release, const ReleaseManifest& manifest);

// The manifest from the facts make dist measured, one "SIZE SHA256 NAME" a
// line: the archive first, then each program file in the order of
// ProgramFiles. Nothing, with `problem` set, when a line does not read or a
// name is not the one expected there.
std::optional<ReleaseManifest> ManifestOfFacts(const Release& release, const std::string& facts,
                                               std::string& problem);

// The details text shown before the download (UTF-8; the publisher converts
// it to Shift-JIS): the version, the build and what the archive installs.
std::string DetailsText(const Release& release);

}  // namespace dm
