// The records of the user, carrier, file and share services: every answer
// decodes with its nested records, and the decoding rules that trip real
// callers hold.

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quillbox/request/Json.hpp"
#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/share/ShareRecords.hpp"
#include "quillbox/services/user/UserRecords.hpp"

namespace quillbox {
namespace {

namespace bj = boost::json;

// ---- answers with every key and every nested record filled -------------------

constexpr std::string_view kUserAuth = R"({"code":0,"msg":"ok","httpCode":200,"accessToken":"tok-1","innerUserId":42,
  "data":{"carrierUserId":"cu1","carrierUserName":"Lin","carrierUserGrade":"gold","carrierUserStatus":"active",
          "carrierMobile":"13800000000","carrierPayType":"prepaid"}})";

constexpr std::string_view kSpace = R"({"code":0,"msg":"ok","httpCode":200,
  "data":{"tenantId":"t1","creator":"c1","createTime":"2024-01-01","modifier":"m1","updateTime":"2024-02-01",
          "ownerId":"o1","type":1,"status":2,"capacity":1099511627776,"spaceUsed":5368709120,"containerId":"ct1",
          "rootFileId":"r1","bizRootFileId":"br1","bizSboxFileId":"bs1"}})";

constexpr std::string_view kUserById = R"({"code":0,"msg":"ok","httpCode":200,
  "data":{"id":9007199254740993,"name":"Wang","userId":"u1","deptId":77,"deptName":"R&D","mobile":"139",
          "role":3,"status":1}})";

constexpr std::string_view kUserList = R"({"code":0,"msg":"ok","httpCode":200,"total":2,
  "list":[{"id":1,"name":"A","userId":"ua","deptId":10,"deptName":"D","mobile":"1","role":1,"status":1},
          {"id":2,"name":"B","userId":"ub"}]})";

constexpr std::string_view kDevices = R"({"code":0,"msg":"ok","httpCode":200,
  "data":[{"machineCode":"mc","deviceName":"phone","deviceOS":"os","deviceId":5,"createTime":"2024-03-01"}]})";

constexpr std::string_view kPackages = R"({"code":0,"msg":"ok","httpCode":200,
  "data":[{"packageId":"p1","name":"Basic","type":1,"capacity":100,"status":1,"price":"9.90",
           "promotionPrice":"4.90","countryCode":"CN","currencyCode":"CNY"}]})";

constexpr std::string_view kOrders = R"({"code":0,"msg":"ok","httpCode":200,
  "data":[{"activateTime":"2024-01-01","endTime":"2025-01-01","packageId":"p1","name":"Basic","type":1,
           "capacity":100,"status":1,"price":"9.90","countryCode":"CN","currencyCode":"CNY"}]})";

constexpr std::string_view kOrderInfo = R"({"name":"Basic","type":1,"capacity":100,"status":1,"price":9.5,
  "promotionPrice":4.25,"countryCode":"CN","currencyCode":"CNY","activateTime":"a","endTime":"e","packageId":"p1"})";

constexpr std::string_view kShares = R"({"code":0,"msg":"ok","httpCode":200,"nextCursor":"c2",
  "shareLinks":[{"shareId":"s1","shortUrl":"su","linkUrl":"https://l/s1","comment":"hi","expireTime":"2025-01-01",
    "shareTime":"2024-01-01","scope":1,"displayName":"a.txt","status":0,"viewCnt":5,"downloadCnt":2,"saveCnt":1,
    "containerId":"ct","containerName":"My",
    "files":[{"id":"f1","fileName":"a.txt","fileType":"file","size":12,"parentFolder":["root"],"fileSuffix":"txt",
              "containers":["ct"],"downloadLinks":[{"usage":"content","downloadLink":"https://d/f1","version":3}],
              "mimeType":"text/plain","recycled":false}]}]})";

constexpr std::string_view kCreateShare = R"({"code":0,"msg":"ok","httpCode":200,
  "shareLink":{"shareId":"s1","shortUrl":"su","linkUrl":"https://l/s1","comment":"c","expireTime":"e",
               "extractCode":"ab12"}})";

constexpr std::string_view kCancelShare = R"({"code":0,"msg":"ok","httpCode":200,
  "subResponseList":[{"shareId":"s1","code":0,"msg":"ok"},{"shareId":"s2","code":404,"msg":"not found"}]})";

constexpr std::string_view kShareDetail = R"({"code":0,"msg":"ok","httpCode":200,
  "shareLink":{"shareId":"s1","shortUrl":"su","linkUrl":"l","comment":"c","expireTime":"e","shareTime":"t",
    "scope":2,"depts":[{"id":"d1","name":"Dept"}],"groups":[{"id":"g1","name":"Group"}],
    "users":[{"id":"u1","name":"User"}],"displayName":"dn","permission":{"preview":true,"edit":false,"download":true},
    "extractCode":"x","status":1}})";

constexpr std::string_view kModifyShare = R"({"code":0,"msg":"ok","httpCode":200,
  "shareLink":{"shareId":"s1","shortUrl":"su","linkUrl":"l","comment":"c","expireTime":"e","extractCode":"x",
    "createTime":"ct","updateTime":"ut","shareTime":"st","scope":1,"displayName":"dn","status":0,"viewCnt":1,
    "downloadCnt":2,"saveCnt":3}})";

