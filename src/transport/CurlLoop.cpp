#include "transport/CurlLoop.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "util/ThreadPool.hpp"

namespace quillbox::transport {

namespace {

struct GlobalInit {
  GlobalInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void ensureGlobalInit() { static GlobalInit once; }

void lockShared(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<std::array<std::mutex, CURL_LOCK_DATA_LAST>*>(user)->at(data).lock();
}

void unlockShared(CURL*, curl_lock_data data, void* user) {
  static_cast<std::array<std::mutex, CURL_LOCK_DATA_LAST>*>(user)->at(data).unlock();
}

/// Easy handles of ended service calls, for the next calls to use as they
/// are: every option a call sets, the next one sets again. Each thread keeps
/// a few of its own, so that the callback threads, which end one call and
/// start the next, do not queue on one lock; the rest are shared.
class HandleCache {
 public:
  /// A handle, and the set-up whose base options it carries (0 for a new
  /// one, which carries none).
  struct Handle {
    CURL* easy = nullptr;
    std::uint64_t setUp = 0;
  };

  Handle take() {
    if (std::optional<Handle> h = popLast(local().handles)) return *h;
    {
      std::lock_guard lock(mutex_);
      if (std::optional<Handle> h = popLast(shared_)) return *h;
    }
    return Handle{curl_easy_init(), 0};
  }
  void give(Handle h) {
    if (pushUnder(local().handles, kPerThread, h)) return;
    {
      std::lock_guard lock(mutex_);
      if (pushUnder(shared_, kShared, h)) return;
    }
    curl_easy_cleanup(h.easy);
  }

 private:
  /// A thread's own handles; freed when the thread ends.
  struct Local {
    std::vector<Handle> handles;
    ~Local() {
      for (const Handle& h : handles) curl_easy_cleanup(h.easy);
    }
  };
  static std::optional<Handle> popLast(std::vector<Handle>& list) {
    if (list.empty()) return std::nullopt;
    const Handle h = list.back();
    list.pop_back();
    return h;
  }
  static bool pushUnder(std::vector<Handle>& list, std::size_t cap, Handle h) {
    if (list.size() >= cap) return false;
    list.push_back(h);
    return true;
  }
  static Local& local() {
    thread_local Local mine;
    return mine;
  }

  // As many as a busy host keeps in flight, shared; more are freed when
  // they end. A callback thread's own: a turn's worth of calls.
  static constexpr std::size_t kShared = 64;
  static constexpr std::size_t kPerThread = 16;
  std::mutex mutex_;
  std::vector<Handle> shared_;
};

HandleCache& handleCache() {
  // Never destroyed: transfers may still end while the process exits.
  static auto* cache = new HandleCache;
  return *cache;
}

}  // namespace

CurlTransfer::CurlTransfer(bool reuseHandle) : reuseHandle_(reuseHandle) {
  ensureGlobalInit();
  if (reuseHandle_) {
    const HandleCache::Handle h = handleCache().take();
    easy_ = h.easy;
    setUpFor_ = h.setUp;
  } else {
    easy_ = curl_easy_init();
  }
  if (!easy_) throw std::runtime_error("curl_easy_init failed");
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_.data());
  curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
}

CurlTransfer::~CurlTransfer() {
  if (reuseHandle_) {
    handleCache().give({easy_, setUpFor_});
  } else {
    curl_easy_cleanup(easy_);
  }
}

void CurlTransfer::setUrl(std::string url) {
  url_ = std::move(url);
  curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str());
}

std::string CurlTransfer::errorText(CURLcode rc) const {
  std::string text = curl_easy_strerror(rc);
  if (errorBuffer_[0] != '\0') text.append(": ").append(errorBuffer_.data());
  return text;
}

