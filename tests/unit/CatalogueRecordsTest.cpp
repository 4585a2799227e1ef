// The wire records of the answer envelope and of every service: every key of
// every record survives a decode/encode round trip with its nested records,
// decoding is strict, the decoding rules that trip real callers hold, and the
// dynamic JSON value with the three wire forms of free-form maps
// ("attributes", "reservationInfo").

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/JSONValue.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"
#include "quillbox/services/records/FileRecords.hpp"
#include "quillbox/services/share/ShareRecords.hpp"
#include "quillbox/services/user/UserRecords.hpp"
#include "util/Base64.hpp"

namespace quillbox {
namespace {

namespace bj = boost::json;

// ---- records nested in many answers, with every key filled -----------------------

// Base64 of {"a":1,"b":"x"} and of [1,"a"].
constexpr const char* kBlobObject = "eyJhIjoxLCJiIjoieCJ9";
constexpr const char* kBlobArray = "WzEsImEiXQ==";

const std::string kCapabilities =
    R"({"addChildNodePermission":true,"copyPermission":false,"deletePermission":true,"downloadPermission":true,)"
    R"("editPermission":false,"listChildNodePermission":true,"removeChildNodePermission":false,)"
    R"("renameFilePermission":true,"shareFilePermission":false,"uploadPermission":true,"viewPermission":true})";

const std::string kSliceObject =
    R"({"id":"o1","number":0,"start":0,"sha256":"s","length":10,"bucket":"b","createdTime":"t1","modifiedTime":"t2",)"
    R"("uploadUrl":{"url":"https://up/1","method":"PUT","partId":"1","headers":{"h":"v"},"forms":{"f":"g"}},)"
    R"("downloadUrl":{"url":"https://down/1","method":"GET"},"uploadId":"up",)"
    R"("attributes":{"s":"x","i":1,"d":2.5,"b":true},"properties":{"p":"v"},)"
    R"("images":[{"process":"thumb","downloadUrl":{"url":"https://img","method":"GET"}}]})";

const std::string kAttachment =
    R"({"usage":"content","hash":"h","sha256":"s","assetId":"a1","length":10,"versionId":"v1","mimeType":"text/plain",)"
    R"("createdTime":"t1","modifiedTime":"t2","attributes":{"k":[1,{"x":true},null]},)"
    R"("asset":{"id":"a1","versionId":"v1","version":2,"mimeType":"text/plain","keepPolicy":1,"state":0,)"
    R"("createdTime":"t1","modifiedTime":"t2","lastModifyingUser":"u1",)"
    R"("resource":{"id":"r1","hash":"h","length":10,"sha256":"s","type":1,"state":2,"sliceSize":4,"hfek":"k",)"
    R"("iv":"i","createdTime":"t1","modifiedTime":"t2","object":)" +
    kSliceObject + R"(,"attributes":")" + kBlobObject + R"(","properties":{"a":"b"}},)" +
    R"("cipher":{"algorithm":"AES","hfek":"k","iv":"i","dataType":1,)"
    R"("keychains":[{"id":"k1","type":1,"algorithm":"RSA","ekey":"e"}]},)"
    R"("attributes":{"q":"r"},"properties":{"x":"y"}}})";

// The keys every file record shares, each filled.
const std::string kBaseFileKeys =
    R"("id":"f1","fileName":"a.txt","fileType":"file","mimeType":"text/plain","favorite":false,"recycled":true,)"
    R"("parentFolder":["root","p1"],"properties":{"a":"b"},)"
    R"("owners":[{"category":"c","me":true,"permissionId":"p","userId":"u1","displayName":"Ann"}],)"
    R"("lastEditor":{"userId":"u2"},"fileSuffix":"txt","downloadLinks":[{"usage":"content","downloadLink":"https://d","version":3}],)"
    R"("sha256":"s","userCapabilities":)" +
    kCapabilities + R"(,"idPath":"/root/p1/f1")";

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

const std::string kFilesList =
    R"({"code":0,"msg":"ok","httpCode":200,"category":"all","nextCursor":"n","searchCompleted":true,"files":[{)" +
    kBaseFileKeys + R"(,"recycledTime":"rt","containers":["ct"],"createdTime":"c","editedTime":"e","hidden":false,
    "directlyRecycled":false,
    "attachments":[{"usage":"thumbnail","hash":"h","sha256":"s",
      "asset":{"mimeType":"image/jpeg","resource":{"object":{"id":"o1","start":0,
        "downloadUrl":{"url":"https://d/o1","method":"GET"},
        "images":[{"process":"resize","downloadUrl":{"url":"https://d/o1/s","method":"GET"}}]}}}}],
    "userProperties":{"attributes":{"n":1,"list":[1,"x",null],"obj":{"deep":true}},"properties":{"p":"q"}},
    "size":4096}]})";

