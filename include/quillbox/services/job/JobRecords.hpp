#pragma once
// Records of the background job service: listing jobs, creating and
// cancelling one, and reading one job in detail (for example an archive
// extraction with its per-file tasks). Job types, action types, statuses and
// result codes belong to the server; the library passes them through.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/JSONValue.hpp"
#include "quillbox/util/Box.hpp"

namespace quillbox {

/// Asks for one page of jobs. Sent as query items, never as a JSON body;
/// -1 in `type` or `status` means no filter.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetJobsBean r;
/// r.type = ...;`.
struct GetJobsBean {
  /// Job type filter; -1 means no filter. Always on the wire; -1 by default.
  std::int64_t type = -1;
  /// Status filter; -1 means no filter. Always on the wire; -1 by default.
  std::int64_t status = -1;
  /// Paging offset. Always on the wire; 0 by default.
  std::int64_t offset = 0;
  /// Page size. Always on the wire; 100 by default.
  std::int64_t limit = 100;

  /// Every optional field absent and every required one at its default.
  GetJobsBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetJobsBean&, const GetJobsBean&) = default;
};

/// One job of a listing.
///
/// Not an aggregate (it declares constructors): build it field by field, `JobInfo r; r.taskId = ...;`.
struct JobInfo {
  std::optional<std::string> taskId;  ///< job id
  /// Job type.
  std::optional<std::int64_t> taskType;
  /// Action type.
  std::optional<std::int64_t> actionType;
  /// Status.
  std::optional<std::int64_t> status;
  /// Job result code.
  std::optional<std::int64_t> taskResultCode;
  /// Result code.
  std::optional<std::int64_t> resultCode;
  std::optional<std::int64_t> contentNum;  ///< number of items
  /// Container.
  std::optional<std::string> containerId;
  /// Tenant.
  std::optional<std::string> tenantId;
  /// Start time.
  std::optional<std::string> beginTime;
  /// End time.
  std::optional<std::string> endTime;
  /// Creation time.
  std::optional<std::string> createTime;

  /// Every optional field absent and every required one at its default.
  JobInfo() = default;
  /// Sets every field, in declaration order.
  JobInfo(std::optional<std::string> taskId, std::optional<std::int64_t> taskType,
          std::optional<std::int64_t> actionType, std::optional<std::int64_t> status,
          std::optional<std::int64_t> taskResultCode, std::optional<std::int64_t> resultCode,
          std::optional<std::int64_t> contentNum, std::optional<std::string> containerId,
          std::optional<std::string> tenantId, std::optional<std::string> beginTime,
          std::optional<std::string> endTime, std::optional<std::string> createTime)
      : taskId(std::move(taskId)),
        taskType(taskType),
        actionType(actionType),
        status(status),
        taskResultCode(taskResultCode),
        resultCode(resultCode),
        contentNum(contentNum),
        containerId(std::move(containerId)),
        tenantId(std::move(tenantId)),
        beginTime(std::move(beginTime)),
        endTime(std::move(endTime)),
        createTime(std::move(createTime)) {}

  /// Equal when every field is equal.
  friend bool operator==(const JobInfo&, const JobInfo&) = default;
};

/// Answer to `getJobs`: one page of jobs.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetJobsResponse r; r.data = ...;`.
struct GetJobsResponse : BaseResponse {
  /// The answer's payload.
  std::optional<std::vector<JobInfo>> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetJobsResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  GetJobsResponse(std::optional<std::vector<JobInfo>> data, std::optional<std::int64_t> code,
                  std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetJobsResponse&, const GetJobsResponse&) = default;
};

/// A file a new job works on.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileInfo r; r.fileId = ...;`.
struct FileInfo {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Path of the file.
  std::optional<std::string> filePath;

  /// Every optional field absent and every required one at its default.
  FileInfo() = default;
  /// Sets every field, in declaration order.
  FileInfo(std::optional<std::string> fileId, std::optional<std::string> filePath)
      : fileId(std::move(fileId)), filePath(std::move(filePath)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileInfo&, const FileInfo&) = default;
};

/// What a new job works on.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CreateTaskInfoReq
/// r; r.fileInfo = ...;`.
struct CreateTaskInfoReq {
  /// The files the job works on.
  std::optional<std::vector<FileInfo>> fileInfo;
  /// Destination folder.
  std::optional<std::string> newFilePath;
  /// Container the files come from.
  std::optional<std::string> srcContainerId;
  /// Paths to extract from an archive.
  std::optional<std::vector<std::string>> uncompressFilePaths;

