// Service calls through the emulator's faults: what the server's request log
// shows of the SDK's attempts, and what is left on the server.

#include <gmock/gmock.h>

#include "SdkHarness.hpp"
#include "support/Callbacks.hpp"

namespace quillbox::test {
namespace {

using EmulatorRetryTest = SdkTest;

/// The request log's entries for one method and path, oldest first.
std::vector<boost::json::object> logged(const boost::json::object& log, const std::string& method,
                                        const std::string& path) {
  std::vector<boost::json::object> out;
  for (const auto& entry : log.at("requests").as_array()) {
    const auto& e = entry.as_object();
    if (e.at("method").as_string() == method && e.at("path").as_string() == path) out.push_back(e);
  }
  return out;
}

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

  EXPECT_EQ(logged(controlJson("/_emulator/requests"), "POST", "/quillbox/ose/v1/directory").size(), 1u);
  FilesListBean list;
  list.type = "list";
  auto root = sdk<FilesListResponse>([&](auto cb) { files.filesList(list, cb); });
  ASSERT_TRUE(root.isSuccess()) << root.message();
  ASSERT_TRUE(root.value().files.has_value());
  ASSERT_EQ(root.value().files->size(), 1u);
  EXPECT_EQ(root.value().files->front().fileName, "Reports");
}

TEST_F(EmulatorRetryTest, AGetStruckTwiceSucceedsOnTheThirdAttemptAfterTheAskedWait) {
  arm(R"({"path":"/quillbox/ose/v1/jobs","method":"GET","kind":"status","status":503,"count":2,"retryAfter":1})");
  LogCapture log;
  auto jobs = sdk<GetJobsResponse>([&](auto cb) { cloud().getJobImpl().getJobs(GetJobsBean{}, cb); });
  EXPECT_TRUE(jobs.isSuccess()) << jobs.message();

  const auto tries = logged(controlJson("/_emulator/requests"), "GET", "/quillbox/ose/v1/jobs");
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

}  // namespace
}  // namespace quillbox::test
