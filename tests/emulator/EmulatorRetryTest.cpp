// Service calls and part uploads through the emulator's faults: what the
// server's request log shows of the SDK's attempts, and what is left on the
// server.

#include <gmock/gmock.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "SdkHarness.hpp"
#include "emulator/Crypto.hpp"
#include "quillbox/download/ITransfer.hpp"
#include "quillbox/upload/Sha256SliceFile.hpp"
#include "support/Callbacks.hpp"
#include "support/TestFiles.hpp"
#include "support/UploadEvents.hpp"

namespace quillbox::test {
namespace {

using EmulatorRetryTest = SdkTest;

TEST_F(EmulatorRetryTest, AFolderCreateWhoseAnswerIsLostIsNotSentAgain) {
  IFile& files = cloud().getFileImpl();
  arm(R"({"path":"/quillbox/ose/v1/directory","method":"POST","kind":"reset","handled":true})");
  CreateDirectoryBean bean;
  bean.fileName = "Reports";
  bean.renameMode = 2;  // a second create would make "Reports (1)"
  auto made = sdk<CreateDirectoryResponse>([&](auto cb) { files.createDirectory(bean, cb); });
  EXPECT_FALSE(made.isSuccess());
  EXPECT_EQ(made.code(), -1);
  EXPECT_THAT(made.message(), ::testing::StartsWith("request error "));

  const auto posts = logged("POST", "/quillbox/ose/v1/directory");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].at("status").as_int64(), 200) << "handled before the reset";
  const auto root = rootFiles();
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(root.front().fileName, "Reports");
}

TEST_F(EmulatorRetryTest, AGetStruckTwiceSucceedsOnTheThirdAttemptAfterTheAskedWait) {
  arm(R"({"path":"/quillbox/ose/v1/jobs","method":"GET","kind":"status","status":503,"count":2,"retryAfter":1})");
  LogCapture log;
  auto jobs = sdk<GetJobsResponse>([&](auto cb) { cloud().getJobImpl().getJobs(GetJobsBean{}, cb); });
  EXPECT_TRUE(jobs.isSuccess()) << jobs.message();

  const auto tries = logged("GET", "/quillbox/ose/v1/jobs");
  ASSERT_EQ(tries.size(), 3u);
  EXPECT_EQ(tries[0].at("status").as_int64(), 503);
  EXPECT_EQ(tries[1].at("status").as_int64(), 503);
  EXPECT_EQ(tries[2].at("status").as_int64(), 200);
  EXPECT_LT(tries[0].at("seq").as_int64(), tries[1].at("seq").as_int64());
  // Each retry waited the second the server asked for.
  std::size_t waits = 0;
  for (const auto& l : log.lines()) waits += l.find("/quillbox/ose/v1/jobs") != std::string::npos && l.find(" in 1000 ms") != std::string::npos;
  EXPECT_EQ(waits, 2u);
}

class EmulatorPartRetryTest : public SdkTest {
 protected:
  std::shared_ptr<Cancelable> startUpload(CloudInstance& client, const std::filesystem::path& file,
                                          std::int64_t partSize, UploadEvents& events) {
    return client.getTransferImpl().uploadFile("root", file, "", 2, std::make_shared<Sha256SliceFile>(partSize),
                                               events.callback());
  }
  /// The part PUTs in the request log, by path, oldest first.
  std::map<std::string, std::vector<boost::json::object>> partPuts() {
    std::map<std::string, std::vector<boost::json::object>> out;
    for (auto& e : logged("PUT", "/_upload/")) out[std::string(e.at("path").as_string())].push_back(e);
    return out;
  }
  static std::size_t putsOfPart(const std::map<std::string, std::vector<boost::json::object>>& puts, int number) {
    const std::string tail = "/" + std::to_string(number);
    for (const auto& [path, list] : puts) {
      if (path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0) return list.size();
    }
    return 0;
  }
  bool completed() { return !logged("POST", "/quillbox/ose/v1/files/complete").empty(); }

