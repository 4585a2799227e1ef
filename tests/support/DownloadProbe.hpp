#pragma once
// Helpers for the download tests: what one start() reports, and the partial
// files a download leaves next to its destination.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "quillbox/download/ResumableDownloader.hpp"

namespace quillbox::test {

/// How many threads this process has now.
inline std::size_t processThreads() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

/// The downloader's hidden partial files in `dir`.
inline std::vector<std::filesystem::path> partialFiles(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".qbpart")) found.push_back(entry.path());
  }
  return found;
}

/// Everything one start() reports. Held by shared_ptr in its callbacks, so a
/// late call never outlives it.
class Probe : public std::enable_shared_from_this<Probe> {
 public:
  static std::shared_ptr<Probe> make() { return std::make_shared<Probe>(); }

  std::function<void(double)> progress() {
    return [self = shared_from_this()](double fraction) {
      std::lock_guard lock(self->mutex_);
      self->fractions_.push_back(fraction);
      self->threads_.insert(std::this_thread::get_id());
      if (!self->results_.empty()) self->progressAfterCompletion_ = true;
      self->changed_.notify_all();
    };
  }
  std::function<void(DownloadResult)> completion() {
    return [self = shared_from_this()](DownloadResult result) {
      std::lock_guard lock(self->mutex_);
      self->results_.push_back(std::move(result));
      self->threads_.insert(std::this_thread::get_id());
      self->changed_.notify_all();
    };
  }
  /// Starts `d` with this probe's callbacks.
  void start(ResumableDownloader& d) { d.start(progress(), completion()); }
  /// Starts `d` with this probe's callbacks and waits for its outcome.
  std::optional<DownloadResult> run(ResumableDownloader& d) {
    start(d);
    return wait();
  }

  std::optional<DownloadResult> wait(std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !results_.empty(); })) return std::nullopt;
    return results_.front();
  }
  bool waitForProgress(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !fractions_.empty(); });
  }
  std::vector<double> fractions() const {
    std::lock_guard lock(mutex_);
    return fractions_;
  }
  std::size_t completions() const {
    std::lock_guard lock(mutex_);
    return results_.size();
  }
  bool progressAfterCompletion() const {
    std::lock_guard lock(mutex_);
    return progressAfterCompletion_;
  }
  std::set<std::thread::id> threads() const {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<double> fractions_;
  std::vector<DownloadResult> results_;
  std::set<std::thread::id> threads_;
  bool progressAfterCompletion_ = false;
};

inline std::string describe(const std::optional<DownloadResult>& result) {
  if (!result) return "no outcome within the time-out";
  if (result->isSuccess()) return "success: " + result->value().string();
  return "failure " + std::to_string(result->error().code) + ": " + result->error().message;
}

/// Starts `d` with `probe` at `bytesPerSecond`, pauses it after its first
/// progress and returns how many bytes its one partial file in `dir` keeps.
inline std::uintmax_t startAndPause(ResumableDownloader& d, Probe& probe, const std::filesystem::path& dir,
                                    std::int64_t bytesPerSecond = 256 * 1024) {
  d.setMaxBytesPerSecond(bytesPerSecond);
  probe.start(d);
  EXPECT_TRUE(probe.waitForProgress());
  d.pause();
  d.setMaxBytesPerSecond(0);
  EXPECT_EQ(d.state(), DownloadState::paused);
  const auto parts = partialFiles(dir);
  EXPECT_EQ(parts.size(), 1u);
  return parts.empty() ? 0 : std::filesystem::file_size(parts.front());
}

}  // namespace quillbox::test