CurlLoop::CurlLoop(std::string name, long maxHostConnections)
    : name_(std::move(name)), maxHostConnections_(std::max(0L, maxHostConnections)) {
  ensureGlobalInit();
  multi_ = curl_multi_init();
  share_ = curl_share_init();
  if (!multi_ || !share_) throw std::runtime_error("libcurl initialisation failed");
  if (maxHostConnections_ > 0) {
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, maxHostConnections_);
    // libcurl keeps four idle connections per transfer in the multi handle,
    // and closes the oldest when a connection comes back to a fuller cache.
    // Here a host's calls wait in the loop's queue, not in libcurl, so few
    // transfers may be in libcurl for a while: a lull would close the
    // connections the next burst needs. Enough for the cap of four hosts.
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, kCachedHosts * maxHostConnections_);
  }
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, lockShared);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, unlockShared);
  curl_share_setopt(share_, CURLSHOPT_USERDATA, &shareLocks_);
  // DNS answers need no share: the multi handle's own cache serves every
  // transfer in it, without the share's locks.
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  thread_ = std::thread([this] { run(); });
}

CurlLoop::~CurlLoop() {
  stop();
  curl_multi_cleanup(multi_);
  curl_share_cleanup(share_);
}

void CurlLoop::stop() {
  std::call_once(stopOnce_, [this] {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
  });
}

CurlLoop::Id CurlLoop::start(std::shared_ptr<CurlTransfer> transfer) {
  return enqueue(Clock::time_point::min(), std::move(transfer));
}

CurlLoop::Id CurlLoop::startAfter(std::chrono::milliseconds delay, std::shared_ptr<CurlTransfer> transfer) {
  return enqueue(Clock::now() + std::max(delay, std::chrono::milliseconds(0)), std::move(transfer));
}

CurlLoop::Id CurlLoop::enqueue(Clock::time_point due, std::shared_ptr<CurlTransfer> transfer) {
  const Id id = nextId_++;
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (!stopped_) {
      // Only the first command since the loop last took them wakes it; the
      // loop takes every command queued by then in one go.
      wake = toStart_.empty() && toCancel_.empty();
      toStart_.push_back({due, id, std::move(transfer)});
      transfer = nullptr;
    }
  }
  if (transfer) {
    transfer->finished(CURLE_ABORTED_BY_CALLBACK, true);
  } else if (wake) {
    curl_multi_wakeup(multi_);
  }
  return id;
}

void CurlLoop::cancel(Id id) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    wake = toStart_.empty() && toCancel_.empty();
    toCancel_.push_back(id);
  }
  if (wake) curl_multi_wakeup(multi_);
}

void CurlLoop::applyCommands() {
  // Swapped with the queues' empty spares, which keep the room of earlier
  // turns: a busy loop then queues commands without allocating.
  std::vector<Waiting>& starts = startSpare_;
  std::vector<Id>& cancels = cancelSpare_;
  bool stopping;
  {
    std::lock_guard lock(mutex_);
    starts.swap(toStart_);
    cancels.swap(toCancel_);
    stopping = stopping_;
  }
  const Clock::time_point now = Clock::now();
  for (Waiting& w : starts) {
    if (w.due > now) {
      waiting_.push_back(std::move(w));
    } else {
      admit(w.id, std::move(w.transfer));
    }
  }
  // Waiting transfers that are due now join the loop.
  for (auto it = waiting_.begin(); it != waiting_.end();) {
    if (it->due <= now) {
      admit(it->id, std::move(it->transfer));
      it = waiting_.erase(it);
    } else {
      ++it;
    }
  }
  auto stop = [this](std::unordered_map<Id, std::shared_ptr<CurlTransfer>>::iterator it) {
    takeRunning(it)->finished(CURLE_ABORTED_BY_CALLBACK, true);
  };
  auto drop = [](auto& list, auto it) {
    std::shared_ptr<CurlTransfer> transfer = std::move(it->transfer);
    list.erase(it);
    transfer->finished(CURLE_ABORTED_BY_CALLBACK, true);
  };
  auto byId = [](Id id) { return [id](const Waiting& w) { return w.id == id; }; };
  for (Id id : cancels) {
    if (auto it = running_.find(id); it != running_.end()) {
      stop(it);
    } else if (auto w = std::find_if(waiting_.begin(), waiting_.end(), byId(id)); w != waiting_.end()) {
      drop(waiting_, w);
    } else {
      for (auto& [key, origin] : origins_) {
        if (auto q = std::find_if(origin.queue.begin(), origin.queue.end(), byId(id)); q != origin.queue.end()) {
          drop(origin.queue, q);
          break;
        }
      }
    }
  }
  starts.clear();
  cancels.clear();
  if (stopping) {
    // Queued ones first, so that no running one's end lets them in.
    for (auto& [key, origin] : origins_) {
      while (!origin.queue.empty()) drop(origin.queue, origin.queue.begin());
    }
    while (!running_.empty()) stop(running_.begin());
    while (!waiting_.empty()) drop(waiting_, waiting_.begin());
  }
}