const std::string kFileSearch =
    R"({"code":0,"msg":"ok","httpCode":200,"total":1,"nextPageCursor":"np","files":[{)" + kBaseFileKeys +
    R"(,"updateTime":"ut","namePath":"/My/a.mp4","teamName":"tn","teamId":"ti","containerId":"ct",)"
    R"("containerType":"personal","owner":"Wang","createdTime":"c","editedTime":"e","ownerId":"u1","size":"1048576",)"
    R"("attachments":[)" + kAttachment + R"(],"userProperties":{"properties":{"tag":"work"}}}]})";

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

bj::value parsed(std::string_view text) { return bj::parse(bj::string_view(text.data(), text.size())); }

template <class T>
T decodeOk(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_TRUE(r.ok()) << (r.ok() ? std::string() : r.error().description()) << "\n" << text;
  return r.ok() ? r.value() : T{};
}

template <class T>
JsonError decodeFails(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_FALSE(r.ok()) << "decoded: " << text;
  return r.ok() ? JsonError{} : r.error();
}

template <class T>
std::optional<JsonError> failureOf(std::string_view text) {
  JsonResult<T> r = fromJson<T>(text);
  if (r.ok()) return std::nullopt;
  return r.error();
}

// Decodes a document holding every key of the record (and of everything it
// nests), encodes it again and expects the same JSON, which decodes to the
// same record: a key that is misspelt, missing from the record or mapped to
// the wrong member breaks it, and so does a wrong type or nested record.
template <class T>
void expectRoundTrip(std::string_view text) {
  auto r = fromJson<T>(text);
  ASSERT_TRUE(r.ok()) << r.error().description() << "\n" << text;
  const std::string encoded = toJson(r.value());
  EXPECT_EQ(parsed(encoded), parsed(text)) << encoded;
  auto again = fromJson<T>(encoded);
  ASSERT_TRUE(again.ok()) << again.error().description();
  EXPECT_TRUE(again.value() == r.value());
}

// ---- every answer ------------------------------------------------------------------

TEST(CatalogueRecords, EveryAnswerRoundTrips) {
  expectRoundTrip<UserAuthResp>(kUserAuth);
  expectRoundTrip<GetSpaceResp>(kSpace);
  expectRoundTrip<GetUsersByIdResponse>(kUserById);
  expectRoundTrip<GetuserListResponse>(kUserList);
  expectRoundTrip<GetDevicesResponse>(kDevices);
  expectRoundTrip<GetstandPackagesResponse>(kPackages);
  expectRoundTrip<GetStandPackagesOrdersResponse>(kOrders);
  expectRoundTrip<OrderInfo>(kOrderInfo);
  expectRoundTrip<GetShareResponse>(kShares);
  expectRoundTrip<CreateShareResponse>(kCreateShare);
  expectRoundTrip<CancelShareResponse>(kCancelShare);
  expectRoundTrip<GetShareDetailResponse>(kShareDetail);
  expectRoundTrip<ModifyShareDetailResponse>(kModifyShare);
  expectRoundTrip<GetShareFilesResponse>(kShareFiles);
  expectRoundTrip<ShareWithMeLink>(kShareWithMe);
  expectRoundTrip<ShareWithMeLinkDetail>(kShareWithMeDetail);
  expectRoundTrip<FilesListResponse>(kFilesList);
  expectRoundTrip<FileSearchResponse>(kFileSearch);
  expectRoundTrip<FilesPathResponse>(kFilesPath);
  expectRoundTrip<FilesStatsDirResponse>(kStatsDir);
  expectRoundTrip<GetFileDetailResponse>(kFileDetail);
  expectRoundTrip<GetAccessResponse>(kAccess);
  expectRoundTrip<GetDownloadUrlResponse>(kDownloadUrl);
  expectRoundTrip<CreateDirectoryResponse>(kCreateDirectory);
  expectRoundTrip<FilesCreateResponse>(kFilesCreate);
  expectRoundTrip<GetUploadUrlResponse>(kUploadUrl);
  expectRoundTrip<FileIdInfo>(kFileIdInfo);
}

