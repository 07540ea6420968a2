#include "update/win/watched_internet.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "base/win/handles.h"

namespace dm {

namespace {

// How often a wait looks at the abort flag when no message comes.
constexpr DWORD kAbortPollMs = 100;
// Closing a handle waits for no server; this only bounds a system that would.
constexpr DWORD kCloseWaitMs = 2000;

struct Job {
  std::function<void(InternetApi&)> work;
  ObjectHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

}  // namespace

// One thread that runs jobs in the order given. It holds the library
// (through `inner`) until its last job has run, so a call it was left in
// never returns into an unloaded library.
class CallWorker {
 public:
  explicit CallWorker(std::shared_ptr<InternetApi> inner) : state_(std::make_shared<State>()) {
    state_->inner = std::move(inner);
    std::thread([state = state_] { Run(*state); }).detach();
  }
  ~CallWorker() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->ending = true;
    state_->wake.notify_one();
  }
  void Post(std::shared_ptr<Job> job) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->jobs.push_back(std::move(job));
    state_->wake.notify_one();
  }
  bool givenUp = false;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> jobs;
    bool ending = false;
    std::shared_ptr<InternetApi> inner;
  };

  static void Run(State& state) {
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(state.mutex);
        state.wake.wait(lock, [&] { return state.ending || !state.jobs.empty(); });
        if (state.jobs.empty()) return;
        job = std::move(state.jobs.front());
        state.jobs.pop_front();
      }
      job->work(*state.inner);
      SetEvent(job->done.Get());
    }
  }

  std::shared_ptr<State> state_;  // shared with the thread, which may outlive this object
};

namespace {

// A call given up may still open its handle: the worker left in it closes
// it afterwards.
void CloseWhenOpened(CallWorker& owner, std::shared_ptr<InternetApi::Handle> handle) {
  auto job = std::make_shared<Job>();
  job->work = [handle](InternetApi& api) {
    if (*handle) api.Close(*handle);
  };
  owner.Post(job);
}

}  // namespace

WatchedInternet::WatchedInternet(std::shared_ptr<InternetApi> inner, CallWaiting waiting, DWORD stallMs)
    : inner_(std::move(inner)), waiting_(std::move(waiting)), stallMs_(stallMs),
      worker_(std::make_shared<CallWorker>(inner_)) {}

// Every handle still open is closed by its worker; each worker ends after
// its last job.
WatchedInternet::~WatchedInternet() {
  for (auto& [handle, owner] : owners_) {
    auto job = std::make_shared<Job>();
    job->work = [handle = handle](InternetApi& api) { api.Close(handle); };
    owner->Post(job);
  }
}

CallEnd WatchedInternet::Await(std::function<void(InternetApi&)> work) {
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  worker_->Post(job);
  const DWORD start = GetTickCount();
  for (;;) {
    HANDLE done = job->done.Get();
    if (WaitForSingleObject(done, 0) == WAIT_OBJECT_0) return CallEnd::kAnswered;
    if (waiting_.stopRequested && waiting_.stopRequested()) {
      GiveUpWorker();
      return CallEnd::kAborted;
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= stallMs_) {
      GiveUpWorker();
      return CallEnd::kStalled;
    }
    const DWORD wait = std::min(stallMs_ - elapsed, kAbortPollMs);
    if (MsgWaitForMultipleObjects(1, &done, FALSE, wait, QS_ALLINPUT) == WAIT_OBJECT_0 + 1 && waiting_.letMessagesRun) {
      waiting_.letMessagesRun();
    }
  }
}

void WatchedInternet::GiveUpWorker() {
  worker_->givenUp = true;
  worker_ = std::make_shared<CallWorker>(inner_);
}

uint32_t WatchedInternet::AttemptConnect() {
  uint32_t result = 1;
  // The job writes into shared storage: a job given up may finish later.
  auto out = std::make_shared<uint32_t>(1);
  if (Await([out](InternetApi& api) { *out = api.AttemptConnect(); }) == CallEnd::kAnswered) result = *out;
  return result;
}

