// The request pipeline end to end against the loopback server: what goes on
// the wire, what the host's callback receives for every kind of answer, and
// what the log shows.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "quillbox/services/share/IShare.hpp"
#include "quillbox/services/user/IUser.hpp"
#include "request/BaseReq.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/Settings.hpp"
#include "transport/Transport.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"

namespace quillbox {
namespace {

using test::LogCapture;
using test::LoopbackServer;
using test::Reply;
using test::ResultCollector;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cloud.setHost(server.baseUrl());
    cloud.setToken("tok-123");
    // One exchange, one outcome: what is sent again is tested on its own.
    cloud.setRetryPolicy(RetryPolicy::none());
  }

  IJob& jobs() { return cloud.getJobImpl(); }

  /// Runs getJobs against one scripted reply and returns what the host got.
  NetworkResult<GetJobsResponse> getJobsAnswer(Reply reply) {
    server.enqueue(std::move(reply));
    ResultCollector<GetJobsResponse> got;
    jobs().getJobs(GetJobsBean{}, got.callback());
    return got.wait();
  }

  LoopbackServer server;
  CloudInstance cloud;  // after the server: it goes first
};

const std::regex kTraceId("^000000000000DSDK[0-9A-F]{16}000000$");

TEST_F(PipelineTest, GetJobsSendsTheSixHeadersAndNoBody) {
  server.enqueue(Reply::json(200, R"({"code":0,"msg":"ok","data":[{"taskId":"t1","status":2}]})"));
  GetJobsBean bean;
  bean.limit = 20;
  bean.status = 2;
  ResultCollector<GetJobsResponse> got;
  jobs().getJobs(bean, got.callback());
  auto result = got.wait();

  ASSERT_TRUE(result.isSuccess()) << result.message();
  ASSERT_TRUE(result.value().data.has_value());
  EXPECT_EQ(result.value().data->at(0).taskId, "t1");
  EXPECT_EQ(result.value().data->at(0).status, 2);

  auto req = server.requests().at(0);
  EXPECT_EQ(req.method, "GET");
  EXPECT_EQ(req.target, "/quillbox/ose/v1/jobs?offset=0&limit=20&status=2");
  EXPECT_EQ(req.body, "");
  EXPECT_EQ(req.header("Content-Type"), "application/json; charset=utf-8");
  EXPECT_EQ(req.header("x-qz-agentname"), "standard");
  EXPECT_EQ(req.header("Accept"), "*/*");
  EXPECT_EQ(req.header("User-Agent"), "DSDK");
  EXPECT_EQ(req.header("Authorization"), "tok-123");
  EXPECT_TRUE(std::regex_match(req.header("X-Traceid").value_or(""), kTraceId));
  EXPECT_EQ(req.headerCount("Expect"), 0u);
  EXPECT_EQ(req.headerCount("Content-Length"), 0u);
}

TEST_F(PipelineTest, TokenAndHostAreReadWhenEachRequestStarts) {
  cloud.setToken(std::nullopt);
  ResultCollector<GetJobsResponse> first, second;
  jobs().getJobs(GetJobsBean{}, first.callback());
  ASSERT_TRUE(first.wait().isSuccess());
  cloud.setToken("second-token");
  cloud.updateUserAgent("MyApp/2");
  jobs().getJobs(GetJobsBean{}, second.callback());
  ASSERT_TRUE(second.wait().isSuccess());

  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].headerCount("Authorization"), 0u);
  EXPECT_EQ(reqs[1].header("Authorization"), "second-token");
  EXPECT_EQ(reqs[1].header("User-Agent"), "DSDK");
  EXPECT_NE(reqs[0].header("X-Traceid"), reqs[1].header("X-Traceid"));
  for (const auto& r : reqs) EXPECT_TRUE(std::regex_match(r.header("X-Traceid").value_or(""), kTraceId));

  // A base address ending in "/" is used as given.
  cloud.setHost(server.baseUrl() + "/");
  ResultCollector<GetJobsResponse> third;
  jobs().getJobs(GetJobsBean{}, third.callback());
  ASSERT_TRUE(third.wait().isSuccess());
  EXPECT_EQ(server.requests().at(2).target, "//quillbox/ose/v1/jobs?offset=0&limit=100");

  // A token cannot add header lines of its own: it is cut at a line break or NUL.
  for (const std::string& token : {std::string("tok\r\nX-Injected: 1"), std::string("tok\0X-Injected: 1", 17)}) {
    cloud.setToken(token);
    ResultCollector<GetJobsResponse> injected;
    jobs().getJobs(GetJobsBean{}, injected.callback());
    ASSERT_TRUE(injected.wait().isSuccess());
    const auto last = server.requests().back();
    EXPECT_EQ(last.header("Authorization"), "tok");
    EXPECT_EQ(last.headerCount("X-Injected"), 0u);
  }
}