// Integers beyond 2^53 and the largest hash context word keep every digit
// through the round trips above.
TEST(CatalogueRecords, FloatFieldsTakeIntegralAndFractionalNumbers) {
  EXPECT_EQ(decodeOk<OrderInfo>(kOrderInfo), OrderInfo("Basic", 1, 100, 1, 9.5f, 4.25f, "CN", "CNY", "a", "e", "p1"));
  EXPECT_EQ(decodeOk<OrderInfo>(R"({"type":1,"capacity":2,"status":3,"price":10,"promotionPrice":8})").price, 10.0f);
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
    const GetShareFilesResponse r = decodeOk<GetShareFilesResponse>(text);
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
  const GetShareFilesResponse none = decodeOk<GetShareFilesResponse>(R"({"link":{"permission":null}})");
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
      // Values of the wrong kind, however deep: a number, text, a truth value,
      // an object or an array where another is declared, at the top, in a
      // nested record, in an array item, in a map of text.
      {failureOf<UserAuthResp>, R"({"accessToken":"t","innerUserId":"42"})", "innerUserId", kType},
      {failureOf<UserAuthResp>, R"({"data":{"carrierMobile":13800000000}})", "data.carrierMobile", kType},
      {failureOf<GetUsersByIdResponse>, R"({"data":[]})", "data", kType},
      {failureOf<GetuserListResponse>, R"({"list":[{},{},{"deptId":"7"}]})", "list[2].deptId", kType},
      {failureOf<GetstandPackagesResponse>, R"({"data":{"packageId":"p"}})", "data", kType},
      {failureOf<GetShareResponse>, R"({"shareLinks":[{"files":[{},{"downloadLinks":[{"version":"3"}]}]}]})",
       "shareLinks[0].files[1].downloadLinks[0].version", kType},
      {failureOf<FilesListResponse>, R"({"files":[{"owners":[{"me":"true"}]}]})", "files[0].owners[0].me", kType},
      {failureOf<FilesStatsDirResponse>, R"({"data":{"totalSize":1024}})", "data.totalSize", kType},
      {failureOf<GetStarFilesResponse>, R"({"starFileList":[{"properties":{"k":1}}]})", "starFileList[0].properties.k",
       kType},
      {failureOf<GetFileDetailResponse>, R"({"attachments":[{"asset":{"resource":{"object":{"start":"0"}}}}]})",
       "attachments[0].asset.resource.object.start", kType},
      // A fraction where an integer is declared.
      {failureOf<GetSpaceResp>, R"({"data":{"spaceUsed":1.5}})", "data.spaceUsed", Kind::dataCorrupted},
      // Some keys are text in one answer and numbers in another: an order's
      // price, a download's code, and "size".
      {failureOf<GetStandPackagesOrdersResponse>, R"({"data":[{"price":9.9}]})", "data[0].price", kType},
      {failureOf<GetDownloadUrlResponse>, R"({"downloads":[{"fileId":"f","code":0}]})", "downloads[0].code", kType},
      // "size" is text in a search hit and a number in listings, details, shared and starred files.
      {failureOf<FileSearchResponse>, R"({"code":0,"total":2,"files":[{"id":"a","size":"10"},{"id":"b","size":10}]})",
       "files[1].size", kType},
      {failureOf<FilesListResponse>, R"({"files":[{"size":"10"}]})", "files[0].size", kType},
      {failureOf<GetFileDetailResponse>, R"({"size":"2048"})", "size", kType},
      {failureOf<GetShareFilesResponse>, R"({"files":[{"size":"1"}]})", "files[0].size", kType},
      {failureOf<StarFileInfo>, R"({"size":"5"})", "size", kType},
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
  // The base file record has no size: any value is left out.
  EXPECT_EQ(toJson(decodeOk<BaseFileBean>(R"({"id":"x","size":{"any":"thing"}})")), R"({"id":"x"})");
}

TEST(BaseResponseCodec, DecodesEnvelopeAndRejectsWrongKinds) {
  EXPECT_EQ(decodeOk<BaseResponse>(R"({"code":7,"msg":"m","httpCode":null,"extra":[1]})"),
            BaseResponse(7, "m", std::nullopt));
  EXPECT_EQ(decodeFails<BaseResponse>(R"({"code":7.5})").path, "code");
  EXPECT_EQ(toJson(BaseResponse{1, std::nullopt, 200}), R"({"code":1,"httpCode":200})");
}

