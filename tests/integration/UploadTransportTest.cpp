// One part on the wire: the PUT a part task sends (its URL, its two headers,
// exactly its byte range), how its outcome is reported, and cancel. Against
// the loopback recording server, and against nginx as a real peer.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "transport/Transport.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"
#include "support/Nginx.hpp"
#include "support/TestFiles.hpp"
#include "support/UploadEvents.hpp"
#include "upload/UploadManager.hpp"
#include "upload/UploadTask.hpp"
#include "util/MainQueue.hpp"
#include "util/ReadOnlyFile.hpp"
#include "util/Sha256.hpp"

namespace quillbox {
namespace {

using test::TempDir;
using test::readFile;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::LogCapture;
using test::LoopbackServer;
using test::RecordedRequest;
using test::Reply;
using upload::UploadResult;
using upload::UploadTask;
namespace part = upload::partResult;
using ::testing::HasSubstr;

std::string sha256Hex(std::string_view bytes) { return util::toHex(*util::sha256(bytes)); }

/// What a part task reported, with the reporting threads.
struct Reports {
  std::vector<UploadResult> results;
  std::set<std::thread::id> threads;
};

class UploadTransportTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(transport.parts().running(), 0u); }

  std::shared_ptr<UploadTask> makeTask(fs::path file, std::string url, std::int64_t offset, std::int64_t length,
                                       std::string key, Reports& reports) {
    auto task = std::make_shared<UploadTask>(transport.parts());
    task->file = std::move(file);
    task->uploadUrl = std::move(url);
    task->offset = offset;
    task->length = length;
    task->hash1 = std::move(key);
    task->onCallback = [&reports](UploadResult r) {
      reports.results.push_back(std::move(r));
      reports.threads.insert(std::this_thread::get_id());
    };
    return task;
  }

  LoopbackServer server;
  TempDir dir;
  transport::Transport transport;
};

TEST_F(UploadTransportTest, PutCarriesExactlyItsRangeWithTwoHeadersToTheUrlAsGiven) {
  const std::string content = test::randomBytes(1 << 20, 1);
  const fs::path file = dir.write("big.bin", content);
  // The server keeps only the hash of what it received.
  std::mutex mutex;
  std::string receivedHash;
  server.setHandler([&](const RecordedRequest& r) {
    std::lock_guard lock(mutex);
    receivedHash = sha256Hex(r.body);
    return Reply{};
  });
  const std::string target = "/bucket/obj%2Fkey?X-Sig=ab%2Fcd%3D&partNumber=2&X-Expires=60&empty=";
  Reports reports;
  auto task = makeTask(file, server.baseUrl() + target, 100000, 300000, "2100000", reports);
  LogCapture log;
  task->run();

  ASSERT_EQ(server.requestCount(), 1u);
  const RecordedRequest req = server.requests().at(0);
  EXPECT_EQ(req.method, "PUT");
  EXPECT_EQ(req.target, target);
  // Exactly three headers: Host and the two below.
  EXPECT_EQ(req.headers.size(), 3u);
  EXPECT_TRUE(req.header("Host").has_value());
  EXPECT_EQ(req.header("Content-Type"), "application/octet-stream");
  EXPECT_EQ(req.header("Content-Length"), "300000");
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(receivedHash, sha256Hex(std::string_view(content).substr(100000, 300000)));
  }

  // Progress, in order, on the thread that ran the task, then one success.
  ASSERT_GE(reports.results.size(), 2u);
  std::int64_t last = 0;
  for (std::size_t i = 0; i + 1 < reports.results.size(); ++i) {
    const auto* p = std::get_if<part::onProgress>(&reports.results[i]);
    ASSERT_NE(p, nullptr) << i;
    EXPECT_EQ(p->hash, "2100000");
    EXPECT_EQ(p->totalBytes, 300000);
    EXPECT_GT(p->bytesWritten, last);
    last = p->bytesWritten;
  }
  EXPECT_EQ(last, 300000);
  EXPECT_EQ(reports.results.back(), UploadResult(part::onSuccess{"2100000", BaseResponse(0, "success", std::nullopt)}));
  EXPECT_EQ(reports.threads, std::set<std::thread::id>{std::this_thread::get_id()});

  EXPECT_TRUE(log.contains("UploadTask: 开始执行上传任务"));
  EXPECT_TRUE(log.contains("UploadTask: start upload, hash = 2100000"));
  EXPECT_TRUE(log.contains("putUploadFile bytes size = 300000"));
  EXPECT_TRUE(log.contains("putUploadFile hash = 2100000"));
  EXPECT_TRUE(log.contains("====start==========="));
  EXPECT_TRUE(log.contains("设置任务成功: "));
  EXPECT_TRUE(log.contains("=========totalBytesSent = 300000 , totalBytesExpectedToSend = 300000"));
  EXPECT_TRUE(log.contains("UploadTask: onProgress - 2100000, bytesWritten = 300000, totalBytes = 300000"));
  EXPECT_TRUE(log.contains("====didCompleteWithError==========="));
  EXPECT_TRUE(log.contains("UploadTask: onSuccess ret = success"));
  for (const auto& line : log.lines()) EXPECT_THAT(line, ::testing::Not(HasSubstr("ab%2Fcd")));
}

