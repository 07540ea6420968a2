// The internet calls of a download, run on a worker thread while the
// window's thread waits for them and goes on answering its messages. A
// call that the server leaves unanswered for the stall time, or that the
// user aborts, is given up at once: the window never waits on the server.
// The worker, left inside the call, finishes it when the system lets it,
// then closes what it opened; it never touches a window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

#include "update/download.h"

namespace dm {

class CallWorker;

// What the window's thread does while a call waits.
struct CallWaiting {
  std::function<void()> letMessagesRun;
  std::function<bool()> stopRequested;
};

class WatchedInternet : public InternetApi {
 public:
  WatchedInternet(std::shared_ptr<InternetApi> inner, CallWaiting waiting, DWORD stallMs = kReceiveTimeoutMs);
  ~WatchedInternet() override;
  WatchedInternet(const WatchedInternet&) = delete;
  WatchedInternet& operator=(const WatchedInternet&) = delete;

  uint32_t AttemptConnect() override;
  Handle Open(const std::string& agent, uint32_t accessType, const std::string& proxy) override;
  bool SetReceiveTimeout(Handle session, uint32_t milliseconds) override;
  Handle OpenUrl(Handle session, const std::string& url, const std::string& headers, uint32_t flags,
                 CallEnd& end) override;
  std::optional<int> StatusCode(Handle request) override;
  std::optional<HttpDate> LastModified(Handle request) override;
  std::optional<uint64_t> ContentLength(Handle request) override;
  bool Read(Handle request, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) override;
  void Close(Handle handle) override;

 private:
  // Runs `work` on the worker and waits for it, letting messages run.
  CallEnd Await(std::function<void(InternetApi&)> work);
  // The worker is left to its call; later calls get a new one.
  void GiveUpWorker();

  std::shared_ptr<InternetApi> inner_;
  CallWaiting waiting_;
  DWORD stallMs_;
  std::shared_ptr<CallWorker> worker_;
  // Which worker opened each handle: only that one may close it, after
  // whatever call of its own still uses it.
  std::map<Handle, std::shared_ptr<CallWorker>> owners_;
};

}  // namespace dm