// Listings and search hits round trip in their answers above.
TEST(FileRecords, EveryKeyRoundTrips) {
  expectRoundTrip<StarFileInfo>(
      R"({"category":"drive","id":"f1","fileName":"a.tar.gz","fileType":"file","mimeType":"application/gzip",)"
      R"("favorite":true,"recycled":false,"parentFolder":["root"],"properties":{"k":"v"},"containers":["c1"],)"
      R"("createdTime":"t1","editedTime":"t2","editedByMe":true,"owners":[{"me":true}],"lastEditor":{"displayName":"B"},)"
      R"("fullFileSuffix":"tar.gz","fileSuffix":"gz","size":12,"sha256":"s","attachments":[)" +
      kAttachment +
      R"(],"downloadLinks":[{"version":1}],"userProperties":{"attributes":{"n":1,"o":{"a":[1,"x",null,2.5,false]}},)"
      R"("properties":{"p":"q"}},"starredTime":"t3","filePath":"/a.tar.gz","spaceType":"personal","invalid":0,)"
      R"("hidden":false,"userCapabilities":)" +
      kCapabilities + "}");

  expectRoundTrip<AttachmentMetadata>(
      R"({"usage":"u","hash":"h","sha256":"s","asset":{"id":"a","versionId":"v","version":1,"mimeType":"m",)"
      R"("state":0,"createdTime":"t1","modifiedTime":"t2","resource":{"id":"r","length":3,"sha256":"s",)"
      R"("object":{"id":"o","start":0,"downloadUrl":{"url":"u","method":"GET"},"images":[]}},"attributes":")" +
      std::string(kBlobObject) + R"("}})");

  expectRoundTrip<Capabilities>(kCapabilities);
  expectRoundTrip<Properties>(R"({"localCreatedAt":"a","localUpdatedAt":"b","auditResult":"c"})");
  expectRoundTrip<FileListPrivateProperties>(R"({"properties":{"k":"v"}})");
}

TEST(FileRecords, ConstructorsTakeMembersInDeclarationOrder) {
  const Attachment a("u", "h", "s", "aid", 3, "v", "m", "c", "t", JSONObject{{"k", true}}, std::nullopt);
  EXPECT_EQ(bj::parse(toJson(a)), bj::parse(R"({"usage":"u","hash":"h","sha256":"s","assetId":"aid","length":3,)"
                                            R"("versionId":"v","mimeType":"m","createdTime":"c","modifiedTime":"t",)"
                                            R"("attributes":{"k":true}})"));
  const AssetMetadata m("i", "v", 1, "m", 2, "c", "t", std::nullopt, std::nullopt);
  EXPECT_EQ(bj::parse(toJson(m)), bj::parse(R"({"id":"i","versionId":"v","version":1,"mimeType":"m","state":2,)"
                                            R"("createdTime":"c","modifiedTime":"t"})"));
  const User u("c", false, "p", "u", "d");
  EXPECT_EQ(toJson(u), R"({"category":"c","me":false,"permissionId":"p","userId":"u","displayName":"d"})");
  EXPECT_EQ(toJson(FileListSliceObject("o", 9, EndpointURLMetadata("u", "GET"), std::vector<Images>{})),
            R"({"id":"o","start":9,"downloadUrl":{"url":"u","method":"GET"},"images":[]})");
}

TEST(FavorRecords, RoundTripAndBatchStatus) {
  expectRoundTrip<GetStarFilesResponse>(R"({"code":0,"msg":"ok","httpCode":200,"starFileList":[{"id":"f"}],)"
                                        R"("autoDeleted":1,"nextCursor":"c2"})");
  expectRoundTrip<GetStarFilesBean>(
      R"({"pageSize":10,"pageCursor":"c","sortType":1,"sortDirection":2,"fileType":"doc","imageProcess":"p"})");
  expectRoundTrip<GetStarBatchBean>(R"({"starred":true,"subRequestList":[{"containerId":"c","fileId":"f"}]})");
  expectRoundTrip<GetStarBatchResponse>(
      R"({"code":0,"msg":"m","httpCode":200,"subResponseList":[{"fileId":"f","code":"0","message":"ok"}],"status":2})");

  EXPECT_EQ(decodeOk<GetStarBatchResponse>(R"({"status":0})").status, GetStarBatchResponse::BatchStatus::allSuccess);
  EXPECT_EQ(decodeOk<GetStarBatchResponse>(R"({"status":1})").status,
            GetStarBatchResponse::BatchStatus::partialSuccess);
  const auto odd = decodeOk<GetStarBatchResponse>(R"({"status":7})");
  EXPECT_EQ(odd.status, GetStarBatchResponse::BatchStatus::unknown);
  EXPECT_EQ(toJson(odd), R"({"status":-1})");
  EXPECT_EQ(decodeOk<GetStarBatchResponse>(R"({"status":-5})").status, GetStarBatchResponse::BatchStatus::unknown);
  EXPECT_EQ(decodeFails<GetStarBatchResponse>(R"({"code":0,"subResponseList":[]})").path, "status");
  EXPECT_EQ(decodeFails<GetStarBatchResponse>(R"({"status":null})").path, "status");
  EXPECT_EQ(decodeFails<GetStarBatchResponse>(R"({"status":"1"})").path, "status");
  EXPECT_EQ(decodeFails<GetStarBatchResponse>(R"({"status":1.0})").path, "status");
  EXPECT_EQ(GetStarBatchResponse(0, "ok", 200).status, GetStarBatchResponse::BatchStatus::unknown);

  // Both keys are sent even for an empty list; absent optionals never appear.
  EXPECT_EQ(toJson(GetStarBatchBean(false, {})), R"({"starred":false,"subRequestList":[]})");
  EXPECT_EQ(toJson(GetStarBatchBean(true, {StarFileRequest("f1", std::nullopt)})),
            R"({"starred":true,"subRequestList":[{"fileId":"f1"}]})");
  EXPECT_EQ(decodeFails<GetStarBatchBean>(R"({"subRequestList":[]})").path, "starred");
  EXPECT_EQ(toJson(GetStarFilesBean{}), R"({"pageSize":100,"sortType":1,"sortDirection":2})");
}