TEST_F(PipelineTest, FailureTableRowsReachTheCallbackOnce) {
  LogCapture log;
  // Status outside 2xx without an envelope (with one, the server's own code
  // and message: the retry cases check those).
  auto r = getJobsAnswer(Reply::json(404, ""));
  EXPECT_EQ(r.code(), -1);
  EXPECT_EQ(r.message(), "response status code = 404");
  EXPECT_EQ(r.kind(), FailureKind::httpStatus);
  EXPECT_EQ(r.httpStatus(), 404);

  r = getJobsAnswer(Reply::json(300, R"({"code":"seven"})"));
  EXPECT_EQ(r.message(), "response status code = 300");
  EXPECT_EQ(r.httpStatus(), 300);
  EXPECT_TRUE(log.contains("类型不匹配: "));

  // 2xx bodies: decoded whatever their code; an undecodable one fails.
  r = getJobsAnswer(Reply::json(200, R"({"code":7,"msg":"app error"})"));
  ASSERT_TRUE(r.isSuccess());
  EXPECT_EQ(r.value().code, 7);
  r = getJobsAnswer(Reply::json(299, R"({})"));
  EXPECT_TRUE(r.isSuccess());
  r = getJobsAnswer(Reply::json(204, ""));
  EXPECT_THAT(r.message(), StartsWith("str to bean error "));
  EXPECT_EQ(r.kind(), FailureKind::undecodable);
  EXPECT_EQ(r.httpStatus(), 204);
  r = getJobsAnswer(Reply::json(200, R"({"data":[{"status":1.5}]})"));
  EXPECT_EQ(r.message(), "str to bean error data[0].status: expected an integer, found a number with a fraction or exponent");

  // Not an HTTP answer at all.
  Reply garbage;
  garbage.raw = "this is not http\r\n\r\n";
  r = getJobsAnswer(garbage);
  EXPECT_EQ(r.code(), -1);
  EXPECT_EQ(r.message(), "response not HTTPURLResponse");
  EXPECT_EQ(r.kind(), FailureKind::undecodable);
  EXPECT_EQ(r.httpStatus(), 0);
  EXPECT_TRUE(log.contains("响应不是 HTTPURLResponse 类型"));
}