constexpr std::string_view kShareFiles = R"({"code":0,"msg":"ok","httpCode":200,"nextCursor":"n",
  "files":[{"id":"f1","fileName":"a","fileType":"file","size":1,"parentFolder":["p"],"fileSuffix":"txt",
            "containers":["c"],"downloadLinks":[{"usage":"u","downloadLink":"d","version":1}],"editedTime":"et"}],
  "link":{"shareId":"s1","shortUrl":"su","shareTime":"st","ownerId":"o","ownerName":"On","permission":"WRITE",
          "expireTime":"e","status":1,"expireDate":"ed"}})";

constexpr std::string_view kShareWithMe = R"({"shareId":"s","shortUrl":"su","linkUrl":"l","comment":"c",
  "expireTime":"e","shareTime":"st","ownerId":"o","ownerName":"On","displayName":"dn",
  "files":[{"id":"f","size":3,"mimeType":"image/png","recycled":true}],"permission":{"preview":true},"status":1,
  "containerId":"c","downloadCnt":1,"saveCnt":2,"scope":3,"updateTime":"ut","viewCnt":4})";

constexpr std::string_view kShareWithMeDetail = R"({"shareId":"s","shortUrl":"su","linkUrl":"l","comment":"c",
  "expireTime":"e","shareTime":"st","ownerId":"o","ownerName":"On","displayName":"dn","permission":{"edit":true},
  "status":1})";

constexpr std::string_view kFilesList = R"({"code":0,"msg":"ok","httpCode":200,"category":"all","nextCursor":"n",
  "searchCompleted":true,
  "files":[{"id":"f1","fileName":"a.jpg","fileType":"file","mimeType":"image/jpeg","favorite":true,"recycled":false,
    "parentFolder":["root"],"properties":{"k":"v"},
    "owners":[{"category":"user","me":true,"permissionId":"pm","userId":"u1","displayName":"Me"}],
    "lastEditor":{"userId":"u2"},"fileSuffix":"jpg",
    "downloadLinks":[{"usage":"content","downloadLink":"https://d/f1","version":2}],"sha256":"ab",
    "userCapabilities":{"addChildNodePermission":false,"copyPermission":true,"deletePermission":true,
      "downloadPermission":true,"editPermission":true,"listChildNodePermission":false,
      "removeChildNodePermission":false,"renameFilePermission":true,"shareFilePermission":true,
      "uploadPermission":false,"viewPermission":true},
    "idPath":"/root/f1","recycledTime":"rt","containers":["ct"],"createdTime":"c","editedTime":"e","hidden":false,
    "directlyRecycled":false,
    "attachments":[{"usage":"thumbnail","hash":"h","sha256":"s",
      "asset":{"mimeType":"image/jpeg","resource":{"object":{"id":"o1","start":0,
        "downloadUrl":{"url":"https://d/o1","method":"GET"},
        "images":[{"process":"resize","downloadUrl":{"url":"https://d/o1/s","method":"GET"}}]}}}}],
    "userProperties":{"attributes":{"n":1,"list":[1,"x",null],"obj":{"deep":true}},"properties":{"p":"q"}},
    "size":4096}]})";

constexpr std::string_view kFileSearch = R"({"code":0,"msg":"ok","httpCode":200,"total":1,"nextPageCursor":"np",
  "files":[{"id":"f1","fileName":"a.mp4","fileType":"file","mimeType":"video/mp4","favorite":false,
    "recycled":false,"parentFolder":["root"],"properties":{"k":"v"},"owners":[{"userId":"u1","me":false}],
    "lastEditor":{"displayName":"Ed"},"fileSuffix":"mp4","downloadLinks":[{"downloadLink":"https://d/f1"}],
    "sha256":"ab","userCapabilities":{"viewPermission":true},"idPath":"/root/f1",
    "updateTime":"ut","namePath":"/My/a.mp4","teamName":"tn","teamId":"ti","containerId":"ct",
    "containerType":"personal","owner":"Wang","createdTime":"c","editedTime":"e","ownerId":"u1","size":"1048576",
    "attachments":[{"usage":"content","hash":"h","sha256":"s","assetId":"a1","length":1048576,"versionId":"v1",
      "mimeType":"video/mp4","createdTime":"c","modifiedTime":"m","attributes":{"duration":12.5,"codec":"h264"},
      "asset":{"id":"a1","versionId":"v1","version":3,"mimeType":"video/mp4","keepPolicy":1,"state":2,
        "createdTime":"c","modifiedTime":"m","lastModifyingUser":"u1","attributes":{"x":[true]},"properties":{"a":"b"},
        "cipher":{"algorithm":"AES","hfek":"hk","iv":"iv0","dataType":1,
                  "keychains":[{"id":"k1","type":1,"algorithm":"RSA","ekey":"ek"}]},
        "resource":{"id":"r1","hash":"h","length":1048576,"sha256":"s","type":1,"state":0,"sliceSize":524288,
          "hfek":"hk","iv":"iv1","createdTime":"c","modifiedTime":"m","attributes":"eyJlbmMiOiJhZXMifQ==",
          "properties":{"r":"s"},
          "object":{"id":"o1","number":1,"start":0,"sha256":"s","length":524288,"bucket":"b","createdTime":"c",
            "modifiedTime":"m","uploadUrl":{"url":"https://u/o1","method":"PUT","partId":"p1",
              "headers":{"x-h":"1"},"forms":{"f":"2"}},
            "downloadUrl":{"url":"https://d/o1","method":"GET"},"uploadId":"up1",
            "attributes":{"s":"x","n":3,"b":true,"d":1.5},"properties":{"o":"p"},
            "images":[{"process":"poster","downloadUrl":{"url":"https://d/poster"}}]}}}}],
    "userProperties":{"properties":{"tag":"work"}}}]})";