const std::string kJobInfo =
    R"({"taskId":"j1","taskType":1,"actionType":2,"status":3,"taskResultCode":0,"resultCode":0,"contentNum":4,)"
    R"("containerId":"c","tenantId":"t","beginTime":"b","endTime":"e","createTime":"c0"})";

TEST(JobRecords, EveryKeyRoundTrips) {
  expectRoundTrip<GetJobsResponse>(R"({"code":0,"msg":"ok","httpCode":200,"data":[)" + kJobInfo + "]}");
  expectRoundTrip<GetJobsBean>(R"({"type":1,"status":0,"offset":20,"limit":10})");
  expectRoundTrip<CreateJobBean>(
      R"({"taskType":3,"actionType":1,"taskInfo":{"fileInfo":[{"fileId":"f","filePath":"/a.zip"}],)"
      R"("newFilePath":"/out","srcContainerId":"c","uncompressFilePaths":["a/b","c"]},"dstContainerId":"d","password":"pw"})");
  expectRoundTrip<CreateJobsResponse>(R"({"code":0,"data":"job-1"})");
  expectRoundTrip<CancelJobsResponse>(R"({"msg":"done","data":"ok"})");
  expectRoundTrip<CancelJobsBean>(R"({"jobId":"j"})");
  expectRoundTrip<GetJobDetailByIdBean>(R"({"jobId":"j"})");
  expectRoundTrip<GetJobDetailByIdResponse>(
      R"({"code":0,"data":{"jobInfo":{"taskId":"j","taskName":"n","userId":"u","taskType":1,"actionType":2,)"
      R"("status":3,"taskResultCode":4,"resultCode":5,"progress":60,"downloadUrl":"https://o","contentNum":7,)"
      R"("containerId":"c","tenantId":"t","beginTime":"b","endTime":"e","createTime":"c0"},)"
      R"("taskInfos":[{"id":"1","fileId":"f","filePath":"/a","status":"0","newFileId":"nf","newFilePath":"/b",)"
      R"("srcContainerId":"s","resultCode":"0","resultDesc":"ok","tenantId":"t","createTime":"c"}],)"
      R"("uncompressedFileList":[{"containerId":"c","fileId":"f","name":"dir","fileSize":0,"type":1,)"
      R"("updatedAt":1700000000000,"subFileList":{"name":"inner","subFileList":{"name":"deepest",)"
      R"("reservationInfo":{"k":"v"}}},"reason":"r","code":"0","reservationInfo":{"s":"x","i":2,"d":0.5,"b":false}}]}})");
  expectRoundTrip<ShareJobInfo>(
      R"({"userId":"u","taskId":"t","taskType":1,"taskStatus":2,"taskResultCode":3,"createTime":"c","startTime":"s",)"
      R"("endTime":"e","progress":50,"downloadUrl":"d"})");
  expectRoundTrip<ShareTaskInfo>(R"({"fileId":"f","status":"s","newFileId":"n","srcContainerId":"c"})");
  expectRoundTrip<ArchiveData>(
      R"({"uncompressedFileList":{"code":"c","name":"n","type":"t","updateAt":"u","fileSize":"1"},"taskKey":"k",)"
      R"("taskValue":")" +
      std::string(kBlobArray) + R"(","taskId":"t","progress":50})");
}

