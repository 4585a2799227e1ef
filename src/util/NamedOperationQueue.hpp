#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "util/ThreadPool.hpp"

namespace quillbox::util {

/// One unit of work on a NamedOperationQueue. It runs at most once; cancel()
/// keeps it from running if it has not started yet.
class Operation {
 public:
  explicit Operation(std::function<void()> block) : block_(std::move(block)) {}
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  /// Cancels the operation. True when it had not started, so it never will
  /// (its block is released at once); false when it is running or has run
  /// (the block is not interrupted), or was cancelled before.
  bool cancel();
  bool isCancelled() const { return state_.load() == kCancelled; }
  bool isExecuting() const { return state_.load() == kRunning; }
  bool isFinished() const { return state_.load() == kFinished; }

 private:
  friend class NamedOperationQueue;
  static constexpr int kPending = 0, kRunning = 1, kFinished = 2, kCancelled = 3;
  /// Runs the block unless the operation was cancelled first.
  void runIfPending();

  std::function<void()> block_;
  std::atomic<int> state_{kPending};
};

/// A work queue: a fixed number of pool threads run the added operations,
/// starting them in the order they were added. The width is the number of
/// processors when the queue is built.
class NamedOperationQueue {
 public:
  /// Width = the processor count (at least 1); prints "CPU num = " + count.
  explicit NamedOperationQueue(std::string name);
  /// A queue of the given width (at least 1), without the log line.
  NamedOperationQueue(std::string name, std::size_t width);
  NamedOperationQueue(const NamedOperationQueue&) = delete;
  NamedOperationQueue& operator=(const NamedOperationQueue&) = delete;

  /// Wraps the block in an operation and queues it.
  std::shared_ptr<Operation> addOperation(std::function<void()> block);
  void addOperation(std::shared_ptr<Operation> operation);

  const std::string& name() const { return name_; }
  std::size_t maxConcurrentOperationCount() const { return pool_.width(); }
  /// Operations added and not yet finished or skipped after a cancel.
  std::size_t operationCount() const { return outstanding_.load(); }

 private:
  std::string name_;
  std::atomic<std::size_t> outstanding_{0};
  ThreadPool pool_;
};

/// The number of processors, at least 1.
std::size_t activeProcessorCount();

}  // namespace quillbox::util