constexpr std::string_view kFilesPath = R"({"code":0,"msg":"ok","httpCode":200,"fileIdPath":"/r/a",
  "namePath":"/root/a"})";

constexpr std::string_view kStatsDir = R"({"code":0,"msg":"ok","httpCode":200,
  "data":{"totalSize":"1024","subDirCount":"2","subFileCount":"3"}})";

constexpr std::string_view kFileDetail = R"({"code":0,"msg":"ok","httpCode":200,"id":"f1","fileName":"a.pdf",
  "fileType":"file","mimeType":"application/pdf","recycled":false,"parentFolder":["root"],"properties":{"k":"v"},
  "containers":["ct"],"createdTime":"c","editedTime":"e","owners":[{"userId":"u1"}],"lastEditor":{"userId":"u2"},
  "fileSuffix":"pdf","size":2048,"sha256":"ab","downloadLinks":[{"usage":"content","downloadLink":"d","version":1}],
  "userCapabilities":{"downloadPermission":true,"editPermission":false},
  "attachments":[{"usage":"content","hash":"h","sha256":"s",
    "asset":{"id":"a1","versionId":"v1","version":2,"mimeType":"application/pdf","state":1,"createdTime":"c",
      "modifiedTime":"m","attributes":"eyJ3IjoxMH0=",
      "resource":{"id":"r1","length":2048,"sha256":"s",
        "object":{"id":"o1","start":0,"downloadUrl":{"url":"https://d/o1","method":"GET"},
          "images":[{"process":"page1","downloadUrl":{"url":"https://d/o1/p1"}}]}}}}]})";

constexpr std::string_view kAccess = R"({"code":0,"msg":"ok","httpCode":200,
  "list":[{"operateTime":"ot","operateType":1,"status":0,
    "file":{"id":"f1","containerId":"ct","containerName":"My","containerType":1,"teamId":"t","name":"a.doc",
      "collaborator":"Li","collaboratorId":"u9","collaborateTime":"ct","collaborateType":2,"fileType":"file",
      "favorite":true,"fileSuffix":"doc","mimeType":"application/msword",
      "downloadLinks":[{"usage":"content","downloadLink":"d","version":1}],
      "userCapabilities":{"viewPermission":true,"shareFilePermission":false}}}]})";

constexpr std::string_view kDownloadUrl = R"({"code":0,"msg":"ok","httpCode":200,"batchCode":7,
  "downloads":[{"fileId":"f1","fileName":"a","url":"https://d/f1","code":"0","msg":"ok"},
               {"fileId":"f2","fileName":"b","code":"404","msg":"gone"}]})";

constexpr std::string_view kCreateDirectory = R"({"code":0,"msg":"ok","httpCode":200,"id":"d1",
  "fileName":"New folder","mimeType":"application/x-directory"})";

constexpr std::string_view kFilesCreate = R"({"code":0,"msg":"ok","httpCode":200,"fileId":"f1",
  "rapidUpload":false,"containerId":"ct","fileName":"a.bin","uploadId":"up1","parentFolder":["root"],
  "exist":false,"matchedPreHash":false,
  "multiParts":[{"partNumber":1,"partSize":5242880,"partOffset":0,"hashCtx":[0,4294967295],
                 "uploadUrl":"https://u/1","partId":"p1"},
                {"partNumber":2,"partSize":100,"partOffset":5242880,"uploadUrl":"https://u/2","partId":"p2"}]})";

constexpr std::string_view kUploadUrl = R"({"code":0,"msg":"ok","httpCode":200,
  "multiParts":[{"partNumber":2,"partSize":100,"partOffset":5242880,"uploadUrl":"https://u/2b"}]})";

constexpr std::string_view kFileIdInfo = R"({"fileId":"f1","containerId":"ct"})";

// ---- helpers -----------------------------------------------------------------------

template <class T>
T decoded(std::string_view text) {
  JsonResult<T> r = fromJson<T>(text);
  if (!r.ok()) {
    ADD_FAILURE() << "did not decode: " << r.error().description() << "\n" << text;
    return T{};
  }
  return std::move(r).value();
}

/// Decodes `text` as T and encodes the record again.
template <class T>
std::optional<std::string> reencoded(std::string_view text) {
  JsonResult<T> r = fromJson<T>(text);
  if (!r.ok()) return std::nullopt;
  return toJson(r.value());
}

template <class T>
std::optional<JsonError> failureOf(std::string_view text) {
  JsonResult<T> r = fromJson<T>(text);
  if (r.ok()) return std::nullopt;
  return r.error();
}

bj::value parsed(std::string_view text) { return bj::parse(bj::string_view(text.data(), text.size())); }

// ---- every answer ------------------------------------------------------------------