TEST(JobRecords, NestedEntryIsOneObjectDecodedRecursively) {
  const auto detail = decodeOk<GetJobDetailByIdResponse>(
      R"({"data":{"uncompressedFileList":[{"name":"a","subFileList":{"name":"b","subFileList":{"name":"c",)"
      R"("reservationInfo":[1]}}}]}})");
  ASSERT_TRUE(detail.data && detail.data->uncompressedFileList);
  const UncompressedFileInfo& top = detail.data->uncompressedFileList->front();
  ASSERT_TRUE(top.subFileList.has_value());
  EXPECT_EQ((*top.subFileList)->name, "b");
  ASSERT_TRUE((*top.subFileList)->subFileList.has_value());
  const UncompressedFileInfo& leaf = **(*top.subFileList)->subFileList;
  EXPECT_EQ(leaf.name, "c");
  EXPECT_FALSE(leaf.reservationInfo.has_value());  // malformed, dropped without failing
  EXPECT_FALSE(leaf.subFileList.has_value());

  // Copies are deep.
  UncompressedFileInfo copy = top;
  (*copy.subFileList)->name = "changed";
  EXPECT_EQ((*top.subFileList)->name, "b");
  EXPECT_FALSE(copy == top);

  EXPECT_EQ(decodeFails<GetJobDetailByIdResponse>(
                R"({"data":{"uncompressedFileList":[{"name":"a"},{"subFileList":[{"name":"b"}]}]}})")
                .path,
            "data.uncompressedFileList[1].subFileList");
  EXPECT_EQ(decodeFails<GetJobDetailByIdResponse>(
                R"({"data":{"uncompressedFileList":[{"subFileList":{"subFileList":{"fileSize":"1"}}}]}})")
                .path,
            "data.uncompressedFileList[0].subFileList.subFileList.fileSize");
}

TEST(JobRecords, StrictNumbersRequiredKeysAndLenientExtras) {
  // Integers reject fractions, exponents and values beyond 64 bits.
  for (const char* bad : {"12.0", "12.5", "1e2", "9223372036854775808", "18446744073709551616", "true", "\"12\""}) {
    EXPECT_EQ(decodeFails<JobInfo>(std::string(R"({"taskType":)") + bad + "}").path, "taskType") << bad;
  }
  EXPECT_EQ(decodeOk<JobInfo>(R"({"taskType":9223372036854775807})").taskType, INT64_MAX);
  EXPECT_EQ(decodeOk<JobInfo>(R"({"taskType":-9223372036854775808})").taskType, INT64_MIN);
  EXPECT_EQ(decodeOk<UncompressedFileInfo>(R"({"updatedAt":-0})").updatedAt, 0);

  // Required keys: missing or null fails; optional null stays absent.
  EXPECT_EQ(decodeFails<CreateJobBean>(R"({"actionType":1})").path, "taskType");
  EXPECT_EQ(decodeFails<CreateJobBean>(R"({"taskType":null})").path, "taskType");
  EXPECT_EQ(decodeFails<ArchiveData>(R"({"taskKey":"k"})").path, "progress");
  EXPECT_EQ(decodeFails<GetJobsBean>(R"({"type":-1,"status":-1,"offset":0})").path, "limit");
  const auto job = decodeOk<CreateJobBean>(R"({"taskType":2,"actionType":null,"password":null})");
  EXPECT_EQ(job.taskType, 2);
  EXPECT_FALSE(job.actionType.has_value());
  EXPECT_FALSE(job.password.has_value());
  EXPECT_EQ(toJson(job), R"({"taskType":2})");

  // Unknown keys are ignored; escaped keys match after unescaping.
  const auto info = decodeOk<JobInfo>(R"({"task\u0049d":"j9","unknown":{"deep":[1,2]},"other":null})");
  EXPECT_EQ(info.taskId, "j9");

  // Not an object, or not JSON.
  EXPECT_FALSE(fromJson<JobInfo>("[]").ok());
  EXPECT_FALSE(fromJson<JobInfo>(R"({"taskId":"j")").ok());
  EXPECT_FALSE(fromJson<JobInfo>("").ok());
}

TEST(JobRecords, EncodingWritesBaseAndOwnKeysInOneObject) {
  const JobInfo ji("j", 1, std::nullopt, 3, std::nullopt, std::nullopt, std::nullopt, "c", std::nullopt, "b",
                   std::nullopt, "c0");
  EXPECT_EQ(toJson(GetJobsResponse(std::vector<JobInfo>{ji}, 0, "ok", 200)),
            R"({"code":0,"msg":"ok","httpCode":200,"data":[{"taskId":"j","taskType":1,"status":3,)"
            R"("containerId":"c","beginTime":"b","createTime":"c0"}]})");
  EXPECT_EQ(toJson(GetJobDetailByIdResponse(0, std::nullopt, std::nullopt)), R"({"code":0})");
  EXPECT_EQ(toJson(GetJobDetailByIdResponse{}), "{}");
  EXPECT_EQ(toJson(CreateJobsResponse("d", std::nullopt, "m", std::nullopt)), R"({"msg":"m","data":"d"})");
  EXPECT_EQ(toJson(GetJobsBean{}), R"({"type":-1,"status":-1,"offset":0,"limit":100})");
  EXPECT_EQ(toJson(ArchiveData{}), R"({"progress":0})");

}

