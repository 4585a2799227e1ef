#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillbox::util {

/// Threads taking work in FIFO order. A job that throws is logged and
/// dropped; the thread carries on.
///
/// By default the pool has a fixed number of threads. A pool built with a
/// Growth also watches itself: when work is queued, no thread is idle and
/// no thread has taken a job for `stallAfter` (every thread is blocked, in a
/// host callback waiting for a nested call's answer, say), it adds a thread,
/// up to `maxThreads`; a thread beyond `width` that has had nothing to do for
/// `retireAfter` leaves again.
class ThreadPool {
 public:
  struct Growth {
    std::size_t maxThreads = 0;
    std::chrono::milliseconds stallAfter{25};
    std::chrono::milliseconds retireAfter{10000};
  };

  /// A pool of exactly `width` threads (at least 1).
  ThreadPool(std::string name, std::size_t width);
  /// `width` threads (at least 1) that stay, and up to growth.maxThreads in all.
  ThreadPool(std::string name, std::size_t width, Growth growth);
  /// Finishes the queued jobs, then joins the threads.
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  void post(std::function<void()> job);

  /// While a Batch lives on a thread, what that thread posts to any pool is
  /// held back; when the Batch ends, each pool's share is queued in one step,
  /// in the order posted, waking at most one thread. Batches do not nest: an
  /// inner one leaves the outer one in charge.
  class Batch {
   public:
    Batch();
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    friend class ThreadPool;
    bool active_;
    std::vector<std::pair<ThreadPool*, std::vector<std::function<void()>>>> held_;
  };

  /// The threads that always stay.
  std::size_t width() const { return width_; }
  /// The threads running now.
  std::size_t threadCount() const;
  /// True on a thread of any pool: the SDK's callback threads are pool threads.
  static bool onPoolThread();

 private:
  using Worker = std::list<std::thread>::iterator;

  void enqueue(std::vector<std::function<void()>>& jobs);
  /// Called with `lock` held after queueing: wakes a worker or the
  /// supervisor when needed, after unlocking.
  void queued(std::unique_lock<std::mutex>& lock);
  void addWorker();  // with mutex_ held
  void run(Worker self);
  void supervise();
  bool canGrow() const { return growth_.maxThreads > width_; }

  std::string name_;
  std::size_t width_;
  Growth growth_;

  mutable std::mutex mutex_;  // guards every field below
  std::condition_variable ready_;      // workers wait here for jobs
  std::condition_variable watchdog_;   // the supervisor waits here
  std::deque<std::function<void()>> jobs_;
  std::list<std::thread> workers_;
  std::vector<std::thread> retired_;  // left, not joined yet
  std::size_t idle_ = 0;              // workers waiting for a job
  std::size_t wakesPending_ = 0;      // idle workers woken that have not yet run
  std::uint64_t taken_ = 0;           // jobs taken since the start
  bool watching_ = false;             // the supervisor is timing a stall
  bool stopping_ = false;
  std::thread supervisor_;
};

}  // namespace quillbox::util
