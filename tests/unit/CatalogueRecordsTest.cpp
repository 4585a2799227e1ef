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

TEST(CatalogueRecords, NumbersKeepTheirValue) {
  // Integers beyond 2^53 keep every digit; Float fields take integral and
  // fractional numbers.
  const GetUsersByIdResponse byId = decoded<GetUsersByIdResponse>(kUserById);
  ASSERT_TRUE(byId.data.has_value());
  EXPECT_EQ(byId.data->id, std::int64_t{9007199254740993});
  EXPECT_EQ(decoded<OrderInfo>(kOrderInfo), OrderInfo("Basic", 1, 100, 1, 9.5f, 4.25f, "CN", "CNY", "a", "e", "p1"));
  EXPECT_EQ(decoded<OrderInfo>(R"({"type":1,"capacity":2,"status":3,"price":10,"promotionPrice":8})").price, 10.0f);
  EXPECT_EQ(decoded<FilesCreateResponse>(kFilesCreate).multiParts->at(0).hashCtx,
            (std::vector<std::uint32_t>{0, 4294967295u}));
}

// ---- the rules that bite ----------------------------------------------------------

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

// Fresh records as the services' end-to-end tests do not send them.
TEST(CatalogueRecords, BeansEncodeRequiredKeysAlwaysAndAbsentOnesNever) {
  FilesCreateBean upload;
  upload.fileName = "a.bin";
  upload.length = 10;
  upload.multiParts = std::vector<MultiPartInfo>{MultiPartInfo(1, 10, 0, std::vector<std::uint32_t>{7}, std::nullopt,
                                                               std::nullopt)};
  GetUserListBean users;
  users.isDirect = false;
  const std::vector<std::pair<std::string, std::string_view>> cases = {
      {toJson(CreateShareBean{}), R"({"scope":0})"},
      {toJson(CreateDirectoryBean{}), R"({"renameMode":2,"hidden":false})"},
      {toJson(FilesRenameBean{}), R"({"renameMode":2})"},
      {toJson(FilesSearchBean{}), R"({"recycled":false,"recursived":false})"},
      {toJson(FilesStatsDirBean{}), R"({"recursive":true})"},
      {toJson(AuthCodeBean{}), "{}"},
      {toJson(ModifyShareDetailBean{}), "{}"},
      {toJson(upload), R"({"fileName":"a.bin","length":10,"uploadType":1,"autoRename":2,"hidden":false,
           "multiParts":[{"partNumber":1,"partSize":10,"partOffset":0,"hashCtx":[7]}]})"},
      {toJson(users), R"({"isDirect":false})"},
  };
  for (const auto& [encoded, expected] : cases) EXPECT_EQ(parsed(encoded), parsed(expected)) << encoded;
}