TEST(CatalogueRecords, EveryAnswerDecodesAndEncodesBackToTheSameDocument) {
  // A key missing from a record's declaration would be dropped on the way
  // through; a wrong type or a wrong nested record would fail the decode.
  struct Case {
    const char* record;
    std::function<std::optional<std::string>(std::string_view)> roundTrip;
    std::string_view text;
  };
  const std::vector<Case> cases = {
      {"UserAuthResp", reencoded<UserAuthResp>, kUserAuth},
      {"GetSpaceResp", reencoded<GetSpaceResp>, kSpace},
      {"GetUsersByIdResponse", reencoded<GetUsersByIdResponse>, kUserById},
      {"GetuserListResponse", reencoded<GetuserListResponse>, kUserList},
      {"GetDevicesResponse", reencoded<GetDevicesResponse>, kDevices},
      {"GetstandPackagesResponse", reencoded<GetstandPackagesResponse>, kPackages},
      {"GetStandPackagesOrdersResponse", reencoded<GetStandPackagesOrdersResponse>, kOrders},
      {"OrderInfo", reencoded<OrderInfo>, kOrderInfo},
      {"GetShareResponse", reencoded<GetShareResponse>, kShares},
      {"CreateShareResponse", reencoded<CreateShareResponse>, kCreateShare},
      {"CancelShareResponse", reencoded<CancelShareResponse>, kCancelShare},
      {"GetShareDetailResponse", reencoded<GetShareDetailResponse>, kShareDetail},
      {"ModifyShareDetailResponse", reencoded<ModifyShareDetailResponse>, kModifyShare},
      {"GetShareFilesResponse", reencoded<GetShareFilesResponse>, kShareFiles},
      {"ShareWithMeLink", reencoded<ShareWithMeLink>, kShareWithMe},
      {"ShareWithMeLinkDetail", reencoded<ShareWithMeLinkDetail>, kShareWithMeDetail},
      {"FilesListResponse", reencoded<FilesListResponse>, kFilesList},
      {"FileSearchResponse", reencoded<FileSearchResponse>, kFileSearch},
      {"FilesPathResponse", reencoded<FilesPathResponse>, kFilesPath},
      {"FilesStatsDirResponse", reencoded<FilesStatsDirResponse>, kStatsDir},
      {"GetFileDetailResponse", reencoded<GetFileDetailResponse>, kFileDetail},
      {"GetAccessResponse", reencoded<GetAccessResponse>, kAccess},
      {"GetDownloadUrlResponse", reencoded<GetDownloadUrlResponse>, kDownloadUrl},
      {"CreateDirectoryResponse", reencoded<CreateDirectoryResponse>, kCreateDirectory},
      {"FilesCreateResponse", reencoded<FilesCreateResponse>, kFilesCreate},
      {"GetUploadUrlResponse", reencoded<GetUploadUrlResponse>, kUploadUrl},
      {"FileIdInfo", reencoded<FileIdInfo>, kFileIdInfo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    std::optional<std::string> again = c.roundTrip(c.text);
    ASSERT_TRUE(again.has_value()) << "did not decode";
    EXPECT_EQ(parsed(*again), parsed(c.text)) << *again;
  }
}

TEST(CatalogueRecords, UserAndCarrierAnswersLandInTheirFields) {
  EXPECT_EQ(decoded<UserAuthResp>(kUserAuth),
            UserAuthResp(0, "ok", 200, "tok-1", 42,
                         OrgUserInfo("cu1", "Lin", "gold", "active", "13800000000", "prepaid")));

  EXPECT_EQ(decoded<GetSpaceResp>(kSpace),
            GetSpaceResp(SpaceInfo("t1", "c1", "2024-01-01", "m1", "2024-02-01", "o1", 1, 2, 1099511627776,
                                   5368709120, "ct1", "r1", "br1", "bs1"),
                         0, "ok", 200));

  // Integers beyond 2^53 keep every digit.
  const GetUsersByIdResponse byId = decoded<GetUsersByIdResponse>(kUserById);
  ASSERT_TRUE(byId.data.has_value());
  EXPECT_EQ(byId.data->id, std::int64_t{9007199254740993});
  EXPECT_EQ(byId.data->deptId, 77);
  EXPECT_EQ(byId.data->deptName, "R&D");

  const GetuserListResponse list = decoded<GetuserListResponse>(kUserList);
  EXPECT_EQ(list.total, 2);
  ASSERT_TRUE(list.list.has_value());
  ASSERT_EQ(list.list->size(), 2u);
  EXPECT_EQ((*list.list)[0].role, 1);
  EXPECT_EQ((*list.list)[1].userId, "ub");
  EXPECT_FALSE((*list.list)[1].deptId.has_value());
  EXPECT_EQ(static_cast<const BaseResponse&>(list), BaseResponse(0, "ok", 200));

  const GetDevicesResponse devices = decoded<GetDevicesResponse>(kDevices);
  ASSERT_TRUE(devices.data.has_value());
  ASSERT_EQ(devices.data->size(), 1u);
  EXPECT_EQ((*devices.data)[0].deviceId, 5);
  EXPECT_EQ((*devices.data)[0].createTime, "2024-03-01");
  EXPECT_EQ((*devices.data)[0].deviceOS, "os");

  const GetstandPackagesResponse packages = decoded<GetstandPackagesResponse>(kPackages);
  ASSERT_TRUE(packages.data.has_value());
  EXPECT_EQ(*packages.data, std::vector<DrivePackageInfo>{DrivePackageInfo("p1", "Basic", 1, 100, 1, "9.90", "4.90",
                                                                           "CN", "CNY")});

  const GetStandPackagesOrdersResponse orders = decoded<GetStandPackagesOrdersResponse>(kOrders);
  ASSERT_TRUE(orders.data.has_value());
  EXPECT_EQ(*orders.data, std::vector<OrderedPackageInfo>{OrderedPackageInfo(
                              "2024-01-01", "2025-01-01", "p1", "Basic", 1, 100, 1, "9.90", "CN", "CNY")});

  EXPECT_EQ(decoded<OrderInfo>(kOrderInfo), OrderInfo("Basic", 1, 100, 1, 9.5f, 4.25f, "CN", "CNY", "a", "e", "p1"));
}

TEST(CatalogueRecords, ShareAnswersLandInTheirFields) {
  const GetShareResponse shares = decoded<GetShareResponse>(kShares);
  EXPECT_EQ(shares.nextCursor, "c2");
  ASSERT_TRUE(shares.shareLinks.has_value());
  ASSERT_EQ(shares.shareLinks->size(), 1u);
  const ShareByMeLink& mine = (*shares.shareLinks)[0];
  EXPECT_EQ(static_cast<const BaseShareLink&>(mine), BaseShareLink("s1", "su", "https://l/s1", "hi", "2025-01-01"));
  EXPECT_EQ(mine.viewCnt, 5);
  EXPECT_EQ(mine.downloadCnt, 2);
  EXPECT_EQ(mine.saveCnt, 1);
  EXPECT_EQ(mine.containerName, "My");
  ASSERT_TRUE(mine.files.has_value());
  DownloadLink link;
  link.usage = "content";
  link.downloadLink = "https://d/f1";
  link.version = 3;
  ShareFileInfo file("f1", "a.txt", "file", 12, std::vector<std::string>{"root"}, "txt",
                     std::vector<std::string>{"ct"}, std::vector<DownloadLink>{link});
  file.mimeType = "text/plain";
  file.recycled = false;
  EXPECT_EQ(*mine.files, std::vector<ShareFileInfo>{file});

  const CreateShareResponse created = decoded<CreateShareResponse>(kCreateShare);
  ShareLink expectedLink("s1", "su", "https://l/s1", "c", "e");
  expectedLink.extractCode = "ab12";
  EXPECT_EQ(created.shareLink, expectedLink);

  EXPECT_EQ(decoded<CancelShareResponse>(kCancelShare).subResponseList,
            (std::vector<ShareSubResponse>{ShareSubResponse("s1", 0, "ok"), ShareSubResponse("s2", 404, "not found")}));

  const GetShareDetailResponse detail = decoded<GetShareDetailResponse>(kShareDetail);
  ASSERT_TRUE(detail.shareLink.has_value());
  EXPECT_EQ(detail.shareLink->permission, SharePermission(true, false, true));
  EXPECT_EQ(detail.shareLink->users, std::vector<BaseUserInfo>{BaseUserInfo("u1", "User")});
  ASSERT_TRUE(detail.shareLink->depts.has_value());
  EXPECT_EQ((*detail.shareLink->depts)[0].name, "Dept");
  ASSERT_TRUE(detail.shareLink->groups.has_value());
  EXPECT_EQ((*detail.shareLink->groups)[0].id, "g1");
  EXPECT_EQ(detail.shareLink->scope, 2);

  const ModifyShareDetailResponse modified = decoded<ModifyShareDetailResponse>(kModifyShare);
  ASSERT_TRUE(modified.shareLink.has_value());
  EXPECT_EQ(modified.shareLink->createTime, "ct");
  EXPECT_EQ(modified.shareLink->updateTime, "ut");
  EXPECT_EQ(modified.shareLink->saveCnt, 3);

  const GetShareFilesResponse visited = decoded<GetShareFilesResponse>(kShareFiles);
  EXPECT_EQ(visited.link, CommonShareLink("s1", "su", "st", "o", "On", CommonShareLink::SharePermission::write, "e",
                                          1, "ed"));
  ASSERT_TRUE(visited.files.has_value());
  ASSERT_EQ(visited.files->size(), 1u);
  EXPECT_EQ((*visited.files)[0].editedTime, "et");
  EXPECT_EQ((*visited.files)[0].size, 1);
}

TEST(CatalogueRecords, FileAnswersLandInTheirFields) {
  const FilesListResponse listing = decoded<FilesListResponse>(kFilesList);
  EXPECT_EQ(listing.searchCompleted, true);
  ASSERT_TRUE(listing.files.has_value());
  ASSERT_EQ(listing.files->size(), 1u);
  const FileListMetadata& entry = (*listing.files)[0];
  EXPECT_EQ(entry.size, 4096);
  EXPECT_EQ(entry.idPath, "/root/f1");
  ASSERT_TRUE(entry.owners.has_value());
  EXPECT_EQ(entry.owners->at(0), User("user", true, "pm", "u1", "Me"));
  ASSERT_TRUE(entry.attachments.has_value());
  ASSERT_TRUE(entry.attachments->at(0).asset.has_value());
  ASSERT_TRUE(entry.attachments->at(0).asset->resource.has_value());

  const FileSearchResponse search = decoded<FileSearchResponse>(kFileSearch);
  EXPECT_EQ(search.total, 1);
  EXPECT_EQ(search.nextPageCursor, "np");
  ASSERT_TRUE(search.files.has_value());
  const FileBean& hit = search.files->at(0);
  EXPECT_EQ(hit.size, "1048576");
  EXPECT_EQ(hit.owner, "Wang");
  EXPECT_EQ(hit.sha256, "ab");
  ASSERT_TRUE(hit.attachments.has_value());
  ASSERT_TRUE(hit.attachments->at(0).asset.has_value());
  EXPECT_EQ(hit.attachments->at(0).asset->version, 3);

  EXPECT_EQ(decoded<FilesPathResponse>(kFilesPath), FilesPathResponse("/r/a", "/root/a", 0, "ok", 200));

  const FilesStatsDirResponse stats = decoded<FilesStatsDirResponse>(kStatsDir);
  ASSERT_TRUE(stats.data.has_value());
  EXPECT_EQ(stats.data->totalSize, "1024");
  EXPECT_EQ(stats.data->subDirCount, "2");
  EXPECT_EQ(stats.data->subFileCount, "3");

  const GetFileDetailResponse detail = decoded<GetFileDetailResponse>(kFileDetail);
  EXPECT_EQ(detail.size, 2048);
  EXPECT_EQ(detail.lastEditor, User(std::nullopt, std::nullopt, std::nullopt, "u2", std::nullopt));
  ASSERT_TRUE(detail.attachments.has_value());
  ASSERT_TRUE(detail.attachments->at(0).asset.has_value());
  EXPECT_EQ(detail.attachments->at(0).asset->attributes, (JSONObject{{"w", JSONValue(std::int64_t{10})}}));
  ASSERT_TRUE(detail.userCapabilities.has_value());
  EXPECT_EQ(detail.userCapabilities->editPermission, false);
  EXPECT_FALSE(detail.userCapabilities->viewPermission.has_value());

  const GetAccessResponse access = decoded<GetAccessResponse>(kAccess);
  ASSERT_TRUE(access.list.has_value());
  const RecentlyAccess& recent = access.list->at(0);
  EXPECT_EQ(recent.operateType, 1);
  ASSERT_TRUE(recent.file.has_value());
  EXPECT_EQ(recent.file->collaborateType, 2);
  EXPECT_EQ(recent.file->containerType, 1);
  EXPECT_EQ(recent.file->collaborator, "Li");

  EXPECT_EQ(decoded<GetDownloadUrlResponse>(kDownloadUrl),
            GetDownloadUrlResponse(7,
                                   std::vector<DownloadInfoResponse>{
                                       DownloadInfoResponse("f1", "a", "https://d/f1", "0", "ok"),
                                       DownloadInfoResponse("f2", "b", std::nullopt, "404", "gone")},
                                   0, "ok", 200));

  EXPECT_EQ(decoded<CreateDirectoryResponse>(kCreateDirectory),
            CreateDirectoryResponse("d1", "New folder", "application/x-directory", 0, "ok", 200));

  EXPECT_EQ(decoded<FilesCreateResponse>(kFilesCreate),
            FilesCreateResponse("f1", false, "ct", "a.bin", "up1", std::vector<std::string>{"root"}, false,
                                std::vector<MultiPartInfo>{
                                    MultiPartInfo(1, 5242880, 0, std::vector<std::uint32_t>{0, 4294967295u},
                                                  "https://u/1", "p1"),
                                    MultiPartInfo(2, 100, 5242880, std::nullopt, "https://u/2", "p2")},
                                false, 0, "ok", 200));

  EXPECT_EQ(decoded<GetUploadUrlResponse>(kUploadUrl),
            GetUploadUrlResponse(
                std::vector<MultiPartInfo>{MultiPartInfo(2, 100, 5242880, std::nullopt, "https://u/2b", std::nullopt)},
                0, "ok", 200));

  EXPECT_EQ(decoded<FileIdInfo>(kFileIdInfo), FileIdInfo("f1", "ct"));
}

// ---- the rules that bite ----------------------------------------------------------

TEST(CatalogueRecords, SizeKeepsItsOwnKindPerRecord) {
  // A search hit carries "size" as text; one numeric size fails the whole answer.
  const auto search = failureOf<FileSearchResponse>(
      R"({"code":0,"total":2,"files":[{"id":"a","size":"10"},{"id":"b","size":10}]})");
  ASSERT_TRUE(search.has_value());
  EXPECT_EQ(search->path, "files[1].size");
  EXPECT_EQ(search->kind, JsonError::Kind::typeMismatch);

  // A folder listing, a file detail and a shared file carry it as a number.
  EXPECT_FALSE(failureOf<FilesListResponse>(R"({"files":[{"size":10}]})"));
  const auto listing = failureOf<FilesListResponse>(R"({"files":[{"size":"10"}]})");
  ASSERT_TRUE(listing.has_value());
  EXPECT_EQ(listing->path, "files[0].size");
  const auto detail = failureOf<GetFileDetailResponse>(R"({"size":"2048"})");
  ASSERT_TRUE(detail.has_value());
  EXPECT_EQ(detail->path, "size");
  const auto shared = failureOf<GetShareFilesResponse>(R"({"files":[{"size":"1"}]})");
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(shared->path, "files[0].size");
}

TEST(CatalogueRecords, UploadPartsNeedTheirThreeNumbers) {
  const auto noNumber = failureOf<FilesCreateResponse>(
      R"({"fileId":"f","multiParts":[{"partNumber":1,"partSize":5,"partOffset":0},{"partSize":5,"partOffset":5}]})");
  ASSERT_TRUE(noNumber.has_value());
  EXPECT_EQ(noNumber->path, "multiParts[1].partNumber");
  EXPECT_EQ(noNumber->kind, JsonError::Kind::keyNotFound);

  const auto nullSize =
      failureOf<GetUploadUrlResponse>(R"({"multiParts":[{"partNumber":1,"partSize":null,"partOffset":0}]})");
  ASSERT_TRUE(nullSize.has_value());
  EXPECT_EQ(nullSize->path, "multiParts[0].partSize");
  EXPECT_EQ(nullSize->kind, JsonError::Kind::valueNotFound);

  const auto noOffset = failureOf<MultiPartInfo>(R"({"partNumber":1,"partSize":5})");
  ASSERT_TRUE(noOffset.has_value());
  EXPECT_EQ(noOffset->path, "partOffset");

  // Hash context words are unsigned 32-bit.
  const auto negativeWord =
      failureOf<MultiPartInfo>(R"({"partNumber":1,"partSize":5,"partOffset":0,"hashCtx":[1,-1]})");
  ASSERT_TRUE(negativeWord.has_value());
  EXPECT_EQ(negativeWord->path, "hashCtx[1]");
  EXPECT_TRUE(failureOf<MultiPartInfo>(R"({"partNumber":1,"partSize":5,"partOffset":0,"hashCtx":[4294967296]})"));

  // Encoding always writes the three numbers, never the absent optionals.
  EXPECT_EQ(parsed(toJson(MultiPartInfo(3, 7, 14, std::nullopt, std::nullopt, std::nullopt))),
            parsed(R"({"partNumber":3,"partSize":7,"partOffset":14})"));
}

TEST(CatalogueRecords, VisitorPermissionTakesOnlyItsThreeExactWords) {
  const std::pair<const char*, CommonShareLink::SharePermission> accepted[] = {
      {"READ", CommonShareLink::SharePermission::read},
      {"WRITE", CommonShareLink::SharePermission::write},
      {"ADMIN", CommonShareLink::SharePermission::admin},
  };
  for (const auto& [word, level] : accepted) {
    SCOPED_TRACE(word);
    const std::string text = std::string(R"({"link":{"shareId":"s","permission":")") + word + R"("}})";
    const GetShareFilesResponse r = decoded<GetShareFilesResponse>(text);
    ASSERT_TRUE(r.link.has_value());
    EXPECT_EQ(r.link->permission, level);
    // and it is written back as the same word
    EXPECT_EQ(parsed(toJson(*r.link)), parsed(std::string(R"({"shareId":"s","permission":")") + word + "\"}"));
  }

  for (const char* text : {R"({"files":[],"link":{"permission":"admin"}})", R"({"link":{"permission":"OWNER"}})",
                           R"({"link":{"permission":""}})", R"({"link":{"permission":" READ"}})"}) {
    SCOPED_TRACE(text);
    const auto error = failureOf<GetShareFilesResponse>(text);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->path, "link.permission");
    EXPECT_EQ(error->kind, JsonError::Kind::dataCorrupted);
  }
  const auto number = failureOf<GetShareFilesResponse>(R"({"link":{"permission":2}})");
  ASSERT_TRUE(number.has_value());
  EXPECT_EQ(number->path, "link.permission");
  EXPECT_EQ(number->kind, JsonError::Kind::typeMismatch);

  // A null or absent permission is simply absent.
  const GetShareFilesResponse none = decoded<GetShareFilesResponse>(R"({"link":{"permission":null}})");
  ASSERT_TRUE(none.link.has_value());
  EXPECT_FALSE(none.link->permission.has_value());
}

TEST(CatalogueRecords, BeansEncodeRequiredKeysAlwaysAndAbsentOnesNever) {
  struct Case {
    const char* record;
    std::string encoded;
    std::string_view expected;
  };
  CreateShareBean share;
  share.fileIds = std::vector<std::string>{"f1", "f2"};
  share.permission = SharePermission(true, false, true);
  share.validDays = 7;
  FilesListBean listing;
  listing.type = "all";
  listing.pageInfo = PageInfo(50, std::nullopt);
  FilesCreateBean upload;
  upload.fileName = "a.bin";
  upload.length = 10;
  upload.multiParts = std::vector<MultiPartInfo>{MultiPartInfo(1, 10, 0, std::vector<std::uint32_t>{7}, std::nullopt,
                                                               std::nullopt)};
  GetUserListBean users;
  users.isDirect = false;

  const std::vector<Case> cases = {
      {"fresh FilesCreateBean", toJson(FilesCreateBean{}),
       R"({"length":0,"uploadType":1,"autoRename":2,"hidden":false})"},
      {"fresh GetShareFilesBean", toJson(GetShareFilesBean{}), R"({"pageSize":100})"},
      {"fresh CreateShareBean", toJson(CreateShareBean{}), R"({"scope":0})"},
      {"fresh CreateDirectoryBean", toJson(CreateDirectoryBean{}), R"({"renameMode":2,"hidden":false})"},
      {"fresh FilesRenameBean", toJson(FilesRenameBean{}), R"({"renameMode":2})"},
      {"fresh FilesSearchBean", toJson(FilesSearchBean{}), R"({"recycled":false,"recursived":false})"},
      {"fresh FilesStatsDirBean", toJson(FilesStatsDirBean{}), R"({"recursive":true})"},
      {"fresh AuthCodeBean", toJson(AuthCodeBean{}), "{}"},
      {"fresh ModifyShareDetailBean", toJson(ModifyShareDetailBean{}), "{}"},
      {"empty CancelShareBean list", toJson(CancelShareBean(std::vector<std::string>{})), R"({"shareIds":[]})"},
      {"CreateShareBean with flags", toJson(share),
       R"({"scope":0,"fileIds":["f1","f2"],"permission":{"preview":true,"edit":false,"download":true},"validDays":7})"},
      {"FilesListBean with a page", toJson(listing), R"({"type":"all","pageInfo":{"pageSize":50},"hidden":false})"},
      {"FilesCreateBean with a part", toJson(upload),
       R"({"fileName":"a.bin","length":10,"uploadType":1,"autoRename":2,"hidden":false,
           "multiParts":[{"partNumber":1,"partSize":10,"partOffset":0,"hashCtx":[7]}]})"},
      {"GetUserListBean", toJson(users), R"({"isDirect":false})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    EXPECT_EQ(parsed(c.encoded), parsed(c.expected)) << c.encoded;
  }
}

TEST(CatalogueRecords, DecodedOnlyRecordsRequireTheirRequiredKeys) {
  const auto noDeviceId =
      failureOf<GetDevicesResponse>(R"({"data":[{"deviceId":1,"createTime":"t"},{"createTime":"t"}]})");
  ASSERT_TRUE(noDeviceId.has_value());
  EXPECT_EQ(noDeviceId->path, "data[1].deviceId");
  EXPECT_EQ(noDeviceId->kind, JsonError::Kind::keyNotFound);

  const auto noPrice = failureOf<OrderInfo>(R"({"type":1,"capacity":1,"status":1,"promotionPrice":1})");
  ASSERT_TRUE(noPrice.has_value());
  EXPECT_EQ(noPrice->path, "price");

  const auto hugePrice = failureOf<OrderInfo>(R"({"type":1,"capacity":1,"status":1,"price":1e39,"promotionPrice":1})");
  ASSERT_TRUE(hugePrice.has_value());
  EXPECT_EQ(hugePrice->path, "price");

  // An integral price is a valid Float.
  EXPECT_EQ(decoded<OrderInfo>(R"({"type":1,"capacity":2,"status":3,"price":10,"promotionPrice":8})").price, 10.0f);
}

TEST(CatalogueRecords, WrongKindsFailTheWholeAnswerAndNameTheKeyPath) {
  struct Case {
    std::function<std::optional<JsonError>(std::string_view)> decode;
    std::string_view text;
    std::string_view path;
  };
  const std::vector<Case> cases = {
      {failureOf<UserAuthResp>, R"({"accessToken":"t","innerUserId":"42"})", "innerUserId"},
      {failureOf<UserAuthResp>, R"({"data":{"carrierMobile":13800000000}})", "data.carrierMobile"},
      {failureOf<GetSpaceResp>, R"({"data":{"capacity":"big"}})", "data.capacity"},
      {failureOf<GetUsersByIdResponse>, R"({"data":[]})", "data"},
      {failureOf<GetuserListResponse>, R"({"list":[{},{},{"deptId":"7"}]})", "list[2].deptId"},
      {failureOf<GetDevicesResponse>, R"({"data":[{"deviceId":"5","createTime":"t"}]})", "data[0].deviceId"},
      {failureOf<GetstandPackagesResponse>, R"({"data":{"packageId":"p"}})", "data"},
      {failureOf<GetStandPackagesOrdersResponse>, R"({"data":[{"price":9.9}]})", "data[0].price"},
      {failureOf<GetShareResponse>, R"({"shareLinks":[{"files":[{},{"downloadLinks":[{"version":"3"}]}]}]})",
       "shareLinks[0].files[1].downloadLinks[0].version"},
      {failureOf<CreateShareResponse>, R"({"shareLink":{"shareId":7}})", "shareLink.shareId"},
      {failureOf<CancelShareResponse>, R"({"subResponseList":[{"code":"0"}]})", "subResponseList[0].code"},
      {failureOf<GetShareDetailResponse>, R"({"shareLink":{"permission":{"edit":"yes"}}})",
       "shareLink.permission.edit"},
      {failureOf<GetShareDetailResponse>, R"({"shareLink":{"users":[{"id":1}]}})", "shareLink.users[0].id"},
      {failureOf<ModifyShareDetailResponse>, R"({"shareLink":{"viewCnt":"1"}})", "shareLink.viewCnt"},
      {failureOf<FilesListResponse>, R"({"files":[{"owners":[{"me":"true"}]}]})", "files[0].owners[0].me"},
      {failureOf<FileSearchResponse>, R"({"total":"1"})", "total"},
      {failureOf<FilesPathResponse>, R"({"namePath":{"a":1}})", "namePath"},
      {failureOf<FilesStatsDirResponse>, R"({"data":{"totalSize":1024}})", "data.totalSize"},
      {failureOf<GetFileDetailResponse>, R"({"attachments":[{"asset":{"resource":{"object":{"start":"0"}}}}]})",
       "attachments[0].asset.resource.object.start"},
      {failureOf<GetAccessResponse>, R"({"list":[{"file":{"userCapabilities":{"viewPermission":1}}}]})",
       "list[0].file.userCapabilities.viewPermission"},
      {failureOf<GetDownloadUrlResponse>, R"({"downloads":[{"fileId":"f","code":0}]})", "downloads[0].code"},
      {failureOf<CreateDirectoryResponse>, R"({"id":true})", "id"},
      {failureOf<FilesCreateResponse>, R"({"code":"0","fileId":"f"})", "code"},
      {failureOf<FilesCreateResponse>, R"({"exist":"false"})", "exist"},
      {failureOf<GetUploadUrlResponse>,
       R"({"multiParts":[{"partNumber":1,"partSize":5,"partOffset":0,"uploadUrl":["u"]}]})", "multiParts[0].uploadUrl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<JsonError> error = c.decode(c.text);
    ASSERT_TRUE(error.has_value()) << "decoded although a value has the wrong kind";
    EXPECT_EQ(error->path, c.path);
    EXPECT_EQ(error->kind, JsonError::Kind::typeMismatch) << error->description();
  }

  // A fractional integer fails too, though it is a number.
  const auto fraction = failureOf<GetSpaceResp>(R"({"data":{"spaceUsed":1.5}})");
  ASSERT_TRUE(fraction.has_value());
  EXPECT_EQ(fraction->path, "data.spaceUsed");
}

}  // namespace
}  // namespace quillbox
