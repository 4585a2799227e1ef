// A whole upload against the loopback recording server, which plays both the
// file service (create and complete) and the storage the part URLs point at:
// what the create request carries, the rapid, existing-file, empty and
// multipart roads, failures, cancel, and that every upload ends in exactly
// one outcome.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "quillbox/request/Json.hpp"
#include "quillbox/upload/Sha256SliceFile.hpp"
#include "transport/Transport.hpp"
#include "request/Settings.hpp"
#include "services/file/FileImpl.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"
#include "support/TestFiles.hpp"
#include "support/UploadEvents.hpp"
#include "upload/ProofCodeCalculator.hpp"
#include "upload/UploadProcessTask.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"
#include "util/Sha256.hpp"

namespace quillbox {
namespace {

using test::TempDir;
using Events = test::UploadEvents;

namespace fs = std::filesystem;
namespace bj = boost::json;
namespace ev = uploadResult;
using namespace std::chrono_literals;
using test::LogCapture;
using test::LoopbackServer;
using test::RecordedRequest;
using test::Reply;
using ::testing::HasSubstr;

constexpr const char* kCreate = "/quillbox/ose/v1/files/create";
constexpr const char* kComplete = "/quillbox/ose/v1/files/complete";

std::string sha256Hex(std::string_view bytes) { return util::toHex(*util::sha256(bytes)); }

/// A host hashing object that answers with a fixed text.
class FixedSlice : public ISliceFile {
 public:
  explicit FixedSlice(std::optional<std::string> text) : text_(std::move(text)) {}
  std::optional<std::string> calcSha256(const fs::path&) override { return text_; }