  TempDir temp_{"qbemu-part-retry"};
};

TEST_F(EmulatorPartRetryTest, PartsStruckByPassingFailuresAreSentAgainAndTheFileArrivesWhole) {
  struct Case {
    const char* what;
    std::vector<const char*> faults;
    std::size_t fileSize;
    std::int64_t partSize;
  };
  const Case cases[] = {
      {"503s and resets, before or after the part was stored, among many parts",
       {R"({"path":"/_upload/*","method":"PUT","kind":"status","status":503,"probability":0.1,"seed":7})",
        R"({"path":"/_upload/*","method":"PUT","kind":"reset","afterBytes":0,"probability":0.05,"seed":8})",
        R"({"path":"/_upload/*","method":"PUT","kind":"reset","handled":true,"probability":0.05,"seed":9})"},
       8 * 1024 * 1024 + 5,
       256 * 1024},
      // The first attempt is read whole and its answer cut short; the second
      // is held up before the server reads it, so it counts fewer bytes than
      // the first one did for a while.
      {"a large part sent again from its start, over bytes already counted",
       {R"({"path":"/_upload/*","method":"PUT","kind":"truncate","afterBytes":0})",
        R"({"path":"/_upload/*","method":"PUT","kind":"delay","ms":300})"},
       16 * 1024 * 1024,
       16 * 1024 * 1024},
      {"the statuses that may pass, Retry-After honoured",
       {R"({"path":"/_upload/*/1","method":"PUT","kind":"status","status":408})",
        R"({"path":"/_upload/*/2","method":"PUT","kind":"status","status":429,"retryAfter":0})",
        R"({"path":"/_upload/*/3","method":"PUT","kind":"status","status":500})",
        R"({"path":"/_upload/*/4","method":"PUT","kind":"status","status":502})",
        R"({"path":"/_upload/*/5","method":"PUT","kind":"status","status":504})"},
       5 * 64 * 1024,
       64 * 1024},
  };
  const auto client = ownClient(quickRetries());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string name = "f" + std::to_string(i) + ".bin";
    const std::filesystem::path file = temp_.write(name, randomBytes(c.fileSize, static_cast<unsigned>(40 + i)));
    http("DELETE", url("/_emulator/requests"));
    for (const char* fault : c.faults) arm(fault);

    UploadEvents events;
    startUpload(*client, file, c.partSize, events);
    const auto outcome = events.outcome();
    ASSERT_TRUE(outcome.has_value());
    const auto* success = std::get_if<uploadResult::onSuccess>(&*outcome);
    ASSERT_NE(success, nullptr);
    http("DELETE", url("/_emulator/faults"));

    // Every part ended with a stored PUT; those struck were sent again.
    std::size_t retried = 0;
    for (const auto& [path, puts] : partPuts()) {
      SCOPED_TRACE(path);
      ASSERT_FALSE(puts.empty());
      EXPECT_EQ(puts.back().at("status").as_int64(), 200);
      for (std::size_t k = 0; k + 1 < puts.size(); ++k) {
        EXPECT_TRUE(puts[k].contains("faultId")) << "only a struck PUT is sent again";
        EXPECT_LT(puts[k].at("seq").as_int64(), puts[k + 1].at("seq").as_int64());
      }
      retried += puts.size() > 1;
    }
    EXPECT_GT(retried, 0u);
    EXPECT_EQ(events.only<uploadResult::onItemFinish>().size(), (c.fileSize + c.partSize - 1) / c.partSize);

    // Progress never went back, and ended at the file's length.
    std::int64_t last = 0;
    for (const auto& p : events.only<uploadResult::onProgress>()) {
      EXPECT_GE(p.bytes, last);
      last = p.bytes;
    }
    EXPECT_EQ(last, static_cast<std::int64_t>(c.fileSize));

    // The server's hash of what it stored is the file's.
    auto stored = fileDetail(success->fileId, *client);
    ASSERT_TRUE(stored.isSuccess()) << stored.message();
    EXPECT_EQ(stored.value().sha256, emulator::sha256Hex(readFile(file)));
  }
}

