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
struct GetJobsBean {
  std::int64_t type = -1;
  std::int64_t status = -1;
  std::int64_t offset = 0;
  std::int64_t limit = 100;

  GetJobsBean() = default;

  friend bool operator==(const GetJobsBean&, const GetJobsBean&) = default;
};

/// One job of a listing.
struct JobInfo {
  std::optional<std::string> taskId;  ///< job id
  std::optional<std::int64_t> taskType;
  std::optional<std::int64_t> actionType;
  std::optional<std::int64_t> status;
  std::optional<std::int64_t> taskResultCode;
  std::optional<std::int64_t> resultCode;
  std::optional<std::int64_t> contentNum;  ///< number of items
  std::optional<std::string> containerId;
  std::optional<std::string> tenantId;
  std::optional<std::string> beginTime;
  std::optional<std::string> endTime;
  std::optional<std::string> createTime;

  JobInfo() = default;
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

  friend bool operator==(const JobInfo&, const JobInfo&) = default;
};

struct GetJobsResponse : BaseResponse {
  std::optional<std::vector<JobInfo>> data;

  using BaseResponse::BaseResponse;
  GetJobsResponse() = default;
  GetJobsResponse(std::optional<std::vector<JobInfo>> data, std::optional<std::int64_t> code,
                  std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const GetJobsResponse&, const GetJobsResponse&) = default;
};

/// A file a new job works on.
struct FileInfo {
  std::optional<std::string> fileId;
  std::optional<std::string> filePath;

  FileInfo() = default;
  FileInfo(std::optional<std::string> fileId, std::optional<std::string> filePath)
      : fileId(std::move(fileId)), filePath(std::move(filePath)) {}

  friend bool operator==(const FileInfo&, const FileInfo&) = default;
};

/// What a new job works on.
struct CreateTaskInfoReq {
  std::optional<std::vector<FileInfo>> fileInfo;
  std::optional<std::string> newFilePath;
  std::optional<std::string> srcContainerId;
  std::optional<std::vector<std::string>> uncompressFilePaths;

  CreateTaskInfoReq() = default;
  CreateTaskInfoReq(std::optional<std::vector<FileInfo>> fileInfo, std::optional<std::string> newFilePath,
                    std::optional<std::string> srcContainerId,
                    std::optional<std::vector<std::string>> uncompressFilePaths)
      : fileInfo(std::move(fileInfo)),
        newFilePath(std::move(newFilePath)),
        srcContainerId(std::move(srcContainerId)),
        uncompressFilePaths(std::move(uncompressFilePaths)) {}

  friend bool operator==(const CreateTaskInfoReq&, const CreateTaskInfoReq&) = default;
};

/// Creates a job. `password` (for the job's input) is passed through as given.
struct CreateJobBean {
  std::int64_t taskType = -1;
  std::optional<std::int64_t> actionType;
  std::optional<CreateTaskInfoReq> taskInfo;
  std::optional<std::string> dstContainerId;
  std::optional<std::string> password;

  CreateJobBean() = default;

  friend bool operator==(const CreateJobBean&, const CreateJobBean&) = default;
};

/// The answer to creating a job; `data` is the result as text.
struct CreateJobsResponse : BaseResponse {
  std::optional<std::string> data;

  using BaseResponse::BaseResponse;
  CreateJobsResponse() = default;
  CreateJobsResponse(std::optional<std::string> data, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const CreateJobsResponse&, const CreateJobsResponse&) = default;
};

/// The answer to cancelling a job; `data` is the result as text.
struct CancelJobsResponse : BaseResponse {
  std::optional<std::string> data;

  using BaseResponse::BaseResponse;
  CancelJobsResponse() = default;
  CancelJobsResponse(std::optional<std::string> data, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const CancelJobsResponse&, const CancelJobsResponse&) = default;
};

/// Cancels the job `jobId` (which must be present for the request to be sent).
struct CancelJobsBean {
  std::optional<std::string> jobId;

  CancelJobsBean() = default;

  friend bool operator==(const CancelJobsBean&, const CancelJobsBean&) = default;
};

/// Reads the job `jobId` (which must be present for the request to be sent).
struct GetJobDetailByIdBean {
  std::optional<std::string> jobId;

  GetJobDetailByIdBean() = default;

  friend bool operator==(const GetJobDetailByIdBean&, const GetJobDetailByIdBean&) = default;
};

/// A job as its detail shows it.
struct JobDetailInfo {
  std::optional<std::string> taskId;
  std::optional<std::string> taskName;
  std::optional<std::string> userId;
  std::optional<std::int64_t> taskType;
  std::optional<std::int64_t> actionType;
  std::optional<std::int64_t> status;
  std::optional<std::int64_t> taskResultCode;
  std::optional<std::int64_t> resultCode;
  std::optional<std::int64_t> progress;
  std::optional<std::string> downloadUrl;  ///< address of the job's output
  std::optional<std::int64_t> contentNum;
  std::optional<std::string> containerId;
  std::optional<std::string> tenantId;
  std::optional<std::string> beginTime;
  std::optional<std::string> endTime;
  std::optional<std::string> createTime;

  JobDetailInfo() = default;
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

  friend bool operator==(const JobDetailInfo&, const JobDetailInfo&) = default;
};

