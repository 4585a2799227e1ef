// The SDK's futures, blocking calls and paging against the in-process emulator.

#include <chrono>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "SdkHarness.hpp"
#include "quillbox/services/carrier/ICarrier.hpp"
#include "quillbox/util/Blocking.hpp"
#include "quillbox/util/Paging.hpp"
#include "quillbox/version.hpp"

namespace quillbox::test {
namespace {

using namespace std::chrono_literals;
using Status = PagingOutcome::Status;

struct Outcome {
  bool ok;
  std::int64_t code;
  std::string message;
};
template <class R>
Outcome outcomeOf(const NetworkResult<R>& r) {
  return {r.isSuccess(), r.code(), r.message()};
}

FilesListBean listing(const std::string& folder) {
  FilesListBean bean;
  bean.type = "list";
  bean.parentFileId = folder;
  return bean;
}

class DeveloperApiTest : public SdkTest {
 protected:
  /// A folder holding `count` folders, created through the futures.
  std::string folderOf(int count) {
    CreateDirectoryBean bean;
    bean.fileName = "bulk";
    auto parent = callBlocking(cloud().getFileImpl(), &IFile::createDirectory, bean);
    EXPECT_TRUE(parent.isSuccess()) << parent.message();
    const std::string id = parent.isSuccess() ? parent.value().id.value_or("") : "";
    std::vector<std::future<NetworkResult<CreateDirectoryResponse>>> pending;
    for (int i = 0; i < count; ++i) {
      CreateDirectoryBean child;
      child.fileName = "d" + std::to_string(i);
      child.parentFolder = std::vector<std::string>{id};
      pending.push_back(callAsync(cloud().getFileImpl(), &IFile::createDirectory, child));
    }
    for (auto& f : pending) EXPECT_TRUE(f.get().isSuccess());
    return id;
  }
  /// How many requests the emulator answered on `path` since the log was cleared.
  int requestsTo(const std::string& path) { return static_cast<int>(logged("", path).size()); }
};

TEST_F(DeveloperApiTest, FuturesAndBlockingCallsCarryTheServiceOutcome) {
  IFile& files = cloud().getFileImpl();
  GetFileDetailBean unknown;
  unknown.fileId = "no-such-file";
  struct Case {
    const char* what;
    std::function<Outcome()> run;
    bool ok;
    std::int64_t code;
  };
  const std::vector<Case> cases = {
      {"future, no record",
       [&] { return outcomeOf(callAsync(cloud().getCarrierImpl(), &ICarrier::standardPackages).get()); }, true, 0},
      {"blocking, listing", [&] { return outcomeOf(callBlocking(files, &IFile::filesList, listing("root"))); }, true,
       0},
      {"future, unknown id", [&] { return outcomeOf(callAsync(files, &IFile::getFileDetail, unknown).get()); }, false,
       404},
      {"blocking, no record", [&] { return outcomeOf(callBlocking(files, &IFile::getFileDetail, std::nullopt)); },
       false, -1},
      {"blocking, no token",
       [&] {
         const std::optional<GetSpaceBean> space(std::in_place);
         cloud().setToken(std::nullopt);
         auto o = outcomeOf(callBlocking(cloud().getUserImpl(), &IUser::getSpace, space));
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
  std::promise<std::vector<Outcome>> inside;
  ICarrier& carrier = cloud().getCarrierImpl();
  carrier.standardPackages([&](NetworkResult<GetstandPackagesResponse>) {
    const PagingOutcome walk =
        forEachPage(cloud().getFileImpl(), &IFile::filesList, listing("root"), [](FilesListResponse&) { return true; });
    inside.set_value({outcomeOf(callBlocking(carrier, &ICarrier::standardPackagesOrders)),
                      {walk.status != Status::failed, walk.code, walk.message}});
  });
  auto future = inside.get_future();
  ASSERT_EQ(future.wait_for(10s), std::future_status::ready) << "a blocking call waited inside a callback";
  for (const Outcome& o : future.get()) {
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.code, kBlockingCallRefusedCode);
    EXPECT_EQ(o.message, kBlockingCallRefusedMessage);
  }
}

TEST_F(DeveloperApiTest, PagingWalksAThousandEntriesAndStopsWhenTold) {
  const FilesListBean list = listing(folderOf(1000));
  struct Case {
    const char* what;
    bool callbacks;  // walkPages, else forEachEntry
    std::int64_t pageSize;
    std::size_t stopAt;  // 0: to the end
    std::size_t seen;
    int requests;
    Status status;
  };
  const Case cases[] = {
      {"entries, blocking, stopped", false, 100, 250, 250, 3, Status::stopped},
      {"pages, callbacks, stopped", true, 50, 250, 250, 5, Status::stopped},
      {"entries, blocking, to the end", false, 0, 0, 1000, 10, Status::done},
      {"pages, callbacks, to the end", true, 300, 0, 1000, 4, Status::done},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    http("DELETE", url("/_emulator/requests"));
    FilesListBean bean = list;
    bean.pageInfo = PageInfo(c.pageSize, std::nullopt);
    std::set<std::string> names;
    auto more = [&] { return c.stopAt == 0 || names.size() < c.stopAt; };
    PagingOutcome outcome;
    if (c.callbacks) {
      std::promise<PagingOutcome> done;
      auto onPage = [&](FilesListResponse& page) {
        if (page.files)
          for (const auto& f : *page.files) names.insert(f.fileName.value_or(""));
        return more();
      };
      walkPages(cloud().getFileImpl(), &IFile::filesList, bean, onPage, [&](PagingOutcome o) { done.set_value(o); });
      auto future = done.get_future();
      ASSERT_EQ(future.wait_for(30s), std::future_status::ready);
      outcome = future.get();
    } else {
      outcome = forEachEntry(cloud().getFileImpl(), &IFile::filesList, bean, [&](FileListMetadata& f) {
        names.insert(f.fileName.value_or(""));
        return more();
      });
    }
    EXPECT_EQ(outcome.status, c.status) << outcome.message;
    EXPECT_EQ(names.size(), c.seen);
    EXPECT_EQ(outcome.pages, static_cast<std::size_t>(c.requests));
    EXPECT_EQ(requestsTo("/quillbox/ose/v1/files/list"), c.requests);
  }
}

TEST_F(DeveloperApiTest, OffsetPagingEndsAtTheTotal) {
  for (int i = 0; i < 24; ++i) signIn("colleague-" + std::to_string(i));
  http("DELETE", url("/_emulator/requests"));
  GetUserListBean bean;
  bean.isDirect = false;
  bean.limit = "10";
  std::set<std::string> ids;
  const PagingOutcome outcome = forEachEntry(cloud().getUserImpl(), &IUser::getUserList, bean, [&](UserInfo& u) {
    ids.insert(u.userId.value_or(""));
    return true;
  });
  EXPECT_EQ(outcome.status, Status::done) << outcome.message;
  const auto users = controlJson("/_emulator/stats")["users"].to_number<std::size_t>();
  EXPECT_EQ(ids.size(), users);
  EXPECT_EQ(requestsTo("/quillbox/ose/v1/userList"), static_cast<int>((users + 9) / 10));
}

/// Starred files answered from a script, on the calling thread.
class ScriptedStars : public IFavor {
 public:
  std::function<NetworkResult<GetStarFilesResponse>(const GetStarFilesBean&)> answer;
  int calls = 0;
  void getStarFiles(std::optional<GetStarFilesBean> bean,
                    std::function<void(NetworkResult<GetStarFilesResponse>)> cb) override {
    GetStarFilesResponse end;  // ends a walk that failed to stop by itself
    cb(++calls > 50 ? NetworkResult<GetStarFilesResponse>::success(end) : answer(*bean));
  }
  void getStarBatch(std::optional<GetStarBatchBean>,
                    std::function<void(NetworkResult<GetStarBatchResponse>)>) override {}
};

NetworkResult<GetStarFilesResponse> starPage(std::size_t entries, std::optional<std::string> next,
                                             std::int64_t code = 0) {
  GetStarFilesResponse r;
  r.code = code;
  r.msg = code ? "refused" : "success";
  r.starFileList = std::vector<StarFileInfo>(entries);
  r.nextCursor = std::move(next);
  return NetworkResult<GetStarFilesResponse>::success(std::move(r));
}

TEST(DeveloperApiPaging, ABadlyBehavedServerOrAFailedPageFailsTheWalk) {
  struct Case {
    const char* what;
    std::function<NetworkResult<GetStarFilesResponse>(const std::string& cursor)> answer;
    int calls;
    std::int64_t code;
    FailureKind kind;
    long httpStatus;
  };
  const Case cases[] = {
      {"a cursor comes back", [](const std::string& c) { return starPage(1, c == "a" ? "b" : "a"); }, 3, -1,
       FailureKind::undecodable, 0},
      {"empty pages with cursors", [](const std::string& c) { return starPage(0, c + "x"); },
       detail::kMaxEmptyPagesInARow, -1, FailureKind::undecodable, 0},
      {"a page refused in its envelope", [](const std::string& c) { return starPage(2, "n", c.empty() ? 0 : 7); }, 2,
       7, FailureKind::other, 0},
      {"a page that failed",
       [](const std::string& c) {
         return c.empty() ? starPage(2, "n")
                          : NetworkResult<GetStarFilesResponse>::failure(9, "busy", FailureKind::httpStatus, 503);
       },
       2, 9, FailureKind::httpStatus, 503},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedStars stars;
    stars.answer = [&](const GetStarFilesBean& b) { return c.answer(b.pageCursor.value_or("")); };
    const PagingOutcome outcome =
        forEachPage(stars, &IFavor::getStarFiles, GetStarFilesBean(), [](GetStarFilesResponse&) { return true; });
    EXPECT_EQ(outcome.status, Status::failed);
    EXPECT_EQ(outcome.code, c.code) << outcome.message;
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.httpStatus, c.httpStatus);
    EXPECT_EQ(stars.calls, c.calls);
  }
}

TEST(DeveloperApiVersion, TheLibraryRunsWithTheVersionItsHeadersSay) {
  EXPECT_STREQ(version(), QUILLBOX_VERSION_STRING);
}

}  // namespace
}  // namespace quillbox::test
