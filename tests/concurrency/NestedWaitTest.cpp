// The callback executor keeps going when every one of its threads is blocked
// in a callback that waits for something only the executor can deliver.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox {
namespace {

using namespace std::chrono_literals;
using util::ThreadPool;

/// Waits for `ready()` under `mutex`; the guard only keeps a broken pool from
/// hanging the suite.
template <class Ready>
bool waitFor(std::mutex& mutex, std::condition_variable& changed, Ready ready) {
  std::unique_lock lock(mutex);
  return changed.wait_for(lock, 30s, ready);
}

bool waitForThreads(const ThreadPool& pool, std::size_t count) {
  for (int i = 0; i < 3000; ++i) {  // a guard of 30 s, not a measurement
    if (pool.threadCount() == count) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

struct GrowthCase {
  const char* name;
  std::size_t width;
  std::size_t maxThreads;  // 0: a fixed pool
  int blockedJobs;
  std::size_t expectedPeak;
};

class ExecutorGrowth : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(ExecutorGrowth, AddsThreadsWhileAllAreBlockedUpToItsCapAndShedsThemWhenIdle) {
  const GrowthCase c = GetParam();
  const ThreadPool::Growth growth{c.maxThreads, 5ms, 20ms};
  ThreadPool pool("growth", c.width, growth);
  ASSERT_EQ(pool.threadCount(), c.width);

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t running = 0, peak = 0;
  int finished = 0;
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  for (int i = 0; i < c.blockedJobs; ++i) {
    pool.post([&, open] {
      {
        std::lock_guard lock(mutex);
        peak = std::max(peak, ++running);
        changed.notify_all();
      }
      open.wait();
      std::lock_guard lock(mutex);
      --running;
      ++finished;
      changed.notify_all();
    });
  }
  ASSERT_TRUE(waitFor(mutex, changed, [&] { return running == c.expectedPeak; })) << running;
  // Many stall periods: a pool that grows where it must not, or past its cap,
  // has the time to show it.
  std::this_thread::sleep_for(growth.stallAfter * 20);
  EXPECT_EQ(pool.threadCount(), c.expectedPeak);
  gate.set_value();
  ASSERT_TRUE(waitFor(mutex, changed, [&] { return finished == c.blockedJobs; }));
  EXPECT_EQ(peak, c.expectedPeak);

  // The added threads leave once idle; the pool's own threads stay and work.
  EXPECT_TRUE(waitForThreads(pool, c.width)) << pool.threadCount();
  std::this_thread::sleep_for(growth.retireAfter * 5);
  EXPECT_EQ(pool.threadCount(), c.width);
  std::promise<void> ran;
  pool.post([&ran] { ran.set_value(); });
  EXPECT_EQ(ran.get_future().wait_for(30s), std::future_status::ready);
}

INSTANTIATE_TEST_SUITE_P(Executor, ExecutorGrowth,
                         ::testing::Values(GrowthCase{"FixedPoolNeverGrows", 2, 0, 5, 2},
                                           GrowthCase{"StopsAtItsCap", 2, 6, 10, 6},
                                           GrowthCase{"GrowsOneByOneFromASingleThread", 1, 16, 16, 16}),
                         [](const auto& info) { return std::string(info.param.name); });

// The same nesting on the executor alone is covered by ExecutorGrowth above
// (sixteen blocked jobs on one thread) and by the SDK's own executor here.
TEST(SdkNestedWait, SixteenCallbacksEachBlockedOnTheNextCallsAnswerComplete) {
  test::LogCapture quiet;
  test::LoopbackServer server(2);
  server.setHandler([](const test::RecordedRequest&) {
    return test::Reply::json(200, R"({"code":0,"msg":"ok","data":[]})");
  });
  CloudInstance::shared().setHost(server.baseUrl());
  CloudInstance::shared().setToken("t");

  // Call n's callback makes call n + 1 and blocks until that one's callback
  // has returned, the way a host written with promises would: at the deepest
  // point sixteen callbacks wait at once, more than the executor's threads.
  constexpr int kDepth = 16;
  std::function<int(int)> call = [&](int n) {
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> future = answer->get_future();
    CloudInstance::shared().getJobImpl().getJobs(GetJobsBean{}, [&call, answer, n](NetworkResult<GetJobsResponse> r) {
      if (!r.isSuccess()) {
        answer->set_value(-n);
      } else {
        answer->set_value(n == kDepth ? n : call(n + 1));
      }
    });
    return future.get();
  };
  std::future<int> deepest = std::async(std::launch::async, [&] { return call(1); });
  ASSERT_EQ(deepest.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(deepest.get(), kDepth);
  EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(kDepth));
}

TEST(ExecutorBatch, HeldJobsReachEachPoolInOrderAndWakeAsManyThreadsAsTheyNeed) {
  ThreadPool serial("serial", 1);
  ThreadPool wide("wide", 3);
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> order;
  int together = 0, released = 0;
  {
    ThreadPool::Batch batch;
    ThreadPool::Batch inner;  // leaves the outer batch in charge
    for (int i = 0; i < 10; ++i) {
      serial.post([&, i] {
        std::lock_guard lock(mutex);
        order.push_back(i);
        changed.notify_all();
      });
      // Each of these waits until all three run at once: one woken thread
      // alone would never see that.
      if (i < 3) {
        wide.post([&] {
          std::unique_lock lock(mutex);
          ++together;
          changed.notify_all();
          if (changed.wait_for(lock, 30s, [&] { return together == 3; })) ++released;
          changed.notify_all();
        });
      }
    }
  }
  ASSERT_TRUE(waitFor(mutex, changed, [&] { return order.size() == 10 && released == 3; }))
      << order.size() << " " << released;
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

}  // namespace
}  // namespace quillbox
