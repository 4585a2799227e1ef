#pragma once

#include <functional>

namespace quillbox::util {

/// The process-wide serial executor: one thread runs the posted jobs one at
/// a time, in the order they were posted. Upload bookkeeping and the upload
/// events a host receives run here. It is created on first use and never
/// destroyed.
class MainQueue {
 public:
  MainQueue() = delete;
  static void async(std::function<void()> job);
  /// True on the queue's own thread.
  static bool isCurrent();
};

}  // namespace quillbox::util
