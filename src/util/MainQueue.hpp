#pragma once

#include <functional>

#include "util/ThreadPool.hpp"

namespace quillbox::util {

/// A serial executor: one thread runs the posted jobs one at a time, in the
/// order they were posted. Each client owns one; its upload bookkeeping and
/// the upload events its host receives run there.
class MainQueue {
 public:
  MainQueue();
  /// Runs the jobs already posted (and those they post), then joins.
  ~MainQueue() = default;
  MainQueue(const MainQueue&) = delete;
  MainQueue& operator=(const MainQueue&) = delete;

  void async(std::function<void()> job);
  /// True on this queue's own thread.
  bool isCurrent() const;

 private:
  ThreadPool pool_;
};

}  // namespace quillbox::util