  /// Every optional field absent and every required one at its default.
  CreateTaskInfoReq() = default;
  /// Sets every field, in declaration order.
  CreateTaskInfoReq(std::optional<std::vector<FileInfo>> fileInfo, std::optional<std::string> newFilePath,
                    std::optional<std::string> srcContainerId,
                    std::optional<std::vector<std::string>> uncompressFilePaths)
      : fileInfo(std::move(fileInfo)),
        newFilePath(std::move(newFilePath)),
        srcContainerId(std::move(srcContainerId)),
        uncompressFilePaths(std::move(uncompressFilePaths)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CreateTaskInfoReq&, const CreateTaskInfoReq&) = default;
};

/// Creates a job. `password` (for the job's input) is passed through as given.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CreateJobBean r;
/// r.taskType = ...;`.
struct CreateJobBean {
  /// Job type. Always on the wire; -1 by default.
  std::int64_t taskType = -1;
  /// Action type.
  std::optional<std::int64_t> actionType;
  /// What the job works on.
  std::optional<CreateTaskInfoReq> taskInfo;
  /// Destination container.
  std::optional<std::string> dstContainerId;
  /// Password for the job's input, passed through as the caller supplies it.
  std::optional<std::string> password;

  /// Every optional field absent and every required one at its default.
  CreateJobBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const CreateJobBean&, const CreateJobBean&) = default;
};

/// The answer to creating a job; `data` is the result as text.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `CreateJobsResponse r; r.data = ...;`.
struct CreateJobsResponse : BaseResponse {
  /// The result data as text.
  std::optional<std::string> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  CreateJobsResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  CreateJobsResponse(std::optional<std::string> data, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CreateJobsResponse&, const CreateJobsResponse&) = default;
};

/// The answer to cancelling a job; `data` is the result as text.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `CancelJobsResponse r; r.data = ...;`.
struct CancelJobsResponse : BaseResponse {
  /// The answer's payload.
  std::optional<std::string> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  CancelJobsResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  CancelJobsResponse(std::optional<std::string> data, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CancelJobsResponse&, const CancelJobsResponse&) = default;
};

/// Cancels the job `jobId` (which must be present for the request to be sent).
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CancelJobsBean r;
/// r.jobId = ...;`.
struct CancelJobsBean {
  /// Id of the job; must be present.
  std::optional<std::string> jobId;

  /// Every optional field absent and every required one at its default.
  CancelJobsBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const CancelJobsBean&, const CancelJobsBean&) = default;
};

/// Reads the job `jobId` (which must be present for the request to be sent).
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field,
/// `GetJobDetailByIdBean r; r.jobId = ...;`.
struct GetJobDetailByIdBean {
  /// Id of the job.
  std::optional<std::string> jobId;

  /// Every optional field absent and every required one at its default.
  GetJobDetailByIdBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetJobDetailByIdBean&, const GetJobDetailByIdBean&) = default;
};

/// A job as its detail shows it.
///
/// Not an aggregate (it declares constructors): build it field by field, `JobDetailInfo r; r.taskId = ...;`.
struct JobDetailInfo {
  /// Job id.
  std::optional<std::string> taskId;
  /// Job name.
  std::optional<std::string> taskName;
  /// Owner.
  std::optional<std::string> userId;
  /// Job type.
  std::optional<std::int64_t> taskType;
  /// Action type.
  std::optional<std::int64_t> actionType;
  /// Status.
  std::optional<std::int64_t> status;
  /// Job result code.
  std::optional<std::int64_t> taskResultCode;
  /// Result code.
  std::optional<std::int64_t> resultCode;
  /// Progress.
  std::optional<std::int64_t> progress;
  std::optional<std::string> downloadUrl;  ///< address of the job's output
  /// Number of items.
  std::optional<std::int64_t> contentNum;
  /// Container.
  std::optional<std::string> containerId;
  /// Tenant.
  std::optional<std::string> tenantId;
  /// Start time.
  std::optional<std::string> beginTime;
  /// End time.
  std::optional<std::string> endTime;
  /// Creation time.
  std::optional<std::string> createTime;