 private:
  std::optional<std::string> text_;
};

const UploadProcessResult kFailed = ev::onFailure{-1006, "file invaild"};

std::string createAnswer(const std::string& fileId, const std::string& partsJson, bool rapid = false,
                         bool exist = false) {
  return std::string(R"({"code":0,"msg":"ok","fileId":")") + fileId + R"(","rapidUpload":)" +
         (rapid ? "true" : "false") + R"(,"exist":)" + (exist ? "true" : "false") + R"(,"multiParts":)" + partsJson +
         "}";
}

/// The create answer's parts: `count` parts of `size` bytes, part i (from 0) at `url(i)`.
std::string partsJson(int count, std::int64_t size, const std::function<std::string(int)>& url) {
  std::string parts = "[";
  for (int i = 0; i < count; ++i) {
    parts += std::string(i ? "," : "") + "{\"partNumber\":" + std::to_string(i + 1) + ",\"partSize\":" +
             std::to_string(size) + ",\"partOffset\":" + std::to_string(i * size) + ",\"uploadUrl\":\"" + url(i) + "\"}";
  }
  return parts + "]";
}

class UploadProcessTest : public ::testing::Test {
 protected:
  UploadProcessTest() : files(rig.settings) {
    rig.settings.setHost(server.baseUrl());
    rig.settings.setToken("tok-123");
    rig.settings.setContentId("container-9");
  }

  // The uploads end before the file service they use goes.
  ~UploadProcessTest() override { rig.shutdown(); }

  /// Waits until no part is queued or running and every event already
  /// posted has been delivered: after this nothing more can arrive.
  void settle() { rig.settle(); }

  /// Starts an upload the way the transfer service does.
  std::shared_ptr<Cancelable> upload(const fs::path& file, std::shared_ptr<ISliceFile> slice, Events& events,
                                     std::string cloudPath = "/docs", std::int64_t autoRename = 4) {
    auto handle = upload::startUpload(rig.engine(files), file, std::move(cloudPath), std::nullopt, autoRename,
                                      std::move(slice), events.callback());
    events.returned();
    return handle;
  }

  /// Routes the create and complete calls to the given answers and every
  /// other request (the parts) to `parts`.
  void route(std::function<Reply(const RecordedRequest&)> create,
             std::function<Reply(const RecordedRequest&)> parts = {},
             Reply complete = Reply::json(200, R"({"code":0,"msg":"completed"})")) {
    server.setHandler([create, parts, complete](const RecordedRequest& r) {
      if (r.target == kCreate) return create(r);
      if (r.target == kComplete) return complete;
      return parts ? parts(r) : Reply{};
    });
  }

  std::vector<RecordedRequest> requestsTo(const std::string& prefix) const {
    std::vector<RecordedRequest> out;
    for (auto& r : server.requests()) {
      if (r.target.rfind(prefix, 0) == 0) out.push_back(r);
    }
    return out;
  }

  LoopbackServer server{4};
  test::UploadRig rig;
  services::file::FileImpl files;
  TempDir dir;
};

TEST_F(UploadProcessTest, CreateRequestCarriesEveryFieldAndRapidOrExistingContentEndsThere) {
  const std::string content = test::randomBytes(3000, 1);
  const fs::path file = dir.write("photo.jpg", content);
  auto slice = std::make_shared<FixedSlice>(
      R"({"size":3000,"hash":"host-hash","mimeType":"x/y","parts":[)"
      R"({"partNumber":7,"partOffset":0,"partSize":2000,"hashCtx":[1,2,3,4,5,6,7,4294967295]},)"
      R"({"partNumber":8,"partOffset":2000,"partSize":1000}]})");
  route([](const RecordedRequest&) { return Reply::json(200, createAnswer("F1", "[]", true)); });
  Events rapid(&rig.mainQueue);
  LogCapture log;
  upload(file, slice, rapid, "/docs", 3);
  EXPECT_EQ(rapid.outcome(), UploadProcessResult(ev::onSuccess{0, "rapid success", "F1"}));
  settle();

  ASSERT_EQ(server.requestCount(), 1u);
  const RecordedRequest create = server.requests().at(0);
  EXPECT_EQ(create.method, "POST");
  EXPECT_EQ(create.target, kCreate);
  EXPECT_EQ(create.header("Authorization"), "tok-123");
  const bj::object body = bj::parse(create.body).as_object();
  EXPECT_EQ(body.at("containerId"), "container-9");
  EXPECT_EQ(body.at("fileName"), "photo.jpg");
  EXPECT_EQ(body.at("autoRename"), 3);
  EXPECT_EQ(body.at("sha256"), "host-hash");
  EXPECT_EQ(body.at("proofCode").as_string(), upload::ProofCodeCalculator::calcProofCode("tok-123", file));
  EXPECT_EQ(body.at("proofCode").as_string().size(), 64u);
  EXPECT_EQ(body.at("length"), 3000);
  EXPECT_EQ(body.at("fileType"), "15");
  EXPECT_EQ(body.at("parentFolder"), bj::parse(R"(["/docs"])"));
  EXPECT_EQ(body.at("uploadMode"), "multipart");
  EXPECT_EQ(body.at("mimeType"), "image/jpeg");
  EXPECT_EQ(body.at("uploadType"), 1);
  EXPECT_EQ(body.at("hidden"), false);
  // The host's part numbers are replaced by positions; nothing else is added.
  EXPECT_EQ(body.at("multiParts"),
            bj::parse(R"([{"partNumber":1,"partSize":2000,"partOffset":0,"hashCtx":[1,2,3,4,5,6,7,4294967295]},)"
                      R"({"partNumber":2,"partSize":1000,"partOffset":2000}])"));
  EXPECT_EQ(body.size(), 13u) << create.body;

  EXPECT_TRUE(log.contains("UploadProcessTask retain self "));
  EXPECT_TRUE(log.contains("filesCreateRequest length 3000"));
  EXPECT_TRUE(log.contains("creareOrgFile sha256 host-hash"));
  EXPECT_TRUE(log.contains("creareOrgFile proofCode ***"));
  EXPECT_TRUE(log.contains("file is rapid"));
  EXPECT_TRUE(log.contains("UploadProcessTask release self "));

  // An existing file ends the same way; an empty folder name is sent as given.
  server.reset();
  route([](const RecordedRequest&) { return Reply::json(200, createAnswer("F1", "[]", false, true)); });
  Events exist(&rig.mainQueue);
  upload(file, slice, exist, "");
  EXPECT_EQ(exist.outcome(), UploadProcessResult(ev::onSuccess{0, "exist success", "F1"}));
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(bj::parse(server.requests().at(0).body).at("parentFolder"), bj::parse(R"([""])"));
  settle();
  EXPECT_EQ(rapid.outcomes() + exist.outcomes(), 2);
  EXPECT_EQ(rapid.all().size(), 1u);
  EXPECT_FALSE(rapid.offMainQueue());
  EXPECT_TRUE(log.waitForAnswers(2)) << "the pipeline did not log the answers";
  // With the file's hash, the proof code would let anyone claim the content.
  const std::string proofCode = upload::ProofCodeCalculator::calcProofCode("tok-123", file);
  for (const auto& line : log.lines()) EXPECT_THAT(line, ::testing::Not(HasSubstr(proofCode)));
}

TEST_F(UploadProcessTest, NoPartsToSendGoesStraightToComplete) {
  const fs::path file = dir.write("notes.txt", "hello");
  route([](const RecordedRequest&) { return Reply::json(200, createAnswer("F-empty", "[]")); });
  Events events(&rig.mainQueue);
  upload(file, std::make_shared<FixedSlice>(R"({"size":5,"hash":"h5","parts":[]})"), events);
  EXPECT_EQ(events.outcome(), UploadProcessResult(ev::onSuccess{0, "success", "F-empty"}));
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[1].target, kComplete);
  EXPECT_EQ(bj::parse(reqs[1].body), bj::parse(R"({"fileId":"F-empty","sha256":"h5"})"));
  EXPECT_EQ(bj::parse(reqs[0].body).at("multiParts"), bj::array());
}

TEST_F(UploadProcessTest, TwoPartsUploadTheirBytesThenCompleteAndSucceedOnce) {
  const std::string content = test::randomBytes((3 << 20) + 777, 2);
  const fs::path file = dir.write("movie.mp4", content);
  auto slice = std::make_shared<Sha256SliceFile>(2 << 20);
  // The server answers with the two parts at URLs of its own, signed.
  std::mutex mutex;
  std::map<std::string, std::string> received;  // target → hash of the body
  const std::string base = server.baseUrl();
  route(
      [base](const RecordedRequest&) {
        return Reply::json(200, createAnswer("F2", "[{\"partNumber\":1,\"partSize\":2097152,\"partOffset\":0,"
                                                   "\"uploadUrl\":\"" + base + "/store/a?X-Sig=s%2F1&n=1\"},"
                                                   "{\"partNumber\":2,\"partSize\":1049353,\"partOffset\":2097152,"
                                                   "\"uploadUrl\":\"" + base + "/store/a?X-Sig=s%2F2&n=2\"}]"));
      },
      [&](const RecordedRequest& r) {
        std::lock_guard lock(mutex);
        received[r.target] = sha256Hex(r.body);
        return Reply{};
      });
  Events events(&rig.mainQueue);
  LogCapture log;
  upload(file, slice, events);
  EXPECT_EQ(events.outcome(), UploadProcessResult(ev::onSuccess{0, "success", "F2"}));
  settle();

  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(received["/store/a?X-Sig=s%2F1&n=1"], sha256Hex(std::string_view(content).substr(0, 2 << 20)));
    EXPECT_EQ(received["/store/a?X-Sig=s%2F2&n=2"], sha256Hex(std::string_view(content).substr(2 << 20)));
  }
  auto complete = requestsTo(kComplete);
  ASSERT_EQ(complete.size(), 1u);
  EXPECT_EQ(bj::parse(complete[0].body), bj::parse(R"({"fileId":"F2","sha256":")" + sha256Hex(content) + "\"}"));
  for (const auto& put : requestsTo("/store/")) EXPECT_EQ(put.headerCount("Authorization"), 0u);