// ---- the dynamic JSON value and free-form maps ----------------------------------

JSONValue attribute(std::string_view jsonValue) {
  const auto p = decodeOk<PrivateProperties>(std::string(R"({"attributes":{"v":)") + std::string(jsonValue) + "}}");
  return p.attributes ? p.attributes->at("v") : JSONValue("<absent>");
}

std::string blob(std::string_view jsonText) { return util::base64Encode(jsonText); }

TEST(JSONValue, NumbersStringsAndBooleansKeepTheirKind) {
  EXPECT_EQ(attribute("3").value, JSONValue::Value(std::int64_t{3}));
  EXPECT_EQ(attribute("-3").value, JSONValue::Value(std::int64_t{-3}));
  EXPECT_EQ(attribute("3.5").value, JSONValue::Value(3.5));
  EXPECT_EQ(attribute("12.0").value, JSONValue::Value(12.0));  // a fraction makes a double
  EXPECT_EQ(attribute("1e2").value, JSONValue::Value(100.0));
  EXPECT_EQ(attribute("9223372036854775808").value, JSONValue::Value(9223372036854775808.0));
  EXPECT_EQ(attribute("\"3\"").value, JSONValue::Value(std::string("3")));
  EXPECT_EQ(attribute("\"true\"").value, JSONValue::Value(std::string("true")));
  EXPECT_EQ(attribute("true").value, JSONValue::Value(true));
  EXPECT_EQ(attribute("false").value, JSONValue::Value(false));
  EXPECT_TRUE(attribute("null").isNull());

  // Arrays and objects hold plain values, in order, recursively.
  const JSONValue arr = attribute(R"([1,"s",null,[2.5],{"k":false}])");
  EXPECT_EQ(arr, JSONValue(JSONValue::Array{1, "s", JSONNull{}, JSONValue::Array{2.5}, JSONObject{{"k", false}}}));
  EXPECT_EQ(attribute(R"({"o":{"n":1}})"), JSONValue(JSONObject{{"o", JSONObject{{"n", 1}}}}));

  // Encoding writes the elements back in order, each of its own kind.
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"v", arr}}, std::nullopt)),
            R"({"attributes":{"v":[1,"s",null,[2.5E0],{"k":false}]}})");
}

TEST(JSONValue, JsonFormRoundTripsAndRejectsNonObjects) {
  const std::string text = R"({"attributes":{"a":[1,"s",null,{"deep":[true,2.5]}],"n":null,"o":{"x":{}},"s":"3"}})";
  const auto props = decodeOk<PrivateProperties>(text);
  ASSERT_TRUE(props.attributes.has_value());
  EXPECT_EQ(props.attributes->size(), 4u);
  EXPECT_TRUE(props.attributes->at("n").isNull());
  const auto again = decodeOk<PrivateProperties>(toJson(props));
  EXPECT_EQ(again, props);
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"n", JSONNull{}}, {"a", JSONValue::Array{}}}, std::nullopt)),
            R"({"attributes":{"a":[],"n":null}})");

  // The field itself must be an object; inside it anything goes.
  EXPECT_EQ(decodeFails<PrivateProperties>(R"({"attributes":[1]})").path, "attributes");
  EXPECT_EQ(decodeFails<Attachment>(R"({"attributes":"x"})").path, "attributes");
  EXPECT_EQ(decodeFails<Attachment>(R"({"asset":{"attributes":5}})").path, "asset.attributes");
  EXPECT_FALSE(decodeOk<Attachment>(R"({"attributes":null})").attributes.has_value());
}

