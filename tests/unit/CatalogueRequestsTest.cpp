// Request classes of the user, carrier, file and share services, built
// directly: which records they refuse, and the path, query and body they
// produce.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "services/carrier/CarrierRequests.hpp"
#include "services/file/FileRequests.hpp"
#include "services/share/ShareRequests.hpp"
#include "services/user/UserRequests.hpp"
#include "support/Callbacks.hpp"

namespace quillbox {
namespace {

using namespace request;

/// What buildParams left in a request object.
struct Built {
  int result;
  std::optional<std::string> url, params, body;
  friend bool operator==(const Built&, const Built&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Built& b) {
    auto show = [](const std::optional<std::string>& s) { return s ? '"' + *s + '"' : std::string("absent"); };
    return os << "{" << b.result << ", url " << show(b.url) << ", params " << show(b.params) << ", body "
              << show(b.body) << "}";
  }
};

template <class Req, class Bean>
Built build(std::optional<Bean> bean) {
  Req req(std::move(bean));
  int r = req.buildParams();
  return {r, req.url, req.params, req.body};
}

/// A GET request: the path, the query and no body.
Built get(std::string path, std::string query) { return {0, std::move(path), std::move(query), std::nullopt}; }

GetSpaceBean space(std::optional<std::string> type, std::optional<std::string> owner,
                   std::optional<std::string> container) {
  return GetSpaceBean(std::move(type), std::move(owner), std::move(container));
}

TEST(CatalogueRequests, SpaceQueryAlwaysNamesTheTypeAndTheContainerWheneverSet) {
  auto b = [](GetSpaceBean bean) { return build<GetSpaceReq>(std::optional(std::move(bean))); };
  EXPECT_EQ(b(space("1", "o1", "c1")), get("/quillbox/ose/v1/space/o1", "type=1&containerId=c1"));
  // No owner: an empty last segment. No type: "type=" all the same.
  EXPECT_EQ(b(GetSpaceBean{}), get("/quillbox/ose/v1/space/", "type="));
  // An empty container is still sent; an absent one is not.
  EXPECT_EQ(b(space("1", "o1", "")), get("/quillbox/ose/v1/space/o1", "type=1&containerId="));
  EXPECT_EQ(b(space(std::nullopt, "o1", "c 1")), get("/quillbox/ose/v1/space/o1", "type=&containerId=c%201"));
  EXPECT_EQ(b(space("", "", std::nullopt)), get("/quillbox/ose/v1/space/", "type="));
  // Values that try to leave their place stay in it.
  EXPECT_EQ(b(space("1&containerId=x", "..", "a#b")),
            get("/quillbox/ose/v1/space/%2E%2E", "type=1%26containerId%3Dx&containerId=a%23b"));
  EXPECT_EQ(build<GetSpaceReq>(std::optional<GetSpaceBean>()).result, -1);
}

TEST(CatalogueRequests, UserListItemsKeepTheirOrderAndLeaveEmptyOnesOut) {
  auto b = [](GetUserListBean bean) { return build<GetUserListReq>(std::optional(std::move(bean))); };
  GetUserListBean bean;
  bean.isDirect = false;
  EXPECT_EQ(b(bean), get("/quillbox/ose/v1/userList", "isDirect=false"));

  bean.deptId = "";
  bean.offset = "";
  bean.keyWord = "";
  bean.limit = "20";
  EXPECT_EQ(b(bean), get("/quillbox/ose/v1/userList", "isDirect=false&limit=20"));

  // Set in reverse: the order on the wire is fixed.
  bean.keyWord = "Wang Li";
  bean.limit = "20";
  bean.offset = "40";
  bean.isDirect = true;
  bean.deptId = "d7";
  {
    test::LogCapture log;
    EXPECT_EQ(b(bean), get("/quillbox/ose/v1/userList", "deptId=d7&isDirect=true&offset=40&limit=20&keyWord=Wang%20Li"));
    EXPECT_THAT(log.lines(), ::testing::Contains(
                                 R"(getParamsStr = ["deptId=d7", "isDirect=true", "offset=40", "limit=20", "keyWord=Wang%20Li"])"));
  }

  // Without the flag there is no query to build.
  bean.isDirect.reset();
  EXPECT_EQ(b(bean).result, -1);
  EXPECT_EQ(build<GetUserListReq>(std::optional<GetUserListBean>()).result, -1);
}

TEST(CatalogueRequests, UserRecordsThePathNeedsMustBePresent) {
  AuthCodeBean noCode;
  AuthCodeBean emptyCode;
  emptyCode.authCode = "";
  EXPECT_EQ(build<UserAuthReq>(std::optional(noCode)).result, -1);
  EXPECT_EQ(build<UserAuthReq>(std::optional<AuthCodeBean>()).result, -1);
  EXPECT_EQ(build<UserAuthReq>(std::optional(emptyCode)),
            (Built{0, "/quillbox/ose/v1/carrier/standard/user/auth", "", R"({"authCode":""})"}));

  GetUserByIdBean user;
  EXPECT_EQ(build<GetUserByIdReq>(std::optional(user)).result, -1);
  user.userId = "";  // would address the user collection
  EXPECT_EQ(build<GetUserByIdReq>(std::optional(user)).result, -1);
  user.userId = "u/1?x";
  EXPECT_EQ(build<GetUserByIdReq>(std::optional(user)), get("/quillbox/ose/v1/users/u%2F1%3Fx", ""));
}

TEST(CatalogueRequests, CarrierRequestsNeedNothing) {
  StandPackageRequest packages;
  StandPackagesOrdersRequest orders;
  EXPECT_EQ(packages.buildParams(), 0);
  EXPECT_EQ(orders.buildParams(), 0);
  EXPECT_EQ((Built{0, packages.url, packages.params, packages.body}),
            get("/quillbox/ose/v1/carrier/standard/packages", ""));
  EXPECT_EQ((Built{0, orders.url, orders.params, orders.body}),
            get("/quillbox/ose/v1/carrier/standard/packages/orders", ""));
}

TEST(CatalogueRequests, FileQueriesLeaveEmptyItemsOutButAlwaysSayRecursive) {
  FilesPathBean path;
  EXPECT_EQ(build<FilesPathRequest>(std::optional(path)), get("/quillbox/ose/v1/files/path", ""));
  path.fileId = "";
  path.containerId = "c1";
  EXPECT_EQ(build<FilesPathRequest>(std::optional(path)), get("/quillbox/ose/v1/files/path", "containerId=c1"));
  path.fileId = "f1";
  EXPECT_EQ(build<FilesPathRequest>(std::optional(path)),
            get("/quillbox/ose/v1/files/path", "fileId=f1&containerId=c1"));
  EXPECT_EQ(build<FilesPathRequest>(std::optional<FilesPathBean>()).result, -1);

  FilesStatsDirBean stats;
  EXPECT_EQ(build<FilesStatsDirRequest>(std::optional(stats)), get("/quillbox/ose/v1/files/statsDir", "recursive=true"));
  stats.fileId = "f=1";
  stats.containerId = "";
  stats.recursive = false;
  EXPECT_EQ(build<FilesStatsDirRequest>(std::optional(stats)),
            get("/quillbox/ose/v1/files/statsDir", "fileId=f%3D1&recursive=false"));
  EXPECT_EQ(build<FilesStatsDirRequest>(std::optional<FilesStatsDirBean>()).result, -1);

  // The recent-files list never fails; an empty image parameter is still sent.
  EXPECT_EQ(build<GetAccessReq>(std::optional<GetAccessFilesBean>()), get("/quillbox/ose/v1/access", ""));
  GetAccessFilesBean access;
  EXPECT_EQ(build<GetAccessReq>(std::optional(access)), get("/quillbox/ose/v1/access", ""));
  access.imageProcess = "";
  EXPECT_EQ(build<GetAccessReq>(std::optional(access)), get("/quillbox/ose/v1/access", "imageProcess="));
}

TEST(CatalogueRequests, FileBodiesCarryTheWholeRecordAndPathValuesToo) {
  FilesListBean list;
  EXPECT_EQ(build<FilesListRequest>(std::optional(list)).result, -1);  // no listing kind
  list.type = "recent";
  EXPECT_EQ(build<FilesListRequest>(std::optional(list)),
            (Built{0, "/quillbox/ose/v1/files/recent", "", R"({"type":"recent","hidden":false})"}));

  GetFileDetailBean detail;
  EXPECT_EQ(build<GetFileDetailRequest>(std::optional(detail)).result, -1);
  detail.fileId = "";
  EXPECT_EQ(build<GetFileDetailRequest>(std::optional(detail)).result, -1);
  detail.fileId = "f 1";
  EXPECT_EQ(build<GetFileDetailRequest>(std::optional(detail)),
            (Built{0, "/quillbox/ose/v1/files/f%201/detail", "", R"({"fileId":"f 1"})"}));

  FilesRenameBean rename;
  rename.name = "b.txt";
  EXPECT_EQ(build<FileRenameRequest>(std::optional(rename)).result, -1);
  rename.fileId = ".";
  EXPECT_EQ(build<FileRenameRequest>(std::optional(rename)),
            (Built{0, "/quillbox/ose/v1/files/rename/%2E", "", R"({"fileId":".","name":"b.txt","renameMode":2})"}));

  // The rest need only a record.
  EXPECT_EQ(build<FilesCreateRequest>(std::optional(FilesCreateBean{})),
            (Built{0, "/quillbox/ose/v1/files/create", "", R"({"length":0,"uploadType":1,"autoRename":2,"hidden":false})"}));
  EXPECT_EQ(build<FileCompleteRequest>(std::optional(FilesCompleteBean{})),
            (Built{0, "/quillbox/ose/v1/files/complete", "", "{}"}));
  EXPECT_EQ(build<FileSearchRequest>(std::optional<FilesSearchBean>()).result, -1);
  EXPECT_EQ(build<GetDownloadUrlRequest>(std::optional<GetDownloadUrlBean>()).result, -1);
  EXPECT_EQ(build<CreateDirectoryRequest>(std::optional<CreateDirectoryBean>()).result, -1);
  EXPECT_EQ(build<FilesCreateRequest>(std::optional<FilesCreateBean>()).result, -1);
  EXPECT_EQ(build<GetUploadUrlRequest>(std::optional<GetUploadUrlBean>()).result, -1);
  EXPECT_EQ(build<FileCompleteRequest>(std::optional<FilesCompleteBean>()).result, -1);
}

TEST(CatalogueRequests, ShareListQuerySkipsZeroesEmptiesAndAbsentSortCodes) {
  auto b = [](GetShareBean bean) { return build<GetShareRequest>(std::optional(std::move(bean))); };
  EXPECT_EQ(b(GetShareBean(0, std::nullopt, 0, 0, std::nullopt, std::nullopt)), get("/quillbox/ose/v1/share", ""));
  EXPECT_EQ(b(GetShareBean(0, "", 0, 0, "", "")), get("/quillbox/ose/v1/share", ""));
  EXPECT_EQ(b(GetShareBean(0, std::nullopt, 0, 0, "a.txt", std::nullopt)),
            get("/quillbox/ose/v1/share", "displayName=a.txt"));
  EXPECT_EQ(b(GetShareBean(20, "c2", 1, 2, "a b", "resize,w_1")),
            get("/quillbox/ose/v1/share",
                "pageSize=20&pageCursor=c2&sortType=1&sortDirection=2&displayName=a%20b&imageProcess=resize%2Cw_1"));
  // An absent sort code is left out like a zero one.
  EXPECT_EQ(b(GetShareBean(10, std::nullopt, std::nullopt, 2, std::nullopt, std::nullopt)),
            get("/quillbox/ose/v1/share", "pageSize=10&sortDirection=2"));
  EXPECT_EQ(b(GetShareBean(10, std::nullopt, -1, std::nullopt, std::nullopt, std::nullopt)),
            get("/quillbox/ose/v1/share", "pageSize=10&sortType=-1"));
  EXPECT_EQ(build<GetShareRequest>(std::optional<GetShareBean>()).result, -1);
}

TEST(CatalogueRequests, ShareRecordsThePathOrTheServerNeedsMustBePresent) {
  EXPECT_EQ(build<CancelShareRequest>(std::optional(CancelShareBean{})).result, -1);
  EXPECT_EQ(build<CancelShareRequest>(std::optional(CancelShareBean(std::vector<std::string>{}))),
            (Built{0, "/quillbox/ose/v1/share/cancel", "", R"({"shareIds":[]})"}));

  EXPECT_EQ(build<GetShareDetailRequest>(std::optional(GetShareDetailBean{})).result, -1);
  EXPECT_EQ(build<GetShareDetailRequest>(std::optional(GetShareDetailBean(""))).result, -1);
  EXPECT_EQ(build<GetShareDetailRequest>(std::optional(GetShareDetailBean("s1"))), get("/quillbox/ose/v1/share/s1", ""));

  ModifyShareDetailBean modify;
  modify.comment = "c";
  EXPECT_EQ(build<ModifyShareDetailRequest>(std::optional(modify)).result, -1);
  modify.shareId = "s1";
  EXPECT_EQ(build<ModifyShareDetailRequest>(std::optional(modify)),
            (Built{0, "/quillbox/ose/v1/share/s1", "", R"({"shareId":"s1","comment":"c"})"}));

  EXPECT_EQ(build<CreateShareRequest>(std::optional<CreateShareBean>()).result, -1);
  EXPECT_EQ(build<GetShareFilesRequest>(std::optional<GetShareFilesBean>()).result, -1);
  EXPECT_EQ(build<GetShareFilesRequest>(std::optional(GetShareFilesBean{})),
            (Built{0, "/quillbox/ose/v1/share/files", "", R"({"pageSize":100})"}));
}

}  // namespace
}  // namespace quillbox