  auto finished = events.only<ev::onItemFinish>();
  ASSERT_EQ(finished.size(), 2u);
  std::set<std::string> keys;
  for (const auto& f : finished) {
    keys.insert(f.subHash);
    EXPECT_EQ(f.index, 0);
    EXPECT_TRUE(f.isSuccess);
  }
  EXPECT_EQ(keys, (std::set<std::string>{"10", "22097152"}));
  // The parts' progress reaches the host as whole-file progress, growing,
  // against the file's length.
  const auto progress = events.only<ev::onProgress>();
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].total, static_cast<std::int64_t>(content.size()));
    EXPECT_LE(progress[i].bytes, progress[i].total);
    if (i > 0) {
      EXPECT_GE(progress[i].bytes, progress[i - 1].bytes);
    }
  }
  EXPECT_GT(progress.back().bytes, 0);
  EXPECT_TRUE(std::holds_alternative<ev::onSuccess>(events.all().back()));
  EXPECT_EQ(events.outcomes(), 1);
  EXPECT_FALSE(events.offMainQueue());
  // The pre-signed URLs' signatures stay out of the upload's log lines. (The
  // request pipeline's own "响应数据: " line shows the answer as received.)
  EXPECT_TRUE(log.contains("filesCreateRequest success resp = "));
  EXPECT_TRUE(log.contains("====start submitComplete, fileId = F2===="));
  EXPECT_TRUE(log.contains("upload process task 上传成功: 状态码 0, 消息: success"));
  EXPECT_TRUE(log.contains("子项 0 (10) 处理true"));
  EXPECT_TRUE(log.waitForAnswers(2)) << "the pipeline did not log the answers";
  for (const auto& line : log.lines()) {
    if (line.rfind("响应数据: ", 0) != 0) {
      EXPECT_THAT(line, ::testing::Not(HasSubstr("s%2F1")));
    }
  }
}

