#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillbox::util {

/// A fixed number of threads taking work in FIFO order. A job that throws is
/// logged and dropped; the thread carries on.
class ThreadPool {
 public:
  ThreadPool(std::string name, std::size_t width);
  /// Finishes the queued jobs, then joins the threads.
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  void post(std::function<void()> job);
  std::size_t width() const { return threads_.size(); }
  /// True on a thread of any pool: the SDK's callback threads are pool threads.
  static bool onPoolThread();

 private:
  void run();

  std::string name_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace quillbox::util
