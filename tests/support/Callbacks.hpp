#pragma once
// Helpers to wait for SDK callbacks in tests.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
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
/// The sink holds the captured state itself, so a line written after the
/// capture is gone (an answer's body is logged after its callback) lands in
/// memory that is still alive.
class LogCapture {
 public:
  LogCapture() : state_(std::make_shared<State>()) {
    setLogSink([state = state_](std::string_view line) {
      std::lock_guard lock(state->mutex);
      state->lines.emplace_back(line);
      state->added.notify_all();
    });
  }
  ~LogCapture() { resetLogSink(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const {
    std::lock_guard lock(state_->mutex);
    return state_->lines;
  }
  bool contains(std::string_view needle) const {
    std::lock_guard lock(state_->mutex);
    return state_->contains(needle);
  }
  /// Waits for a line holding `needle`: some lines (the answer's body) are
  /// written after the callback has returned.
  bool waitFor(std::string_view needle, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const {
    std::unique_lock lock(state_->mutex);
    return state_->added.wait_for(lock, timeout, [&] { return state_->contains(needle); });
  }
  /// The request pipeline writes an answer's "响应数据: " line after its
  /// callback has run; waits for `n` of them so that no line is still on its
  /// way when the capture goes away.
  bool waitForAnswers(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
    std::unique_lock lock(state_->mutex);
    return state_->added.wait_for(lock, timeout, [&] {
      return static_cast<std::size_t>(std::count_if(state_->lines.begin(), state_->lines.end(), [](const std::string& l) {
               return l.rfind("响应数据: ", 0) == 0;
             })) >= n;
    });
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable added;
    std::vector<std::string> lines;
    bool contains(std::string_view needle) const {
      for (const auto& l : lines) {
        if (l.find(needle) != std::string::npos) return true;
      }
      return false;
    }
  };
  std::shared_ptr<State> state_;
};

}  // namespace quillbox::test