  /// Every optional field absent and every required one at its default.
  JobDetailInfo() = default;
  /// Sets every field, in declaration order.
  JobDetailInfo(std::optional<std::string> taskId, std::optional<std::string> taskName,
                std::optional<std::string> userId, std::optional<std::int64_t> taskType,
                std::optional<std::int64_t> actionType, std::optional<std::int64_t> status,
                std::optional<std::int64_t> taskResultCode, std::optional<std::int64_t> resultCode,
                std::optional<std::int64_t> progress, std::optional<std::string> downloadUrl,
                std::optional<std::int64_t> contentNum, std::optional<std::string> containerId,
                std::optional<std::string> tenantId, std::optional<std::string> beginTime,
                std::optional<std::string> endTime, std::optional<std::string> createTime)
      : taskId(std::move(taskId)),
        taskName(std::move(taskName)),
        userId(std::move(userId)),
        taskType(taskType),
        actionType(actionType),
        status(status),
        taskResultCode(taskResultCode),
        resultCode(resultCode),
        progress(progress),
        downloadUrl(std::move(downloadUrl)),
        contentNum(contentNum),
        containerId(std::move(containerId)),
        tenantId(std::move(tenantId)),
        beginTime(std::move(beginTime)),
        endTime(std::move(endTime)),
        createTime(std::move(createTime)) {}

  /// Equal when every field is equal.
  friend bool operator==(const JobDetailInfo&, const JobDetailInfo&) = default;
};

/// One file handled by a job. Status and result code are text here.
///
/// Not an aggregate (it declares constructors): build it field by field, `TaskInfo r; r.id = ...;`.
struct TaskInfo {
  /// Id.
  std::optional<std::string> id;
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Path of the file.
  std::optional<std::string> filePath;
  /// Status (the service's code).
  std::optional<std::string> status;
  /// Id of the resulting file.
  std::optional<std::string> newFileId;
  /// Destination folder.
  std::optional<std::string> newFilePath;
  /// Container the files come from.
  std::optional<std::string> srcContainerId;
  /// Result code of the task (the service's code).
  std::optional<std::string> resultCode;
  /// Result description of the task.
  std::optional<std::string> resultDesc;
  /// Tenant.
  std::optional<std::string> tenantId;
  /// Creation time.
  std::optional<std::string> createTime;

  /// Every optional field absent and every required one at its default.
  TaskInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const TaskInfo&, const TaskInfo&) = default;
};

/// One entry of an archive's contents. "subFileList" holds a single nested
/// entry (an object, not an array). "reservationInfo" keeps only the string,
/// integer, double and boolean values of its object; anything else there is
/// dropped without failing the answer.
///
/// Not an aggregate (it declares constructors): build it field by field, `UncompressedFileInfo r; r.containerId =
/// ...;`.
struct UncompressedFileInfo {
  /// Container.
  std::optional<std::string> containerId;
  /// File id.
  std::optional<std::string> fileId;
  /// Entry name.
  std::optional<std::string> name;
  /// Size in bytes.
  std::optional<std::int64_t> fileSize;
  /// Entry type.
  std::optional<std::int64_t> type;
  /// Update time (a number).
  std::optional<std::int64_t> updatedAt;
  /// One nested entry (a single object, not an array), recursively.
  std::optional<Box<UncompressedFileInfo>> subFileList;
  /// Reason text.
  std::optional<std::string> reason;
  /// Code.
  std::optional<std::string> code;
  /// Free-form object of the service, read key by key: each value is kept as text, integer,
  /// number or bool, in that order of trial; a value of another kind is dropped.
  std::optional<JSONObject> reservationInfo;

  /// Every optional field absent and every required one at its default.
  UncompressedFileInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const UncompressedFileInfo&, const UncompressedFileInfo&) = default;
};

/// The detail of one job: the job itself, its per-file tasks and, for an
/// archive, the archive's contents.
///
/// Not an aggregate (it declares constructors): build it field by field, `JobDetailData r; r.jobInfo = ...;`.
struct JobDetailData {
  /// The job.
  std::optional<JobDetailInfo> jobInfo;
  /// The job's tasks.
  std::optional<std::vector<TaskInfo>> taskInfos;
  /// Entries of an archive.
  std::optional<std::vector<UncompressedFileInfo>> uncompressedFileList;

  /// Every optional field absent and every required one at its default.
  JobDetailData() = default;
  /// Sets every field, in declaration order.
  JobDetailData(std::optional<JobDetailInfo> jobInfo, std::optional<std::vector<TaskInfo>> taskInfos,
                std::optional<std::vector<UncompressedFileInfo>> uncompressedFileList)
      : jobInfo(std::move(jobInfo)),
        taskInfos(std::move(taskInfos)),
        uncompressedFileList(std::move(uncompressedFileList)) {}

  /// Equal when every field is equal.
  friend bool operator==(const JobDetailData&, const JobDetailData&) = default;
};