TEST(JSONValue, ScalarFormKeepsScalarsAndNeverFails) {
  const auto slice =
      decodeOk<SliceObject>(R"({"id":"o","attributes":{"s":"x","i":1,"d":2.5,"b":true,"a":[1],"o":{},"n":null}})");
  EXPECT_EQ(slice.attributes, (JSONObject{{"s", "x"}, {"i", 1}, {"d", 2.5}, {"b", true}}));
  EXPECT_EQ(slice.id, "o");
  for (const char* notObject : {R"("text")", "[1,2]", "3", "true"}) {
    const auto s = decodeOk<SliceObject>(std::string(R"({"id":"o","attributes":)") + notObject + "}");
    EXPECT_FALSE(s.attributes.has_value()) << notObject;
    EXPECT_EQ(s.id, "o") << notObject;  // the rest of the record still decodes
  }
  EXPECT_EQ(decodeOk<SliceObject>(R"({"attributes":{"a":[]}})").attributes, JSONObject{});
  EXPECT_EQ(decodeOk<UncompressedFileInfo>(R"({"reservationInfo":{"k":"v","x":{"y":1}}})").reservationInfo,
            (JSONObject{{"k", "v"}}));
  EXPECT_FALSE(decodeOk<UncompressedFileInfo>(R"({"reservationInfo":"v"})").reservationInfo.has_value());

  SliceObject out;
  out.attributes = JSONObject{{"keep", 1}, {"d", 0.5}, {"s", "t"}, {"b", false},   {"arr", JSONValue::Array{1}},
                              {"obj", JSONObject{}}, {"nul", JSONNull{}}};
  EXPECT_EQ(toJson(out), R"({"attributes":{"b":false,"d":5E-1,"keep":1,"s":"t"}})");
  out.attributes = JSONObject{};
  EXPECT_EQ(toJson(out), R"({"attributes":{}})");
}

TEST(JSONValue, BlobFormCarriesBase64OfJsonText) {
  const JSONObject attrs{{"k", JSONValue::Array{true, JSONNull{}}}, {"n", 1}};
  Resource r;
  r.attributes = attrs;
  const std::string encoded = toJson(r);
  EXPECT_EQ(encoded, R"({"attributes":")" + blob(R"({"k":[true,null],"n":1})") + "\"}");
  EXPECT_EQ(decodeOk<Resource>(encoded).attributes, attrs);

  // Only an object is kept; other JSON leaves the field absent without error.
  EXPECT_FALSE(decodeOk<Resource>(R"({"attributes":")" + blob("[1,2]") + "\"}").attributes.has_value());
  EXPECT_FALSE(decodeOk<AssetMetadata>(R"({"attributes":")" + blob("\"s\"") + "\"}").attributes.has_value());
  EXPECT_EQ(decodeOk<Resource>(R"({"attributes":")" + blob("{}") + "\"}").attributes, JSONObject{});

  // Not Base64, not JSON inside, or not a string: the whole document fails.
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":"not base64!"})").path, "attributes");
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":"abc"})").path, "attributes");
  EXPECT_EQ(decodeFails<Resource>(R"({"attributes":")" + blob(R"({"a":)") + "\"}").path, "attributes");
  EXPECT_EQ(decodeFails<AssetMetadata>(R"({"attributes":{"a":1}})").path, "attributes");
  EXPECT_EQ(decodeFails<StarFileInfo>(R"({"attachments":[{"asset":{"resource":{"attributes":"%%%%"}}}]})").path,
            "attachments[0].asset.resource.attributes");

  // "taskValue" keeps any kind, and a non-object round trips.
  const auto archive = decodeOk<ArchiveData>(R"({"progress":1,"taskValue":")" + blob(R"([1,"a"])") + "\"}");
  EXPECT_EQ(archive.taskValue, JSONValue(JSONValue::Array{1, "a"}));
  EXPECT_EQ(decodeOk<ArchiveData>(toJson(archive)), archive);
  EXPECT_EQ(decodeOk<ArchiveData>(R"({"progress":1,"taskValue":")" + blob("null") + "\"}").taskValue,
            JSONValue(JSONNull{}));
}

TEST(JSONValue, UnrepresentableNumbersFailTheEncoding) {
  const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (double d : bad) {
    // JSON form, at any depth.
    PrivateProperties p(JSONObject{{"x", JSONValue::Array{1, JSONObject{{"y", d}}}}}, std::nullopt);
    try {
      (void)toJson(p);
      ADD_FAILURE() << "encoded " << d;
    } catch (const JsonEncodeError& e) {
      EXPECT_NE(std::string(e.what()).find("Unsupported type"), std::string::npos) << e.what();
    }
    // Inside a nested record, in the blob form and in the scalar form.
    StarFileInfo star;
    star.attachments = std::vector<Attachment>{Attachment()};
    star.attachments->front().attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(star), JsonEncodeError);
    Resource r;
    r.attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(r), JsonEncodeError);
    SliceObject s;
    s.attributes = JSONObject{{"x", d}};
    EXPECT_THROW((void)toJson(s), JsonEncodeError);
  }
  EXPECT_EQ(toJson(PrivateProperties(JSONObject{{"x", 1.5}}, std::nullopt)), R"({"attributes":{"x":1.5E0}})");
}

}  // namespace
}  // namespace quillbox