CurlLoop::Origin& CurlLoop::originOf(const CurlTransfer& transfer) {
  // Scheme, host and port: what libcurl keys its connections by. Two
  // spellings of one host only count apart (libcurl's limit still holds).
  std::string_view key = transfer.url_;
  if (const std::size_t scheme = key.find("://"); scheme != std::string_view::npos) {
    key = key.substr(0, key.find_first_of("/?#", scheme + 3));
  }
  auto it = origins_.find(key);
  if (it == origins_.end()) it = origins_.emplace(std::string(key), Origin{}).first;
  return it->second;
}

void CurlLoop::admit(Id id, std::shared_ptr<CurlTransfer> transfer) {
  if (maxHostConnections_ == 0 || transfer->url_.empty()) return add(id, std::move(transfer));
  Origin& origin = originOf(*transfer);
  if (!hasRoom(origin)) {
    origin.queue.push_back({Clock::time_point::min(), id, std::move(transfer)});
    return;
  }
  ++origin.running;
  transfer->countedByHost_ = true;
  add(id, std::move(transfer));
}

void CurlLoop::release(CurlTransfer& transfer) {
  if (!transfer.countedByHost_) return;
  transfer.countedByHost_ = false;
  Origin& origin = originOf(transfer);
  --origin.running;
  runQueued(origin);
}

void CurlLoop::runQueued(Origin& origin) {
  // A loop, not a call from release() into add() and back: a long queue of
  // transfers whose time is up must not deepen the stack.
  while (!origin.queue.empty() && hasRoom(origin)) {
    Waiting next = std::move(origin.queue.front());
    origin.queue.pop_front();
    ++origin.running;
    next.transfer->countedByHost_ = true;
    add(next.id, std::move(next.transfer));
  }
}

void CurlLoop::add(Id id, std::shared_ptr<CurlTransfer> transfer) {
  // Ends the transfer without libcurl; a count it holds is given up without
  // letting the next one in (the caller's loop does that).
  auto end = [&](CURLcode rc) {
    if (transfer->countedByHost_) --originOf(*transfer).running;
    transfer->countedByHost_ = false;
    transfer->finished(rc, false);
  };
  const Clock::time_point now = Clock::now();
  if (transfer->endBy_ != Clock::time_point::max()) {
    // libcurl counts from here; the time spent queued is already gone.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(transfer->endBy_ - now).count();
    if (left <= 0) return end(CURLE_OPERATION_TIMEDOUT);
    curl_easy_setopt(transfer->easy(), CURLOPT_TIMEOUT_MS, static_cast<long>(left));
  }
  curl_easy_setopt(transfer->easy(), CURLOPT_SHARE, share_);
  CURLMcode mc = curl_multi_add_handle(multi_, transfer->easy());
  if (mc != CURLM_OK) {
    curl_easy_setopt(transfer->easy(), CURLOPT_SHARE, nullptr);
    return end(CURLE_FAILED_INIT);
  }
  transfer->loopId_ = id;
  if (transfer->stallLimit_.count() > 0) {
    transfer->movedBytes_ = 0;
    transfer->lastMoved_ = now;
    if (stallWatched_++ == 0) nextStallCheck_ = now + kStallCheckEvery;
  }
  running_.emplace(id, std::move(transfer));
}

std::shared_ptr<CurlTransfer> CurlLoop::takeRunning(
    std::unordered_map<Id, std::shared_ptr<CurlTransfer>>::iterator it) {
  std::shared_ptr<CurlTransfer> transfer = std::move(it->second);
  running_.erase(it);
  detach(transfer->easy());
  if (transfer->stallLimit_.count() > 0) --stallWatched_;
  release(*transfer);
  return transfer;
}

