// The user, carrier, file and share services end to end against the loopback
// server: every operation's request as it reaches the server, what the host
// receives back, the records every service refuses before anything is sent,
// and values that try to escape their path segment or query item.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quillbox/quillbox.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"

namespace quillbox {
namespace {

using test::LoopbackServer;
using test::Reply;
using test::ResultCollector;
using ::testing::StartsWith;

/// Outcomes of calls whose answer types differ: "ok", or the failure's code
/// and message, with the thread that delivered each.
class Outcomes {
 public:
  template <class T>
  std::function<void(NetworkResult<T>)> callback(std::size_t slot) {
    return [this, slot](NetworkResult<T> r) {
      std::lock_guard lock(mutex_);
      if (got_.size() <= slot) got_.resize(slot + 1);
      got_[slot].push_back(r.isSuccess() ? "ok" : std::to_string(r.code()) + " " + r.message());
      threads_[slot] = std::this_thread::get_id();
      changed_.notify_all();
    };
  }
  /// Every outcome of `slot` once at least one has arrived.
  std::vector<std::string> wait(std::size_t slot) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return slot < got_.size() && !got_[slot].empty(); });
    return slot < got_.size() ? got_[slot] : std::vector<std::string>{};
  }
  std::thread::id thread(std::size_t slot) {
    std::lock_guard lock(mutex_);
    return threads_[slot];
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::vector<std::string>> got_;
  std::map<std::size_t, std::thread::id> threads_;
};

class CatalogueServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloudInstance::shared().setHost(server.baseUrl());
    CloudInstance::shared().setToken("tok-cat");
  }

  IUser& user() { return CloudInstance::shared().getUserImpl(); }
  ICarrier& carrier() { return CloudInstance::shared().getCarrierImpl(); }
  IFile& file() { return CloudInstance::shared().getFileImpl(); }
  IShare& share() { return CloudInstance::shared().getShareImpl(); }
  IJob& jobs() { return CloudInstance::shared().getJobImpl(); }
  IFavor& favor() { return CloudInstance::shared().getFavorImpl(); }

  LoopbackServer server;
};

struct WireCase {
  const char* operation;
  std::function<void(Outcomes&, std::size_t)> call;
  std::string method, target, body;
};

