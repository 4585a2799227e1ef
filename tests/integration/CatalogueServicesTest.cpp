// The user, carrier, file, share, favourite and job services end to end against the loopback
// server: every operation's request as it reaches the server (with empty and
// zero values, and values that try to escape their path segment or query
// item), what the host receives back, and the records every service refuses
// before anything is sent.

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

/// Outcomes of calls whose answer types differ: "ok", or the failure's code
/// and message and the words of its kind, with the thread that delivered each.
class Outcomes {
 public:
  template <class T>
  std::function<void(NetworkResult<T>)> callback(std::size_t slot) {
    return [this, slot](NetworkResult<T> r) {
      std::lock_guard lock(mutex_);
      if (got_.size() <= slot) got_.resize(slot + 1);
      got_[slot].push_back(r.isSuccess() ? "ok"
                                         : std::to_string(r.code()) + " " + r.message() + " (" +
                                               std::string(describe(r.kind())) + ")");
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

/// A call of `op` on `service` whose outcome lands in slot i.
template <class S, class Service, class Bean, class Response>
std::function<void(Outcomes&, std::size_t)> call(
    S& service, void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
    std::type_identity_t<std::optional<Bean>> bean) {
  return [&service, op, bean](Outcomes& o, std::size_t i) { (service.*op)(bean, o.callback<Response>(i)); };
}
template <class S, class Service, class Response>
std::function<void(Outcomes&, std::size_t)> call(S& service,
                                                 void (Service::*op)(std::function<void(NetworkResult<Response>)>)) {
  return [&service, op](Outcomes& o, std::size_t i) { (service.*op)(o.callback<Response>(i)); };
}

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
  GetStarFilesBean starPage;
  starPage.pageCursor = "c+/=&x";
  starPage.imageProcess = "resize,w_100";
  starPage.fileType = "image";
  CreateJobBean job;
  job.taskType = 3;
  job.taskInfo = CreateTaskInfoReq({{FileInfo("f1", std::nullopt)}}, std::nullopt, "src", std::nullopt);
  CancelJobsBean cancelJob;
  cancelJob.jobId = "J1";
  GetJobsBean jobFilter;
  jobFilter.type = 3;
  jobFilter.status = 0;

  // Empty and zero values, and items whose place on the wire is fixed.
  GetStarFilesBean starZeros;  // 0 means "the server's default": left out
  starZeros.pageSize = 0;
  starZeros.sortType = 0;
  starZeros.sortDirection = 0;
  GetUserListBean notDirect;
  notDirect.isDirect = false;
  GetUserListBean emptyItems = notDirect;
  emptyItems.deptId = "";
  emptyItems.offset = "";
  emptyItems.keyWord = "";
  emptyItems.limit = "20";
  AuthCodeBean emptyCode;
  emptyCode.authCode = "";
  FilesPathBean pathContainerOnly;
  pathContainerOnly.fileId = "";
  pathContainerOnly.containerId = "c1";
  FilesStatsDirBean statsNotRecursive;
  statsNotRecursive.fileId = "f=1";
  statsNotRecursive.containerId = "";
  statsNotRecursive.recursive = false;
  GetAccessFilesBean emptyImage;
  emptyImage.imageProcess = "";

  // Values that try to leave their path segment or query item.
  GetUserByIdBean intruder;
  intruder.userId = "../admin";
  GetUserListBean keywordProbe;
  keywordProbe.isDirect = false;
  keywordProbe.keyWord = "a&limit=1000";
  GetUserListBean deptProbe;
  deptProbe.isDirect = true;
  deptProbe.deptId = "d1#frag";
  FilesRenameBean climbingRename;
  climbingRename.fileId = "f1/../../users/u2?x=1";
  climbingRename.name = "a&b";
  FilesRenameBean dotRename;
  dotRename.fileId = ".";
  dotRename.name = "b.txt";
  FilesListBean dotListing;
  dotListing.type = "..";
  GetFileDetailBean slashDetail;
  slashDetail.fileId = "f 1/detail";
  GetJobDetailByIdBean jobProbe;
  jobProbe.jobId = "../admin";
  FilesPathBean itemProbe;
  itemProbe.fileId = "f1&containerId=evil";
  itemProbe.containerId = "文件";

  const std::vector<WireCase> cases = {
      {"getToken", call(user(), &IUser::getToken, auth), "POST", "/quillbox/ose/v1/carrier/standard/user/auth",
       R"({"authCode":"code-1"})"},
      {"getSpace", call(user(), &IUser::getSpace, GetSpaceBean("1", "o1", "c1")), "GET",
       "/quillbox/ose/v1/space/o1?type=1&containerId=c1", ""},
      {"getSpace, nothing set", call(user(), &IUser::getSpace, GetSpaceBean{}), "GET",
       "/quillbox/ose/v1/space/?type=", ""},
      {"getUserById", call(user(), &IUser::getUserById, userById), "GET", "/quillbox/ose/v1/users/u1", ""},
      {"getUserList", call(user(), &IUser::getUserList, users), "GET",
       "/quillbox/ose/v1/userList?deptId=d1&isDirect=true&offset=0&limit=20&keyWord=Li", ""},
      {"standardPackages", call(carrier(), &ICarrier::standardPackages), "GET",
       "/quillbox/ose/v1/carrier/standard/packages", ""},
      {"standardPackagesOrders", call(carrier(), &ICarrier::standardPackagesOrders), "GET",
       "/quillbox/ose/v1/carrier/standard/packages/orders", ""},

      {"getAccessFiles", call(file(), &IFile::getAccessFiles, access), "GET",
       "/quillbox/ose/v1/access?imageProcess=resize%2Cw_64", ""},
      {"getAccessFiles, no record", call(file(), &IFile::getAccessFiles, std::nullopt), "GET",
       "/quillbox/ose/v1/access", ""},
      {"createDirectory", call(file(), &IFile::createDirectory, folder), "POST", "/quillbox/ose/v1/directory",
       R"({"fileName":"Reports","parentFolder":["root"],"containerId":"ct","renameMode":2,"hidden":false})"},
      {"fileComplete", call(file(), &IFile::fileComplete, complete), "POST", "/quillbox/ose/v1/files/complete",
       R"({"fileId":"f1","sha256":"ab01"})"},
      {"fileRename", call(file(), &IFile::fileRename, rename), "POST", "/quillbox/ose/v1/files/rename/f1",
       R"({"fileId":"f1","name":"b.txt","renameMode":1})"},
      {"filesCreate, fresh record", call(file(), &IFile::filesCreate, FilesCreateBean{}), "POST",
       "/quillbox/ose/v1/files/create", R"({"length":0,"uploadType":1,"autoRename":2,"hidden":false})"},
      {"fileSearch", call(file(), &IFile::fileSearch, search), "POST", "/quillbox/ose/v1/files/search",
       R"({"searchType":"name","pageInfo":{"pageSize":50,"pageCursor":"next"},"filter":{"keyWord":"plan"},)"
       R"("recycled":false,"recursived":true})"},
      {"filesList", call(file(), &IFile::filesList, listing), "POST", "/quillbox/ose/v1/files/all",
       R"({"type":"all","pageInfo":{"pageSize":50},"parentFileId":"root","hidden":false})"},
      {"filesPath", call(file(), &IFile::filesPath, path), "GET",
       "/quillbox/ose/v1/files/path?fileId=f1&containerId=ct", ""},
      {"filesStatsDir", call(file(), &IFile::filesStatsDir, stats), "GET",
       "/quillbox/ose/v1/files/statsDir?fileId=d1&recursive=true", ""},
      {"getDownloadUrl", call(file(), &IFile::getDownloadUrl, downloads), "POST", "/quillbox/ose/v1/files/download",
       R"({"containerId":"ct","fileIds":["f1","f2"]})"},
      {"getFileDetail", call(file(), &IFile::getFileDetail, detail), "POST", "/quillbox/ose/v1/files/f1/detail",
       R"({"fileId":"f1","imageProcess":"thumb"})"},
      {"getUploadUrl", call(file(), &IFile::getUploadUrl, uploadUrl), "POST",
       "/quillbox/ose/v1/files/multipart/uploadUrl",
       R"({"fileId":"f1","multiParts":[{"partNumber":2,"partSize":100,"partOffset":5242880,"partId":"p2"}]})"},

      {"createShare", call(share(), &IShare::createShare, newShare), "POST", "/quillbox/ose/v1/share",
       R"({"scope":0,"fileIds":["f1"],"permission":{"preview":true,"edit":false,"download":true},"validDays":7})"},
      {"cancelShare, empty list", call(share(), &IShare::cancelShare, CancelShareBean(std::vector<std::string>{})),
       "POST", "/quillbox/ose/v1/share/cancel", R"({"shareIds":[]})"},
      {"getShareDetail", call(share(), &IShare::getShareDetail, GetShareDetailBean("s1")), "GET",
       "/quillbox/ose/v1/share/s1", ""},
      {"modifyShareDetail", call(share(), &IShare::modifyShareDetail, modify), "PUT", "/quillbox/ose/v1/share/s1",
       R"({"shareId":"s1","comment":"updated"})"},
      {"getShareFiles, fresh record", call(share(), &IShare::getShareFiles, GetShareFilesBean{}), "POST",
       "/quillbox/ose/v1/share/files", R"({"pageSize":100})"},
      {"getShareFiles", call(share(), &IShare::getShareFiles, visit), "POST", "/quillbox/ose/v1/share/files",
       R"({"shortUrl":"abc","pageSize":100,"qbstoken":"qt"})"},
      {"getStarFiles, fresh record", call(favor(), &IFavor::getStarFiles, GetStarFilesBean{}), "GET",
       "/quillbox/ose/v1/star/files?pageSize=100&sortType=1&sortDirection=2", ""},
      {"getStarFiles", call(favor(), &IFavor::getStarFiles, starPage), "GET",
       "/quillbox/ose/v1/star/files?pageSize=100&pageCursor=c%2B%2F%3D%26x&sortType=1&sortDirection=2&"
       "imageProcess=resize%2Cw_100",
       ""},
      {"getStarBatch, empty list", call(favor(), &IFavor::getStarBatch, GetStarBatchBean(true, {})), "POST",
       "/quillbox/ose/v1/star/batch", R"({"starred":true,"subRequestList":[]})"},
      {"createJobs", call(jobs(), &IJob::createJobs, job), "POST", "/quillbox/ose/v1/jobs",
       R"({"taskType":3,"taskInfo":{"fileInfo":[{"fileId":"f1"}],"srcContainerId":"src"}})"},
      {"cancelJobs", call(jobs(), &IJob::cancelJobs, cancelJob), "POST", "/quillbox/ose/v1/cancel", R"({"jobId":"J1"})"},
      {"getJobs", call(jobs(), &IJob::getJobs, jobFilter), "GET",
       "/quillbox/ose/v1/jobs?offset=0&limit=100&type=3&status=0", ""},

      // An empty container is still sent, an absent one is not; "type=" always is.
      {"getSpace, empty container", call(user(), &IUser::getSpace, GetSpaceBean("1", "o1", "")), "GET",
       "/quillbox/ose/v1/space/o1?type=1&containerId=", ""},
      {"getSpace, no type", call(user(), &IUser::getSpace, GetSpaceBean(std::nullopt, "o1", "c 1")), "GET",
       "/quillbox/ose/v1/space/o1?type=&containerId=c%201", ""},
      {"getUserList, not direct", call(user(), &IUser::getUserList, notDirect), "GET",
       "/quillbox/ose/v1/userList?isDirect=false", ""},
      {"getUserList, empty items", call(user(), &IUser::getUserList, emptyItems), "GET",
       "/quillbox/ose/v1/userList?isDirect=false&limit=20", ""},
      {"getToken, empty code", call(user(), &IUser::getToken, emptyCode), "POST",
       "/quillbox/ose/v1/carrier/standard/user/auth", R"({"authCode":""})"},
      {"filesPath, fresh record", call(file(), &IFile::filesPath, FilesPathBean{}), "GET", "/quillbox/ose/v1/files/path",
       ""},
      {"filesPath, container only", call(file(), &IFile::filesPath, pathContainerOnly), "GET",
       "/quillbox/ose/v1/files/path?containerId=c1", ""},
      {"filesStatsDir, fresh record", call(file(), &IFile::filesStatsDir, FilesStatsDirBean{}), "GET",
       "/quillbox/ose/v1/files/statsDir?recursive=true", ""},
      {"filesStatsDir, not recursive", call(file(), &IFile::filesStatsDir, statsNotRecursive), "GET",
       "/quillbox/ose/v1/files/statsDir?fileId=f%3D1&recursive=false", ""},
      {"getAccessFiles, fresh record", call(file(), &IFile::getAccessFiles, GetAccessFilesBean{}), "GET",
       "/quillbox/ose/v1/access", ""},
      {"getAccessFiles, empty image", call(file(), &IFile::getAccessFiles, emptyImage), "GET",
       "/quillbox/ose/v1/access?imageProcess=", ""},
      {"fileComplete, fresh record", call(file(), &IFile::fileComplete, FilesCompleteBean{}), "POST",
       "/quillbox/ose/v1/files/complete", "{}"},
      // The share list leaves out zeros, empty texts and absent sort codes.
      {"getStarFiles, zeros", call(favor(), &IFavor::getStarFiles, starZeros), "GET", "/quillbox/ose/v1/star/files",
       ""},
      {"getShares, empty texts", call(share(), &IShare::getShares, GetShareBean(0, "", 0, 0, "", "")), "GET",
       "/quillbox/ose/v1/share", ""},
      {"getShares, name only",
       call(share(), &IShare::getShares, GetShareBean(0, std::nullopt, 0, 0, "a.txt", std::nullopt)), "GET",
       "/quillbox/ose/v1/share?displayName=a.txt", ""},
      {"getShares, every item", call(share(), &IShare::getShares, GetShareBean(20, "c2", 1, 2, "a b", "resize,w_1")),
       "GET",
       "/quillbox/ose/v1/share?pageSize=20&pageCursor=c2&sortType=1&sortDirection=2&displayName=a%20b&"
       "imageProcess=resize%2Cw_1",
       ""},
      {"getShares, no sort type",
       call(share(), &IShare::getShares, GetShareBean(10, std::nullopt, std::nullopt, 2, std::nullopt, std::nullopt)),
       "GET", "/quillbox/ose/v1/share?pageSize=10&sortDirection=2", ""},
      {"getShares, negative sort type",
       call(share(), &IShare::getShares, GetShareBean(10, std::nullopt, -1, std::nullopt, std::nullopt, std::nullopt)),
       "GET", "/quillbox/ose/v1/share?pageSize=10&sortType=-1", ""},

      {"a user id that climbs", call(user(), &IUser::getUserById, intruder), "GET", "/quillbox/ose/v1/users/..%2Fadmin",
       ""},
      {"a keyword that adds a limit", call(user(), &IUser::getUserList, keywordProbe), "GET",
       "/quillbox/ose/v1/userList?isDirect=false&keyWord=a%26limit%3D1000", ""},
      {"a department with a fragment", call(user(), &IUser::getUserList, deptProbe), "GET",
       "/quillbox/ose/v1/userList?deptId=d1%23frag&isDirect=true", ""},
      {"a share cursor with plus and equals",
       call(share(), &IShare::getShares, GetShareBean(10, "eyJ+a/b==", 1, 1, std::nullopt, std::nullopt)), "GET",
       "/quillbox/ose/v1/share?pageSize=10&pageCursor=eyJ%2Ba%2Fb%3D%3D&sortType=1&sortDirection=1", ""},
      {"a space owner and type that try to add items",
       call(user(), &IUser::getSpace, GetSpaceBean("1&containerId=x", "o?type=2", std::nullopt)), "GET",
       "/quillbox/ose/v1/space/o%3Ftype%3D2?type=1%26containerId%3Dx", ""},
      {"a file id that climbs in the rename path", call(file(), &IFile::fileRename, climbingRename), "POST",
       "/quillbox/ose/v1/files/rename/f1%2F..%2F..%2Fusers%2Fu2%3Fx%3D1",
       R"({"fileId":"f1/../../users/u2?x=1","name":"a&b","renameMode":2})"},
      {"a rename id that is a dot segment", call(file(), &IFile::fileRename, dotRename), "POST",
       "/quillbox/ose/v1/files/rename/%2E", R"({"fileId":".","name":"b.txt","renameMode":2})"},
      {"a listing kind that is a dot segment", call(file(), &IFile::filesList, dotListing), "POST",
       "/quillbox/ose/v1/files/%2E%2E", R"({"type":"..","hidden":false})"},
      {"a detail id with a slash", call(file(), &IFile::getFileDetail, slashDetail), "POST",
       "/quillbox/ose/v1/files/f%201%2Fdetail/detail", R"({"fileId":"f 1/detail"})"},
      {"a path query value with an item in it", call(file(), &IFile::filesPath, itemProbe), "GET",
       "/quillbox/ose/v1/files/path?fileId=f1%26containerId%3Devil&containerId=%E6%96%87%E4%BB%B6", ""},
      {"a job id that climbs", call(jobs(), &IJob::getJobDetailById, jobProbe), "GET", "/quillbox/ose/v1/..%2Fadmin",
       ""},
      {"a share id that is a dot segment", call(share(), &IShare::getShareDetail, GetShareDetailBean("..")), "GET",
       "/quillbox/ose/v1/share/%2E%2E", ""},
  };

  // An envelope that every answer record accepts; a batch status besides for the favourites.
  server.setHandler([](const test::RecordedRequest& r) {
    return Reply::json(200, r.target.ends_with("/star/batch") ? R"({"code":0,"msg":"ok","status":0})"
                                                               : R"({"code":0,"msg":"ok"})");
  });
  Outcomes outcomes;
  test::LogCapture log;
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
  // The user list's query items are logged as sent, in their fixed order.
  EXPECT_THAT(log.lines(), ::testing::Contains(R"(getParamsStr = ["deptId=d1", "isDirect=true", "offset=0", )"
                                               R"("limit=20", "keyWord=Li"])"));
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
  // An empty id would address the enclosing collection.
  GetUserByIdBean emptyUserId;
  emptyUserId.userId = "";
  GetFileDetailBean emptyDetailId;
  emptyDetailId.fileId = "";

  const std::vector<std::pair<const char*, std::function<void(Outcomes&, std::size_t)>>> calls = {
      {"getToken, no record", call(user(), &IUser::getToken, std::nullopt)},
      {"getToken, no code", call(user(), &IUser::getToken, noCode)},
      {"getSpace", call(user(), &IUser::getSpace, std::nullopt)},
      {"getUserById, no record", call(user(), &IUser::getUserById, std::nullopt)},
      {"getUserById, no id", call(user(), &IUser::getUserById, GetUserByIdBean{})},
      {"getUserById, empty id", call(user(), &IUser::getUserById, emptyUserId)},
      {"getUserList, no record", call(user(), &IUser::getUserList, std::nullopt)},
      {"getUserList, no isDirect", call(user(), &IUser::getUserList, notDirect)},

      {"createDirectory", call(file(), &IFile::createDirectory, std::nullopt)},
      {"fileComplete", call(file(), &IFile::fileComplete, std::nullopt)},
      {"fileRename, no record", call(file(), &IFile::fileRename, std::nullopt)},
      {"fileRename, no id", call(file(), &IFile::fileRename, renameNoId)},
      {"filesCreate", call(file(), &IFile::filesCreate, std::nullopt)},
      {"fileSearch", call(file(), &IFile::fileSearch, std::nullopt)},
      {"filesList, no record", call(file(), &IFile::filesList, std::nullopt)},
      {"filesList, no type", call(file(), &IFile::filesList, noType)},
      {"filesPath", call(file(), &IFile::filesPath, std::nullopt)},
      {"filesStatsDir", call(file(), &IFile::filesStatsDir, std::nullopt)},
      {"getDownloadUrl", call(file(), &IFile::getDownloadUrl, std::nullopt)},
      {"getFileDetail, no record", call(file(), &IFile::getFileDetail, std::nullopt)},
      {"getFileDetail, no id", call(file(), &IFile::getFileDetail, GetFileDetailBean{})},
      {"getFileDetail, empty id", call(file(), &IFile::getFileDetail, emptyDetailId)},
      {"getUploadUrl", call(file(), &IFile::getUploadUrl, std::nullopt)},

      {"getShares", call(share(), &IShare::getShares, std::nullopt)},
      {"createShare", call(share(), &IShare::createShare, std::nullopt)},
      {"cancelShare, no record", call(share(), &IShare::cancelShare, std::nullopt)},
      {"cancelShare, no list", call(share(), &IShare::cancelShare, CancelShareBean{})},
      {"getShareDetail, no record", call(share(), &IShare::getShareDetail, std::nullopt)},
      {"getShareDetail, no id", call(share(), &IShare::getShareDetail, GetShareDetailBean{})},
      {"getShareDetail, empty id", call(share(), &IShare::getShareDetail, GetShareDetailBean(""))},
      {"modifyShareDetail, no record", call(share(), &IShare::modifyShareDetail, std::nullopt)},
      {"modifyShareDetail, no id", call(share(), &IShare::modifyShareDetail, modifyNoId)},
      {"getShareFiles", call(share(), &IShare::getShareFiles, std::nullopt)},

      {"getJobs", call(jobs(), &IJob::getJobs, std::nullopt)},
      {"createJobs", call(jobs(), &IJob::createJobs, std::nullopt)},
      {"cancelJobs, no id", call(jobs(), &IJob::cancelJobs, CancelJobsBean{})},
      {"getJobDetailById, no id", call(jobs(), &IJob::getJobDetailById, GetJobDetailByIdBean{})},
      {"getJobDetailById, empty id", call(jobs(), &IJob::getJobDetailById, emptyJobId)},
      {"getStarBatch", call(favor(), &IFavor::getStarBatch, std::nullopt)},
  };

  Outcomes outcomes;
  const auto self = std::this_thread::get_id();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(calls[i].first);
    calls[i].second(outcomes, i);
    // Delivered once, on a callback thread, never on the calling one.
    const std::string invalid = "-1 params build faild (" + std::string(describe(FailureKind::invalidRequest)) + ")";
    EXPECT_EQ(outcomes.wait(i), std::vector<std::string>{invalid});
    EXPECT_NE(outcomes.thread(i), self);
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

}  // namespace
}  // namespace quillbox