InternetApi::Handle WatchedInternet::Open(const std::string& agent, uint32_t accessType, const std::string& proxy) {
  auto out = std::make_shared<Handle>(nullptr);
  std::shared_ptr<CallWorker> owner = worker_;
  if (Await([out, agent, accessType, proxy](InternetApi& api) { *out = api.Open(agent, accessType, proxy); }) !=
      CallEnd::kAnswered) {
    CloseWhenOpened(*owner, out);
    return nullptr;
  }
  if (*out) owners_[*out] = owner;
  return *out;
}

bool WatchedInternet::SetReceiveTimeout(Handle session, uint32_t milliseconds) {
  auto out = std::make_shared<bool>(false);
  return Await([out, session, milliseconds](InternetApi& api) { *out = api.SetReceiveTimeout(session, milliseconds); }) ==
             CallEnd::kAnswered &&
         *out;
}

InternetApi::Handle WatchedInternet::OpenUrl(Handle session, const std::string& url, const std::string& headers,
                                             uint32_t flags, CallEnd& end) {
  auto out = std::make_shared<Handle>(nullptr);
  std::shared_ptr<CallWorker> owner = worker_;
  end = Await([out, session, url, headers, flags](InternetApi& api) {
    CallEnd inner_end = CallEnd::kAnswered;
    *out = api.OpenUrl(session, url, headers, flags, inner_end);
  });
  if (end != CallEnd::kAnswered) {
    CloseWhenOpened(*owner, out);
    return nullptr;
  }
  if (*out) owners_[*out] = owner;
  return *out;
}

std::optional<int> WatchedInternet::StatusCode(Handle request) {
  auto out = std::make_shared<std::optional<int>>();
  if (Await([out, request](InternetApi& api) { *out = api.StatusCode(request); }) != CallEnd::kAnswered) return {};
  return *out;
}

std::optional<HttpDate> WatchedInternet::LastModified(Handle request) {
  auto out = std::make_shared<std::optional<HttpDate>>();
  if (Await([out, request](InternetApi& api) { *out = api.LastModified(request); }) != CallEnd::kAnswered) return {};
  return *out;
}

std::optional<uint64_t> WatchedInternet::ContentLength(Handle request) {
  auto out = std::make_shared<std::optional<uint64_t>>();
  if (Await([out, request](InternetApi& api) { *out = api.ContentLength(request); }) != CallEnd::kAnswered) return {};
  return *out;
}

bool WatchedInternet::Read(Handle request, char* buffer, uint32_t size, uint32_t& read, CallEnd& end) {
  struct Outcome {
    std::vector<char> bytes;
    uint32_t read = 0;
    bool ok = false;
  };
  auto out = std::make_shared<Outcome>();
  out->bytes.resize(size);
  read = 0;
  end = Await([out, request](InternetApi& api) {
    CallEnd inner_end = CallEnd::kAnswered;
    out->ok = api.Read(request, out->bytes.data(), static_cast<uint32_t>(out->bytes.size()), out->read, inner_end);
  });
  if (end != CallEnd::kAnswered || !out->ok) return false;
  read = std::min(out->read, size);
  std::copy_n(out->bytes.data(), read, buffer);
  return true;
}

void WatchedInternet::Close(Handle handle) {
  auto found = owners_.find(handle);
  if (found == owners_.end()) return;
  std::shared_ptr<CallWorker> owner = found->second;
  owners_.erase(found);
  auto job = std::make_shared<Job>();
  job->work = [handle](InternetApi& api) { api.Close(handle); };
  owner->Post(job);
  // A worker that answers closes at once; one given up closes when its
  // call returns, and nobody waits for that.
  if (!owner->givenUp) WaitForSingleObject(job->done.Get(), kCloseWaitMs);
}

}  // namespace dm
