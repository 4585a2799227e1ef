// Many requests at once: every one of them gets exactly one callback, also
// when the server drops connections in the middle of answers.

#include <gtest/gtest.h>

#include <atomic>
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
  CloudInstance::shared().setHost(server.baseUrl());
  CloudInstance::shared().setToken("t");

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
        CloudInstance::shared().getJobImpl().getJobs(bean, [&, i](NetworkResult<GetJobsResponse> r) {
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

}  // namespace
}  // namespace quillbox