// Failures before any answer: the transport's text as the message, and
// the kind beside it.
TEST_F(PipelineTest, TransportAndUrlFailures) {
  LogCapture log;
  // A server that stops sending is cut off by the stall time-out.
  CloudInstance::Options limits;
  limits.connectTimeout = std::chrono::seconds(5);
  limits.stallTimeout = std::chrono::seconds(1);
  limits.retry = RetryPolicy::none();
  CloudInstance quick(limits);
  Reply slow = Reply::json(200, "{}");
  slow.delay = std::chrono::milliseconds(3000);

  const struct {
    const char* what;
    std::optional<std::string> host;
    FailureKind kind;
    std::string message;  // how it starts
    std::string logged;
  } cases[] = {
      {"unknown host", "http://quillbox-nowhere.invalid", FailureKind::nameResolution,
       "request error Couldn't resolve host name", "请求失败: Couldn't resolve"},
      {"no host", std::nullopt, FailureKind::invalidRequest, "callRequest error: invalidURL", ""},
      {"not a URL", "http://[::1", FailureKind::invalidRequest, "callRequest error: invalidURL",
       "callRequest error: invalidURL"},
      {"stalled", server.baseUrl(), FailureKind::timeout, "request error Timeout was reached", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const bool stalls = c.kind == FailureKind::timeout;
    CloudInstance& client = stalls ? quick : cloud;
    if (stalls) server.enqueue(slow);
    client.setHost(c.host);
    ResultCollector<GetJobsResponse> got;
    client.getJobImpl().getJobs(GetJobsBean{}, got.callback());
    const auto r = got.wait();
    EXPECT_EQ(r.code(), -1);
    EXPECT_THAT(r.message(), StartsWith(c.message));
    EXPECT_EQ(r.kind(), c.kind);
    EXPECT_EQ(r.httpStatus(), 0);
    EXPECT_NE(got.thread(), std::this_thread::get_id());
    if (!c.logged.empty()) {
      EXPECT_TRUE(log.contains(c.logged));
    }
  }
}

TEST_F(PipelineTest, AnyResponseBodyEndsInExactlyOneFailure) {
  std::string deep(10000, '[');
  deep += std::string(10000, ']');
  std::string huge(100u << 20, ' ');
  Reply truncated = Reply::json(200, R"({"code":0,"msg":"a long enough message"})");
  truncated.closeAfterBodyBytes = 10;
  Reply reset = Reply::json(200, "{}");
  reset.closeWithoutReply = true;

  const std::vector<std::tuple<std::string, Reply, FailureKind>> bodies = {
      {"empty", Reply::json(200, ""), FailureKind::undecodable},
      {"truncated JSON", Reply::json(200, R"({"code":0,"msg":"a)"), FailureKind::undecodable},
      {"not JSON", Reply::json(200, "<html>hello</html>"), FailureKind::undecodable},
      {"invalid UTF-8", Reply::json(200, "{\"msg\":\"\xC3\x28\"}"), FailureKind::undecodable},
      {"deep nesting", Reply::json(200, deep), FailureKind::undecodable},
      {"100 MB", Reply::json(200, huge), FailureKind::undecodable},
      {"body cut short", truncated, FailureKind::reset},
      {"closed without reply", reset, FailureKind::reset},
  };
  for (const auto& [what, reply, kind] : bodies) {
    server.enqueue(reply);
    ResultCollector<GetJobsResponse> got;
    jobs().getJobs(GetJobsBean{}, got.callback());
    auto r = got.wait();
    EXPECT_FALSE(r.isSuccess()) << what;
    EXPECT_EQ(r.code(), -1) << what << ": " << r.message();
    EXPECT_EQ(r.kind(), kind) << what << ": " << r.message();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(got.count(), 1u) << what;
  }
}

// Every credential a record carries, sent in a request the SDK builds or in an
// answer a server sends (whole, cut short, or with the key in other case, at
// any depth), reaches no log line; the lines themselves are there.
TEST_F(PipelineTest, NoSecretOfARequestOrAnAnswerReachesTheLog) {
  LogCapture log;
  std::vector<std::string> secrets;
  auto secret = [&] {
    secrets.push_back("S3cr3t-" + std::to_string(secrets.size()) + "-value");
    return secrets.back();
  };
  auto answered = [&](auto& collector) { EXPECT_NE(collector.wait().code(), -999); };

  cloud.setToken(secret());
  AuthCodeBean auth;
  auth.authCode = secret();
  CreateShareBean share;
  share.extractCode = secret();
  ModifyShareDetailBean modify;
  modify.shareId = "s1";
  modify.extractCode = secret();
  GetShareFilesBean shareFiles;
  shareFiles.qbstoken = secret();
  CreateJobBean job;
  job.password = secret();
  FilesCreateBean create;
  create.proofCode = secret();
  const std::vector<std::function<void()>> requests = {
      [&] { ResultCollector<UserAuthResp> got; cloud.getUserImpl().getToken(auth, got.callback()); answered(got); },
      [&] { ResultCollector<CreateShareResponse> got; cloud.getShareImpl().createShare(share, got.callback()); answered(got); },
      [&] { ResultCollector<ModifyShareDetailResponse> got; cloud.getShareImpl().modifyShareDetail(modify, got.callback()); answered(got); },
      [&] { ResultCollector<GetShareFilesResponse> got; cloud.getShareImpl().getShareFiles(shareFiles, got.callback()); answered(got); },
      [&] { ResultCollector<CreateJobsResponse> got; jobs().createJobs(job, got.callback()); answered(got); },
      [&] { ResultCollector<FilesCreateResponse> got; cloud.getFileImpl().filesCreate(create, got.callback()); answered(got); },
  };
  for (std::size_t i = 0; i < requests.size(); ++i) {
    server.enqueue(Reply::json(200, R"({"code":0})"));
    requests[i]();
    const auto sent = server.requests().back();
    // The secret did travel: in the Authorization header of each, and in this body.
    EXPECT_EQ(sent.header("Authorization"), secrets[0]);
    EXPECT_THAT(sent.body, HasSubstr(secrets[i + 1]));
  }

  const std::vector<std::string> keys = {"accessToken", "refreshToken", "token", "qbstoken", "authCode",
                                         "extractCode", "password", "proofCode", "hfek", "ekey",
                                         "Authorization", "signature", "headers", "forms"};
  int answers = 0;
  for (const std::string& key : keys) {
    std::string upper = key;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::vector<std::string> bodies = {
        R"({"code":0,"data":[{"taskId":"t","KEY":"SECRET"}],"deep":{"a":[{"KEY":{"X-Security-Token":"SECRET"}}]}})",
        R"({"code":0,"data":[{"taskId":"t","KEY":"SECRET)",  // cut short
        R"({"code":0,"UPPER":"SECRET"})",
    };
    for (std::string body : bodies) {
      const std::string mark = "\"case-" + std::to_string(++answers) + "\"";
      body = std::regex_replace(body, std::regex("KEY"), key);
      body = std::regex_replace(body, std::regex("UPPER"), upper);
      body = std::regex_replace(body, std::regex("SECRET"), secret());
      server.enqueue(Reply::json(200, R"({"case":)" + mark + "," + body.substr(1)));
      ResultCollector<GetJobsResponse> got;
      jobs().getJobs(GetJobsBean{}, got.callback());
      answered(got);
      EXPECT_TRUE(log.waitFor(mark)) << body;  // the answer is logged after its callback
    }
  }
  for (const auto& line : log.lines()) {
    for (const auto& value : secrets) EXPECT_THAT(line, ::testing::Not(HasSubstr(value)));
  }
}

// What one exchange writes on standard output by the log's settings: by
// default every line as it always was; a level keeps the lines up to it; an
// empty sink keeps none. The answer's own line comes after the callback and is
// left out of the comparison.
TEST_F(PipelineTest, TheDefaultWritesEveryLineToStandardOutputAndLevelsFilter) {
  struct Case {
    LogLevel level;
    bool silenced;
    int status;
    std::vector<std::string> starts;
  };
  const std::vector<Case> cases = {
      {LogLevel::debug, false, 200,
       {"Request url = " + server.baseUrl() + "/quillbox/ose/v1/jobs?offset=***&limit=***", "Request head = Accept : */*",
        "Request head = Authorization : ***", "Request head = Content-Type : application/json; charset=utf-8",
        "Request head = User-Agent : DSDK", "Request head = X-Traceid : 000000000000DSDK",
        "Request head = x-qz-agentname : standard", "Request Body: 空", "request httpResponse session.data after"}},
      {LogLevel::info, false, 200, {}},
      {LogLevel::warning, false, 404, {"服务器返回错误 status code: 404", "数据损坏:  ", "转换失败"}},
      {LogLevel::error, false, 404, {"服务器返回错误 status code: 404"}},
      {LogLevel::debug, true, 404, {}},
  };
  for (const auto& c : cases) {
    resetLogSink();
    if (c.silenced) setLogSink({});
    setLogLevel(c.level);
    testing::internal::CaptureStdout();
    getJobsAnswer(Reply::json(c.status, c.status == 200 ? R"({"code":0})" : ""));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // room for a late line
    std::istringstream out(testing::internal::GetCapturedStdout());
    setLogLevel(LogLevel::debug);
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) {
      if (line.rfind("响应数据: ", 0) != 0) lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), c.starts.size()) << static_cast<int>(c.level);
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_THAT(lines[i], StartsWith(c.starts[i]));
  }
  resetLogSink();
}

/// A GET whose record nevertheless holds a body.
class GetWithBody final : public request::BaseReq<BaseResponse> {
 public:
  int buildParams() override {
    url = "/quillbox/ose/v1/jobs";
    body = "{\"a\":1}";
    return 0;
  }
};

TEST_F(PipelineTest, GetNeverCarriesABodyButTheLogShowsIt) {
  LogCapture log;
  transport::Transport transport;
  request::Settings settings(transport);
  settings.setHost(server.baseUrl());
  ResultCollector<BaseResponse> got;
  auto req = std::make_shared<GetWithBody>();
  req->onCallback = got.callback();
  req->callRequest(settings);
  EXPECT_TRUE(got.wait().isSuccess());
  EXPECT_EQ(server.requests().at(0).body, "");
  EXPECT_EQ(server.requests().at(0).headerCount("Content-Length"), 0u);
  EXPECT_TRUE(log.contains("Request Body: {\"a\":1}"));
}

}  // namespace
}  // namespace quillbox