TEST_F(UploadTransportTest, StatusOutsideTwoHundredsFailsThePart) {
  const fs::path file = dir.write("f.bin", test::randomBytes(5000, 2));
  struct Case {
    int status;
    bool success;
  };
  for (const Case c : {Case{403, false}, Case{500, false}, Case{301, false}, Case{204, true}, Case{201, true}}) {
    server.enqueue(Reply::json(c.status, R"({"code":1,"msg":"denied"})"));
    Reports reports;
    LogCapture log;
    makeTask(file, server.baseUrl() + "/p", 0, 5000, "10", reports)->run();
    ASSERT_FALSE(reports.results.empty());
    if (c.success) {
      EXPECT_TRUE(std::holds_alternative<part::onSuccess>(reports.results.back())) << c.status;
    } else {
      // The cause carries the status and the server's envelope.
      EXPECT_EQ(reports.results.back(),
                UploadResult(part::onFailure{"10", -1, "upload sync error",
                                             {UploadStage::part, 0, 0, FailureKind::httpStatus, 1, "denied", c.status}}))
          << c.status;
      EXPECT_TRUE(log.contains("UploadTask: onFailure ret = response status code = " + std::to_string(c.status)));
    }
  }
}

TEST_F(UploadTransportTest, PartRunningPastTheEndSendsOnlyTheBytesThatExist) {
  const std::string content = test::randomBytes(1000, 3);
  const fs::path file = dir.write("short.bin", content);
  Reports tail, beyond;
  makeTask(file, server.baseUrl() + "/tail", 900, 500, "2900", tail)->run();
  makeTask(file, server.baseUrl() + "/beyond", 2000, 500, "32000", beyond)->run();
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].header("Content-Length"), "100");
  EXPECT_EQ(reqs[0].body, content.substr(900));
  EXPECT_EQ(reqs[1].header("Content-Length"), "0");
  EXPECT_EQ(reqs[1].body, "");
  EXPECT_TRUE(std::holds_alternative<part::onSuccess>(tail.results.back()));
  EXPECT_TRUE(std::holds_alternative<part::onSuccess>(beyond.results.back()));
}

