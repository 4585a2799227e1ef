// Service calls that fail on the way: which are sent again and how often,
// what the host's one callback then carries, the call's deadline, and the
// cap on connections, against scripted answers of the loopback server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ctime>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"
#include "transport/Transport.hpp"

namespace quillbox {
namespace {

using test::LogCapture;
using test::LoopbackServer;
using test::Reply;
using test::ResultCollector;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using std::chrono::milliseconds;

/// Short waits, so that a test with three retries takes milliseconds; a long
/// enough ceiling for the Retry-After cases.
RetryPolicy quickRetries() {
  RetryPolicy p;
  p.baseDelay = milliseconds(1);
  p.maxDelay = milliseconds(1500);
  return p;
}

CloudInstance::Options quickOptions() {
  CloudInstance::Options o;
  o.retry = quickRetries();
  return o;
}

Reply envelope(int status, int code, const std::string& msg) {
  return Reply::json(status, R"({"code":)" + std::to_string(code) + R"(,"msg":")" + msg + R"("})");
}

Reply resetBeforeAnswer() {
  Reply r;
  r.closeWithoutReply = true;
  return r;
}

Reply cutShort() {
  Reply r = Reply::json(200, R"({"code":0,"msg":"ok","data":[]})");
  r.closeAfterBodyBytes = 5;
  return r;
}

std::size_t retryLines(const LogCapture& log) {
  std::size_t n = 0;
  for (const auto& line : log.lines()) n += line.find("); attempt ") != std::string::npos;
  return n;
}

/// Outcome of one call, reduced to what the cases compare.
struct Outcome {
  bool success = false;
  std::int64_t code = 0;
  std::string message;
  FailureKind kind = FailureKind::none;
  long httpStatus = 0;
};

template <class T>
Outcome outcomeOf(const NetworkResult<T>& r) {
  return {r.isSuccess(), r.code(), r.message(), r.kind(), r.httpStatus()};
}

class RetryTest : public ::testing::Test {
 protected:
  void useClient(CloudInstance::Options options, const std::string& host) {
    cloud = std::make_unique<CloudInstance>(options);
    cloud->setHost(host);
  }

  Outcome getJobs() {
    ResultCollector<GetJobsResponse> got;
    cloud->getJobImpl().getJobs(GetJobsBean{}, got.callback());
    return outcomeOf(got.wait());
  }

  Outcome createDirectory() {
    CreateDirectoryBean folder;
    folder.fileName = "Reports";
    folder.parentFolder = std::vector<std::string>{"root"};
    ResultCollector<CreateDirectoryResponse> got;
    cloud->getFileImpl().createDirectory(folder, got.callback());
    return outcomeOf(got.wait());
  }