/// Answer to `getJobDetailById`: one job with its tasks.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetJobDetailByIdResponse r; r.data = ...;`.
struct GetJobDetailByIdResponse : BaseResponse {
  /// The answer's payload.
  std::optional<JobDetailData> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetJobDetailByIdResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  GetJobDetailByIdResponse(std::optional<JobDetailData> data, std::optional<std::int64_t> code,
                           std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetJobDetailByIdResponse&, const GetJobDetailByIdResponse&) = default;
};

// ---- records no operation uses, kept for hosts ---------------------------------

/// A share job. Built by decoding.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareJobInfo r; r.userId = ...;`.
struct ShareJobInfo {
  /// Id of the user.
  std::optional<std::string> userId;
  /// Id of the task.
  std::optional<std::string> taskId;
  /// Kind of task (the service's code; see the emulator's table in docs).
  std::optional<std::int64_t> taskType;
  /// Status of the task (the service's code).
  std::optional<std::int64_t> taskStatus;
  /// Result code of the task (the service's code).
  std::optional<std::int64_t> taskResultCode;
  /// Creation time.
  std::optional<std::string> createTime;
  /// Start time.
  std::optional<std::string> startTime;
  /// End time.
  std::optional<std::string> endTime;
  /// Progress of the job.
  std::optional<std::int64_t> progress;
  /// Download address.
  std::optional<std::string> downloadUrl;

  /// Every optional field absent and every required one at its default.
  ShareJobInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareJobInfo&, const ShareJobInfo&) = default;
};

/// One file of a share job.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareTaskInfo r; r.fileId = ...;`.
struct ShareTaskInfo {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Status (the service's code).
  std::optional<std::string> status;
  /// Id of the resulting file.
  std::optional<std::string> newFileId;
  /// Container the files come from.
  std::optional<std::string> srcContainerId;

  /// Every optional field absent and every required one at its default.
  ShareTaskInfo() = default;
  /// Sets every field, in declaration order.
  ShareTaskInfo(std::optional<std::string> fileId, std::optional<std::string> status,
                std::optional<std::string> newFileId, std::optional<std::string> srcContainerId)
      : fileId(std::move(fileId)),
        status(std::move(status)),
        newFileId(std::move(newFileId)),
        srcContainerId(std::move(srcContainerId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const ShareTaskInfo&, const ShareTaskInfo&) = default;
};

/// An archive entry with every field as text.
///
/// Not an aggregate (it declares constructors): build it field by field, `UncompressedFileinfoList r; r.code =
/// ...;`.
struct UncompressedFileinfoList {
  /// The service's code.
  std::optional<std::string> code;
  /// Name.
  std::optional<std::string> name;
  /// Type (the service's code).
  std::optional<std::string> type;
  /// Last update time.
  std::optional<std::string> updateAt;
  /// Size in bytes.
  std::optional<std::string> fileSize;

  /// Every optional field absent and every required one at its default.
  UncompressedFileinfoList() = default;

  /// Equal when every field is equal.
  friend bool operator==(const UncompressedFileinfoList&, const UncompressedFileinfoList&) = default;
};

/// The state of an archive job. "taskValue" is any JSON value, carried as
/// Base64 of its JSON text.
///
/// Not an aggregate (it declares constructors): build it field by field, `ArchiveData r; r.uncompressedFileList =
/// ...;`.
struct ArchiveData {
  /// Entries of an archive.
  std::optional<UncompressedFileinfoList> uncompressedFileList;
  /// Key of the task.
  std::optional<std::string> taskKey;
  /// Value of the task, any JSON.
  std::optional<JSONValue> taskValue;
  /// Id of the task.
  std::optional<std::string> taskId;
  /// Progress of the job.
  std::int64_t progress = 0;

  /// Every optional field absent and every required one at its default.
  ArchiveData() = default;
  /// Sets every field, in declaration order.
  ArchiveData(std::optional<UncompressedFileinfoList> uncompressedFileList, std::optional<std::string> taskKey,
              std::optional<JSONValue> taskValue, std::optional<std::string> taskId, std::int64_t progress)
      : uncompressedFileList(std::move(uncompressedFileList)),
        taskKey(std::move(taskKey)),
        taskValue(std::move(taskValue)),
        taskId(std::move(taskId)),
        progress(progress) {}

  /// Equal when every field is equal.
  friend bool operator==(const ArchiveData&, const ArchiveData&) = default;
};

}  // namespace quillbox