TEST_F(UploadProcessTest, OneFailedPartFailsTheUploadWithoutComplete) {
  const std::string content = test::randomBytes(6000, 3);
  const fs::path file = dir.write("data.bin", content);
  const std::string base = server.baseUrl();
  // The part that fails is neither the first nor the last in any order.
  const std::string parts = partsJson(3, 2000, [&](int i) { return base + (i == 1 ? "/store/denied" : "/store/ok"); });
  route([&](const RecordedRequest&) { return Reply::json(200, createAnswer("F3", parts)); },
        [](const RecordedRequest& r) {
          return r.target == "/store/denied" ? Reply::json(403, R"({"code":403,"msg":"expired"})") : Reply{};
        });
  Events events(&rig.mainQueue);
  LogCapture log;
  upload(file, std::make_shared<Sha256SliceFile>(2048), events);
  const auto outcome = events.outcome();
  ASSERT_EQ(outcome, kFailed);
  // The cause names the part, its status and the storage's own words.
  const UploadFailureCause cause = std::get<ev::onFailure>(*outcome).cause;
  EXPECT_EQ(cause, (UploadFailureCause{UploadStage::part, 2, 3, FailureKind::httpStatus, 403, "expired", 403}))
      << describe(cause);
  EXPECT_TRUE(log.contains("UploadProcessTask: upload failed: " + describe(cause)));
  settle();
  EXPECT_EQ(requestsTo(kComplete).size(), 0u);
  EXPECT_EQ(requestsTo("/store/").size(), 3u);
  auto finished = events.only<ev::onItemFinish>();
  ASSERT_EQ(finished.size(), 3u);
  for (const auto& f : finished) EXPECT_EQ(f.isSuccess, f.subHash != "22000") << f.subHash;
  EXPECT_EQ(events.all().back(), kFailed);
  EXPECT_EQ(events.outcomes(), 1);
  EXPECT_TRUE(log.contains("上传失败: 错误码 -1, 消息: upload part failed"));
  EXPECT_TRUE(log.contains("UploadManager: uploadManager submit curTask Size = 3"));
  EXPECT_TRUE(log.contains("subCallback failure hash = 22000, code = -1, msg = upload sync error"));
  EXPECT_TRUE(log.waitForAnswers(1)) << "the pipeline did not log the answers";
}