TEST_F(UploadTransportTest, PartsThatCannotBeSentFailWithoutTouchingTheServer) {
  const fs::path file = dir.write("f.bin", "0123456789");
  struct Case {
    std::function<std::shared_ptr<UploadTask>(Reports&)> make;
    part::onFailure expected;
  };
  LogCapture log;
  const auto cause = [](FailureKind kind, std::string message) {
    return UploadFailureCause{UploadStage::part, 0, 0, kind, -1, std::move(message), 0};
  };
  const std::vector<Case> cases = {
      {[&](Reports& r) { return makeTask(file, "", 0, 10, "10", r); },
       {"10", -1, "invalid params", cause(FailureKind::invalidRequest, "no upload URL")}},
      {[&](Reports& r) {
         auto t = makeTask(file, server.baseUrl() + "/x", 0, 10, "10", r);
         t->file.reset();
         return t;
       },
       {"10", -1, "invalid params", cause(FailureKind::invalidRequest, "no file")}},
      {[&](Reports& r) {
         auto t = makeTask(file, server.baseUrl() + "/x", 0, 10, "10", r);
         t->cancel();
         return t;
       },
       {"10", -1, "has cancel", cause(FailureKind::cancelled, "cancelled")}},
      {[&](Reports& r) { return makeTask(file, "http://[::1/p?sig=secret", 0, 10, "10", r); },
       {"10", -1, "upload sync error", cause(FailureKind::invalidRequest, "url invalid")}},
      // The message is libcurl's own text (empty here: any text).
      {[&](Reports& r) { return makeTask(file, "ftp://127.0.0.1/p", 0, 10, "10", r); },
       {"10", -1, "upload sync error", cause(FailureKind::invalidRequest, "")}},
      {[&](Reports& r) { return makeTask(file, server.baseUrl() + "/x", -1, 10, "1-1", r); },
       {"1-1", -1, "file exception Invalid argument", cause(FailureKind::localFile, "Invalid argument")}},
      {[&](Reports& r) { return makeTask(dir.write("gone", "") / "x", server.baseUrl() + "/x", 0, 10, "10", r); },
       {"10", -1, "file exception Not a directory", cause(FailureKind::localFile, "Not a directory")}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    Reports reports;
    cases[i].make(reports)->run();
    part::onFailure expected = cases[i].expected;
    const auto* got = reports.results.size() == 1 ? std::get_if<part::onFailure>(&reports.results[0]) : nullptr;
    if (got && expected.cause.message.empty() && !got->cause.message.empty()) expected.cause.message = got->cause.message;
    EXPECT_EQ(reports.results, std::vector<UploadResult>{expected}) << i;
  }
  // The transport's own answer when it cannot even start.
  const std::vector<std::pair<std::string, std::shared_ptr<util::ReadOnlyFile>>> unsendable = {
      {"http://[::1/p?sig=secret", std::make_shared<util::ReadOnlyFile>(file)},
      {"no url", std::make_shared<util::ReadOnlyFile>(file)},
      {server.baseUrl() + "/x", nullptr},
  };
  for (const auto& [url, source] : unsendable) {
    auto waiter = transport.parts().start(url, transport::PartBody{source, 0, 10}, "10", nullptr);
    EXPECT_EQ(waiter->await(), BaseResponse(-1, "url invalid", std::nullopt)) << url;
  }
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_TRUE(log.contains("无效的URL: http://[::1/p?sig=***"));
  EXPECT_FALSE(log.contains("secret"));
  EXPECT_TRUE(log.contains("UploadTask: upload has cancel"));
  EXPECT_TRUE(log.contains("UploadTask: IOException Invalid argument"));
}

TEST_F(UploadTransportTest, CancelAbortsARunningPutAtOnce) {
  const std::string content = test::randomBytes(300000, 4);
  const fs::path file = dir.write("f.bin", content);
  // The server takes the whole body and then never answers in time.
  server.setHandler([](const RecordedRequest&) {
    Reply r;
    r.delay = 1h;
    return r;
  });

  // The transport on its own: the waiter ends with the abort.
  auto waiter = transport.parts().start(
      server.baseUrl() + "/direct", transport::PartBody{std::make_shared<util::ReadOnlyFile>(file), 0, 1000}, "k",
      nullptr);
  ASSERT_TRUE(server.waitForRequests(1, 10s));
  transport.parts().cancel(waiter->id());
  EXPECT_EQ(waiter->await(), BaseResponse(-1, "cancelled", std::nullopt));

  // A part task cancelled from another thread while its PUT waits.
  Reports reports;
  auto task = makeTask(file, server.baseUrl() + "/slow", 0, 300000, "10", reports);
  auto running = std::async(std::launch::async, [task] { task->run(); });
  ASSERT_TRUE(server.waitForRequests(2, 10s));
  LogCapture log;
  task->cancel();
  // Without the abort the task would wait for the server's answer (an hour).
  ASSERT_EQ(running.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(reports.results.back(),
            UploadResult(part::onFailure{"10", -1, "has cancel",
                                         {UploadStage::part, 0, 0, FailureKind::cancelled, -1, "cancelled", 0}}));
  EXPECT_TRUE(log.contains("UploadTask cancel"));
  EXPECT_TRUE(log.contains("UploadTask: has response but is cancel"));
}

TEST(UploadNginx, PartsPutToNginxLandByteExact) {
  test::Nginx nginx;
  TempDir dir;
  const std::int64_t partSize = 512 * 1024;
  const std::string content = test::randomBytes(5 * partSize + 12345, 5);
  const fs::path file = dir.write("upload.bin", content);

  test::UploadRig rig;
  auto manager = std::make_shared<upload::UploadManager>(rig.partQueue, rig.mainQueue);
  std::vector<std::shared_ptr<UploadTask>> tasks;
  for (std::int64_t i = 0, offset = 0; offset < static_cast<std::int64_t>(content.size()); ++i, offset += partSize) {
    auto task = std::make_shared<UploadTask>(rig.transport.parts());
    task->file = file;
    task->offset = offset;
    task->length = partSize;  // the last part runs past the end
    task->hash1 = std::to_string(i + 1) + std::to_string(offset);
    // Pre-signed URLs carry their signature in the query; nginx ignores it.
    task->uploadUrl = nginx.url("parts/p" + std::to_string(i + 1) + "?X-Signature=a%2Bb%3D&X-Expires=60");
    manager->add(task);
    tasks.push_back(task);
  }
  manager->setTotalLength(static_cast<std::int64_t>(content.size()));
  test::UploadEvents verdict;
  manager->setOnTotalCallback(verdict.callback());
  manager->submit();
  auto result = verdict.outcome(60s);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(*result, UploadProcessResult(uploadResult::onSuccess{0, "success"}));

  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const std::string landed = readFile(nginx.root() / "parts" / ("p" + std::to_string(i + 1)));
    EXPECT_EQ(landed.size(), std::min<std::size_t>(partSize, content.size() - i * partSize)) << i;
    EXPECT_TRUE(landed == content.substr(i * partSize, partSize)) << i;
  }
  const auto finished = verdict.only<uploadResult::onItemFinish>();
  EXPECT_EQ(finished.size(), tasks.size());
  for (const auto& f : finished) EXPECT_TRUE(f.isSuccess);
  for (const auto& p : verdict.only<uploadResult::onProgress>()) {
    EXPECT_EQ(p.total, static_cast<std::int64_t>(content.size()));
    EXPECT_LE(p.bytes, p.total);
  }
  EXPECT_EQ(rig.transport.parts().running(), 0u);
}

}  // namespace
}  // namespace quillbox