  LoopbackServer server;
  std::unique_ptr<CloudInstance> cloud;  // after the server: it goes first
};

TEST_F(RetryTest, WhatIsSentAgainAndWhatTheCallbackCarries) {
  enum class Call { get, post };
  struct Case {
    const char* name;
    Call call;
    std::vector<Reply> replies;  // the rest are answered 200
    std::size_t requests;        // the server sees exactly this many
    std::optional<Outcome> failure;  // nothing: success
  };
  // Each case starts on a fresh connection: libcurl itself sends a request
  // again, once, when a connection it reused dies before any byte of the
  // answer, which would blur what the cases count.
  Reply ok = Reply::json(200, R"({"code":0,"msg":"ok"})");
  ok.headers = {{"Connection", "close"}};
  const std::vector<Case> cases = {
      {"GET after 429", Call::get, {envelope(429, 9, "slow down")}, 2, std::nullopt},
      {"GET after a reset", Call::get, {resetBeforeAnswer()}, 2, std::nullopt},
      {"GET after a cut-off answer", Call::get, {cutShort()}, 2, std::nullopt},
      {"GET after 502, 500, 504", Call::get, {envelope(502, 1, "a"), envelope(500, 2, "b"), envelope(504, 3, "c")}, 4,
       std::nullopt},
      {"GET: the last attempt's failure",
       Call::get,
       {envelope(503, 1, "first"), envelope(500, 2, "second"), envelope(408, 3, "third"), envelope(502, 4, "fourth")},
       4,
       Outcome{false, 4, "fourth", FailureKind::httpStatus, 502}},
      {"GET: a last cut-off answer gives the transport's text", Call::get,
       {envelope(503, 1, "a"), envelope(503, 2, "b"), envelope(503, 3, "c"), cutShort()}, 4,
       Outcome{false, -1, "request error ", FailureKind::reset, 0}},
      {"GET 404 is final", Call::get, {envelope(404, 44, "no such job")}, 1,
       Outcome{false, 44, "no such job", FailureKind::httpStatus, 404}},
      {"POST after 503", Call::post, {envelope(503, 9, "busy")}, 2, std::nullopt},
      {"POST after 429", Call::post, {envelope(429, 9, "slow down")}, 2, std::nullopt},
      {"POST reset after it arrived is not sent again", Call::post, {resetBeforeAnswer()}, 1,
       Outcome{false, -1, "request error ", FailureKind::reset, 0}},
      {"POST cut off is not sent again", Call::post, {cutShort()}, 1,
       Outcome{false, -1, "request error ", FailureKind::reset, 0}},
      {"POST 500 is not sent again", Call::post, {envelope(500, 7, "failed")}, 1,
       Outcome{false, 7, "failed", FailureKind::httpStatus, 500}},
      {"POST 502 is not sent again", Call::post, {envelope(502, 8, "gateway")}, 1,
       Outcome{false, 8, "gateway", FailureKind::httpStatus, 502}},
  };
  useClient(quickOptions(), server.baseUrl());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.reset();
    for (const Reply& r : c.replies) server.enqueue(r);
    server.setHandler([ok](const test::RecordedRequest&) { return ok; });

    const Outcome got = c.call == Call::get ? getJobs() : createDirectory();

    if (c.failure) {
      EXPECT_FALSE(got.success);
      EXPECT_EQ(got.code, c.failure->code);
      EXPECT_THAT(got.message, StartsWith(c.failure->message));
      EXPECT_EQ(got.kind, c.failure->kind);
      EXPECT_EQ(got.httpStatus, c.failure->httpStatus);
    } else {
      EXPECT_TRUE(got.success) << got.message;
    }
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), c.requests);
    // Every attempt is the same request, trace identifier included.
    for (const auto& r : seen) {
      EXPECT_EQ(r.method, seen.front().method);
      EXPECT_EQ(r.target, seen.front().target);
      EXPECT_EQ(r.body, seen.front().body);
      EXPECT_EQ(r.header("X-Traceid"), seen.front().header("X-Traceid"));
    }
  }
}

