// The SDK's futures and blocking calls against the in-process emulator.

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "SdkHarness.hpp"
#include "quillbox/services/carrier/ICarrier.hpp"
#include "quillbox/util/Blocking.hpp"

namespace quillbox::test {
namespace {

using namespace std::chrono_literals;

struct Outcome {
  bool ok;
  std::int64_t code;
  std::string message;
};
template <class R>
Outcome outcomeOf(const NetworkResult<R>& r) {
  return {r.isSuccess(), r.code(), r.message()};
}

class DeveloperApiTest : public SdkTest {};

TEST_F(DeveloperApiTest, FuturesAndBlockingCallsCarryTheServiceOutcome) {
  IFile& files = cloud().getFileImpl();
  GetFileDetailBean unknown;
  unknown.fileId = "no-such-file";
  FilesListBean root;
  root.type = "list";
  root.parentFileId = "root";
  struct Case {
    const char* what;
    std::function<Outcome()> run;
    bool ok;
    std::int64_t code;
  };
  const std::vector<Case> cases = {
      {"future, no record", [&] { return outcomeOf(callAsync(cloud().getCarrierImpl(), &ICarrier::standardPackages).get()); },
       true, 0},
      {"blocking, listing", [&] { return outcomeOf(callBlocking(files, &IFile::filesList, root)); }, true, 0},
      {"future, unknown id", [&] { return outcomeOf(callAsync(files, &IFile::getFileDetail, unknown).get()); }, false, 404},
      {"blocking, unknown id", [&] { return outcomeOf(callBlocking(files, &IFile::getFileDetail, unknown)); }, false, 404},
      {"blocking, no record", [&] { return outcomeOf(callBlocking(files, &IFile::getFileDetail, std::nullopt)); }, false,
       -1},
      {"blocking, no token",
       [&] {
         cloud().setToken(std::nullopt);
         auto o = outcomeOf(callBlocking(cloud().getUserImpl(), &IUser::getSpace, GetSpaceBean()));
         cloud().setToken(token_);
         return o;
       },
       false, 401},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome o = c.run();
    EXPECT_EQ(o.ok, c.ok) << o.message;
    EXPECT_EQ(o.code, c.code) << o.message;
    EXPECT_EQ(o.message.empty(), c.ok);
  }
}

TEST_F(DeveloperApiTest, BlockingFormsAreRefusedOnCallbackThreads) {
  EXPECT_FALSE(isSdkCallbackThread());
  std::promise<std::vector<Outcome>> inside;
  ICarrier& carrier = cloud().getCarrierImpl();
  carrier.standardPackages([&](NetworkResult<GetstandPackagesResponse>) {
    inside.set_value({{isSdkCallbackThread(), 0, ""},
                      outcomeOf(callBlocking(carrier, &ICarrier::standardPackagesOrders))});
  });
  auto future = inside.get_future();
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready) << "a blocking call waited inside a callback";
  const auto got = future.get();
  EXPECT_TRUE(got[0].ok) << "a service callback runs on an SDK callback thread";
  for (std::size_t i = 1; i < got.size(); ++i) {
    EXPECT_FALSE(got[i].ok);
    EXPECT_EQ(got[i].code, kBlockingCallRefusedCode);
    EXPECT_EQ(got[i].message, kBlockingCallRefusedMessage);
  }
}

}  // namespace
}  // namespace quillbox::test