void CurlLoop::endStalled() {
  const Clock::time_point now = Clock::now();
  nextStallCheck_ = now + kStallCheckEvery;
  // Found first, ended after: ending one lets queued transfers in, and their
  // insertion may rehash the map being walked.
  std::vector<Id> stalled;
  for (auto& [id, transfer] : running_) {
    CurlTransfer& t = *transfer;
    if (t.stallLimit_.count() == 0) continue;
    curl_off_t ready = 0;
    curl_off_t down = 0;
    curl_off_t up = 0;
    curl_easy_getinfo(t.easy(), CURLINFO_PRETRANSFER_TIME_T, &ready);
    curl_easy_getinfo(t.easy(), CURLINFO_SIZE_DOWNLOAD_T, &down);
    curl_easy_getinfo(t.easy(), CURLINFO_SIZE_UPLOAD_T, &up);
    if (ready == 0) {
      t.lastMoved_ = now;  // still connecting: the connect time-out rules that
    } else if (down + up != t.movedBytes_) {
      t.movedBytes_ = down + up;
      t.lastMoved_ = now;
    } else if (now - t.lastMoved_ >= t.stallLimit_) {
      stalled.push_back(id);
    }
  }
  for (Id id : stalled) {
    auto it = running_.find(id);
    if (it == running_.end()) continue;
    std::shared_ptr<CurlTransfer> transfer = takeRunning(it);
    // libcurl's words for its own stall rule, which hosts have seen.
    std::snprintf(transfer->errorBuffer_.data(), transfer->errorBuffer_.size(),
                  "Operation too slow. Less than 1 bytes/sec transferred the last %lld seconds",
                  static_cast<long long>(transfer->stallLimit_.count()));
    transfer->finished(CURLE_OPERATION_TIMEDOUT, false);
  }
}

void CurlLoop::detach(CURL* easy) {
  curl_multi_remove_handle(multi_, easy);
  // A handle may be used again by a transfer of another loop, perhaps after
  // this one is gone: it must not keep pointing at this loop's share.
  curl_easy_setopt(easy, CURLOPT_SHARE, nullptr);
}

int CurlLoop::pollTimeoutMs() const {
  using std::chrono::milliseconds;
  milliseconds wait(1000);
  const Clock::time_point now = Clock::now();
  if (stallWatched_ > 0) {
    wait = std::min(wait, std::max(std::chrono::ceil<milliseconds>(nextStallCheck_ - now), milliseconds(0)));
  }
  for (const Waiting& w : waiting_) {
    // Rounded up, so that the loop does not wake just before it is due.
    const auto left = std::chrono::ceil<milliseconds>(w.due - now);
    wait = std::min(wait, std::max(left, milliseconds(0)));
  }
  return static_cast<int>(wait.count());
}

void CurlLoop::collectFinished() {
  int queued = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
    if (msg->msg != CURLMSG_DONE) continue;
    CURL* easy = msg->easy_handle;
    const CURLcode rc = msg->data.result;
    CurlTransfer* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    const auto it = raw ? running_.find(raw->loopId_) : running_.end();
    if (it == running_.end()) {
      detach(easy);
      continue;
    }
    if (raw->countedByHost_ && rc == CURLE_OK) {
      long version = 0;
      curl_easy_getinfo(easy, CURLINFO_HTTP_VERSION, &version);
      originOf(*raw).multiplexed = version >= CURL_HTTP_VERSION_2_0;
    }
    takeRunning(it)->finished(rc, false);
  }
}

void CurlLoop::run() {
  for (;;) {
    {
      // The completions of this turn go to their executors together.
      util::ThreadPool::Batch batch;
      applyCommands();
      {
        std::lock_guard lock(mutex_);
        if (stopping_ && running_.empty() && waiting_.empty() && toStart_.empty()) {
          stopped_ = true;
          break;
        }
      }
      int stillRunning = 0;
      curl_multi_perform(multi_, &stillRunning);
      collectFinished();
      if (stallWatched_ > 0 && Clock::now() >= nextStallCheck_) endStalled();
    }
    curl_multi_poll(multi_, nullptr, 0, pollTimeoutMs(), nullptr);
  }
}

}  // namespace quillbox::transport
