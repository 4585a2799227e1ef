// The SDK's thirty service operations against the emulator, each with an
// answer that carries state the emulator really keeps.

#include <set>

#include "SdkHarness.hpp"
#include "emulator/Crypto.hpp"

namespace quillbox::test {
namespace {

using EmulatorSdkTest = SdkTest;

/// Uploads `content` step by step with the SDK's file operations (the part
/// PUTs with plain libcurl): create, fresh addresses for the last part, PUTs,
/// complete. Returns the file id.
std::string uploadWithFileOperations(const std::string& name, const std::string& content, const std::string& parent) {
  IFile& files = CloudInstance::shared().getFileImpl();
  FilesCreateBean create;
  create.fileName = name;
  create.sha256 = emulator::sha256Hex(content);
  create.length = static_cast<std::int64_t>(content.size());
  create.parentFolder = std::vector<std::string>{parent};
  create.uploadMode = "multipart";
  const std::int64_t half = create.length / 2;
  create.multiParts = std::vector<MultiPartInfo>{MultiPartInfo(1, half, 0, std::nullopt, std::nullopt, std::nullopt),
                                                 MultiPartInfo(2, create.length - half, half, std::nullopt,
                                                               std::nullopt, std::nullopt)};
  auto created = sdk<FilesCreateResponse>([&](auto cb) { files.filesCreate(create, cb); });
  EXPECT_TRUE(created.isSuccess()) << created.message();
  if (!created.isSuccess()) return {};
  const FilesCreateResponse& answer = created.value();
  EXPECT_EQ(answer.rapidUpload, false);
  EXPECT_TRUE(answer.multiParts && answer.multiParts->size() == 2);
  if (!answer.multiParts || answer.multiParts->size() != 2) return {};
  EXPECT_TRUE(answer.uploadId.has_value());

  GetUploadUrlBean again;
  again.fileId = answer.fileId;
  again.multiParts = std::vector<MultiPartInfo>{(*answer.multiParts)[1]};
  auto fresh = sdk<GetUploadUrlResponse>([&](auto cb) { files.getUploadUrl(again, cb); });
  EXPECT_TRUE(fresh.isSuccess()) << fresh.message();
  EXPECT_TRUE(fresh.isSuccess() && fresh.value().multiParts && fresh.value().multiParts->size() == 1 &&
              fresh.value().multiParts->front().partNumber == 2);

  EXPECT_EQ(http("PUT", *(*answer.multiParts)[0].uploadUrl, content.substr(0, static_cast<std::size_t>(half))).status,
            200);
  const std::string secondUrl = fresh.isSuccess() ? *fresh.value().multiParts->front().uploadUrl
                                                  : *(*answer.multiParts)[1].uploadUrl;
  EXPECT_EQ(http("PUT", secondUrl, content.substr(static_cast<std::size_t>(half))).status, 200);

  FilesCompleteBean complete;
  complete.fileId = answer.fileId;
  complete.sha256 = create.sha256;
  auto done = sdk<BaseResponse>([&](auto cb) { files.fileComplete(complete, cb); });
  EXPECT_TRUE(done.isSuccess()) << done.message();
  EXPECT_EQ(done.isSuccess() ? done.value().code : std::nullopt, 0);
  return answer.fileId.value_or("");
}

TEST_F(EmulatorSdkTest, UserAndCarrierOperations) {
  IUser& users = cloud().getUserImpl();
  AuthCodeBean code;
  code.authCode = "sdk-user";
  auto again = sdk<UserAuthResp>([&](auto cb) { users.getToken(code, cb); });
  ASSERT_TRUE(again.isSuccess()) << again.message();
  ASSERT_TRUE(again.value().data.has_value());
  const std::string me = again.value().data->carrierUserId.value_or("");
  EXPECT_FALSE(me.empty());
  // That each sign-in gives a token of its own is checked in EmulatorHttpTest.

  auto space = sdk<GetSpaceResp>([&](auto cb) { users.getSpace(GetSpaceBean(std::string("1"), me, std::nullopt), cb); });
  ASSERT_TRUE(space.isSuccess()) << space.message();
  ASSERT_TRUE(space.value().data.has_value());
  EXPECT_EQ(space.value().data->ownerId, me);
  EXPECT_EQ(space.value().data->capacity, 10LL << 30);
  EXPECT_EQ(space.value().data->spaceUsed, 0);
  EXPECT_TRUE(space.value().data->rootFileId.has_value());

  auto userList = [&](std::optional<std::string> dept, bool isDirect, std::optional<std::string> keyWord) {
    GetUserListBean bean;
    bean.deptId = std::move(dept);
    bean.isDirect = isDirect;
    bean.keyWord = std::move(keyWord);
    if (bean.keyWord) bean.limit = "5";
    auto r = sdk<GetuserListResponse>([&](auto cb) { users.getUserList(bean, cb); });
    EXPECT_TRUE(r.isSuccess()) << r.message();
    return r.isSuccess() ? r.value() : GetuserListResponse();
  };
  EXPECT_EQ(userList("100", false, std::nullopt).total, 7) << "six people in the directory and the user who signed in";
  EXPECT_EQ(userList("103", true, std::nullopt).total, 2);
  const auto found = userList(std::nullopt, false, "hopper");
  ASSERT_EQ(found.list.value_or(std::vector<UserInfo>{}).size(), 1u);
  const UserInfo grace = found.list->front();
  EXPECT_EQ(grace.name, "Grace Hopper");
  EXPECT_EQ(grace.deptName, "Engineering");

  GetUserByIdBean byId;
  byId.userId = grace.userId;
  auto one = sdk<GetUsersByIdResponse>([&](auto cb) { users.getUserById(byId, cb); });
  ASSERT_TRUE(one.isSuccess()) << one.message();
  EXPECT_EQ(one.value().data->name, "Grace Hopper");
  EXPECT_EQ(one.value().data->id, grace.id);
  // Someone else's space is not readable.
  auto foreign = sdk<GetSpaceResp>([&](auto cb) { users.getSpace(GetSpaceBean(std::nullopt, grace.userId, std::nullopt), cb); });
  EXPECT_FALSE(foreign.isSuccess());
  EXPECT_EQ(foreign.code(), 403);

  ICarrier& carrier = cloud().getCarrierImpl();
  auto packages = sdk<GetstandPackagesResponse>([&](auto cb) { carrier.standardPackages(cb); });
  ASSERT_TRUE(packages.isSuccess()) << packages.message();
  ASSERT_EQ(packages.value().data.value_or(std::vector<DrivePackageInfo>{}).size(), 3u);
  EXPECT_EQ(packages.value().data->at(1).capacity, 200LL << 30);
  auto orders = sdk<GetStandPackagesOrdersResponse>([&](auto cb) { carrier.standardPackagesOrders(cb); });
  ASSERT_TRUE(orders.isSuccess()) << orders.message();
  ASSERT_EQ(orders.value().data.value_or(std::vector<OrderedPackageInfo>{}).size(), 1u);
  EXPECT_EQ(orders.value().data->front().packageId, "basic");
  EXPECT_EQ(orders.value().data->front().capacity, space.value().data->capacity);
  EXPECT_EQ(orders.value().data->front().status, 1);
}

TEST_F(EmulatorSdkTest, FileOperationsWorkOnOneTree) {
  IFile& files = cloud().getFileImpl();
  auto mkdir = [&](const std::string& name, std::optional<std::string> parent, std::int64_t mode) {
    CreateDirectoryBean bean;
    bean.fileName = name;
    if (parent) bean.parentFolder = std::vector<std::string>{*parent};
    bean.renameMode = mode;
    return sdk<CreateDirectoryResponse>([&](auto cb) { files.createDirectory(bean, cb); });
  };
  auto docs = mkdir("docs", std::nullopt, 2);
  ASSERT_TRUE(docs.isSuccess()) << docs.message();
  const std::string docsId = *docs.value().id;
  EXPECT_EQ(mkdir("docs", std::nullopt, 2).value().fileName, "docs (1)") << "renameMode 2 picks a free name";
  auto clash = mkdir("docs", std::nullopt, 1);
  EXPECT_FALSE(clash.isSuccess());
  EXPECT_EQ(clash.code(), 409);
  EXPECT_EQ(mkdir("docs", std::nullopt, 3).value().id, docsId) << "renameMode 3 reuses the folder";
  auto sub = mkdir("sub", docsId, 2);
  ASSERT_TRUE(sub.isSuccess());
  const std::string subId = *sub.value().id;

  const std::string content = randomBytes(5000, 1);
  const std::string fileId = uploadWithFileOperations("report.txt", content, "root");
  ASSERT_FALSE(fileId.empty());

  // Listing, with pages.
  FilesListBean list;
  list.type = "list";
  list.pageInfo = PageInfo(2, std::nullopt);
  auto page1 = sdk<FilesListResponse>([&](auto cb) { files.filesList(list, cb); });
  ASSERT_TRUE(page1.isSuccess()) << page1.message();
  ASSERT_EQ(page1.value().files->size(), 2u);
  EXPECT_EQ(page1.value().files->at(0).fileName, "docs") << "folders first, by name";
  ASSERT_TRUE(page1.value().nextCursor.has_value());
  list.pageInfo = PageInfo(2, page1.value().nextCursor);
  auto page2 = sdk<FilesListResponse>([&](auto cb) { files.filesList(list, cb); });
  ASSERT_TRUE(page2.isSuccess());
  ASSERT_EQ(page2.value().files->size(), 1u);
  const FileListMetadata& listed = page2.value().files->front();
  EXPECT_EQ(listed.fileName, "report.txt");
  EXPECT_EQ(listed.size, 5000);
  EXPECT_EQ(listed.sha256, emulator::sha256Hex(content));
  EXPECT_FALSE(page2.value().nextCursor.has_value());
  list.parentFileId = docsId;
  list.pageInfo.reset();
  auto inDocs = sdk<FilesListResponse>([&](auto cb) { files.filesList(list, cb); });
  ASSERT_TRUE(inDocs.isSuccess());
  ASSERT_EQ(inDocs.value().files->size(), 1u);
  EXPECT_EQ(inDocs.value().files->front().id, subId);

  // Search: sizes come as text in hits.
  FilesSearchBean search;
  Filter filter;
  filter.keyWord = "REPO";
  search.filter = filter;
  auto hits = sdk<FileSearchResponse>([&](auto cb) { files.fileSearch(search, cb); });
  ASSERT_TRUE(hits.isSuccess()) << hits.message();
  EXPECT_EQ(hits.value().total, 1);
  ASSERT_EQ(hits.value().files->size(), 1u);
  EXPECT_EQ(hits.value().files->front().size, "5000");
  EXPECT_EQ(hits.value().files->front().namePath, "/report.txt");

  FilesPathBean path;
  path.fileId = subId;
  auto where = sdk<FilesPathResponse>([&](auto cb) { files.filesPath(path, cb); });
  ASSERT_TRUE(where.isSuccess()) << where.message();
  EXPECT_EQ(where.value().namePath, "/docs/sub");
  EXPECT_TRUE(where.value().fileIdPath->ends_with("/" + docsId + "/" + subId)) << *where.value().fileIdPath;

  FilesStatsDirBean stats;
  auto deep = sdk<FilesStatsDirResponse>([&](auto cb) { files.filesStatsDir(stats, cb); });
  ASSERT_TRUE(deep.isSuccess()) << deep.message();
  EXPECT_EQ(deep.value().data->totalSize, "5000");
  EXPECT_EQ(deep.value().data->subDirCount, "3");
  EXPECT_EQ(deep.value().data->subFileCount, "1");
  stats.recursive = false;
  auto shallow = sdk<FilesStatsDirResponse>([&](auto cb) { files.filesStatsDir(stats, cb); });
  EXPECT_EQ(shallow.value().data->subDirCount, "2");

  auto detail = fileDetail(fileId);
  ASSERT_TRUE(detail.isSuccess()) << detail.message();
  EXPECT_EQ(detail.value().size, 5000);
  EXPECT_EQ(detail.value().mimeType, "text/plain");
  ASSERT_TRUE(detail.value().attachments && detail.value().attachments->size() == 1);
  const auto& resource = detail.value().attachments->front().asset->resource;
  ASSERT_TRUE(resource && resource->objects && resource->objects->downloadUrl);
  EXPECT_TRUE(http("GET", *resource->objects->downloadUrl->url).body == content);

  GetDownloadUrlBean links;
  links.fileIds = std::vector<std::string>{fileId, "missing"};
  auto urls = sdk<GetDownloadUrlResponse>([&](auto cb) { files.getDownloadUrl(links, cb); });
  ASSERT_TRUE(urls.isSuccess()) << urls.message();
  EXPECT_EQ(urls.value().batchCode, 1) << "one of two";
  ASSERT_EQ(urls.value().downloads->size(), 2u);
  EXPECT_EQ(urls.value().downloads->at(0).code, "0");
  EXPECT_EQ(urls.value().downloads->at(1).code, "404");
  EXPECT_TRUE(http("GET", *urls.value().downloads->at(0).url).body == content);

  FilesRenameBean rename;
  rename.fileId = fileId;
  rename.name = "final.txt";
  auto renamed = sdk<BaseResponse>([&](auto cb) { files.fileRename(rename, cb); });
  ASSERT_TRUE(renamed.isSuccess()) << renamed.message();
  EXPECT_EQ(renamed.value().code, 0);
  rename.name = "docs";
  rename.renameMode = 1;
  auto refused = sdk<BaseResponse>([&](auto cb) { files.fileRename(rename, cb); });
  EXPECT_EQ(refused.code(), 409);

  auto recent = sdk<GetAccessResponse>([&](auto cb) { files.getAccessFiles(GetAccessFilesBean(), cb); });
  ASSERT_TRUE(recent.isSuccess()) << recent.message();
  ASSERT_FALSE(recent.value().list.value_or(std::vector<RecentlyAccess>{}).empty());
  const RecentlyAccess& latest = recent.value().list->front();
  EXPECT_EQ(latest.file->id, fileId);
  EXPECT_EQ(latest.file->name, "final.txt");
  EXPECT_EQ(latest.operateType, 4) << "renamed last";

  auto space = sdk<GetSpaceResp>([&](auto cb) { cloud().getUserImpl().getSpace(GetSpaceBean(), cb); });
  EXPECT_EQ(space.value().data->spaceUsed, 5000);
}

TEST_F(EmulatorSdkTest, ShareOperationsAndTheVisitorsView) {
  IFile& files = cloud().getFileImpl();
  IShare& shares = cloud().getShareImpl();
  CreateDirectoryBean folder;
  folder.fileName = "album";
  auto album = sdk<CreateDirectoryResponse>([&](auto cb) { files.createDirectory(folder, cb); });
  const std::string albumId = *album.value().id;
  const std::string photo = uploadWithFileOperations("photo.jpg", randomBytes(3000, 2), albumId);
  const std::string note = uploadWithFileOperations("note.txt", randomBytes(100, 3), "root");

  CreateShareBean create;
  create.fileIds = std::vector<std::string>{albumId, note};
  create.extractCode = "ab12";
  create.validDays = 7;
  create.comment = "holiday";
  create.permission = SharePermission(true, false, true);
  auto created = sdk<CreateShareResponse>([&](auto cb) { shares.createShare(create, cb); });
  ASSERT_TRUE(created.isSuccess()) << created.message();
  const ShareLink link = *created.value().shareLink;
  ASSERT_TRUE(link.shareId && link.shortUrl && link.linkUrl);
  EXPECT_EQ(link.extractCode, "ab12");
  EXPECT_TRUE(link.expireTime.has_value());

  auto mine = sdk<GetShareResponse>([&](auto cb) { shares.getShares(GetShareBean(0, std::nullopt, 1, 2, std::nullopt, std::nullopt), cb); });
  ASSERT_TRUE(mine.isSuccess()) << mine.message();
  ASSERT_EQ(mine.value().shareLinks->size(), 1u);
  EXPECT_EQ(mine.value().shareLinks->front().files->size(), 2u);
  EXPECT_EQ(mine.value().shareLinks->front().displayName, "album and 1 more");

  auto detail = sdk<GetShareDetailResponse>([&](auto cb) { shares.getShareDetail(GetShareDetailBean(*link.shareId), cb); });
  ASSERT_TRUE(detail.isSuccess()) << detail.message();
  EXPECT_EQ(detail.value().shareLink->extractCode, "ab12");
  EXPECT_EQ(detail.value().shareLink->permission->download, true);
  EXPECT_EQ(detail.value().shareLink->comment, "holiday");

  ModifyShareDetailBean modify;
  modify.shareId = link.shareId;
  modify.comment = "holiday 2";
  modify.extractCode = "zz99";
  auto modified = sdk<ModifyShareDetailResponse>([&](auto cb) { shares.modifyShareDetail(modify, cb); });
  ASSERT_TRUE(modified.isSuccess()) << modified.message();
  EXPECT_EQ(modified.value().shareLink->comment, "holiday 2");
  EXPECT_EQ(modified.value().shareLink->extractCode, "zz99");

  // A visitor needs the (new) extract code.
  const std::string owner = token_;
  cloud().setToken(signInWithSdk("visitor"));
  GetShareFilesBean visit;
  visit.shortUrl = link.shortUrl;
  auto locked = sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); });
  EXPECT_EQ(locked.code(), 403);
  visit.qbstoken = "ab12";
  EXPECT_EQ(sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); }).code(), 403);
  visit.qbstoken = "zz99";
  visit.refreshCount = true;
  auto seen = sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); });
  ASSERT_TRUE(seen.isSuccess()) << seen.message();
  ASSERT_EQ(seen.value().files->size(), 2u);
  EXPECT_EQ(seen.value().link->permission, CommonShareLink::SharePermission::read);
  visit.parentFolder = albumId;
  auto inside = sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); });
  ASSERT_TRUE(inside.isSuccess()) << inside.message();
  ASSERT_EQ(inside.value().files->size(), 1u);
  EXPECT_EQ(inside.value().files->front().id, photo);
  ASSERT_TRUE(inside.value().files->front().downloadLinks.has_value()) << "the share allows downloads";
  EXPECT_EQ(http("GET", *inside.value().files->front().downloadLinks->front().downloadLink).status, 200);

  cloud().setToken(owner);
  auto counted = sdk<GetShareResponse>([&](auto cb) { shares.getShares(GetShareBean(0, std::nullopt, 1, 2, std::nullopt, std::nullopt), cb); });
  EXPECT_EQ(counted.value().shareLinks->front().viewCnt, 2) << "each refreshing visit counts";
  visit.parentFolder.reset();
  auto asOwner = sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); });
  EXPECT_EQ(asOwner.value().link->permission, CommonShareLink::SharePermission::admin);

  clock_.advance(std::chrono::hours(24 * 8));
  EXPECT_EQ(sdk<GetShareFilesResponse>([&](auto cb) { shares.getShareFiles(visit, cb); }).code(), 410);

  auto cancelled = sdk<CancelShareResponse>(
      [&](auto cb) { shares.cancelShare(CancelShareBean(std::vector<std::string>{*link.shareId, "nope"}), cb); });
  ASSERT_TRUE(cancelled.isSuccess()) << cancelled.message();
  ASSERT_EQ(cancelled.value().subResponseList->size(), 2u);
  EXPECT_EQ(cancelled.value().subResponseList->at(0).code, 0);
  EXPECT_EQ(cancelled.value().subResponseList->at(1).code, 404);
  auto none = sdk<GetShareResponse>([&](auto cb) { shares.getShares(GetShareBean(0, std::nullopt, 1, 2, std::nullopt, std::nullopt), cb); });
  EXPECT_TRUE(none.value().shareLinks->empty());
}