TEST(CatalogueRecords, BadAnswersFailWholeAndNameTheKeyPath) {
  using Kind = JsonError::Kind;
  constexpr Kind kType = Kind::typeMismatch;
  struct Case {
    std::function<std::optional<JsonError>(std::string_view)> decode;
    std::string_view text;
    std::string_view path;
    Kind kind;
  };
  const std::vector<Case> cases = {
      // Values of the wrong kind, however deep.
      {failureOf<UserAuthResp>, R"({"accessToken":"t","innerUserId":"42"})", "innerUserId", kType},
      {failureOf<UserAuthResp>, R"({"data":{"carrierMobile":13800000000}})", "data.carrierMobile", kType},
      {failureOf<GetSpaceResp>, R"({"data":{"capacity":"big"}})", "data.capacity", kType},
      {failureOf<GetUsersByIdResponse>, R"({"data":[]})", "data", kType},
      {failureOf<GetuserListResponse>, R"({"list":[{},{},{"deptId":"7"}]})", "list[2].deptId", kType},
      {failureOf<GetDevicesResponse>, R"({"data":[{"deviceId":"5","createTime":"t"}]})", "data[0].deviceId", kType},
      {failureOf<GetstandPackagesResponse>, R"({"data":{"packageId":"p"}})", "data", kType},
      {failureOf<GetStandPackagesOrdersResponse>, R"({"data":[{"price":9.9}]})", "data[0].price", kType},
      {failureOf<GetShareResponse>, R"({"shareLinks":[{"files":[{},{"downloadLinks":[{"version":"3"}]}]}]})",
       "shareLinks[0].files[1].downloadLinks[0].version", kType},
      {failureOf<CreateShareResponse>, R"({"shareLink":{"shareId":7}})", "shareLink.shareId", kType},
      {failureOf<CancelShareResponse>, R"({"subResponseList":[{"code":"0"}]})", "subResponseList[0].code", kType},
      {failureOf<GetShareDetailResponse>, R"({"shareLink":{"permission":{"edit":"yes"}}})",
       "shareLink.permission.edit", kType},
      {failureOf<GetShareDetailResponse>, R"({"shareLink":{"users":[{"id":1}]}})", "shareLink.users[0].id", kType},
      {failureOf<ModifyShareDetailResponse>, R"({"shareLink":{"viewCnt":"1"}})", "shareLink.viewCnt", kType},
      {failureOf<FilesListResponse>, R"({"files":[{"owners":[{"me":"true"}]}]})", "files[0].owners[0].me", kType},
      {failureOf<FileSearchResponse>, R"({"total":"1"})", "total", kType},
      {failureOf<FilesPathResponse>, R"({"namePath":{"a":1}})", "namePath", kType},
      {failureOf<FilesStatsDirResponse>, R"({"data":{"totalSize":1024}})", "data.totalSize", kType},
      {failureOf<GetFileDetailResponse>, R"({"attachments":[{"asset":{"resource":{"object":{"start":"0"}}}}]})",
       "attachments[0].asset.resource.object.start", kType},
      {failureOf<GetAccessResponse>, R"({"list":[{"file":{"userCapabilities":{"viewPermission":1}}}]})",
       "list[0].file.userCapabilities.viewPermission", kType},
      {failureOf<GetDownloadUrlResponse>, R"({"downloads":[{"fileId":"f","code":0}]})", "downloads[0].code", kType},
      {failureOf<CreateDirectoryResponse>, R"({"id":true})", "id", kType},
      {failureOf<FilesCreateResponse>, R"({"code":"0","fileId":"f"})", "code", kType},
      {failureOf<FilesCreateResponse>, R"({"exist":"false"})", "exist", kType},
      {failureOf<GetUploadUrlResponse>,
       R"({"multiParts":[{"partNumber":1,"partSize":5,"partOffset":0,"uploadUrl":["u"]}]})", "multiParts[0].uploadUrl",
       kType},
      {failureOf<GetSpaceResp>, R"({"data":{"spaceUsed":1.5}})", "data.spaceUsed", Kind::dataCorrupted},
      // "size" is text in a search hit and a number in listings, details and shared files.
      {failureOf<FileSearchResponse>, R"({"code":0,"total":2,"files":[{"id":"a","size":"10"},{"id":"b","size":10}]})",
       "files[1].size", kType},
      {failureOf<FilesListResponse>, R"({"files":[{"size":"10"}]})", "files[0].size", kType},
      {failureOf<GetFileDetailResponse>, R"({"size":"2048"})", "size", kType},
      {failureOf<GetShareFilesResponse>, R"({"files":[{"size":"1"}]})", "files[0].size", kType},
      // Required keys: an upload part's three numbers, a device's id, a package's price.
      {failureOf<FilesCreateResponse>,
       R"({"fileId":"f","multiParts":[{"partNumber":1,"partSize":5,"partOffset":0},{"partSize":5,"partOffset":5}]})",
       "multiParts[1].partNumber", Kind::keyNotFound},
      {failureOf<GetUploadUrlResponse>, R"({"multiParts":[{"partNumber":1,"partSize":null,"partOffset":0}]})",
       "multiParts[0].partSize", Kind::valueNotFound},
      {failureOf<MultiPartInfo>, R"({"partNumber":1,"partSize":5})", "partOffset", Kind::keyNotFound},
      {failureOf<GetDevicesResponse>, R"({"data":[{"deviceId":1,"createTime":"t"},{"createTime":"t"}]})",
       "data[1].deviceId", Kind::keyNotFound},
      {failureOf<OrderInfo>, R"({"type":1,"capacity":1,"status":1,"promotionPrice":1})", "price", Kind::keyNotFound},
      // Out of range: hash context words are unsigned 32-bit, prices 32-bit floats.
      {failureOf<MultiPartInfo>, R"({"partNumber":1,"partSize":5,"partOffset":0,"hashCtx":[1,-1]})", "hashCtx[1]",
       Kind::dataCorrupted},
      {failureOf<MultiPartInfo>, R"({"partNumber":1,"partSize":5,"partOffset":0,"hashCtx":[4294967296]})",
       "hashCtx[0]", Kind::dataCorrupted},
      {failureOf<OrderInfo>, R"({"type":1,"capacity":1,"status":1,"price":1e39,"promotionPrice":1})", "price",
       Kind::dataCorrupted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<JsonError> error = c.decode(c.text);
    ASSERT_TRUE(error.has_value()) << "decoded";
    EXPECT_EQ(error->path, c.path);
    EXPECT_EQ(error->kind, c.kind) << error->description();
  }
  EXPECT_FALSE(failureOf<FilesListResponse>(R"({"files":[{"size":10}]})"));
}

}  // namespace
}  // namespace quillbox
