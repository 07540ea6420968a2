// The HTTP download of the online update: one address saved under its last
// path segment in a folder, in 1,024-byte blocks, with progress, abort, the
// server's Last-Modified as the file's times and a check of the byte count
// against Content-Length. A download reads at most the bytes its caller
// allows, and fails when the server sends more or stalls; a failed download
// leaves no file. The platform's internet functions and the file come in
// through small interfaces so the whole operation runs in tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dm {

// A calendar time in UTC, as the HTTP date of a header.
struct HttpDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const HttpDate&) const = default;
};

// How a call that waits for the server ended: with the server's answer
// (which may be a failure of its own), with no answer for the stall time,
// or because the user aborted while it waited.
enum class CallEnd { kAnswered, kStalled, kAborted };

// The platform's internet functions as the download uses them (WinInet's
// names and values). Handles are opaque; nullptr is a failure.
class InternetApi {
 public:
  using Handle = void*;
  static constexpr uint32_t kOpenTypePreconfig = 0;   // the system's own proxy settings
  static constexpr uint32_t kOpenTypeProxy = 3;       // the proxy named in the call
  static constexpr uint32_t kFlagReload = 0x80000000; // never from a cache

  virtual ~InternetApi() = default;
  // 0 when the computer can go on line (a dial-up may be started for it).
  virtual uint32_t AttemptConnect() = 0;
  virtual Handle Open(const std::string& agent, uint32_t accessType, const std::string& proxy) = 0;
  virtual bool SetReceiveTimeout(Handle session, uint32_t milliseconds) = 0;
  virtual Handle OpenUrl(Handle session, const std::string& url, const std::string& headers, uint32_t flags,
                         CallEnd& end) = 0;
  // The response's status, Last-Modified and Content-Length; nothing when
  // the response has none.
  virtual std::optional<int> StatusCode(Handle request) = 0;
  virtual std::optional<HttpDate> LastModified(Handle request) = 0;
  virtual std::optional<uint64_t> ContentLength(Handle request) = 0;
  // False when the read failed; a successful read of 0 bytes is the end.
  virtual bool Read(Handle request, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) = 0;
  virtual void Close(Handle handle) = 0;
};

// The file a download writes.
class DownloadTarget {
 public:
  virtual ~DownloadTarget() = default;
  // Creates or truncates the file for writing.
  virtual bool Create(const std::string& path) = 0;
  virtual bool Write(const char* data, size_t size) = 0;
  virtual void Close() = 0;
  // Opens the closed file again and sets its creation, last-access and
  // last-write times.
  virtual bool SetTimes(const std::string& path, const HttpDate& time) = 0;
  // Deletes the closed file: what failed is not left to be taken for a download.
  virtual void Remove(const std::string& path) = 0;
};

// The window that shows a download.
class DownloadView {
 public:
  virtual ~DownloadView() = default;
  virtual void SetAnimation(bool on) = 0;
  // The bar's position (0-100), the byte counts and the percentage texts.
  virtual void ShowProgress(int position, const std::string& bytes, const std::string& percent) = 0;
  // Lets pending window messages run, so the abort button answers.
  virtual void LetMessagesRun() = 0;
  virtual bool StopRequested() = 0;
};

struct ProxySettings {
  bool enabled = false;
  std::string server;
  std::string port;
};

struct DownloadRequest {
  std::string url;
  std::string folder;
  bool showProgress = false;
  ProxySettings proxy;
  // The most bytes the file may have: a server that announces or sends
  // more fails the download as soon as it does, so an endless answer is
  // never read past this.
  uint64_t maxBytes = UINT64_MAX;
};

inline constexpr int kDownloadFailed = -1;
inline constexpr uint32_t kDownloadBlockBytes = 1024;
// Also how long a call may wait for the server before the download counts
// it as stalled, whatever the platform does with its receive timeout.
inline constexpr uint32_t kReceiveTimeoutMs = 30000;
inline constexpr char kDownloadAgent[] = "MyApp";
inline constexpr char kAcceptHeaders[] = "Accept:*/*\r\n\r\n";

struct DownloadResult {
  int code = kDownloadFailed;  // kDownloadFailed, or 0
  std::string error;           // why it failed; a doubtful success may carry a text too
  std::string savedPath;       // where the file was written; after a failure it is gone again
  uint64_t bytes = 0;          // bytes received
  bool Failed() const { return code == kDownloadFailed; }
};

DownloadResult Download(const DownloadRequest& request, InternetApi& internet, DownloadTarget& target,
                        DownloadView& view);

// The name a download is saved under: the text after the last "/" of the
// address. Nothing when that is no plain file name, by the rules the
// archive extractor applies to its entries (empty, "." or "..", a path
// delimiter, a colon, a wildcard or a control character, a trailing dot or
// blank, a device name such as CON), so an address can never place a file
// outside the folder or one that Windows would store under another name.
std::optional<std::string> DownloadFileName(const std::string& url);

// The progress texts: "1024 byte / 4096 byte" and "25%"; without a
// Content-Length only the bytes received ("1024 byte") and no percentage.
int ProgressPosition(uint64_t total, std::optional<uint64_t> length);
std::string ProgressBytesText(uint64_t total, std::optional<uint64_t> length);
std::string ProgressPercentText(uint64_t total, std::optional<uint64_t> length);

}  // namespace dm
