#pragma once
// Collects what an upload (or an upload manager) reports to its host callback.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

#include "quillbox/services/file/IFile.hpp"
#include "quillbox/upload/UploadProcessResult.hpp"
#include "request/Settings.hpp"
#include "transport/Transport.hpp"
#include "upload/UploadEngine.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox::test {

/// Waits until every job posted to `queue` so far has run.
inline void drainMainQueue(util::MainQueue& queue) {
  std::promise<void> done;
  queue.async([&] { done.set_value(); });
  done.get_future().wait();
}

/// What the uploads of one test run on, built the way a client builds it:
/// a transport, the settings, a main queue and a part queue of `width`.
struct UploadRig {
  explicit UploadRig(std::size_t width = util::activeProcessorCount()) : partQueue("NORMAL_T", width) {}
  ~UploadRig() { shutdown(); }
  /// As a client going away: everything in flight ends, and reports.
  void shutdown() {
    transport.shutdown();
    transport.inFlight().waitUntilIdle();
  }
  upload::UploadEngine engine(IFile& files) { return {files, settings, mainQueue, partQueue}; }
  /// Waits until no part runs or waits and the main queue has caught up.
  void settle() {
    while (partQueue.operationCount() > 0 || transport.parts().running() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (int round = 0; round < 2; ++round) drainMainQueue(mainQueue);
  }

  transport::Transport transport;
  request::Settings settings{transport};
  util::MainQueue mainQueue;
  util::NamedOperationQueue partQueue;
};

/// Every event one upload reported, and whether any came off `queue` (when
/// given). The callback holds the state itself, so a late event never
/// outlives it.
class UploadEvents {
 public:
  /// `watchFromStart`: every event must come on the main queue, not only
  /// those after returned().
  explicit UploadEvents(const util::MainQueue* queue = nullptr, bool watchFromStart = false) : queue_(queue) {
    s_->returned = watchFromStart;
  }

  std::function<void(UploadProcessResult)> callback() {
    return [s = s_, queue = queue_](UploadProcessResult r) {
      std::lock_guard lock(s->mutex);
      if (queue && s->returned && !queue->isCurrent()) s->offMainQueue = true;
      if (isOutcome(r)) ++s->outcomes;
      s->events.push_back(std::move(r));
      s->changed.notify_all();
    };
  }
  /// Marks the moment uploadFile returned: later events must come on MainQueue.
  void returned() {
    std::lock_guard lock(s_->mutex);
    s_->returned = true;
  }
  /// The first onSuccess or onFailure, waiting for it.
  std::optional<UploadProcessResult> outcome(std::chrono::seconds timeout = std::chrono::seconds(30)) {
    std::unique_lock lock(s_->mutex);
    s_->changed.wait_for(lock, timeout, [&] { return s_->outcomes > 0; });
    for (const auto& e : s_->events) {
      if (isOutcome(e)) return e;
    }
    return std::nullopt;
  }
  bool waitFor(std::size_t n) {
    std::unique_lock lock(s_->mutex);
    return s_->changed.wait_for(lock, std::chrono::seconds(10), [&] { return s_->events.size() >= n; });
  }
  std::vector<UploadProcessResult> all() const {
    std::lock_guard lock(s_->mutex);
    return s_->events;
  }
  int outcomes() const {
    std::lock_guard lock(s_->mutex);
    return s_->outcomes;
  }
  bool offMainQueue() const {
    std::lock_guard lock(s_->mutex);
    return s_->offMainQueue;
  }
  template <class T>
  std::vector<T> only() const {
    std::vector<T> out;
    for (const auto& e : all()) {
      if (auto* x = std::get_if<T>(&e)) out.push_back(*x);
    }
    return out;
  }

 private:
  static bool isOutcome(const UploadProcessResult& r) {
    return std::holds_alternative<uploadResult::onSuccess>(r) || std::holds_alternative<uploadResult::onFailure>(r);
  }
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<UploadProcessResult> events;
    int outcomes = 0;
    bool returned = false;
    bool offMainQueue = false;
  };
  const util::MainQueue* queue_;
  std::shared_ptr<State> s_ = std::make_shared<State>();
};

}  // namespace quillbox::test
