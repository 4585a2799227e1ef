// Wire records of the answer envelope and of the file, favourite and job
// services: every key of every record survives a decode/encode round trip, and
// decoding is strict.

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"
#include "quillbox/services/records/FileRecords.hpp"

namespace quillbox {
namespace {

namespace bj = boost::json;

template <class T>
T decodeOk(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_TRUE(r.ok()) << (r.ok() ? std::string() : r.error().description());
  return r.ok() ? r.value() : T{};
}

template <class T>
JsonError decodeFails(std::string_view text) {
  auto r = fromJson<T>(text);
  EXPECT_FALSE(r.ok()) << "decoded: " << text;
  return r.ok() ? JsonError{} : r.error();
}

// Decodes a document holding every key of the record (and of everything it
// nests), encodes it again and expects the same JSON: a key that is
// misspelt, missing from the record or mapped to the wrong member breaks it.
template <class T>
void expectRoundTrip(const std::string& text) {
  auto r = fromJson<T>(text);
  ASSERT_TRUE(r.ok()) << r.error().description();
  const std::string encoded = toJson(r.value());
  EXPECT_EQ(bj::parse(encoded), bj::parse(text)) << encoded;
  auto again = fromJson<T>(encoded);
  ASSERT_TRUE(again.ok()) << again.error().description();
  EXPECT_TRUE(again.value() == r.value());
}

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

const std::string kBaseFileKeys =
    R"("id":"f1","fileName":"a.txt","fileType":"file","mimeType":"text/plain","favorite":false,"recycled":true,)"
    R"("parentFolder":["root","p1"],"properties":{"a":"b"},)"
    R"("owners":[{"category":"c","me":true,"permissionId":"p","userId":"u1","displayName":"Ann"}],)"
    R"("lastEditor":{"userId":"u2"},"fileSuffix":"txt","downloadLinks":[{"usage":"content","downloadLink":"https://d","version":3}],)"
    R"("sha256":"s","userCapabilities":)" +
    kCapabilities + R"(,"idPath":"/root/p1/f1")";

TEST(BaseResponseCodec, DecodesEnvelopeAndRejectsWrongKinds) {
  EXPECT_EQ(decodeOk<BaseResponse>(R"({"code":7,"msg":"m","httpCode":null,"extra":[1]})"),
            BaseResponse(7, "m", std::nullopt));
  EXPECT_EQ(decodeFails<BaseResponse>(R"({"code":7.5})").path, "code");
  EXPECT_EQ(toJson(BaseResponse{1, std::nullopt, 200}), R"({"code":1,"httpCode":200})");
}

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

  expectRoundTrip<FileListMetadata>(
      "{" + kBaseFileKeys +
      R"(,"recycledTime":"t0","containers":["c"],"createdTime":"t1","editedTime":"t2","hidden":true,)"
      R"("directlyRecycled":false,"attachments":[{"usage":"content","hash":"h","sha256":"s","asset":{"mimeType":"m",)"
      R"("resource":{"object":{"id":"o","start":5,"downloadUrl":{"url":"u","method":"GET"},"images":[{"process":"p"}]}}}}],)"
      R"("userProperties":{"properties":{"k":"v"}},"size":9007199254740993})");

  expectRoundTrip<FileBean>("{" + kBaseFileKeys +
                            R"(,"updateTime":"t","namePath":"/a","teamName":"tn","teamId":"ti","containerId":"c",)"
                            R"("containerType":"personal","owner":"Ann","createdTime":"t1","editedTime":"t2",)"
                            R"("ownerId":"u1","size":"123","attachments":[)" +
                            kAttachment + R"(],"userProperties":{"properties":{"k":"v"}}})");

  expectRoundTrip<AttachmentMetadata>(
      R"({"usage":"u","hash":"h","sha256":"s","asset":{"id":"a","versionId":"v","version":1,"mimeType":"m",)"
      R"("state":0,"createdTime":"t1","modifiedTime":"t2","resource":{"id":"r","length":3,"sha256":"s",)"
      R"("object":{"id":"o","start":0,"downloadUrl":{"url":"u","method":"GET"},"images":[]}},"attributes":")" +
      std::string(kBlobObject) + R"("}})");

  expectRoundTrip<Capabilities>(kCapabilities);
  expectRoundTrip<Properties>(R"({"localCreatedAt":"a","localUpdatedAt":"b","auditResult":"c"})");
  expectRoundTrip<FileListPrivateProperties>(R"({"properties":{"k":"v"}})");
}

TEST(FileRecords, SizeTypeDependsOnTheRecord) {
  // Text in a search hit, a number in listings and starred files (the
  // catalogue's answers check the rest); the base record has none.
  EXPECT_EQ(decodeOk<StarFileInfo>(R"({"size":5})").size, 5);
  EXPECT_EQ(decodeFails<StarFileInfo>(R"({"size":"5"})").path, "size");
  EXPECT_EQ(toJson(decodeOk<BaseFileBean>(R"({"id":"x","size":{"any":"thing"}})")), R"({"id":"x"})");
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

TEST(FavorRecords, WrongKindDeepInsideFailsWithItsPath) {
  const std::string good = R"({"owners":[{"me":true}]})";
  const auto err = decodeFails<GetStarFilesResponse>(R"({"code":0,"starFileList":[)" + good +
                                                     R"(,{"owners":[{"me":"yes"}]}]})");
  EXPECT_EQ(err.path, "starFileList[1].owners[0].me");
  EXPECT_EQ(decodeFails<GetStarFilesResponse>(R"({"starFileList":[{"userCapabilities":{"viewPermission":1}}]})").path,
            "starFileList[0].userCapabilities.viewPermission");
  EXPECT_EQ(decodeFails<GetStarFilesResponse>(R"({"starFileList":{"id":"f"}})").path, "starFileList");
  EXPECT_EQ(decodeFails<GetStarFilesResponse>(R"({"starFileList":[{"properties":{"k":1}}]})").path,
            "starFileList[0].properties.k");
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

}  // namespace
}  // namespace quillbox
