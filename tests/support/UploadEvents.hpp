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
#include <variant>
#include <vector>

#include "quillbox/upload/UploadProcessResult.hpp"
#include "util/MainQueue.hpp"

namespace quillbox::test {

/// Waits until every job posted to the main queue so far has run.
inline void drainMainQueue() {
  std::promise<void> done;
  util::MainQueue::async([&] { done.set_value(); });
  done.get_future().wait();
}

/// Every event one upload reported, and whether any came off the main queue.
/// The callback holds the state itself, so a late event never outlives it.
class UploadEvents {
 public:
  /// `watchFromStart`: every event must come on the main queue, not only
  /// those after returned().
  explicit UploadEvents(bool watchFromStart = false) { s_->returned = watchFromStart; }

  std::function<void(UploadProcessResult)> callback() {
    return [s = s_](UploadProcessResult r) {
      std::lock_guard lock(s->mutex);
      if (s->returned && !util::MainQueue::isCurrent()) s->offMainQueue = true;
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
  std::shared_ptr<State> s_ = std::make_shared<State>();
};

}  // namespace quillbox::test
