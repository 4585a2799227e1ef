// The work queue of part uploads, the serial main queue and the progress
// adaptor.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "support/Callbacks.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"
#include "util/ProgressHandler.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox {
namespace {

using util::NamedOperationQueue;

/// Records what ran, in order.
class Journal {
 public:
  void add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    changed_.notify_all();
  }
  bool waitFor(std::size_t n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return entries_.size() >= n; });
  }
  std::vector<std::string> entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> entries_;
};

TEST(UploadQueue, OneWideQueueRunsOperationsOneAfterAnotherInOrder) {
  NamedOperationQueue queue("one", 1);
  Journal journal;
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  queue.addOperation([&] {
    journal.add("first start");
    open.wait();
    journal.add("first end");
  });
  for (int i = 0; i < 10; ++i) queue.addOperation([&journal, i] { journal.add(std::to_string(i)); });
  ASSERT_TRUE(journal.waitFor(1));
  gate.set_value();
  ASSERT_TRUE(journal.waitFor(12));
  std::vector<std::string> expected = {"first start", "first end"};
  for (int i = 0; i < 10; ++i) expected.push_back(std::to_string(i));
  EXPECT_EQ(journal.entries(), expected);
}

TEST(UploadQueue, CancelKeepsAWaitingOperationFromRunningButNotARunningOne) {
  NamedOperationQueue queue("cancel", 1);
  Journal journal;
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  std::promise<void> started;
  auto running = queue.addOperation([&] {
    started.set_value();
    open.wait();
    journal.add("running");
  });
  auto waiting = queue.addOperation([&] { journal.add("waiting"); });
  started.get_future().wait();
  EXPECT_TRUE(running->isExecuting());
  EXPECT_FALSE(running->cancel());   // already running: it goes on
  EXPECT_TRUE(waiting->cancel());    // not started: it never will
  EXPECT_FALSE(waiting->cancel());   // once is enough
  queue.addOperation([&] { journal.add("last"); });
  gate.set_value();
  ASSERT_TRUE(journal.waitFor(2));
  EXPECT_EQ(journal.entries(), (std::vector<std::string>{"running", "last"}));
  EXPECT_TRUE(waiting->isCancelled());
  EXPECT_TRUE(running->isFinished());
  EXPECT_FALSE(running->cancel());
}

TEST(UploadQueue, WidthIsTheProcessorCountAndTheConstructorSaysSo) {
  test::LogCapture log;
  NamedOperationQueue queue("named");
  // Counted apart from the library's own way of asking.
  const auto cpus = static_cast<std::size_t>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
  EXPECT_EQ(queue.maxConcurrentOperationCount(), cpus);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"CPU num = " + std::to_string(cpus)});
}

TEST(UploadQueue, WideQueueRunsUpToItsWidthAtOnce) {
  NamedOperationQueue queue("wide", 3);
  std::mutex mutex;
  std::condition_variable cv;
  int running = 0, peak = 0, done = 0, started = 0;
  for (int i = 0; i < 12; ++i) {
    queue.addOperation([&] {
      std::unique_lock lock(mutex);
      peak = std::max(peak, ++running);
      ++started;
      // Hold the slot until the width is reached; a narrower queue would
      // end up waiting here for the full time.
      cv.notify_all();
      cv.wait_for(lock, std::chrono::seconds(10), [&] { return running == 3 || started == 12; });
      --running;
      ++done;
      cv.notify_all();
    });
  }
  std::unique_lock lock(mutex);
  ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return done == 12; }));
  EXPECT_EQ(peak, 3);
}

TEST(UploadQueue, APoolGoingAwayFinishesItsQueuedJobsFirst) {
  std::atomic<int> ran{0};
  std::promise<void> gate;
  std::thread opener;
  {
    util::ThreadPool pool("closing", 1);
    pool.post([open = gate.get_future().share()] { open.wait(); });
    for (int i = 0; i < 20; ++i) pool.post([&ran] { ++ran; });
    // The first job holds the only thread until the pool is being destroyed.
    opener = std::thread([&gate] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      gate.set_value();
    });
  }
  opener.join();
  EXPECT_EQ(ran.load(), 20);
}

TEST(UploadMainQueue, RunsJobsInOrderOnItsOwnThread) {
  Journal journal;
  std::set<std::thread::id> threads;
  std::mutex mutex;
  util::MainQueue queue, other;
  EXPECT_FALSE(queue.isCurrent());
  for (int i = 0; i < 50; ++i) {
    queue.async([&, i] {
      {
        std::lock_guard lock(mutex);
        threads.insert(std::this_thread::get_id());
      }
      journal.add(queue.isCurrent() && !other.isCurrent() ? std::to_string(i) : "elsewhere");
    });
  }
  ASSERT_TRUE(journal.waitFor(50));
  auto entries = journal.entries();
  for (int i = 0; i < 50; ++i) EXPECT_EQ(entries[static_cast<std::size_t>(i)], std::to_string(i));
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

TEST(UploadProgressHandler, ForwardsEveryReportEvenAfterItsOwnerIsGone) {
  std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> calls;
  auto owner = std::make_shared<int>(1);
  util::ProgressHandler handler(owner, [&](const std::string& h, std::int64_t w, std::int64_t t) {
    calls.emplace_back(h, w, t);
  });
  handler.onProgress("10", 5, 10);
  owner.reset();
  EXPECT_TRUE(handler.callback.expired());
  handler.onProgress("10", 10, 10);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1], std::make_tuple(std::string("10"), std::int64_t{10}, std::int64_t{10}));
}

}  // namespace
}  // namespace quillbox
