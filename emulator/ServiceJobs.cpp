// Stars, and background jobs that copy or move files over time.

#include <algorithm>

#include "emulator/Areas.hpp"
#include "emulator/Views.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"

namespace quillbox::emulator {

// ---- stars ---------------------------------------------------------------------

void JobsApi::addRoutes(RouteTable& t) {
  t.add({"GET", "star/files", [this](Call& c) { return starFiles(core_.caller(c.req), c.query); }, true});
  t.add({"POST", "star/batch", [this](Call& c) { return starBatch(core_.caller(c.req), c.req); }, true});
  t.add({"GET", "jobs", [this](Call& c) { return getJobs(core_.caller(c.req), c.query); }, true});
  t.add({"POST", "jobs", [this](Call& c) { return createJob(core_.caller(c.req), c.req); }, true});
  t.add({"POST", "cancel", [this](Call& c) { return cancelJob(core_.caller(c.req), c.req); }, true});
  // A job's own id is the whole path.
  t.add({"GET", "+", [this](Call& c) { return jobDetail(core_.caller(c.req), c.seg[0]); }, true});
}

HttpResponse JobsApi::starFiles(const UserRec& u, const Query& q) {
  const std::int64_t type = queryInt(q, "sortType").value_or(1);
  const std::int64_t direction = queryInt(q, "sortDirection").value_or(2);
  if (type < 1 || type > 3) throw ApiError{400, "sortType is 1 (time starred), 2 (name) or 3 (size)"};
  if (direction != 1 && direction != 2) throw ApiError{400, "sortDirection is 1 (ascending) or 2 (descending)"};
  std::vector<std::pair<const NodeRec*, Millis>> starred;
  std::int64_t dropped = 0;
  auto it = core_.state.stars.find(u.userId);
  if (it != core_.state.stars.end()) {
    for (auto s = it->second.begin(); s != it->second.end();) {
      const NodeRec* n = core_.state.node(s->first);
      if (!n || n->ownerId != u.userId) {
        s = it->second.erase(s);
        ++dropped;
        continue;
      }
      starred.emplace_back(n, s->second);
      ++s;
    }
  }
  std::stable_sort(starred.begin(), starred.end(), [&](const auto& a, const auto& b) {
    auto key = [&](const std::pair<const NodeRec*, Millis>& e) {
      return std::make_tuple(type == 1 ? e.second : 0, type == 3 ? e.first->size : 0,
                             type == 2 ? e.first->name : std::string(), e.first->id);
    };
    return direction == 1 ? key(a) < key(b) : key(b) < key(a);
  });
  const Page page = paginate(starred.size(), queryInt(q, "pageSize"), queryText(q, "pageCursor"), 100);
  std::vector<StarFileInfo> list;
  for (std::size_t i = page.first; i < page.last; ++i)
    list.push_back(starEntry(core_, u, *starred[i].first, starred[i].second));
  GetStarFilesResponse resp;
  resp.starFileList = std::move(list);
  resp.autoDeleted = dropped;
  resp.nextCursor = page.next;
  return ok(std::move(resp));
}

HttpResponse JobsApi::starBatch(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<GetStarBatchBean>(req);
  if (bean.subRequestList.size() > 1000) throw ApiError{400, "at most 1000 files at once"};
  auto& mine = core_.state.stars[u.userId];
  std::vector<SubResponse> results;
  std::size_t good = 0;
  for (const auto& item : bean.subRequestList) {
    SubResponse r;
    r.fileId = item.fileId.value_or("");
    const NodeRec* n = item.fileId ? core_.state.ownedNode(u, *item.fileId) : nullptr;
    if (!n || n->parentId.empty()) {
      r.code = "404";
      r.message = "no such file";
    } else if (item.containerId && !item.containerId->empty() && *item.containerId != u.containerId) {
      r.code = "404";
      r.message = "no such container";
    } else {
      if (bean.starred) mine.emplace(n->id, core_.now());
      else mine.erase(n->id);
      r.code = "0";
      r.message = "success";
      ++good;
    }
    results.push_back(std::move(r));
  }
  if (good > 0) core_.markDirty();
  GetStarBatchResponse resp;
  using S = GetStarBatchResponse::BatchStatus;
  resp.status = good == results.size() ? S::allSuccess : good == 0 ? S::allFailed : S::partialSuccess;
  resp.subResponseList = std::move(results);
  return ok(std::move(resp));
}

// ---- jobs ------------------------------------------------------------------------

std::int64_t JobsApi::jobProgress(const JobRec& j) const {
  if (j.applied) return 100;
  const Millis until = j.cancelled ? j.endTime : core_.now();
  if (j.duration <= 0) return j.cancelled ? 0 : 100;
  return std::clamp<std::int64_t>((until - j.createTime) * 100 / j.duration, 0, 99);
}

JobInfo JobsApi::jobInfo(const JobRec& j) const {
  const std::int64_t status = core_.jobStatus(j);
  const auto owner = core_.state.users.find(j.userId);
  const std::int64_t failed =
      std::count_if(j.files.begin(), j.files.end(), [](const JobFile& f) { return f.status == "3"; });
  const std::int64_t resultCode = status == kSucceeded ? (failed ? 1 : 0) : status == kFailed ? 2 : 0;
  return JobInfo(j.jobId, j.taskType, j.actionType, status, resultCode, resultCode,
                 static_cast<std::int64_t>(j.files.size()),
                 owner == core_.state.users.end() ? std::string() : owner->second.containerId, std::string("emulator"),
                 isoTime(j.createTime + j.duration / 10),
                 status >= kSucceeded ? std::optional<std::string>(isoTime(j.endTime)) : std::nullopt,
                 isoTime(j.createTime));
}

JobDetailInfo JobsApi::jobDetailInfo(const JobRec& j) const {
  const JobInfo base = jobInfo(j);
  const std::string name = std::string(j.taskType == kCopy ? "copy " : "move ") + std::to_string(j.files.size()) +
                           (j.files.size() == 1 ? " item" : " items");
  return JobDetailInfo(j.jobId, name, j.userId, j.taskType, j.actionType, base.status, base.taskResultCode,
                       base.resultCode, jobProgress(j), std::nullopt, base.contentNum, base.containerId,
                       base.tenantId, base.beginTime, base.endTime, base.createTime);
}

HttpResponse JobsApi::createJob(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CreateJobBean>(req);
  if (bean.taskType != kCopy && bean.taskType != kMove) {
    throw ApiError{400, "unsupported taskType " + std::to_string(bean.taskType) + ": 1 copies, 2 moves"};
  }
  core_.checkContainer(u, bean.dstContainerId);
  if (!bean.taskInfo || !bean.taskInfo->fileInfo || bean.taskInfo->fileInfo->empty()) {
    throw ApiError{400, "taskInfo.fileInfo must list the files"};
  }
  core_.checkContainer(u, bean.taskInfo->srcContainerId);
  if (!bean.taskInfo->newFilePath || bean.taskInfo->newFilePath->empty()) {
    throw ApiError{400, "taskInfo.newFilePath must name the destination folder's id"};
  }
  const NodeRec& dest = core_.requireFolder(u, *bean.taskInfo->newFilePath);
  JobRec j;
  j.jobId = core_.newId("job");
  j.userId = u.userId;
  j.taskType = bean.taskType;
  j.actionType = bean.actionType.value_or(2);
  j.destFolderId = dest.id;
  j.createTime = core_.now();
  j.duration = core_.config.jobDuration;
  for (const auto& info : *bean.taskInfo->fileInfo) {
    if (!info.fileId || info.fileId->empty()) throw ApiError{400, "every fileInfo needs a fileId"};
    const NodeRec& n = core_.requireNode(u, *info.fileId);
    JobFile f;
    f.fileId = n.id;
    f.filePath = core_.state.namePath(n);
    j.files.push_back(std::move(f));
  }
  const std::string id = j.jobId;
  core_.state.jobs[id] = std::move(j);
  if (core_.config.jobDuration <= 0) core_.settleJobs();
  core_.markDirty();
  CreateJobsResponse resp;
  resp.data = id;
  return ok(std::move(resp));
}

HttpResponse JobsApi::cancelJob(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CancelJobsBean>(req);
  if (!bean.jobId || bean.jobId->empty()) throw ApiError{400, "jobId is required"};
  auto it = core_.state.jobs.find(*bean.jobId);
  if (it == core_.state.jobs.end() || it->second.userId != u.userId) throw ApiError{404, "no such job: " + *bean.jobId};
  JobRec& j = it->second;
  if (j.applied || j.cancelled) throw ApiError{409, "the job has already ended"};
  j.cancelled = true;
  j.endTime = core_.now();
  for (auto& f : j.files) f.status = "4";
  core_.markDirty();
  CancelJobsResponse resp;
  resp.data = j.jobId;
  return ok(std::move(resp));
}

HttpResponse JobsApi::getJobs(const UserRec& u, const Query& q) {
  const std::int64_t offset = queryInt(q, "offset").value_or(0);
  const std::int64_t limit = queryInt(q, "limit").value_or(100);
  if (offset < 0 || limit < 0) throw ApiError{400, "offset and limit must not be negative"};
  const auto type = queryInt(q, "type");
  const auto status = queryInt(q, "status");
  std::vector<const JobRec*> mine;
  for (const auto& [id, j] : core_.state.jobs) {
    if (j.userId != u.userId) continue;
    if (type && *type != -1 && j.taskType != *type) continue;
    if (status && *status != -1 && core_.jobStatus(j) != *status) continue;
    mine.push_back(&j);
  }
  std::stable_sort(mine.begin(), mine.end(), [](const JobRec* a, const JobRec* b) {
    return std::tie(b->createTime, b->jobId) < std::tie(a->createTime, a->jobId);
  });
  std::vector<JobInfo> data;
  for (std::size_t i = static_cast<std::size_t>(offset);
       i < mine.size() && data.size() < static_cast<std::size_t>(std::min<std::int64_t>(limit, 1000)); ++i) {
    data.push_back(jobInfo(*mine[i]));
  }
  GetJobsResponse resp;
  resp.data = std::move(data);
  return ok(std::move(resp));
}

HttpResponse JobsApi::jobDetail(const UserRec& u, const std::string& jobId) {
  auto it = core_.state.jobs.find(jobId);
  if (it == core_.state.jobs.end() || it->second.userId != u.userId) {
    throw ApiError{404, "no such job or endpoint: " + jobId};
  }
  const JobRec& j = it->second;
  std::vector<TaskInfo> tasks;
  std::int64_t index = 0;
  const auto owner = core_.state.users.find(j.userId);
  const std::string container = owner == core_.state.users.end() ? std::string() : owner->second.containerId;
  const std::int64_t status = core_.jobStatus(j);
  for (const auto& f : j.files) {
    TaskInfo t;
    t.id = j.jobId + "." + std::to_string(++index);
    t.fileId = f.fileId;
    t.filePath = f.filePath;
    t.status = j.applied || j.cancelled ? f.status : std::to_string(status);
    if (!f.newFileId.empty()) t.newFileId = f.newFileId;
    if (!f.newFilePath.empty()) t.newFilePath = f.newFilePath;
    t.srcContainerId = container;
    if (!f.resultCode.empty()) t.resultCode = f.resultCode;
    if (!f.resultDesc.empty()) t.resultDesc = f.resultDesc;
    t.tenantId = "emulator";
    t.createTime = isoTime(j.createTime);
    tasks.push_back(std::move(t));
  }
  GetJobDetailByIdResponse resp;
  resp.data = JobDetailData(jobDetailInfo(j), std::move(tasks), std::nullopt);
  return ok(std::move(resp));
}

}  // namespace quillbox::emulator
