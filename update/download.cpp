#include "update/download.h"

#include <algorithm>

#include "base/paths.h"
#include "base/text.h"
#include "unlha/entry_name.h"

namespace dm {

namespace {

// Closes what a download opened, in the reverse order, on every path.
class OpenHandles {
 public:
  explicit OpenHandles(InternetApi& internet) : internet_(internet) {}
  ~OpenHandles() {
    if (request) internet_.Close(request);
    if (session) internet_.Close(session);
  }
  InternetApi::Handle session = nullptr;
  InternetApi::Handle request = nullptr;

 private:
  InternetApi& internet_;
};

std::string Counts(uint64_t total, std::optional<uint64_t> length) {
  return std::to_string(total) + "/" + (length ? std::to_string(*length) : std::string("不明"));
}

std::string StalledText() { return " (" + std::to_string(kReceiveTimeoutMs / 1000) + " 秒間応答がありません)"; }
std::string TooLargeText(uint64_t maxBytes) { return " (" + std::to_string(maxBytes) + " byte を超えています)"; }

struct Transfer {
  std::optional<uint64_t> length;  // Content-Length
  bool ended = false;              // the server's data ended normally
  bool writeFailed = false;
  bool tooLarge = false;
  CallEnd end = CallEnd::kAnswered;
  uint64_t maxBytes = 0;
};

// The outcome of a transfer whose file was written and closed.
void Conclude(DownloadResult& result, const Transfer& transfer, const std::optional<HttpDate>& lastModified,
              DownloadTarget& target) {
  const std::optional<uint64_t>& length = transfer.length;
  if (transfer.tooLarge) {
    result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length) + TooLargeText(transfer.maxBytes);
    return;
  }
  if (transfer.end == CallEnd::kStalled) {
    result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length) + StalledText();
    return;
  }
  bool times_failed = false;
  // Without a Last-Modified the file keeps the times of its writing.
  if (lastModified && !target.SetTimes(result.savedPath, *lastModified)) {
    times_failed = true;
    result.error = "SetFileTime()に失敗しました " + result.savedPath;
  }
  if (transfer.writeFailed) {
    result.error = "ファイルの書き込みに失敗しました " + result.savedPath;
    return;
  }
  if (length) {
    if (result.bytes < *length) {
      result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length);
      return;
    }
    if (times_failed) return;
    if (result.bytes > *length) result.error = "ダウンロードに失敗した恐れがあります " + Counts(result.bytes, length);
    result.code = 0;
    return;
  }
  // Without a Content-Length only the end of the data tells a whole file.
  if (!transfer.ended) {
    result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length);
    return;
  }
  if (!times_failed) result.code = 0;
}

}  // namespace

std::optional<std::string> DownloadFileName(const std::string& url) {
  size_t slash = url.rfind('/');
  std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
  // The extractor splits a stored path at "\" too, so its names never hold
  // one; past that the two take the same names.
  if (name.find('\\') != std::string::npos || !lzh::NameProblem(name).empty()) return std::nullopt;
  return name;
}

int ProgressPosition(uint64_t total, std::optional<uint64_t> length) {
  if (!length || *length == 0) return 0;
  return static_cast<int>(std::min<uint64_t>(100, total * 100 / *length));
}

std::string ProgressBytesText(uint64_t total, std::optional<uint64_t> length) {
  if (!length) return std::to_string(total) + " byte";
  return std::to_string(total) + " byte / " + std::to_string(*length) + " byte";
}

std::string ProgressPercentText(uint64_t total, std::optional<uint64_t> length) {
  if (!length) return "";
  return std::to_string(ProgressPosition(total, length)) + "%";
}

DownloadResult Download(const DownloadRequest& request, InternetApi& internet, DownloadTarget& target,
                        DownloadView& view) {
  DownloadResult result;
  if (request.showProgress) view.SetAnimation(true);
  struct AnimationOff {
    DownloadView& view;
    bool on;
    ~AnimationOff() {
      if (on) view.SetAnimation(false);
    }
  } animation_off{view, request.showProgress};

  std::optional<std::string> name = DownloadFileName(request.url);
  if (!name) {
    result.error = "ファイル名が正しくありません " + request.url;
    return result;
  }

  OpenHandles handles(internet);
  if (request.proxy.enabled) {
    handles.session = internet.Open(kDownloadAgent, InternetApi::kOpenTypeProxy,
                                    request.proxy.server + ":" + request.proxy.port);
  } else {
    if (internet.AttemptConnect() != 0) {
      result.error = "接続に失敗しました";
      return result;
    }
    handles.session = internet.Open(kDownloadAgent, InternetApi::kOpenTypePreconfig, "");
  }
  if (!handles.session) {
    result.error = "InternetOpen()に失敗しました";
    return result;
  }
  internet.SetReceiveTimeout(handles.session, kReceiveTimeoutMs);
  CallEnd end = CallEnd::kAnswered;
  handles.request =
      internet.OpenUrl(handles.session, request.url, kAcceptHeaders, InternetApi::kFlagReload, end);
  if (!handles.request || end != CallEnd::kAnswered) {
    result.error = "InternetOpenUrl()に失敗しました";
    if (end == CallEnd::kStalled) result.error += StalledText();
    if (end == CallEnd::kAborted) result.error += " (中止しました)";
    return result;
  }
  // A server's error page is no download: saving it would pass it off as
  // the file asked for.
  std::optional<int> status = internet.StatusCode(handles.request);
  if (status && (*status < 200 || *status > 299)) {
    result.error = "InternetOpenUrl()に失敗しました (HTTP " + std::to_string(*status) + ")";
    return result;
  }
  std::optional<HttpDate> last_modified = internet.LastModified(handles.request);
  std::optional<uint64_t> length = internet.ContentLength(handles.request);
  if (length && *length > request.maxBytes) {
    result.error = "ダウンロードに失敗しました " + Counts(0, length) + TooLargeText(request.maxBytes);
    return result;
  }

  result.savedPath = JoinPath(request.folder, *name);
  if (!target.Create(result.savedPath)) {
    result.error = "ファイルのオープンに失敗しました";
    return result;
  }
  bool ended = false;       // the server's data ended normally
  bool write_failed = false;
  bool too_large = false;
  char block[kDownloadBlockBytes];
  while (!view.StopRequested()) {
    // One byte past the limit is enough to know the answer is too large.
    const uint64_t room = request.maxBytes - result.bytes;  // never more bytes than the limit are kept
    const uint32_t wanted = room >= kDownloadBlockBytes ? kDownloadBlockBytes : static_cast<uint32_t>(room + 1);
    uint32_t read = 0;
    if (!internet.Read(handles.request, block, wanted, read, end) || end != CallEnd::kAnswered) break;
    if (read == 0) {
      ended = true;
      break;
    }
    if (result.bytes + read > request.maxBytes) {
      result.bytes += read;
      too_large = true;
      break;
    }
    if (!target.Write(block, read)) {
      write_failed = true;
      break;
    }
    result.bytes += read;
    if (request.showProgress) {
      view.ShowProgress(ProgressPosition(result.bytes, length), ProgressBytesText(result.bytes, length),
                        ProgressPercentText(result.bytes, length));
    }
    view.LetMessagesRun();
  }
  target.Close();
  Conclude(result, Transfer{length, ended, write_failed, too_large, end, request.maxBytes}, last_modified, target);
  if (result.Failed()) target.Remove(result.savedPath);
  return result;
}

}  // namespace dm