TEST_F(EmulatorSdkTest, StarsAreKeptPerUser) {
  IFavor& favor = cloud().getFavorImpl();
  const std::string a = uploadWithFileOperations("a.txt", randomBytes(10, 4), "root");
  const std::string b = uploadWithFileOperations("b.txt", randomBytes(20, 5), "root");
  auto batch = sdk<GetStarBatchResponse>([&](auto cb) {
    favor.getStarBatch(GetStarBatchBean(true, {StarFileRequest(a, std::nullopt), StarFileRequest(b, std::nullopt),
                                               StarFileRequest("missing", std::nullopt)}),
                       cb);
  });
  ASSERT_TRUE(batch.isSuccess()) << batch.message();
  EXPECT_EQ(batch.value().status, GetStarBatchResponse::BatchStatus::partialSuccess);
  ASSERT_EQ(batch.value().subResponseList->size(), 3u);
  EXPECT_EQ(batch.value().subResponseList->at(2).code, "404");

  auto starred = sdk<GetStarFilesResponse>([&](auto cb) { favor.getStarFiles(GetStarFilesBean(), cb); });
  ASSERT_TRUE(starred.isSuccess()) << starred.message();
  ASSERT_EQ(starred.value().starFileList->size(), 2u);
  EXPECT_TRUE(starred.value().starFileList->front().favorite.value_or(false));
  std::set<std::int64_t> sizes;
  for (const auto& s : *starred.value().starFileList) sizes.insert(s.size.value_or(-1));
  EXPECT_EQ(sizes, (std::set<std::int64_t>{10, 20}));

  auto unstar = sdk<GetStarBatchResponse>(
      [&](auto cb) { favor.getStarBatch(GetStarBatchBean(false, {StarFileRequest(a, std::nullopt)}), cb); });
  EXPECT_EQ(unstar.value().status, GetStarBatchResponse::BatchStatus::allSuccess);
  auto left = sdk<GetStarFilesResponse>([&](auto cb) { favor.getStarFiles(GetStarFilesBean(), cb); });
  ASSERT_EQ(left.value().starFileList->size(), 1u);
  EXPECT_EQ(left.value().starFileList->front().id, b);

  // Stars are the user's own.
  const std::string mine = token_;
  cloud().setToken(signInWithSdk("other-star-user"));
  auto theirs = sdk<GetStarFilesResponse>([&](auto cb) { favor.getStarFiles(GetStarFilesBean(), cb); });
  EXPECT_TRUE(theirs.value().starFileList->empty());
  cloud().setToken(mine);
}

