#include "transport/CurlLoop.hpp"

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

/// Easy handles of ended transfers, reset, for the next transfers to use.
class HandleCache {
 public:
  CURL* take() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        CURL* h = free_.back();
        free_.pop_back();
        return h;
      }
    }
    return curl_easy_init();
  }
  void give(CURL* h) {
    curl_easy_reset(h);
    {
      std::lock_guard lock(mutex_);
      if (free_.size() < kKept) {
        free_.push_back(h);
        return;
      }
    }
    curl_easy_cleanup(h);
  }

 private:
  // As many as a busy host keeps in flight; more are freed when they end.
  static constexpr std::size_t kKept = 64;
  std::mutex mutex_;
  std::vector<CURL*> free_;
};

HandleCache& handleCache() {
  // Never destroyed: transfers may still end while the process exits.
  static auto* cache = new HandleCache;
  return *cache;
}

}  // namespace

CurlTransfer::CurlTransfer(bool reuseHandle) : reuseHandle_(reuseHandle) {
  ensureGlobalInit();
  easy_ = reuseHandle_ ? handleCache().take() : curl_easy_init();
  if (!easy_) throw std::runtime_error("curl_easy_init failed");
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_.data());
  curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
}

CurlTransfer::~CurlTransfer() {
  if (reuseHandle_) {
    handleCache().give(easy_);
  } else {
    curl_easy_cleanup(easy_);
  }
}

std::string CurlTransfer::errorText(CURLcode rc) const {
  std::string text = curl_easy_strerror(rc);
  if (errorBuffer_[0] != '\0') text.append(": ").append(errorBuffer_.data());
  return text;
}

CurlLoop::CurlLoop(std::string name) : name_(std::move(name)) {
  ensureGlobalInit();
  multi_ = curl_multi_init();
  share_ = curl_share_init();
  if (!multi_ || !share_) throw std::runtime_error("libcurl initialisation failed");
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, lockShared);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, unlockShared);
  curl_share_setopt(share_, CURLSHOPT_USERDATA, &shareLocks_);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
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
  const Id id = nextId_++;
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (!stopped_) {
      // Only the first command since the loop last took them wakes it; the
      // loop takes every command queued by then in one go.
      wake = toStart_.empty() && toCancel_.empty();
      toStart_.emplace_back(id, std::move(transfer));
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
  std::vector<std::pair<Id, std::shared_ptr<CurlTransfer>>> starts;
  std::vector<Id> cancels;
  bool stopping;
  {
    std::lock_guard lock(mutex_);
    starts.swap(toStart_);
    cancels.swap(toCancel_);
    stopping = stopping_;
  }
  for (auto& [id, transfer] : starts) {
    curl_easy_setopt(transfer->easy(), CURLOPT_SHARE, share_);
    CURLMcode mc = curl_multi_add_handle(multi_, transfer->easy());
    if (mc != CURLM_OK) {
      transfer->finished(CURLE_FAILED_INIT, false);
      continue;
    }
    transfer->loopId_ = id;
    running_.emplace(id, std::move(transfer));
  }
  auto stop = [this](std::unordered_map<Id, std::shared_ptr<CurlTransfer>>::iterator it) {
    std::shared_ptr<CurlTransfer> transfer = std::move(it->second);
    running_.erase(it);
    curl_multi_remove_handle(multi_, transfer->easy());
    transfer->finished(CURLE_ABORTED_BY_CALLBACK, true);
  };
  for (Id id : cancels) {
    if (auto it = running_.find(id); it != running_.end()) stop(it);
  }
  if (stopping) {
    while (!running_.empty()) stop(running_.begin());
  }
}

void CurlLoop::collectFinished() {
  int queued = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
    if (msg->msg != CURLMSG_DONE) continue;
    CURL* easy = msg->easy_handle;
    const CURLcode rc = msg->data.result;
    CurlTransfer* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    curl_multi_remove_handle(multi_, easy);
    if (raw == nullptr) continue;
    if (auto it = running_.find(raw->loopId_); it != running_.end()) {
      std::shared_ptr<CurlTransfer> transfer = std::move(it->second);
      running_.erase(it);
      transfer->finished(rc, false);
    }
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
        if (stopping_ && running_.empty() && toStart_.empty()) {
          stopped_ = true;
          break;
        }
      }
      int stillRunning = 0;
      curl_multi_perform(multi_, &stillRunning);
      collectFinished();
    }
    curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
  }
}

}  // namespace quillbox::transport
