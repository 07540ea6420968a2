// The version information file ("version.txt") on the maker's server: the
// section of this product names the newest build, the archive that holds it
// and a text with its details.
//
//   [Drovenmark]
//   Url: http://host/path/drovenmk411.lzh
//   Version: 2.11
//   Build: 411
//   Info: http://host/path/info.txt
//
// A signed file adds the lines of the release manifest (release_manifest.h),
// which builds that do not know them pass over.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dm {

inline constexpr char kProductSection[] = "[Drovenmark]";
// Longest line the reader takes in one piece; a longer line is read as
// several lines of at most this many bytes.
inline constexpr size_t kVersionFileLineBytes = 4095;
// A version file holds a few short lines. Anything larger is no version
// file (an error page, a wrong address): it is not read at all, and the
// check then fails as for a file without a build.
inline constexpr size_t kVersionFileMaxBytes = 1 << 20;

// What the product's section said; a key that was not there is nothing.
struct VersionFileInfo {
  std::optional<std::string> url;            // "Url: " the update archive
  std::optional<std::string> version;        // "Version: " shown to the user
  std::optional<std::string> build;          // "Build: " compared with the program's build
  std::optional<std::string> lastModified;   // "Last-modified: " read, not used
  std::optional<std::string> contentLength;  // "Content-length: " read, not used
  std::optional<std::string> info;           // "Info: " the details text
  // The manifest's keys, every value in the order given: a key given twice
  // is for the manifest's reader to refuse, not to pick one.
  std::vector<std::string> archiveSize;      // "Archive-size: "
  std::vector<std::string> archiveSha256;    // "Archive-sha256: "
  std::vector<std::string> files;            // "File: "
  bool operator==(const VersionFileInfo&) const = default;
};

// Reads the file's bytes (Shift-JIS text; a line ends at CR LF, LF or a
// lone CR), in one pass. A file of more than kVersionFileMaxBytes yields
// nothing; a caller need not read more than one byte past that. Lines are trimmed
// of blanks and control characters; a line "[...]" is a section header;
// inside "[Drovenmark]" a line is recognised by the whole-line patterns
// "Url: *", "Version: *", "Build: *", "Last-modified: *", "Content-length: *",
// "Info: *", "Archive-size: *", "Archive-sha256: *" and "File: *"
// (case-sensitive, blank after the colon required) and its
// value is the trimmed text after the first colon. A later key overwrites an
// earlier one. Reading ends at the first header after the product's section
// or when `stopRequested` answers true (asked before each line).
VersionFileInfo ReadVersionFile(std::string_view bytes, const std::function<bool()>& stopRequested = {});

}  // namespace dm
