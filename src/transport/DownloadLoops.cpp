#include "transport/DownloadLoops.hpp"

#include <algorithm>
#include <exception>
#include <string>
#include <thread>

#include "util/Log.hpp"

namespace quillbox::transport {

namespace {

// The pool whose Strand job this thread is running, if any.
thread_local const util::ThreadPool* tlsDrainingPool = nullptr;

// Tears down sets whose last reference went on their own callback thread,
// which cannot join itself. Lives as long as the process.
util::ThreadPool& reaper() {
  static auto* pool = new util::ThreadPool("quillbox-download-reaper", 1);
  return *pool;
}

std::size_t cores() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

void DownloadLoops::Strand::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (scheduled_) return;
    scheduled_ = true;
  }
  pool_.post([self = shared_from_this()] { self->drain(); });
}

void DownloadLoops::Strand::drain() {
  const util::ThreadPool* outer = tlsDrainingPool;
  tlsDrainingPool = &pool_;
  // A fair share of the pool: after this many jobs the rest waits its turn
  // behind the other downloaders' queues.
  constexpr int kJobsPerTurn = 32;
  for (int done = 0;; ++done) {
    std::function<void()> job;
    {
      std::lock_guard lock(mutex_);
      if (jobs_.empty()) {
        scheduled_ = false;
        break;
      }
      if (done == kJobsPerTurn) {
        pool_.post([self = shared_from_this()] { self->drain(); });
        break;
      }
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    try {
      job();
    } catch (const std::exception& e) {
      QUILLBOX_LOG(error, std::string("quillbox-download: a callback threw: ") + e.what());
    } catch (...) {
      QUILLBOX_LOG(error, "quillbox-download: a callback threw");
    }
  }
  tlsDrainingPool = outer;
}

DownloadLoops::DownloadLoops(const TransportOptions& options)
    : options_(options),
      callbacks_(std::make_unique<util::ThreadPool>("quillbox-download", options.downloadCallbackThreads)) {
  loops_.reserve(options.downloadLoops);
  for (std::size_t i = 0; i < options.downloadLoops; ++i) {
    loops_.push_back(std::make_unique<CurlLoop>("quillbox-download-" + std::to_string(i)));
  }
}

DownloadLoops::~DownloadLoops() {
  loops_.clear();  // ends what still runs; the reports go to the pool
  callbacks_.reset();
}

bool DownloadLoops::onOwnCallbackThread() const { return tlsDrainingPool == callbacks_.get(); }

std::shared_ptr<DownloadLoops> DownloadLoops::make(TransportOptions options) {
  if (options.downloadLoops == 0) options.downloadLoops = std::min<std::size_t>(4, cores());
  if (options.downloadCallbackThreads == 0) options.downloadCallbackThreads = std::min<std::size_t>(2, cores());
  return std::shared_ptr<DownloadLoops>(new DownloadLoops(options), [](DownloadLoops* set) {
    if (set->onOwnCallbackThread()) {
      reaper().post([set] { delete set; });
    } else {
      delete set;
    }
  });
}

std::shared_ptr<DownloadLoops> DownloadLoops::processDefault() {
  static auto* shared = new std::shared_ptr<DownloadLoops>(make());
  return *shared;
}

CurlLoop& DownloadLoops::nextLoop() { return *loops_[turn_.fetch_add(1) % loops_.size()]; }

}  // namespace quillbox::transport