TEST_F(EmulatorPartRetryTest, APartThatKeepsFailingOrMustNotBeSentAgainFailsTheUpload) {
  struct Case {
    const char* what;
    RetryPolicy policy;
    const char* fault;
    std::size_t putsOfPart1;
    std::int64_t status;
  };
  const Case cases[] = {
      {"one attempt only", RetryPolicy::none(), R"({"path":"/_upload/*/1","kind":"status","status":503})", 1, 503},
      {"struck at every attempt", quickRetries(3),
       R"({"path":"/_upload/*/1","kind":"status","status":503,"every":1})", 3, 503},
      {"refused for good", quickRetries(), R"({"path":"/_upload/*/1","kind":"status","status":403})", 1, 403},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const auto client = ownClient(c.policy);
    const std::filesystem::path file = temp_.write("g" + std::to_string(i) + ".bin", randomBytes(200 * 1024, 60 + i));
    http("DELETE", url("/_emulator/requests"));
    arm(c.fault);
    UploadEvents events;
    startUpload(*client, file, 64 * 1024, events);
    const auto outcome = events.outcome();
    ASSERT_EQ(outcome, UploadProcessResult(uploadResult::onFailure{-1006, "file invaild"}));
    http("DELETE", url("/_emulator/faults"));
    // The last attempt's answer, as the server sent it.
    EXPECT_EQ(std::get<uploadResult::onFailure>(*outcome).cause,
              (UploadFailureCause{UploadStage::part, 1, 4, FailureKind::httpStatus, c.status, "injected fault", c.status}));

    const auto puts = partPuts();
    ASSERT_EQ(puts.size(), 4u);
    EXPECT_EQ(putsOfPart(puts, 1), c.putsOfPart1);
    EXPECT_FALSE(completed());
  }
}

TEST_F(EmulatorPartRetryTest, ACompleteWhoseAnswerIsLostIsSettledByTheCreateRequestSentAgain) {
  struct Case {
    const char* what;
    const char* fault;
    bool stored;
  };
  const Case cases[] = {
      {"stored, then the connection reset", R"({"path":"/quillbox/ose/v1/files/complete","kind":"reset","handled":true})",
       true},
      {"reset before it was handled", R"({"path":"/quillbox/ose/v1/files/complete","kind":"reset"})", false},
  };
  const auto client = ownClient(quickRetries());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string name = "lost" + std::to_string(i) + ".bin";
    const std::filesystem::path file = temp_.write(name, randomBytes(300 * 1024, static_cast<unsigned>(80 + i)));
    http("DELETE", url("/_emulator/requests"));
    arm(c.fault);
    UploadEvents events;
    startUpload(*client, file, 128 * 1024, events);
    const auto outcome = events.outcome();
    ASSERT_TRUE(outcome.has_value());

    // Complete once, then the create request again; no part is sent again.
    std::vector<std::string> calls;
    for (const auto& e : logged("", "/quillbox/ose/v1/files/c")) {
      const std::string path(e.at("path").as_string());
      calls.push_back(path.substr(path.rfind('/') + 1));
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"create", "complete", "create"}));
    for (const auto& [path, puts] : partPuts()) EXPECT_EQ(puts.size(), 1u) << path;

    std::vector<FileListMetadata> named;
    for (const auto& f : rootFiles(*client)) {
      if (f.fileName == name) named.push_back(f);
    }
    if (c.stored) {
      ASSERT_EQ(named.size(), 1u);
      EXPECT_EQ(named[0].sha256, emulator::sha256Hex(readFile(file)));
      const auto* success = std::get_if<uploadResult::onSuccess>(&*outcome);
      ASSERT_NE(success, nullptr);
      EXPECT_EQ(success->msg, "success");
      EXPECT_EQ(success->fileId, named[0].id);
    } else {
      EXPECT_TRUE(named.empty());
      const auto* failure = std::get_if<uploadResult::onFailure>(&*outcome);
      ASSERT_NE(failure, nullptr);
      EXPECT_EQ(*failure, uploadResult::onFailure(-1006, "file invaild"));
      EXPECT_EQ(failure->cause.stage, UploadStage::complete);
      EXPECT_THAT(failure->cause.message, ::testing::EndsWith("the file is not stored"));
    }
  }
}

// Labelled slow (by its name): a quarter of a gigabyte over loopback.
TEST_F(EmulatorPartRetryTest, SlowAQuarterGigabyteWithOneInTenPartPutsFailingArrivesByteExact) {
  constexpr std::size_t kSize = std::size_t{256} << 20;
  // Each 8-byte word is made from its own position: quick to write, and a
  // part stored at the wrong offset, twice or cut short changes the hash.
  std::string content(kSize, '\0');
  for (std::size_t i = 0; i < kSize / 8; ++i) {
    const std::uint64_t word = (i + 1) * 0x9E3779B97F4A7C15ULL;
    std::memcpy(content.data() + i * 8, &word, sizeof word);
  }
  const std::filesystem::path file = temp_.write("quarter.bin", content);
  const std::string expected = emulator::sha256Hex(content);
  content = std::string();

  http("DELETE", url("/_emulator/requests"));
  arm(R"({"path":"/_upload/*","method":"PUT","kind":"status","status":503,"probability":0.05,"seed":21,"count":0})");
  arm(R"({"path":"/_upload/*","method":"PUT","kind":"reset","afterBytes":65536,"probability":0.05,"seed":22,"count":0})");
  const auto client = ownClient(quickRetries());
  UploadEvents events;
  startUpload(*client, file, 4 << 20, events);
  const auto outcome = events.outcome(std::chrono::seconds(300));
  ASSERT_TRUE(outcome.has_value());
  http("DELETE", url("/_emulator/faults"));
  const auto* success = std::get_if<uploadResult::onSuccess>(&*outcome);
  ASSERT_NE(success, nullptr) << describe(std::get<uploadResult::onFailure>(*outcome).cause);

  std::size_t struck = 0, parts = 0;
  for (const auto& [path, puts] : partPuts()) {
    ++parts;
    for (const auto& put : puts) struck += put.contains("faultId");
  }
  EXPECT_EQ(parts, 64u);
  EXPECT_GT(struck, 0u);
  auto stored = fileDetail(success->fileId, *client);
  ASSERT_TRUE(stored.isSuccess()) << stored.message();
  EXPECT_EQ(stored.value().sha256, expected);
  EXPECT_EQ(stored.value().size, static_cast<std::int64_t>(kSize));
}

TEST_F(EmulatorPartRetryTest, ACancelDuringTheWaitForARetryEndsTheUploadAtOnce) {
  // The server asks for a minute; the policy would wait it out.
  auto client = ownClient(RetryPolicy{4, std::chrono::milliseconds(2), std::chrono::minutes(2)});
  const std::filesystem::path file = temp_.write("c.bin", randomBytes(200 * 1024, 70));
  http("DELETE", url("/_emulator/requests"));
  arm(R"({"path":"/_upload/*/1","kind":"status","status":503,"retryAfter":60})");
  LogCapture log;
  UploadEvents events;
  auto handle = startUpload(*client, file, 64 * 1024, events);
  ASSERT_TRUE(log.waitFor("in 60000 ms", std::chrono::seconds(20)));
  handle->cancel();
  // Without the wait ending at once no outcome comes for a minute.
  EXPECT_EQ(events.outcome(), UploadProcessResult(uploadResult::onFailure{-1006, "file invaild"}));

  EXPECT_EQ(putsOfPart(partPuts(), 1), 1u) << "nothing is sent after the cancel";
  EXPECT_FALSE(completed());
  // The client going away ends whatever is left: still one outcome.
  client.reset();
  EXPECT_EQ(events.outcomes(), 1);
}

}  // namespace
}  // namespace quillbox::test
