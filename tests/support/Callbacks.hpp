#pragma once
// Helpers to wait for SDK callbacks in tests.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/util/Log.hpp"

namespace quillbox::test {

/// Collects every call of one service callback, with the calling thread.
template <class T>
class ResultCollector {
 public:
  /// The callback to hand to the SDK.
  auto callback() {
    return [this](NetworkResult<T> r) {
      std::lock_guard lock(mutex_);
      results_.push_back(std::move(r));
      threads_.push_back(std::this_thread::get_id());
      changed_.notify_all();
    };
  }

  /// Waits for the first call; fails the test on time-out.
  NetworkResult<T> wait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !results_.empty(); })) {
      return NetworkResult<T>::failure(-999, "test: no callback within the time-out");
    }
    return results_.front();
  }

  /// Number of calls so far; call settle() first to give late duplicates a chance.
  std::size_t count() const {
    std::lock_guard lock(mutex_);
    return results_.size();
  }
  std::thread::id thread() const {
    std::lock_guard lock(mutex_);
    return threads_.empty() ? std::thread::id() : threads_.front();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<NetworkResult<T>> results_;
  std::vector<std::thread::id> threads_;
};

/// Captures the SDK's log lines while alive; restores the default sink after.
class LogCapture {
 public:
  LogCapture() {
    setLogSink([this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
      added_.notify_all();
    });
  }
  ~LogCapture() { resetLogSink(); }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool contains(std::string_view needle) const {
    std::lock_guard lock(mutex_);
    return containsLocked(needle);
  }
  /// Waits for a line holding `needle`: some lines (the answer's body) are
  /// written after the callback has returned.
  bool waitFor(std::string_view needle, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, timeout, [&] { return containsLocked(needle); });
  }

 private:
  bool containsLocked(std::string_view needle) const {
    for (const auto& l : lines_) {
      if (l.find(needle) != std::string::npos) return true;
    }
    return false;
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable added_;
  std::vector<std::string> lines_;
};

}  // namespace quillbox::test