TEST_F(EmulatorSdkTest, JobsProgressOverTimeAndCanBeCancelled) {
  IJob& jobs = cloud().getJobImpl();
  IFile& files = cloud().getFileImpl();
  CreateDirectoryBean folder;
  folder.fileName = "backup";
  const std::string backup = *sdk<CreateDirectoryResponse>([&](auto cb) { files.createDirectory(folder, cb); }).value().id;
  const std::string file = uploadWithFileOperations("data.csv", randomBytes(4000, 6), "root");

  CreateJobBean copy;
  copy.taskType = 1;
  copy.taskInfo = CreateTaskInfoReq(std::vector<FileInfo>{FileInfo(file, std::nullopt)}, backup, std::nullopt, std::nullopt);
  auto created = sdk<CreateJobsResponse>([&](auto cb) { jobs.createJobs(copy, cb); });
  ASSERT_TRUE(created.isSuccess()) << created.message();
  const std::string jobId = *created.value().data;

  GetJobDetailByIdBean byId;
  byId.jobId = jobId;
  auto detail = [&] {
    auto r = sdk<GetJobDetailByIdResponse>([&](auto cb) { jobs.getJobDetailById(byId, cb); });
    EXPECT_TRUE(r.isSuccess()) << r.message();
    return r.isSuccess() ? *r.value().data->jobInfo : JobDetailInfo();
  };
  EXPECT_EQ(detail().status, 0) << "waiting at first";
  clock_.advance(std::chrono::milliseconds(1000));
  const JobDetailInfo halfway = detail();
  EXPECT_EQ(halfway.status, 1);
  EXPECT_EQ(halfway.progress, 50);
  GetJobsBean running;
  running.status = 1;
  auto listed = sdk<GetJobsResponse>([&](auto cb) { jobs.getJobs(running, cb); });
  ASSERT_TRUE(listed.isSuccess()) << listed.message();
  ASSERT_EQ(listed.value().data->size(), 1u);
  EXPECT_EQ(listed.value().data->front().taskId, jobId);

  clock_.advance(std::chrono::milliseconds(1000));
  auto finished = sdk<GetJobDetailByIdResponse>([&](auto cb) { jobs.getJobDetailById(byId, cb); });
  ASSERT_TRUE(finished.isSuccess());
  EXPECT_EQ(finished.value().data->jobInfo->status, 2);
  EXPECT_EQ(finished.value().data->jobInfo->progress, 100);
  ASSERT_EQ(finished.value().data->taskInfos->size(), 1u);
  const TaskInfo task = finished.value().data->taskInfos->front();
  EXPECT_EQ(task.status, "2");
  EXPECT_EQ(task.newFilePath, "/backup/data.csv");
  FilesListBean inBackup;
  inBackup.type = "list";
  inBackup.parentFileId = backup;
  auto copied = sdk<FilesListResponse>([&](auto cb) { files.filesList(inBackup, cb); });
  ASSERT_EQ(copied.value().files->size(), 1u);
  EXPECT_EQ(copied.value().files->front().id, task.newFileId);
  EXPECT_EQ(sdk<GetSpaceResp>([&](auto cb) { cloud().getUserImpl().getSpace(GetSpaceBean(), cb); }).value().data->spaceUsed,
            8000);

  CancelJobsBean cancel;
  cancel.jobId = jobId;
  EXPECT_EQ(sdk<CancelJobsResponse>([&](auto cb) { jobs.cancelJobs(cancel, cb); }).code(), 409) << "already finished";

  // A move cancelled half way has no effect.
  CreateJobBean move;
  move.taskType = 2;
  move.taskInfo = CreateTaskInfoReq(std::vector<FileInfo>{FileInfo(file, std::nullopt)}, backup, std::nullopt, std::nullopt);
  const std::string moveId = *sdk<CreateJobsResponse>([&](auto cb) { jobs.createJobs(move, cb); }).value().data;
  clock_.advance(std::chrono::milliseconds(500));
  cancel.jobId = moveId;
  auto cancelled = sdk<CancelJobsResponse>([&](auto cb) { jobs.cancelJobs(cancel, cb); });
  ASSERT_TRUE(cancelled.isSuccess()) << cancelled.message();
  EXPECT_EQ(cancelled.value().data, moveId);
  clock_.advance(std::chrono::seconds(10));
  byId.jobId = moveId;
  EXPECT_EQ(detail().status, 4);
  EXPECT_EQ(detail().progress, 25);
  GetJobsBean moves;
  moves.type = 2;
  auto onlyMoves = sdk<GetJobsResponse>([&](auto cb) { jobs.getJobs(moves, cb); });
  ASSERT_EQ(onlyMoves.value().data->size(), 1u);
  EXPECT_EQ(onlyMoves.value().data->front().taskId, moveId);
  FilesPathBean where;
  where.fileId = file;
  EXPECT_EQ(sdk<FilesPathResponse>([&](auto cb) { files.filesPath(where, cb); }).value().namePath, "/data.csv");
}

}  // namespace
}  // namespace quillbox::test
