// Many requests at once: every one of them gets exactly one callback, also
// when the server drops connections in the middle of answers, and when their
// client goes away under them. Clients side by side see only their own.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"

namespace quillbox {
namespace {

using test::LoopbackServer;
using test::Reply;

TEST(InFlight, FiveHundredCallsEachGetOneCallbackWhileConnectionsDrop) {
  test::LogCapture quiet;  // keep the output readable; lines are still produced
  LoopbackServer server(2);
  std::atomic<int> served{0};
  server.setHandler([&](const test::RecordedRequest& req) {
    const int n = served++;
    Reply reply = Reply::json(200, R"({"code":0,"msg":"ok","data":[{"taskId":")" + req.target + R"("}]})");
    if (n % 5 == 1) reply.closeAfterBodyBytes = 7;   // cut mid-answer
    if (n % 5 == 3) reply.closeWithoutReply = true;  // dropped before answering
    return reply;
  });
  CloudInstance cloud;
  cloud.setHost(server.baseUrl());
  cloud.setToken("t");

  constexpr int kCalls = 500;
  std::mutex mutex;
  std::condition_variable allDone;
  std::vector<int> callbacks(kCalls, 0);
  int finished = 0, succeeded = 0;
  std::set<std::thread::id> threads;

  // Issue the calls from four threads at once.
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&, t] {
      for (int i = t; i < kCalls; i += 4) {
        GetJobsBean bean;
        bean.offset = i;
        cloud.getJobImpl().getJobs(bean, [&, i](NetworkResult<GetJobsResponse> r) {
          std::lock_guard lock(mutex);
          ++callbacks[i];
          ++finished;
          threads.insert(std::this_thread::get_id());
          if (r.isSuccess()) {
            ++succeeded;
            // Each answer reaches the call that asked for it.
            EXPECT_EQ(r.value().data->at(0).taskId, "/quillbox/ose/v1/jobs?offset=" + std::to_string(i) + "&limit=100");
          } else {
            EXPECT_EQ(r.code(), -1);
          }
          allDone.notify_all();
        });
      }
    });
  }
  for (auto& c : callers) c.join();

  std::unique_lock lock(mutex);
  ASSERT_TRUE(allDone.wait_for(lock, std::chrono::seconds(30), [&] { return finished >= kCalls; })) << finished;
  lock.unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for a stray second callback
  lock.lock();
  for (int i = 0; i < kCalls; ++i) EXPECT_EQ(callbacks[i], 1) << "call " << i;
  EXPECT_EQ(finished, kCalls);
  EXPECT_GT(succeeded, 0);
  EXPECT_LT(succeeded, kCalls);
  for (const auto& id : threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(InFlight, TwoClientsAtOnceEachReachOnlyItsOwnHostWithItsOwnToken) {
  test::LogCapture quiet;
  struct Side {
    LoopbackServer server;
    CloudInstance cloud;
    std::string token;
  };
  Side sides[2];
  for (int s = 0; s < 2; ++s) {
    sides[s].token = "token-" + std::to_string(s);
    sides[s].server.setHandler([s](const test::RecordedRequest& req) {
      // Each server names itself and echoes the token it was sent.
      return Reply::json(200, R"({"code":0,"msg":"ok","data":[{"taskId":")" + std::to_string(s) + "/" +
                                  req.header("Authorization").value_or("none") + R"("}]})");
    });
    sides[s].cloud.setHost(sides[s].server.baseUrl());
    sides[s].cloud.setToken(sides[s].token);
  }
  EXPECT_NE(&sides[0].cloud.getJobImpl(), &sides[1].cloud.getJobImpl());

  constexpr int kCalls = 50;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> seen[2];
  std::vector<std::thread> callers;
  for (int s = 0; s < 2; ++s) {
    callers.emplace_back([&, s] {
      for (int i = 0; i < kCalls; ++i) {
        sides[s].cloud.getJobImpl().getJobs(GetJobsBean{}, [&, s](NetworkResult<GetJobsResponse> r) {
          std::lock_guard lock(mutex);
          seen[s].push_back(r.isSuccess() ? r.value().data->at(0).taskId.value_or("") : r.message());
          changed.notify_all();
        });
      }
    });
  }
  for (auto& c : callers) c.join();
  std::unique_lock lock(mutex);
  ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30),
                               [&] { return seen[0].size() == kCalls && seen[1].size() == kCalls; }));
  for (int s = 0; s < 2; ++s) {
    for (const auto& answer : seen[s]) EXPECT_EQ(answer, std::to_string(s) + "/" + sides[s].token);
    EXPECT_EQ(sides[s].server.requestCount(), static_cast<std::size_t>(kCalls));
  }
}

TEST(InFlight, AClientDestroyedWithAHundredCallsInFlightCallsEachBackOnceAsCancelled) {
  test::LogCapture quiet;
  LoopbackServer server(4);
  server.setHandler([](const test::RecordedRequest&) {
    Reply r = Reply::json(200, R"({"code":0})");
    r.delay = std::chrono::hours(1);  // never answers in time
    return r;
  });
  constexpr int kCalls = 100;
  std::mutex mutex;
  std::vector<int> calls(kCalls, 0);
  std::vector<std::string> messages(kCalls);
  std::set<std::thread::id> threads;
  {
    auto cloud = std::make_unique<CloudInstance>();
    cloud->setHost(server.baseUrl());
    for (int i = 0; i < kCalls; ++i) {
      // The callback owns what it touches through a client-independent state.
      cloud->getJobImpl().getJobs(GetJobsBean{}, [&, i](NetworkResult<GetJobsResponse> r) {
        std::lock_guard lock(mutex);
        ++calls[i];
        messages[i] = r.isSuccess() ? "success" : r.message();
        threads.insert(std::this_thread::get_id());
      });
    }
    ASSERT_TRUE(server.waitForRequests(1, std::chrono::seconds(10)));  // the others wait to share its connection
    cloud.reset();  // returns once every callback has run
    std::lock_guard lock(mutex);
    for (int i = 0; i < kCalls; ++i) {
      EXPECT_EQ(calls[i], 1) << i;
      EXPECT_EQ(messages[i], "request error cancelled") << i;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for a stray second callback
  std::lock_guard lock(mutex);
  for (int i = 0; i < kCalls; ++i) EXPECT_EQ(calls[i], 1) << i;
  EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace quillbox
