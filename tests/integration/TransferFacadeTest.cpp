// The transfer service as a host reaches it: through the facade.

#include <gtest/gtest.h>

#include <future>

#include "quillbox/quillbox.hpp"
#include "support/LoopbackServer.hpp"
#include "support/TestFiles.hpp"
#include "support/UploadEvents.hpp"

namespace quillbox {
namespace {

TEST(TransferFacade, DownloadFileThroughTheFacadeLandsAtTheDestination) {
  CloudInstance cloud;

  test::LoopbackServer server;
  server.setHandler([](const test::RecordedRequest&) { return test::Reply::json(200, "file body"); });
  test::TempDir dir("qb-facade");
  const auto dest = dir.path() / "nested" / "out.txt";

  std::promise<DownloadResult> done;
  cloud.setToken("must-not-be-sent");
  auto handle = cloud.getTransferImpl().downloadFile(server.baseUrl() + "/blob?sig=1", "", dest, nullptr,
                                                     [&](DownloadResult r) { done.set_value(std::move(r)); });
  ASSERT_NE(handle, nullptr);
  DownloadResult result = done.get_future().get();
  ASSERT_TRUE(result.isSuccess()) << result.error().message;
  EXPECT_EQ(test::readFile(dest), "file body");
  EXPECT_EQ(server.requests().at(0).headerCount("Authorization"), 0u);
  cloud.setToken(std::nullopt);
}

TEST(TransferFacade, UploadFileThroughTheFacadeSendsTheCreateRequestWithTheSettings) {
  CloudInstance cloud;
  test::LoopbackServer server;
  server.setHandler([](const test::RecordedRequest& req) {
    if (req.target == "/quillbox/ose/v1/files/create") {
      return test::Reply::json(200, R"({"code":0,"fileId":"f1","rapidUpload":true})");
    }
    return test::Reply::json(404, R"({"code":404,"msg":"unexpected"})");
  });
  test::TempDir dir("qb-facade-up");
  const auto file = dir.write("hello.txt", "hello");
  cloud.setHost(server.baseUrl());
  cloud.setToken("tok");
  cloud.setContentId("container-9");

  test::UploadEvents events;
  auto handle =
      cloud.getTransferImpl().uploadFile("folder-1", file, "", 4, std::make_shared<Sha256SliceFile>(), events.callback());
  ASSERT_NE(handle, nullptr);
  auto r = events.outcome();
  const auto* success = r ? std::get_if<uploadResult::onSuccess>(&*r) : nullptr;
  ASSERT_NE(success, nullptr);
  EXPECT_EQ(success->msg, "rapid success");
  EXPECT_EQ(success->fileId, "f1") << "the id the create answer gave";
  EXPECT_EQ(success->fileName, std::nullopt) << "the answer named no file";
  auto create = server.requests().at(0);
  EXPECT_EQ(create.header("Authorization"), "tok");
  EXPECT_NE(create.body.find(R"("parentFolder":["folder-1"])"), std::string::npos) << create.body;
  EXPECT_NE(create.body.find(R"("containerId":"container-9")"), std::string::npos) << create.body;
  EXPECT_EQ(server.requestCount(), 1u);  // a rapid upload sends no part and no complete
  cloud.setToken(std::nullopt);
  cloud.setContentId(std::nullopt);
}

}  // namespace
}  // namespace quillbox