TEST_F(RetryTest, NoneSendsOnceAndTheSettingCanChangeLater) {
  CloudInstance::Options options = quickOptions();
  options.retry = RetryPolicy::none();
  useClient(options, server.baseUrl());
  server.enqueue(envelope(503, 5, "busy"));
  const Outcome once = getJobs();
  EXPECT_FALSE(once.success);
  EXPECT_EQ(once.code, 5);
  EXPECT_EQ(server.requestCount(), 1u);

  server.reset();
  cloud->setRetryPolicy(quickRetries());
  server.enqueue(envelope(503, 5, "busy"));
  EXPECT_TRUE(getJobs().success);
  EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(RetryTest, ARefusedConnectionIsTriedAsOftenAsThePolicySaysForAnyMethod) {
  std::string closed;
  {
    LoopbackServer gone;
    closed = gone.baseUrl();
  }
  useClient(quickOptions(), closed);
  for (bool post : {false, true}) {
    SCOPED_TRACE(post ? "POST" : "GET");
    LogCapture log;
    const Outcome got = post ? createDirectory() : getJobs();
    EXPECT_FALSE(got.success);
    EXPECT_EQ(got.code, -1);
    EXPECT_THAT(got.message, StartsWith("request error Couldn't connect"));
    EXPECT_EQ(got.kind, FailureKind::connect);
    EXPECT_TRUE(log.contains("请求失败: Couldn't connect"));
    EXPECT_EQ(retryLines(log), 3u);  // four attempts in all
  }
}

std::string httpDateFromNow(std::chrono::seconds ahead) {
  const std::time_t t = std::time(nullptr) + ahead.count();
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
  return text;
}

// A Retry-After given as an HTTP date is read, and the ceiling caps the wait.
TEST_F(RetryTest, RetryAfterAsAnHttpDateIsCappedAtTheCeiling) {
  useClient(quickOptions(), server.baseUrl());
  Reply busy = envelope(503, 9, "busy");
  busy.headers = {{"Retry-After", httpDateFromNow(std::chrono::hours(1))}};
  server.enqueue(busy);
  LogCapture log;
  EXPECT_TRUE(getJobs().success);
  EXPECT_EQ(server.requestCount(), 2u);
  ASSERT_EQ(retryLines(log), 1u);
  EXPECT_TRUE(log.contains("in 1500 ms"));
}

TEST_F(RetryTest, AClientGoingAwayDuringAWaitEndsTheCallAtOnceWithOneCallback) {
  CloudInstance::Options options;
  options.retry.maxDelay = std::chrono::minutes(10);
  useClient(options, server.baseUrl());
  Reply busy = envelope(503, 9, "busy");
  busy.headers = {{"Retry-After", "100"}};  // within the call's deadline
  server.enqueue(busy);
  LogCapture log;
  ResultCollector<GetJobsResponse> got;
  cloud->getJobImpl().getJobs(GetJobsBean{}, got.callback());
  ASSERT_TRUE(log.waitFor("in 100000 ms"));

  // A wait of 100 s that did not end would hold the destructor that long.
  auto gone = std::async(std::launch::async, [&] { cloud.reset(); });
  ASSERT_EQ(gone.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(got.count(), 1u);
  EXPECT_EQ(got.wait().message(), "request error cancelled");
  EXPECT_EQ(got.wait().kind(), FailureKind::cancelled);
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(RetryTest, ACallPastItsDeadlineFailsWithATimeOutAndIsNotSentAgain) {
  CloudInstance::Options options = quickOptions();
  options.callDeadline = milliseconds(300);
  useClient(options, server.baseUrl());
  Reply stalled = Reply::json(200, R"({"code":0,"msg":"ok"})");
  stalled.delay = std::chrono::seconds(30);
  server.enqueue(stalled);
  const Outcome got = getJobs();
  EXPECT_FALSE(got.success);
  EXPECT_THAT(got.message, StartsWith("request error Timeout was reached"));
  EXPECT_EQ(got.kind, FailureKind::timeout);
  EXPECT_EQ(server.requestCount(), 1u);
}

/// Lowers the process's descriptor limit for its lifetime.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(rlim_t soft) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(soft, saved_.rlim_cur);
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;

 private:
  rlimit saved_{};
};

TEST_F(RetryTest, ManyCallsInFlightShareAFewConnectionsAndAllSucceed) {
  constexpr std::size_t kCalls = 10000;
  CloudInstance::Options options;
  options.retry = RetryPolicy::none();  // a call that did not get through must show
  options.maxHostConnections = 12;
  useClient(options, server.baseUrl());
  // Server and client in one process, under the common limit.
  DescriptorLimit limit(1024);

  // Shared with the callbacks, which may outlive a failed wait.
  struct Tally {
    std::mutex mutex;
    std::condition_variable done;
    std::size_t answered = 0;
    std::size_t failed = 0;
    std::string firstFailure;
  };
  auto tally = std::make_shared<Tally>();
  for (std::size_t i = 0; i < kCalls; ++i) {
    cloud->getJobImpl().getJobs(GetJobsBean{}, [tally](NetworkResult<GetJobsResponse> r) {
      std::lock_guard lock(tally->mutex);
      if (!r.isSuccess() && tally->failed++ == 0) tally->firstFailure = r.message();
      if (++tally->answered == kCalls) tally->done.notify_all();
    });
  }
  std::unique_lock lock(tally->mutex);
  ASSERT_TRUE(tally->done.wait_for(lock, std::chrono::seconds(50), [&] { return tally->answered == kCalls; }));
  EXPECT_EQ(tally->failed, 0u) << tally->firstFailure;
  EXPECT_EQ(server.requestCount(), kCalls);
  EXPECT_LE(server.mostConnectionsAtOnce(), 12u);
}

// A lull, when one call at a time is in flight, keeps the connections a
// burst opened: the next burst finds them idle instead of connecting anew.
TEST_F(RetryTest, ConnectionsOpenedForABurstOutlastALull) {
  constexpr std::size_t kWidth = 8;
  transport::TransportOptions options;
  options.maxHostConnections = kWidth;
  transport::Transport transport(options);
  auto burst = [&] {
    // Held long enough that all of them are in flight at once.
    server.setHandler([](const test::RecordedRequest&) {
      Reply slow = Reply::json(200, R"({"code":0,"msg":"ok"})");
      slow.delay = milliseconds(150);
      return slow;
    });
    std::vector<std::promise<long>> statuses(kWidth);
    for (auto& status : statuses) {
      transport.exchange(server.baseUrl() + "/burst", HTTPMethod::get, transport::HeaderLines{}, std::nullopt,
                         [&status](transport::HttpResult r) { status.set_value(r.status); });
    }
    for (auto& status : statuses) EXPECT_EQ(status.get_future().get(), 200);
    server.setHandler(nullptr);
  };
  burst();
  for (int i = 0; i < 6; ++i) {
    std::promise<long> status;
    transport.exchange(server.baseUrl() + "/lull", HTTPMethod::get, transport::HeaderLines{}, std::nullopt,
                       [&status](transport::HttpResult r) { status.set_value(r.status); });
    EXPECT_EQ(status.get_future().get(), 200);
  }
  burst();
  // Every connection the client ever opened, lull and second burst included.
  EXPECT_LE(server.connectionCount(), kWidth);
}

// Calls beyond the cap wait in the client's own queue. The time one waits
// there counts against its limit, and one whose time ran out while it waited
// is never sent; those behind it still go.
TEST_F(RetryTest, ACallWhoseTimeRunsOutWhileQueuedForAConnectionIsNeverSent) {
  transport::TransportOptions options;
  options.maxHostConnections = 1;
  transport::Transport transport(options);
  Reply held = Reply::json(200, R"({"code":0,"msg":"ok"})");
  held.delay = milliseconds(600);
  server.enqueue(held);

  std::vector<std::promise<transport::HttpResult>> results(3);
  auto exchange = [&](std::size_t i, milliseconds limit) {
    transport.exchange(server.baseUrl() + "/call/" + std::to_string(i), HTTPMethod::get, transport::HeaderLines{}, std::nullopt,
                       [&results, i](transport::HttpResult r) { results[i].set_value(std::move(r)); },
                       transport::ExchangeTiming{.timeLimit = limit});
  };
  exchange(0, milliseconds(0));    // holds the one connection for 600 ms
  exchange(1, milliseconds(100));  // its time is up before the connection is free
  exchange(2, milliseconds(0));
  const transport::HttpResult first = results[0].get_future().get();
  const transport::HttpResult expired = results[1].get_future().get();
  const transport::HttpResult last = results[2].get_future().get();
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(transport::failureKind(expired), FailureKind::timeout);
  EXPECT_FALSE(expired.requestSent);
  EXPECT_EQ(last.status, 200);
  ASSERT_EQ(server.requestCount(), 2u);
  EXPECT_EQ(server.requests()[1].target, "/call/2");
  EXPECT_EQ(server.mostConnectionsAtOnce(), 1u);
}

}  // namespace
}  // namespace quillbox