TEST_F(UploadProcessTest, AFileThatCannotBeOpenedWhenThePartsStartFailsTheUpload) {
  const fs::path file = dir.write("gone.bin", test::randomBytes(100, 7));
  const std::string base = server.baseUrl();
  // The file goes away while the server creates the upload.
  route([&](const RecordedRequest&) {
    fs::remove(file);
    return Reply::json(200, createAnswer("F7", "[{\"partNumber\":1,\"partSize\":100,\"partOffset\":0,"
                                               "\"uploadUrl\":\"" + base + "/store/p\"}]"));
  });
  Events events(&rig.mainQueue);
  LogCapture log;
  upload(file, std::make_shared<FixedSlice>(R"({"size":100,"hash":"h","parts":[]})"), events);
  EXPECT_EQ(events.outcome(), kFailed);
  settle();
  EXPECT_EQ(events.all(), std::vector<UploadProcessResult>{kFailed});
  EXPECT_TRUE(log.contains("文件打开失败: No such file or directory")) << ::testing::PrintToString(log.lines());
  EXPECT_EQ(server.requestCount(), 1u);  // no part, no complete
  EXPECT_TRUE(log.waitForAnswers(1)) << "the pipeline did not log the answers";
}

TEST_F(UploadProcessTest, FailuresBeforeTheCreateRequestAreReportedBeforeUploadFileReturns) {
  const fs::path file = dir.write("a.pdf", "%PDF-1.4");
  const fs::path missing = dir.write("x", "") / "missing.pdf";
  struct Case {
    fs::path file;
    std::shared_ptr<ISliceFile> slice;
    std::string log;
    UploadStage stage;
    FailureKind kind;
  };
  const std::vector<Case> cases = {
      {file, std::make_shared<FixedSlice>(std::nullopt), "filesCreateRequest get sha256 nil", UploadStage::hashFile,
       FailureKind::localFile},
      {file, std::make_shared<FixedSlice>(R"({"size":8,"parts":[]})"), "JSON decoding failed: hash: missing required key",
       UploadStage::hashFile, FailureKind::other},
      {file, std::make_shared<FixedSlice>(R"({"size":8,"hash":"h","parts":[{"partNumber":1,"partSize":8}]})"),
       "JSON decoding failed: parts[0].partOffset", UploadStage::hashFile, FailureKind::other},
      {missing, std::make_shared<FixedSlice>(R"({"size":8,"hash":"h","parts":[]})"), "获取文件大小失败: ",
       UploadStage::openFile, FailureKind::localFile},
      {missing, std::make_shared<Sha256SliceFile>(), "filesCreateRequest get sha256 nil", UploadStage::openFile,
       FailureKind::localFile},
      {file, nullptr, "", UploadStage::hashFile, FailureKind::invalidRequest},
      {fs::path(), std::make_shared<FixedSlice>(R"({"size":8,"hash":"h","parts":[]})"), "", UploadStage::openFile,
       FailureKind::invalidRequest},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    Events events(&rig.mainQueue);
    LogCapture log;
    std::thread::id reportedOn;
    auto handle = upload::startUpload(rig.engine(files), cases[i].file, "/", std::nullopt, 4, cases[i].slice,
                                      [&](UploadProcessResult r) {
                                        reportedOn = std::this_thread::get_id();
                                        events.callback()(std::move(r));
                                      });
    // Already reported, on this thread.
    ASSERT_EQ(events.all(), std::vector<UploadProcessResult>{kFailed}) << i;
    EXPECT_EQ(reportedOn, std::this_thread::get_id()) << i;
    const UploadFailureCause cause = std::get<ev::onFailure>(events.all().front()).cause;
    EXPECT_EQ(cause.stage, cases[i].stage) << i;
    EXPECT_EQ(cause.kind, cases[i].kind) << i;
    if (cases[i].file == missing) {
      EXPECT_EQ(cause.message, "Not a directory") << i;
    }
    if (!cases[i].log.empty()) {
      EXPECT_TRUE(log.contains(cases[i].log)) << i << ::testing::PrintToString(log.lines());
    }
    EXPECT_TRUE(log.contains("UploadProcessTask release self ")) << i;
    handle->cancel();  // after the outcome: no effect
  }
  settle();
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(UploadProcessTest, ServerFailuresEndInTheOneFailureWithTheirCause) {
  const fs::path file = dir.write("a.bin", test::randomBytes(100, 4));
  auto slice = std::make_shared<FixedSlice>(R"({"size":100,"hash":"h","parts":[]})");
  rig.settings.setRetryPolicy(RetryPolicy::none());
  struct Case {
    Reply create;
    Reply complete;
    std::string log;
    std::size_t requests;
    std::size_t answersWithBodyLogged;
    UploadFailureCause cause;
  };
  const std::vector<Case> cases = {
      {Reply::json(200, R"({"code":1,"msg":"quota"})"), {}, "file create failed:quota", 1, 1,
       {UploadStage::create, 0, 0, FailureKind::other, 1, "quota", 0}},
      {Reply::json(500, R"({"code":77,"msg":"down"})"), {}, "filesCreateRequest failure code = 77, msg = down", 1, 0,
       {UploadStage::create, 0, 0, FailureKind::httpStatus, 77, "down", 500}},
      {Reply::json(200, R"({"code":0,"rapidUpload":false,"exist":false,"multiParts":[]})"), {},
       "file create failed: the answer has no fileId", 1, 1,
       {UploadStage::create, 0, 0, FailureKind::undecodable, -1, "the answer has no fileId", 0}},
      // The server may have stored the file: the create request, sent again,
      // says it has not.
      {Reply::json(200, createAnswer("F4", "[]")), Reply::json(500, R"({"code":9,"msg":"late"})"),
       "filesCompleteRequest failure code = 9, msg = late", 3, 2,
       {UploadStage::complete, 0, 0, FailureKind::httpStatus, 9, "the answer was lost (late) and the file is not stored",
        500}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    server.reset();
    route([&](const RecordedRequest&) { return cases[i].create; }, {}, cases[i].complete);
    Events events(&rig.mainQueue);
    LogCapture log;
    upload(file, slice, events);
    const auto outcome = events.outcome();
    ASSERT_EQ(outcome, kFailed) << i;
    UploadFailureCause cause = std::get<ev::onFailure>(*outcome).cause;
    EXPECT_TRUE(log.contains("UploadProcessTask: upload failed: " + describe(cause))) << i;
    // A service call's result does not carry its HTTP status yet: 0 stands for it there.
    if (cause.httpStatus == 0) cause.httpStatus = cases[i].cause.httpStatus;
    EXPECT_EQ(cause, cases[i].cause) << i << ": " << describe(cause);
    settle();
    EXPECT_EQ(events.outcomes(), 1) << i;
    EXPECT_TRUE(log.contains(cases[i].log)) << i << ::testing::PrintToString(log.lines());
    EXPECT_EQ(server.requestCount(), cases[i].requests) << i;
    EXPECT_TRUE(log.waitForAnswers(cases[i].answersWithBodyLogged)) << "the pipeline did not log the answers";
  }
}

TEST_F(UploadProcessTest, CancelWhileCreatingFailsUnlessTheContentIsAlreadyThere) {
  const fs::path file = dir.write("a.bin", test::randomBytes(100, 5));
  auto slice = std::make_shared<FixedSlice>(R"({"size":100,"hash":"h","parts":[{"partNumber":1,"partOffset":0,"partSize":100}]})");
  // The create answer: new content, content the server had, a file that exists.
  const std::vector<std::pair<std::array<bool, 2>, UploadProcessResult>> cases = {
      {{false, false}, kFailed},
      {{true, false}, ev::onSuccess{0, "rapid success", "F5"}},
      {{false, true}, ev::onSuccess{0, "exist success", "F5"}},
  };
  for (const auto& [answer, expected] : cases) {
    server.reset();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const std::string base = server.baseUrl();
    route([released, answer = answer, base](const RecordedRequest&) {
      released.wait();
      return Reply::json(200, createAnswer("F5", partsJson(1, 100, [&](int) { return base + "/store/p"; }),
                                           answer[0], answer[1]));
    });
    Events events(&rig.mainQueue);
    LogCapture log;
    auto handle = upload(file, slice, events);
    ASSERT_TRUE(server.waitForRequests(1, 10s));
    handle->cancel();
    release.set_value();
    auto outcome = events.outcome();
    settle();
    EXPECT_EQ(outcome, expected);
    EXPECT_EQ(log.contains("file hasCancel"), expected == kFailed);
    EXPECT_EQ(events.outcomes(), 1);
    EXPECT_EQ(events.all().size(), 1u);
    EXPECT_EQ(server.requestCount(), 1u);  // no part, no complete
    EXPECT_TRUE(log.contains("uploadProcessTask cancel"));
    EXPECT_TRUE(log.waitForAnswers(1)) << "the pipeline did not log the answers";
  }
}

TEST_F(UploadProcessTest, CancelDuringThePartsStopsThemAndFailsOnce) {
  const std::string content = test::randomBytes(3000, 6);
  const fs::path file = dir.write("a.bin", content);
  const std::string base = server.baseUrl();
  const std::string parts = partsJson(6, 500, [&](int i) { return base + "/store/p" + std::to_string(i + 1); });
  // The storage takes the bodies and never answers in time.
  route([&](const RecordedRequest&) { return Reply::json(200, createAnswer("F6", parts)); },
        [](const RecordedRequest&) {
          Reply r;
          r.delay = 1h;
          return r;
        });
  Events events(&rig.mainQueue);
  LogCapture log;
  auto handle = upload(file, std::make_shared<Sha256SliceFile>(512), events);
  const std::size_t width = rig.partQueue.maxConcurrentOperationCount();
  // The create request and as many parts as the queue runs at once.
  ASSERT_TRUE(server.waitForRequests(1 + std::min<std::size_t>(width, 6), 10s));
  handle->cancel();
  EXPECT_EQ(events.outcome(), kFailed);
  settle();

  EXPECT_EQ(events.outcomes(), 1);
  EXPECT_EQ(events.all().back(), kFailed);
  EXPECT_EQ(requestsTo(kComplete).size(), 0u);
  // Parts that were waiting never started.
  EXPECT_EQ(requestsTo("/store/").size(), std::min<std::size_t>(width, 6));
  // Every part is reported finished, unsuccessfully: the running ones
  // aborted, the waiting ones abandoned.
  const auto finished = events.only<ev::onItemFinish>();
  EXPECT_EQ(finished.size(), 6u);
  for (const auto& f : finished) EXPECT_FALSE(f.isSuccess);
  EXPECT_TRUE(log.contains("上传失败: 错误码 -1, 消息: has cancel"));
  EXPECT_EQ(rig.transport.parts().running(), 0u);
  EXPECT_TRUE(log.waitForAnswers(1)) << "the pipeline did not log the answers";
}

}  // namespace
}  // namespace quillbox