/// One file handled by a job. Status and result code are text here.
struct TaskInfo {
  std::optional<std::string> id;
  std::optional<std::string> fileId;
  std::optional<std::string> filePath;
  std::optional<std::string> status;
  std::optional<std::string> newFileId;
  std::optional<std::string> newFilePath;
  std::optional<std::string> srcContainerId;
  std::optional<std::string> resultCode;
  std::optional<std::string> resultDesc;
  std::optional<std::string> tenantId;
  std::optional<std::string> createTime;

  TaskInfo() = default;

  friend bool operator==(const TaskInfo&, const TaskInfo&) = default;
};

/// One entry of an archive's contents. "subFileList" holds a single nested
/// entry (an object, not an array). "reservationInfo" keeps only the string,
/// integer, double and boolean values of its object; anything else there is
/// dropped without failing the answer.
struct UncompressedFileInfo {
  std::optional<std::string> containerId;
  std::optional<std::string> fileId;
  std::optional<std::string> name;
  std::optional<std::int64_t> fileSize;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> updatedAt;
  std::optional<Box<UncompressedFileInfo>> subFileList;
  std::optional<std::string> reason;
  std::optional<std::string> code;
  std::optional<JSONObject> reservationInfo;

  UncompressedFileInfo() = default;

  friend bool operator==(const UncompressedFileInfo&, const UncompressedFileInfo&) = default;
};

/// The detail of one job: the job itself, its per-file tasks and, for an
/// archive, the archive's contents.
struct JobDetailData {
  std::optional<JobDetailInfo> jobInfo;
  std::optional<std::vector<TaskInfo>> taskInfos;
  std::optional<std::vector<UncompressedFileInfo>> uncompressedFileList;

  JobDetailData() = default;
  JobDetailData(std::optional<JobDetailInfo> jobInfo, std::optional<std::vector<TaskInfo>> taskInfos,
                std::optional<std::vector<UncompressedFileInfo>> uncompressedFileList)
      : jobInfo(std::move(jobInfo)),
        taskInfos(std::move(taskInfos)),
        uncompressedFileList(std::move(uncompressedFileList)) {}

  friend bool operator==(const JobDetailData&, const JobDetailData&) = default;
};

struct GetJobDetailByIdResponse : BaseResponse {
  std::optional<JobDetailData> data;

  using BaseResponse::BaseResponse;
  GetJobDetailByIdResponse() = default;
  GetJobDetailByIdResponse(std::optional<JobDetailData> data, std::optional<std::int64_t> code,
                           std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const GetJobDetailByIdResponse&, const GetJobDetailByIdResponse&) = default;
};

// ---- records no operation uses, kept for hosts ---------------------------------

/// A share job. Built by decoding.
struct ShareJobInfo {
  std::optional<std::string> userId;
  std::optional<std::string> taskId;
  std::optional<std::int64_t> taskType;
  std::optional<std::int64_t> taskStatus;
  std::optional<std::int64_t> taskResultCode;
  std::optional<std::string> createTime;
  std::optional<std::string> startTime;
  std::optional<std::string> endTime;
  std::optional<std::int64_t> progress;
  std::optional<std::string> downloadUrl;

  ShareJobInfo() = default;

  friend bool operator==(const ShareJobInfo&, const ShareJobInfo&) = default;
};

/// One file of a share job.
struct ShareTaskInfo {
  std::optional<std::string> fileId;
  std::optional<std::string> status;
  std::optional<std::string> newFileId;
  std::optional<std::string> srcContainerId;

  ShareTaskInfo() = default;
  ShareTaskInfo(std::optional<std::string> fileId, std::optional<std::string> status,
                std::optional<std::string> newFileId, std::optional<std::string> srcContainerId)
      : fileId(std::move(fileId)),
        status(std::move(status)),
        newFileId(std::move(newFileId)),
        srcContainerId(std::move(srcContainerId)) {}

  friend bool operator==(const ShareTaskInfo&, const ShareTaskInfo&) = default;
};

/// An archive entry with every field as text.
struct UncompressedFileinfoList {
  std::optional<std::string> code;
  std::optional<std::string> name;
  std::optional<std::string> type;
  std::optional<std::string> updateAt;
  std::optional<std::string> fileSize;

  UncompressedFileinfoList() = default;

  friend bool operator==(const UncompressedFileinfoList&, const UncompressedFileinfoList&) = default;
};

/// The state of an archive job. "taskValue" is any JSON value, carried as
/// Base64 of its JSON text.
struct ArchiveData {
  std::optional<UncompressedFileinfoList> uncompressedFileList;
  std::optional<std::string> taskKey;
  std::optional<JSONValue> taskValue;
  std::optional<std::string> taskId;
  std::int64_t progress = 0;

  ArchiveData() = default;
  ArchiveData(std::optional<UncompressedFileinfoList> uncompressedFileList, std::optional<std::string> taskKey,
              std::optional<JSONValue> taskValue, std::optional<std::string> taskId, std::int64_t progress)
      : uncompressedFileList(std::move(uncompressedFileList)),
        taskKey(std::move(taskKey)),
        taskValue(std::move(taskValue)),
        taskId(std::move(taskId)),
        progress(progress) {}

  friend bool operator==(const ArchiveData&, const ArchiveData&) = default;
};

}  // namespace quillbox
