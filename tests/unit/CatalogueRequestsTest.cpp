// Request classes of the user, file and share services, built directly: the
// path, query and body they produce from empty and zero values.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "services/file/FileOperations.hpp"
#include "services/share/ShareOperations.hpp"
#include "services/user/UserOperations.hpp"
#include "support/Callbacks.hpp"

namespace quillbox {
namespace {

template <const auto& Op>
using Req = services::OperationRequest<Op>;
using GetSpaceReq = Req<services::user::getSpace>;
using GetUserListReq = Req<services::user::getUserList>;
using UserAuthReq = Req<services::user::getToken>;
using GetUserByIdReq = Req<services::user::getUserById>;
using FilesPathRequest = Req<services::file::filesPath>;
using FilesStatsDirRequest = Req<services::file::filesStatsDir>;
using GetAccessReq = Req<services::file::getAccessFiles>;
using GetFileDetailRequest = Req<services::file::getFileDetail>;
using FileRenameRequest = Req<services::file::fileRename>;
using FileCompleteRequest = Req<services::file::fileComplete>;
using GetShareDetailRequest = Req<services::share::getShareDetail>;
using GetShareRequest = Req<services::share::getShares>;

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

template <class Req, class Bean>
Built b(Bean bean) {
  return build<Req>(std::optional<Bean>(std::move(bean)));
}

GetSpaceBean space(std::optional<std::string> type, std::optional<std::string> owner,
                   std::optional<std::string> container) {
  return GetSpaceBean(std::move(type), std::move(owner), std::move(container));
}

// What the services' end-to-end tests leave out: empty and zero values, empty
// identifiers, and items whose place on the wire is fixed.
TEST(CatalogueRequests, EmptyAndZeroValuesAndEmptyIdentifiers) {
  GetUserListBean users;
  users.isDirect = false;
  GetUserListBean emptyItems = users;
  emptyItems.deptId = "";
  emptyItems.offset = "";
  emptyItems.keyWord = "";
  emptyItems.limit = "20";
  AuthCodeBean emptyCode;
  emptyCode.authCode = "";
  GetUserByIdBean emptyUser;
  emptyUser.userId = "";  // would address the user collection
  FilesPathBean pathContainerOnly;
  pathContainerOnly.fileId = "";
  pathContainerOnly.containerId = "c1";
  FilesStatsDirBean stats;
  stats.fileId = "f=1";
  stats.containerId = "";
  stats.recursive = false;
  GetAccessFilesBean emptyImage;
  emptyImage.imageProcess = "";
  GetFileDetailBean emptyDetail;
  emptyDetail.fileId = "";
  FilesRenameBean dotRename;
  dotRename.fileId = ".";
  dotRename.name = "b.txt";

  const std::vector<std::pair<Built, Built>> cases = {
      // An empty container is still sent, an absent one is not; "type=" always is.
      {b<GetSpaceReq>(space("1", "o1", "")), get("/quillbox/ose/v1/space/o1", "type=1&containerId=")},
      {b<GetSpaceReq>(space(std::nullopt, "o1", "c 1")), get("/quillbox/ose/v1/space/o1", "type=&containerId=c%201")},
      {b<GetUserListReq>(users), get("/quillbox/ose/v1/userList", "isDirect=false")},
      {b<GetUserListReq>(emptyItems), get("/quillbox/ose/v1/userList", "isDirect=false&limit=20")},
      {b<UserAuthReq>(emptyCode), Built{0, "/quillbox/ose/v1/carrier/standard/user/auth", "", R"({"authCode":""})"}},
      {b<GetUserByIdReq>(emptyUser), Built{-1, std::nullopt, std::nullopt, std::nullopt}},
      {b<FilesPathRequest>(FilesPathBean{}), get("/quillbox/ose/v1/files/path", "")},
      {b<FilesPathRequest>(pathContainerOnly), get("/quillbox/ose/v1/files/path", "containerId=c1")},
      {b<FilesStatsDirRequest>(FilesStatsDirBean{}), get("/quillbox/ose/v1/files/statsDir", "recursive=true")},
      {b<FilesStatsDirRequest>(stats), get("/quillbox/ose/v1/files/statsDir", "fileId=f%3D1&recursive=false")},
      {b<GetAccessReq>(GetAccessFilesBean{}), get("/quillbox/ose/v1/access", "")},
      {b<GetAccessReq>(emptyImage), get("/quillbox/ose/v1/access", "imageProcess=")},
      {b<GetFileDetailRequest>(emptyDetail), Built{-1, std::nullopt, std::nullopt, std::nullopt}},
      {b<FileRenameRequest>(dotRename),
       Built{0, "/quillbox/ose/v1/files/rename/%2E", "", R"({"fileId":".","name":"b.txt","renameMode":2})"}},
      {b<FileCompleteRequest>(FilesCompleteBean{}), Built{0, "/quillbox/ose/v1/files/complete", "", "{}"}},
      {b<GetShareDetailRequest>(GetShareDetailBean("")), Built{-1, std::nullopt, std::nullopt, std::nullopt}},
      // The share list leaves out zeros, empty texts and absent sort codes.
      {b<GetShareRequest>(GetShareBean(0, "", 0, 0, "", "")), get("/quillbox/ose/v1/share", "")},
      {b<GetShareRequest>(GetShareBean(0, std::nullopt, 0, 0, "a.txt", std::nullopt)),
       get("/quillbox/ose/v1/share", "displayName=a.txt")},
      {b<GetShareRequest>(GetShareBean(20, "c2", 1, 2, "a b", "resize,w_1")),
       get("/quillbox/ose/v1/share",
           "pageSize=20&pageCursor=c2&sortType=1&sortDirection=2&displayName=a%20b&imageProcess=resize%2Cw_1")},
      {b<GetShareRequest>(GetShareBean(10, std::nullopt, std::nullopt, 2, std::nullopt, std::nullopt)),
       get("/quillbox/ose/v1/share", "pageSize=10&sortDirection=2")},
      {b<GetShareRequest>(GetShareBean(10, std::nullopt, -1, std::nullopt, std::nullopt, std::nullopt)),
       get("/quillbox/ose/v1/share", "pageSize=10&sortType=-1")},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
}

TEST(CatalogueRequests, UserListItemsKeepTheirOrderAndAreLogged) {
  GetUserListBean bean;
  // Set in reverse: the order on the wire is fixed.
  bean.keyWord = "Wang Li";
  bean.limit = "20";
  bean.offset = "40";
  bean.isDirect = true;
  bean.deptId = "d7";
  test::LogCapture log;
  EXPECT_EQ(b<GetUserListReq>(bean),
            get("/quillbox/ose/v1/userList", "deptId=d7&isDirect=true&offset=40&limit=20&keyWord=Wang%20Li"));
  EXPECT_THAT(log.lines(), ::testing::Contains(R"(getParamsStr = ["deptId=d7", "isDirect=true", "offset=40", )"
                                               R"("limit=20", "keyWord=Wang%20Li"])"));
}

}  // namespace
}  // namespace quillbox
