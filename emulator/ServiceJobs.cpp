// Stars, and background jobs that copy or move files over time.

#include <algorithm>

#include "emulator/Service.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"

namespace quillbox::emulator {

namespace {

constexpr std::int64_t kCopy = 1;
constexpr std::int64_t kMove = 2;

// Job statuses.
constexpr std::int64_t kWaiting = 0, kRunning = 1, kSucceeded = 2, kFailed = 3, kCancelled = 4;

}  // namespace

// ---- stars ---------------------------------------------------------------------

void Service::addJobRoutes(RouteTable& t) {
  t.add({"GET", "star/files", [this](Call& c) { return starFiles(caller(c.req), c.query); }, true});
  t.add({"POST", "star/batch", [this](Call& c) { return starBatch(caller(c.req), c.req); }, true});
  t.add({"GET", "jobs", [this](Call& c) { return getJobs(caller(c.req), c.query); }, true});
  t.add({"POST", "jobs", [this](Call& c) { return createJob(caller(c.req), c.req); }, true});
  t.add({"POST", "cancel", [this](Call& c) { return cancelJob(caller(c.req), c.req); }, true});
  // A job's own id is the whole path.
  t.add({"GET", "+", [this](Call& c) { return jobDetail(caller(c.req), c.seg[0]); }, true});
}

HttpResponse Service::starFiles(const UserRec& u, const Query& q) {
  const std::int64_t type = queryInt(q, "sortType").value_or(1);
  const std::int64_t direction = queryInt(q, "sortDirection").value_or(2);
  if (type < 1 || type > 3) throw ApiError{400, "sortType is 1 (time starred), 2 (name) or 3 (size)"};
  if (direction != 1 && direction != 2) throw ApiError{400, "sortDirection is 1 (ascending) or 2 (descending)"};
  std::vector<std::pair<const NodeRec*, Millis>> starred;
  std::int64_t dropped = 0;
  auto it = state_.stars.find(u.userId);
  if (it != state_.stars.end()) {
    for (auto s = it->second.begin(); s != it->second.end();) {
      const NodeRec* n = state_.node(s->first);
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
  for (std::size_t i = page.first; i < page.last; ++i) list.push_back(starEntry(u, *starred[i].first, starred[i].second));
  GetStarFilesResponse resp;
  resp.starFileList = std::move(list);
  resp.autoDeleted = dropped;
  resp.nextCursor = page.next;
  return ok(std::move(resp));
}

HttpResponse Service::starBatch(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<GetStarBatchBean>(req);
  if (bean.subRequestList.size() > 1000) throw ApiError{400, "at most 1000 files at once"};
  auto& mine = state_.stars[u.userId];
  std::vector<SubResponse> results;
  std::size_t good = 0;
  for (const auto& item : bean.subRequestList) {
    SubResponse r;
    r.fileId = item.fileId.value_or("");
    const NodeRec* n = item.fileId ? state_.ownedNode(u, *item.fileId) : nullptr;
    if (!n || n->parentId.empty()) {
      r.code = "404";
      r.message = "no such file";
    } else if (item.containerId && !item.containerId->empty() && *item.containerId != u.containerId) {
      r.code = "404";
      r.message = "no such container";
    } else {
      if (bean.starred) mine.emplace(n->id, now());
      else mine.erase(n->id);
      r.code = "0";
      r.message = "success";
      ++good;
    }
    results.push_back(std::move(r));
  }
  if (good > 0) markDirty();
  GetStarBatchResponse resp;
  using S = GetStarBatchResponse::BatchStatus;
  resp.status = good == results.size() ? S::allSuccess : good == 0 ? S::allFailed : S::partialSuccess;
  resp.subResponseList = std::move(results);
  return ok(std::move(resp));
}

// ---- jobs ------------------------------------------------------------------------

std::int64_t Service::jobStatus(const JobRec& j) const {
  if (j.cancelled) return kCancelled;
  if (j.applied) {
    const bool anyDone = std::any_of(j.files.begin(), j.files.end(), [](const JobFile& f) { return f.status == "2"; });
    return anyDone || j.files.empty() ? kSucceeded : kFailed;
  }
  const Millis elapsed = now() - j.createTime;
  return elapsed < j.duration / 10 ? kWaiting : kRunning;
}

std::int64_t Service::jobProgress(const JobRec& j) const {
  if (j.applied) return 100;
  const Millis until = j.cancelled ? j.endTime : now();
  if (j.duration <= 0) return j.cancelled ? 0 : 100;
  return std::clamp<std::int64_t>((until - j.createTime) * 100 / j.duration, 0, 99);
}

void Service::settleJobs() {
  const Millis t = now();
  for (auto& [id, j] : state_.jobs) {
    if (j.applied || j.cancelled || t < j.createTime + j.duration) continue;
    applyJob(j);
  }
}

void Service::applyJob(JobRec& j) {
  j.applied = true;
  j.endTime = j.createTime + j.duration;
  auto owner = state_.users.find(j.userId);
  if (owner == state_.users.end()) return;
  UserRec& u = owner->second;
  const NodeRec* dest = state_.folderOf(u, j.destFolderId);
  const ClashPolicy policy = clashPolicy(j.actionType);
  for (auto& f : j.files) {
    auto failWith = [&](const char* code, std::string desc) {
      f.status = "3";
      f.resultCode = code;
      f.resultDesc = std::move(desc);
    };
    NodeRec* src = state_.ownedNode(u, f.fileId);
    if (!dest) {
      failWith("404", "the destination folder no longer exists");
      continue;
    }
    if (!src || src->parentId.empty()) {
      failWith("404", "no such file");
      continue;
    }
    if (src->folder && state_.isInside(dest->id, src->id)) {
      failWith("400", "a folder cannot go inside itself");
      continue;
    }
    if (j.taskType == kCopy) {
      std::int64_t bytes = 0;
      std::vector<const NodeRec*> stack{src};
      while (!stack.empty()) {
        const NodeRec* n = stack.back();
        stack.pop_back();
        bytes += n->folder ? 0 : n->size;
        auto kids = state_.children.find(n->id);
        if (kids == state_.children.end()) continue;
        for (const auto& k : kids->second) {
          if (const NodeRec* c = state_.node(k)) stack.push_back(c);
        }
      }
      if (bytes > u.capacity - u.spaceUsed) {
        failWith("507", "not enough space");
        continue;
      }
    }
    try {
      const std::string destId = dest->id;
      const std::string srcId = src->id;
      const NodeRec snapshot = *src;
      // A copy never replaces its own source: it takes a free name instead.
      const NodeRec* clash = state_.childNamed(destId, snapshot.name);
      const ClashPolicy effective =
          j.taskType == kCopy && clash && clash->id == srcId && policy == ClashPolicy::overwrite ? ClashPolicy::rename
                                                                                                 : policy;
      const std::string name = resolveClash(destId, snapshot.name, effective, j.taskType == kMove ? srcId : "");
      std::string newId;
      if (j.taskType == kCopy) {
        newId = copyTree(u, snapshot, destId, name);
      } else {
        NodeRec* moving = state_.node(srcId);
        if (!moving) {
          failWith("404", "no such file");
          continue;
        }
        moving->name = name;
        state_.move(*moving, destId);
        newId = srcId;
      }
      f.status = "2";
      f.resultCode = "0";
      f.resultDesc = "success";
      f.newFileId = newId;
      if (const NodeRec* made = state_.node(newId)) f.newFilePath = state_.namePath(*made);
      dest = state_.folderOf(u, j.destFolderId);
    } catch (const ApiError& e) {
      failWith(e.status == 409 ? "409" : "400", e.msg);
      dest = state_.folderOf(u, j.destFolderId);
    }
  }
  markDirty();
}

JobInfo Service::jobInfo(const JobRec& j) const {
  const std::int64_t status = jobStatus(j);
  const auto owner = state_.users.find(j.userId);
  const std::int64_t failed =
      std::count_if(j.files.begin(), j.files.end(), [](const JobFile& f) { return f.status == "3"; });
  const std::int64_t resultCode = status == kSucceeded ? (failed ? 1 : 0) : status == kFailed ? 2 : 0;
  return JobInfo(j.jobId, j.taskType, j.actionType, status, resultCode, resultCode,
                 static_cast<std::int64_t>(j.files.size()),
                 owner == state_.users.end() ? std::string() : owner->second.containerId, std::string("emulator"),
                 isoTime(j.createTime + j.duration / 10),
                 status >= kSucceeded ? std::optional<std::string>(isoTime(j.endTime)) : std::nullopt,
                 isoTime(j.createTime));
}

JobDetailInfo Service::jobDetailInfo(const JobRec& j) const {
  const JobInfo base = jobInfo(j);
  const std::string name = std::string(j.taskType == kCopy ? "copy " : "move ") + std::to_string(j.files.size()) +
                           (j.files.size() == 1 ? " item" : " items");
  return JobDetailInfo(j.jobId, name, j.userId, j.taskType, j.actionType, base.status, base.taskResultCode,
                       base.resultCode, jobProgress(j), std::nullopt, base.contentNum, base.containerId,
                       base.tenantId, base.beginTime, base.endTime, base.createTime);
}

HttpResponse Service::createJob(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CreateJobBean>(req);
  if (bean.taskType != kCopy && bean.taskType != kMove) {
    throw ApiError{400, "unsupported taskType " + std::to_string(bean.taskType) + ": 1 copies, 2 moves"};
  }
  checkContainer(u, bean.dstContainerId);
  if (!bean.taskInfo || !bean.taskInfo->fileInfo || bean.taskInfo->fileInfo->empty()) {
    throw ApiError{400, "taskInfo.fileInfo must list the files"};
  }
  checkContainer(u, bean.taskInfo->srcContainerId);
  if (!bean.taskInfo->newFilePath || bean.taskInfo->newFilePath->empty()) {
    throw ApiError{400, "taskInfo.newFilePath must name the destination folder's id"};
  }
  const NodeRec& dest = requireFolder(u, *bean.taskInfo->newFilePath);
  JobRec j;
  j.jobId = newId("job");
  j.userId = u.userId;
  j.taskType = bean.taskType;
  j.actionType = bean.actionType.value_or(2);
  j.destFolderId = dest.id;
  j.createTime = now();
  j.duration = config_.jobDuration;
  for (const auto& info : *bean.taskInfo->fileInfo) {
    if (!info.fileId || info.fileId->empty()) throw ApiError{400, "every fileInfo needs a fileId"};
    const NodeRec& n = requireNode(u, *info.fileId);
    JobFile f;
    f.fileId = n.id;
    f.filePath = state_.namePath(n);
    j.files.push_back(std::move(f));
  }
  const std::string id = j.jobId;
  state_.jobs[id] = std::move(j);
  if (config_.jobDuration <= 0) settleJobs();
  markDirty();
  CreateJobsResponse resp;
  resp.data = id;
  return ok(std::move(resp));
}

HttpResponse Service::cancelJob(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CancelJobsBean>(req);
  if (!bean.jobId || bean.jobId->empty()) throw ApiError{400, "jobId is required"};
  auto it = state_.jobs.find(*bean.jobId);
  if (it == state_.jobs.end() || it->second.userId != u.userId) throw ApiError{404, "no such job: " + *bean.jobId};
  JobRec& j = it->second;
  if (j.applied || j.cancelled) throw ApiError{409, "the job has already ended"};
  j.cancelled = true;
  j.endTime = now();
  for (auto& f : j.files) f.status = "4";
  markDirty();
  CancelJobsResponse resp;
  resp.data = j.jobId;
  return ok(std::move(resp));
}

HttpResponse Service::getJobs(const UserRec& u, const Query& q) {
  const std::int64_t offset = queryInt(q, "offset").value_or(0);
  const std::int64_t limit = queryInt(q, "limit").value_or(100);
  if (offset < 0 || limit < 0) throw ApiError{400, "offset and limit must not be negative"};
  const auto type = queryInt(q, "type");
  const auto status = queryInt(q, "status");
  std::vector<const JobRec*> mine;
  for (const auto& [id, j] : state_.jobs) {
    if (j.userId != u.userId) continue;
    if (type && *type != -1 && j.taskType != *type) continue;
    if (status && *status != -1 && jobStatus(j) != *status) continue;
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

HttpResponse Service::jobDetail(const UserRec& u, const std::string& jobId) {
  auto it = state_.jobs.find(jobId);
  if (it == state_.jobs.end() || it->second.userId != u.userId) {
    throw ApiError{404, "no such job or endpoint: " + jobId};
  }
  const JobRec& j = it->second;
  std::vector<TaskInfo> tasks;
  std::int64_t index = 0;
  const auto owner = state_.users.find(j.userId);
  const std::string container = owner == state_.users.end() ? std::string() : owner->second.containerId;
  const std::int64_t status = jobStatus(j);
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
