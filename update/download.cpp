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
  handles.request = internet.OpenUrl(handles.session, request.url, kAcceptHeaders, InternetApi::kFlagReload);
  if (!handles.request) {
    result.error = "InternetOpenUrl()に失敗しました";
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

  result.savedPath = JoinPath(request.folder, *name);
  if (!target.Create(result.savedPath)) {
    result.error = "ファイルのオープンに失敗しました";
    return result;
  }
  bool ended = false;       // the server's data ended normally
  bool write_failed = false;
  char block[kDownloadBlockBytes];
  while (!view.StopRequested()) {
    uint32_t read = 0;
    if (!internet.Read(handles.request, block, kDownloadBlockBytes, read)) break;
    if (read == 0) {
      ended = true;
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

  bool times_failed = false;
  // Without a Last-Modified the file keeps the times of its writing.
  if (last_modified && !target.SetTimes(result.savedPath, *last_modified)) {
    times_failed = true;
    result.error = "SetFileTime()に失敗しました " + result.savedPath;
  }
  if (write_failed) {
    result.error = "ファイルの書き込みに失敗しました " + result.savedPath;
    return result;
  }
  if (length) {
    if (result.bytes < *length) {
      result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length);
      return result;
    }
    if (times_failed) return result;
    if (result.bytes > *length) result.error = "ダウンロードに失敗した恐れがあります " + Counts(result.bytes, length);
    result.code = 0;
    return result;
  }
  // Without a Content-Length only the end of the data tells a whole file.
  if (!ended) {
    result.error = "ダウンロードに失敗しました " + Counts(result.bytes, length);
    return result;
  }
  if (!times_failed) result.code = 0;
  return result;
}

}  // namespace dm
