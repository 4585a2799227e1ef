// The transfer service as a host reaches it: through the facade.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "quillbox/quillbox.hpp"
#include "support/LoopbackServer.hpp"

namespace quillbox {
namespace {

TEST(TransferFacade, DownloadFileThroughTheFacadeLandsAtTheDestination) {
  auto& cloud = CloudInstance::shared();
  EXPECT_EQ(&cloud.getTransferImpl(), &cloud.getTransferImpl());

  test::LoopbackServer server;
  server.setHandler([](const test::RecordedRequest&) { return test::Reply::json(200, "file body"); });
  const auto dir = std::filesystem::temp_directory_path() / ("qb-facade-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  const auto dest = dir / "nested" / "out.txt";

  std::promise<DownloadResult> done;
  cloud.setToken("must-not-be-sent");
  auto handle = cloud.getTransferImpl().downloadFile(server.baseUrl() + "/blob?sig=1", "", dest, nullptr,
                                                     [&](DownloadResult r) { done.set_value(std::move(r)); });
  ASSERT_NE(handle, nullptr);
  DownloadResult result = done.get_future().get();
  ASSERT_TRUE(result.isSuccess()) << result.error().message;
  std::ifstream in(dest);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "file body");
  EXPECT_EQ(server.requests().at(0).headerCount("Authorization"), 0u);
  cloud.setToken(std::nullopt);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace quillbox