TEST_F(CatalogueServicesTest, EveryOperationPutsItsRequestOnTheWire) {
  AuthCodeBean auth;
  auth.authCode = "code-1";
  GetUserByIdBean userById;
  userById.userId = "u1";
  GetUserListBean users;
  users.isDirect = true;
  users.deptId = "d1";
  users.offset = "0";
  users.limit = "20";
  users.keyWord = "Li";

  GetAccessFilesBean access;
  access.imageProcess = "resize,w_64";
  CreateDirectoryBean folder;
  folder.fileName = "Reports";
  folder.parentFolder = std::vector<std::string>{"root"};
  folder.containerId = "ct";
  FilesCompleteBean complete;
  complete.fileId = "f1";
  complete.sha256 = "ab01";
  FilesRenameBean rename;
  rename.fileId = "f1";
  rename.name = "b.txt";
  rename.renameMode = 1;
  FilesSearchBean search;
  search.searchType = "name";
  search.pageInfo = PageInfo(50, "next");
  search.filter = Filter();
  search.filter->keyWord = "plan";
  search.recursived = true;
  FilesListBean listing;
  listing.type = "all";
  listing.pageInfo = PageInfo(50, std::nullopt);
  listing.parentFileId = "root";
  FilesPathBean path;
  path.fileId = "f1";
  path.containerId = "ct";
  FilesStatsDirBean stats;
  stats.fileId = "d1";
  GetDownloadUrlBean downloads;
  downloads.containerId = "ct";
  downloads.fileIds = std::vector<std::string>{"f1", "f2"};
  GetFileDetailBean detail;
  detail.fileId = "f1";
  detail.imageProcess = "thumb";
  GetUploadUrlBean uploadUrl;
  uploadUrl.fileId = "f1";
  uploadUrl.multiParts = std::vector<MultiPartInfo>{MultiPartInfo(2, 100, 5242880, std::nullopt, std::nullopt, "p2")};

  CreateShareBean newShare;
  newShare.fileIds = std::vector<std::string>{"f1"};
  newShare.permission = SharePermission(true, false, true);
  newShare.validDays = 7;
  ModifyShareDetailBean modify;
  modify.shareId = "s1";
  modify.comment = "updated";
  GetShareFilesBean visit;
  visit.shortUrl = "abc";
  visit.qbstoken = "qt";

  const std::vector<WireCase> cases = {
      {"getToken", [&](Outcomes& o, std::size_t i) { user().getToken(auth, o.callback<UserAuthResp>(i)); }, "POST",
       "/quillbox/ose/v1/carrier/standard/user/auth", R"({"authCode":"code-1"})"},
      {"getSpace",
       [&](Outcomes& o, std::size_t i) { user().getSpace(GetSpaceBean("1", "o1", "c1"), o.callback<GetSpaceResp>(i)); },
       "GET", "/quillbox/ose/v1/space/o1?type=1&containerId=c1", ""},
      {"getSpace, nothing set",
       [&](Outcomes& o, std::size_t i) { user().getSpace(GetSpaceBean{}, o.callback<GetSpaceResp>(i)); }, "GET",
       "/quillbox/ose/v1/space/?type=", ""},
      {"getUserById",
       [&](Outcomes& o, std::size_t i) { user().getUserById(userById, o.callback<GetUsersByIdResponse>(i)); }, "GET",
       "/quillbox/ose/v1/users/u1", ""},
      {"getUserList",
       [&](Outcomes& o, std::size_t i) { user().getUserList(users, o.callback<GetuserListResponse>(i)); }, "GET",
       "/quillbox/ose/v1/userList?deptId=d1&isDirect=true&offset=0&limit=20&keyWord=Li", ""},
      {"standardPackages",
       [&](Outcomes& o, std::size_t i) { carrier().standardPackages(o.callback<GetstandPackagesResponse>(i)); }, "GET",
       "/quillbox/ose/v1/carrier/standard/packages", ""},
      {"standardPackagesOrders",
       [&](Outcomes& o, std::size_t i) {
         carrier().standardPackagesOrders(o.callback<GetStandPackagesOrdersResponse>(i));
       },
       "GET", "/quillbox/ose/v1/carrier/standard/packages/orders", ""},

      {"getAccessFiles",
       [&](Outcomes& o, std::size_t i) { file().getAccessFiles(access, o.callback<GetAccessResponse>(i)); }, "GET",
       "/quillbox/ose/v1/access?imageProcess=resize%2Cw_64", ""},
      {"getAccessFiles, no record",
       [&](Outcomes& o, std::size_t i) { file().getAccessFiles(std::nullopt, o.callback<GetAccessResponse>(i)); },
       "GET", "/quillbox/ose/v1/access", ""},
      {"createDirectory",
       [&](Outcomes& o, std::size_t i) { file().createDirectory(folder, o.callback<CreateDirectoryResponse>(i)); },
       "POST", "/quillbox/ose/v1/directory",
       R"({"fileName":"Reports","parentFolder":["root"],"containerId":"ct","renameMode":2,"hidden":false})"},
      {"fileComplete",
       [&](Outcomes& o, std::size_t i) { file().fileComplete(complete, o.callback<BaseResponse>(i)); }, "POST",
       "/quillbox/ose/v1/files/complete", R"({"fileId":"f1","sha256":"ab01"})"},
      {"fileRename", [&](Outcomes& o, std::size_t i) { file().fileRename(rename, o.callback<BaseResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/rename/f1", R"({"fileId":"f1","name":"b.txt","renameMode":1})"},
      {"filesCreate, fresh record",
       [&](Outcomes& o, std::size_t i) { file().filesCreate(FilesCreateBean{}, o.callback<FilesCreateResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/create", R"({"length":0,"uploadType":1,"autoRename":2,"hidden":false})"},
      {"fileSearch", [&](Outcomes& o, std::size_t i) { file().fileSearch(search, o.callback<FileSearchResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/search",
       R"({"searchType":"name","pageInfo":{"pageSize":50,"pageCursor":"next"},"filter":{"keyWord":"plan"},)"
       R"("recycled":false,"recursived":true})"},
      {"filesList", [&](Outcomes& o, std::size_t i) { file().filesList(listing, o.callback<FilesListResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/all",
       R"({"type":"all","pageInfo":{"pageSize":50},"parentFileId":"root","hidden":false})"},
      {"filesPath", [&](Outcomes& o, std::size_t i) { file().filesPath(path, o.callback<FilesPathResponse>(i)); },
       "GET", "/quillbox/ose/v1/files/path?fileId=f1&containerId=ct", ""},
      {"filesStatsDir",
       [&](Outcomes& o, std::size_t i) { file().filesStatsDir(stats, o.callback<FilesStatsDirResponse>(i)); }, "GET",
       "/quillbox/ose/v1/files/statsDir?fileId=d1&recursive=true", ""},
      {"getDownloadUrl",
       [&](Outcomes& o, std::size_t i) { file().getDownloadUrl(downloads, o.callback<GetDownloadUrlResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/download", R"({"containerId":"ct","fileIds":["f1","f2"]})"},
      {"getFileDetail",
       [&](Outcomes& o, std::size_t i) { file().getFileDetail(detail, o.callback<GetFileDetailResponse>(i)); }, "POST",
       "/quillbox/ose/v1/files/f1/detail", R"({"fileId":"f1","imageProcess":"thumb"})"},
      {"getUploadUrl",
       [&](Outcomes& o, std::size_t i) { file().getUploadUrl(uploadUrl, o.callback<GetUploadUrlResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/multipart/uploadUrl",
       R"({"fileId":"f1","multiParts":[{"partNumber":2,"partSize":100,"partOffset":5242880,"partId":"p2"}]})"},

      {"getShares",
       [&](Outcomes& o, std::size_t i) {
         share().getShares(GetShareBean(20, "c2", 1, 2, std::nullopt, std::nullopt), o.callback<GetShareResponse>(i));
       },
       "GET", "/quillbox/ose/v1/share?pageSize=20&pageCursor=c2&sortType=1&sortDirection=2", ""},
      {"getShares, zeroes",
       [&](Outcomes& o, std::size_t i) {
         share().getShares(GetShareBean(0, std::nullopt, 0, 0, std::nullopt, std::nullopt),
                           o.callback<GetShareResponse>(i));
       },
       "GET", "/quillbox/ose/v1/share", ""},
      {"createShare",
       [&](Outcomes& o, std::size_t i) { share().createShare(newShare, o.callback<CreateShareResponse>(i)); }, "POST",
       "/quillbox/ose/v1/share",
       R"({"scope":0,"fileIds":["f1"],"permission":{"preview":true,"edit":false,"download":true},"validDays":7})"},
      {"cancelShare, empty list",
       [&](Outcomes& o, std::size_t i) {
         share().cancelShare(CancelShareBean(std::vector<std::string>{}), o.callback<CancelShareResponse>(i));
       },
       "POST", "/quillbox/ose/v1/share/cancel", R"({"shareIds":[]})"},
      {"getShareDetail",
       [&](Outcomes& o, std::size_t i) {
         share().getShareDetail(GetShareDetailBean("s1"), o.callback<GetShareDetailResponse>(i));
       },
       "GET", "/quillbox/ose/v1/share/s1", ""},
      {"modifyShareDetail",
       [&](Outcomes& o, std::size_t i) {
         share().modifyShareDetail(modify, o.callback<ModifyShareDetailResponse>(i));
       },
       "PUT", "/quillbox/ose/v1/share/s1", R"({"shareId":"s1","comment":"updated"})"},
      {"getShareFiles, fresh record",
       [&](Outcomes& o, std::size_t i) {
         share().getShareFiles(GetShareFilesBean{}, o.callback<GetShareFilesResponse>(i));
       },
       "POST", "/quillbox/ose/v1/share/files", R"({"pageSize":100})"},
      {"getShareFiles",
       [&](Outcomes& o, std::size_t i) { share().getShareFiles(visit, o.callback<GetShareFilesResponse>(i)); }, "POST",
       "/quillbox/ose/v1/share/files", R"({"shortUrl":"abc","pageSize":100,"qbstoken":"qt"})"},
  };

  // An envelope that every answer record accepts.
  server.setHandler([](const test::RecordedRequest&) { return Reply::json(200, R"({"code":0,"msg":"ok"})"); });
  Outcomes outcomes;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const WireCase& c = cases[i];
    SCOPED_TRACE(c.operation);
    c.call(outcomes, i);
    EXPECT_EQ(outcomes.wait(i), std::vector<std::string>{"ok"});
    ASSERT_EQ(server.requestCount(), i + 1);
    const auto req = server.requests().at(i);
    EXPECT_EQ(req.method, c.method);
    EXPECT_EQ(req.target, c.target);
    EXPECT_EQ(req.body, c.body);
    EXPECT_EQ(req.header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(req.header("Authorization"), "tok-cat");
  }
}

TEST_F(CatalogueServicesTest, AnswersReachTheHostAsDecodedOrAsTheOneFailure) {
  // Signing in leaves the token setting alone: the host decides.
  server.enqueue(Reply::json(200, R"({"code":0,"accessToken":"at-9","data":{"carrierUserId":"cu1"}})"));
  ResultCollector<UserAuthResp> token;
  AuthCodeBean auth;
  auth.authCode = "code";
  user().getToken(auth, token.callback());
  ASSERT_TRUE(token.wait().isSuccess()) << token.wait().message();
  EXPECT_EQ(token.wait().value().accessToken, "at-9");
  EXPECT_EQ(CloudInstance::shared().token(), "tok-cat");

  // A refusal inside a 200 answer is the host's to read, not a failure.
  server.enqueue(Reply::json(200, R"({"code":3,"msg":"name taken"})"));
  ResultCollector<BaseResponse> renamed;
  FilesRenameBean rename;
  rename.fileId = "f1";
  file().fileRename(rename, renamed.callback());
  ASSERT_TRUE(renamed.wait().isSuccess());
  EXPECT_EQ(renamed.wait().value(), BaseResponse(3, "name taken", std::nullopt));

  // One bad value deep inside fails the whole answer, naming where.
  server.enqueue(Reply::json(200, R"({"code":0,"files":[],"link":{"permission":"admin"}})"));
  ResultCollector<GetShareFilesResponse> visited;
  share().getShareFiles(GetShareFilesBean{}, visited.callback());
  EXPECT_EQ(visited.wait().code(), -1);
  EXPECT_THAT(visited.wait().message(), StartsWith("str to bean error link.permission: "));
}

TEST_F(CatalogueServicesTest, RecordsThatCannotBeSentFailAtOnceAndSendNothing) {
  AuthCodeBean noCode;
  GetUserListBean notDirect;
  notDirect.deptId = "d1";
  FilesListBean noType;
  FilesRenameBean renameNoId;
  renameNoId.name = "b.txt";
  ModifyShareDetailBean modifyNoId;
  modifyNoId.comment = "c";
  GetJobDetailByIdBean emptyJobId;
  emptyJobId.jobId = "";

  const std::vector<std::pair<const char*, std::function<void(Outcomes&, std::size_t)>>> calls = {
      {"getToken, no record", [&](Outcomes& o, std::size_t i) { user().getToken(std::nullopt, o.callback<UserAuthResp>(i)); }},
      {"getToken, no code", [&](Outcomes& o, std::size_t i) { user().getToken(noCode, o.callback<UserAuthResp>(i)); }},
      {"getSpace", [&](Outcomes& o, std::size_t i) { user().getSpace(std::nullopt, o.callback<GetSpaceResp>(i)); }},
      {"getUserById, no record",
       [&](Outcomes& o, std::size_t i) { user().getUserById(std::nullopt, o.callback<GetUsersByIdResponse>(i)); }},
      {"getUserById, no id",
       [&](Outcomes& o, std::size_t i) { user().getUserById(GetUserByIdBean{}, o.callback<GetUsersByIdResponse>(i)); }},
      {"getUserList, no record",
       [&](Outcomes& o, std::size_t i) { user().getUserList(std::nullopt, o.callback<GetuserListResponse>(i)); }},
      {"getUserList, no isDirect",
       [&](Outcomes& o, std::size_t i) { user().getUserList(notDirect, o.callback<GetuserListResponse>(i)); }},

      {"createDirectory",
       [&](Outcomes& o, std::size_t i) { file().createDirectory(std::nullopt, o.callback<CreateDirectoryResponse>(i)); }},
      {"fileComplete", [&](Outcomes& o, std::size_t i) { file().fileComplete(std::nullopt, o.callback<BaseResponse>(i)); }},
      {"fileRename, no record",
       [&](Outcomes& o, std::size_t i) { file().fileRename(std::nullopt, o.callback<BaseResponse>(i)); }},
      {"fileRename, no id", [&](Outcomes& o, std::size_t i) { file().fileRename(renameNoId, o.callback<BaseResponse>(i)); }},
      {"filesCreate",
       [&](Outcomes& o, std::size_t i) { file().filesCreate(std::nullopt, o.callback<FilesCreateResponse>(i)); }},
      {"fileSearch",
       [&](Outcomes& o, std::size_t i) { file().fileSearch(std::nullopt, o.callback<FileSearchResponse>(i)); }},
      {"filesList, no record",
       [&](Outcomes& o, std::size_t i) { file().filesList(std::nullopt, o.callback<FilesListResponse>(i)); }},
      {"filesList, no type", [&](Outcomes& o, std::size_t i) { file().filesList(noType, o.callback<FilesListResponse>(i)); }},
      {"filesPath", [&](Outcomes& o, std::size_t i) { file().filesPath(std::nullopt, o.callback<FilesPathResponse>(i)); }},
      {"filesStatsDir",
       [&](Outcomes& o, std::size_t i) { file().filesStatsDir(std::nullopt, o.callback<FilesStatsDirResponse>(i)); }},
      {"getDownloadUrl",
       [&](Outcomes& o, std::size_t i) { file().getDownloadUrl(std::nullopt, o.callback<GetDownloadUrlResponse>(i)); }},
      {"getFileDetail, no record",
       [&](Outcomes& o, std::size_t i) { file().getFileDetail(std::nullopt, o.callback<GetFileDetailResponse>(i)); }},
      {"getFileDetail, no id",
       [&](Outcomes& o, std::size_t i) {
         file().getFileDetail(GetFileDetailBean{}, o.callback<GetFileDetailResponse>(i));
       }},
      {"getUploadUrl",
       [&](Outcomes& o, std::size_t i) { file().getUploadUrl(std::nullopt, o.callback<GetUploadUrlResponse>(i)); }},

      {"getShares", [&](Outcomes& o, std::size_t i) { share().getShares(std::nullopt, o.callback<GetShareResponse>(i)); }},
      {"createShare",
       [&](Outcomes& o, std::size_t i) { share().createShare(std::nullopt, o.callback<CreateShareResponse>(i)); }},
      {"cancelShare, no record",
       [&](Outcomes& o, std::size_t i) { share().cancelShare(std::nullopt, o.callback<CancelShareResponse>(i)); }},
      {"cancelShare, no list",
       [&](Outcomes& o, std::size_t i) { share().cancelShare(CancelShareBean{}, o.callback<CancelShareResponse>(i)); }},
      {"getShareDetail, no record",
       [&](Outcomes& o, std::size_t i) { share().getShareDetail(std::nullopt, o.callback<GetShareDetailResponse>(i)); }},
      {"getShareDetail, no id",
       [&](Outcomes& o, std::size_t i) {
         share().getShareDetail(GetShareDetailBean{}, o.callback<GetShareDetailResponse>(i));
       }},
      {"modifyShareDetail, no record",
       [&](Outcomes& o, std::size_t i) {
         share().modifyShareDetail(std::nullopt, o.callback<ModifyShareDetailResponse>(i));
       }},
      {"modifyShareDetail, no id",
       [&](Outcomes& o, std::size_t i) { share().modifyShareDetail(modifyNoId, o.callback<ModifyShareDetailResponse>(i)); }},
      {"getShareFiles",
       [&](Outcomes& o, std::size_t i) { share().getShareFiles(std::nullopt, o.callback<GetShareFilesResponse>(i)); }},

      {"getJobs", [&](Outcomes& o, std::size_t i) { jobs().getJobs(std::nullopt, o.callback<GetJobsResponse>(i)); }},
      {"createJobs",
       [&](Outcomes& o, std::size_t i) { jobs().createJobs(std::nullopt, o.callback<CreateJobsResponse>(i)); }},
      {"cancelJobs, no id",
       [&](Outcomes& o, std::size_t i) { jobs().cancelJobs(CancelJobsBean{}, o.callback<CancelJobsResponse>(i)); }},
      {"getJobDetailById, no id",
       [&](Outcomes& o, std::size_t i) {
         jobs().getJobDetailById(GetJobDetailByIdBean{}, o.callback<GetJobDetailByIdResponse>(i));
       }},
      {"getJobDetailById, empty id",
       [&](Outcomes& o, std::size_t i) { jobs().getJobDetailById(emptyJobId, o.callback<GetJobDetailByIdResponse>(i)); }},
      {"getStarBatch",
       [&](Outcomes& o, std::size_t i) { favor().getStarBatch(std::nullopt, o.callback<GetStarBatchResponse>(i)); }},
  };

  Outcomes outcomes;
  const auto self = std::this_thread::get_id();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(calls[i].first);
    calls[i].second(outcomes, i);
    // Already delivered, once, on this thread, before the call returned.
    EXPECT_EQ(outcomes.wait(i), std::vector<std::string>{"-1 params build faild"});
    EXPECT_EQ(outcomes.thread(i), self);
  }
  // Operations that need no record still go out afterwards: nothing was
  // queued ahead of them.
  ResultCollector<GetstandPackagesResponse> packages;
  ResultCollector<GetAccessResponse> recent;
  carrier().standardPackages(packages.callback());
  file().getAccessFiles(std::nullopt, recent.callback());
  EXPECT_TRUE(packages.wait().isSuccess());
  EXPECT_TRUE(recent.wait().isSuccess());
  // The two run side by side, so they may reach the server in either order.
  std::vector<std::string> targets;
  for (const auto& r : server.requests()) targets.push_back(r.target);
  EXPECT_THAT(targets, ::testing::UnorderedElementsAre("/quillbox/ose/v1/carrier/standard/packages",
                                                       "/quillbox/ose/v1/access"));
}

TEST_F(CatalogueServicesTest, ValuesReachTheServerAsOneSegmentOrOneValue) {
  GetUserByIdBean intruder;
  intruder.userId = "../admin";
  GetUserListBean users;
  users.isDirect = false;
  users.keyWord = "a&limit=1000";
  GetUserListBean deptProbe;
  deptProbe.isDirect = true;
  deptProbe.deptId = "d1#frag";
  FilesRenameBean rename;
  rename.fileId = "f1/../../users/u2?x=1";
  rename.name = "a&b";
  FilesListBean listing;
  listing.type = "..";
  GetFileDetailBean detail;
  detail.fileId = "f 1/detail";
  FilesPathBean path;
  path.fileId = "f1&containerId=evil";
  path.containerId = "文件";

  const std::vector<WireCase> cases = {
      {"a user id that climbs",
       [&](Outcomes& o, std::size_t i) { user().getUserById(intruder, o.callback<GetUsersByIdResponse>(i)); }, "GET",
       "/quillbox/ose/v1/users/..%2Fadmin", ""},
      {"a keyword that adds a limit",
       [&](Outcomes& o, std::size_t i) { user().getUserList(users, o.callback<GetuserListResponse>(i)); }, "GET",
       "/quillbox/ose/v1/userList?isDirect=false&keyWord=a%26limit%3D1000", ""},
      {"a department with a fragment",
       [&](Outcomes& o, std::size_t i) { user().getUserList(deptProbe, o.callback<GetuserListResponse>(i)); }, "GET",
       "/quillbox/ose/v1/userList?deptId=d1%23frag&isDirect=true", ""},
      {"a share cursor with plus and equals",
       [&](Outcomes& o, std::size_t i) {
         share().getShares(GetShareBean(10, "eyJ+a/b==", 1, 1, std::nullopt, std::nullopt),
                           o.callback<GetShareResponse>(i));
       },
       "GET", "/quillbox/ose/v1/share?pageSize=10&pageCursor=eyJ%2Ba%2Fb%3D%3D&sortType=1&sortDirection=1", ""},
      {"a space owner and type that try to add items",
       [&](Outcomes& o, std::size_t i) {
         user().getSpace(GetSpaceBean("1&containerId=x", "o?type=2", std::nullopt), o.callback<GetSpaceResp>(i));
       },
       "GET", "/quillbox/ose/v1/space/o%3Ftype%3D2?type=1%26containerId%3Dx", ""},
      {"a file id that climbs in the rename path",
       [&](Outcomes& o, std::size_t i) { file().fileRename(rename, o.callback<BaseResponse>(i)); }, "POST",
       "/quillbox/ose/v1/files/rename/f1%2F..%2F..%2Fusers%2Fu2%3Fx%3D1",
       R"({"fileId":"f1/../../users/u2?x=1","name":"a&b","renameMode":2})"},
      {"a listing kind that is a dot segment",
       [&](Outcomes& o, std::size_t i) { file().filesList(listing, o.callback<FilesListResponse>(i)); }, "POST",
       "/quillbox/ose/v1/files/%2E%2E", R"({"type":"..","hidden":false})"},
      {"a detail id with a slash",
       [&](Outcomes& o, std::size_t i) { file().getFileDetail(detail, o.callback<GetFileDetailResponse>(i)); },
       "POST", "/quillbox/ose/v1/files/f%201%2Fdetail/detail", R"({"fileId":"f 1/detail"})"},
      {"a path query value with an item in it",
       [&](Outcomes& o, std::size_t i) { file().filesPath(path, o.callback<FilesPathResponse>(i)); }, "GET",
       "/quillbox/ose/v1/files/path?fileId=f1%26containerId%3Devil&containerId=%E6%96%87%E4%BB%B6", ""},
      {"a share id that is a dot segment",
       [&](Outcomes& o, std::size_t i) {
         share().getShareDetail(GetShareDetailBean(".."), o.callback<GetShareDetailResponse>(i));
       },
       "GET", "/quillbox/ose/v1/share/%2E%2E", ""},
  };
  server.setHandler([](const test::RecordedRequest&) { return Reply::json(200, R"({"code":0})"); });
  Outcomes outcomes;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].operation);
    cases[i].call(outcomes, i);
    EXPECT_EQ(outcomes.wait(i), std::vector<std::string>{"ok"});
    ASSERT_EQ(server.requestCount(), i + 1);
    const auto req = server.requests().at(i);
    EXPECT_EQ(req.method, cases[i].method);
    EXPECT_EQ(req.target, cases[i].target);
    EXPECT_EQ(req.body, cases[i].body);
  }
}

}  // namespace
}  // namespace quillbox
