#include "quillbox/services/job/JobRecords.hpp"

#include "request/BaseResponseCodec.hpp"
#include "services/job/JobRecordsCodec.hpp"

namespace quillbox::json {

template <>
struct Record<GetJobsBean> {
  static constexpr auto fields = std::tuple{
      field("type", &GetJobsBean::type),
      field("status", &GetJobsBean::status),
      field("offset", &GetJobsBean::offset),
      field("limit", &GetJobsBean::limit),
  };
};

template <>
struct Record<JobInfo> {
  using J = JobInfo;
  static constexpr auto fields = std::tuple{
      field("taskId", &J::taskId),
      field("taskType", &J::taskType),
      field("actionType", &J::actionType),
      field("status", &J::status),
      field("taskResultCode", &J::taskResultCode),
      field("resultCode", &J::resultCode),
      field("contentNum", &J::contentNum),
      field("containerId", &J::containerId),
      field("tenantId", &J::tenantId),
      field("beginTime", &J::beginTime),
      field("endTime", &J::endTime),
      field("createTime", &J::createTime),
  };
};

template <>
struct Record<GetJobsResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{field("data", &GetJobsResponse::data)};
};

template <>
struct Record<FileInfo> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FileInfo::fileId),
      field("filePath", &FileInfo::filePath),
  };
};

template <>
struct Record<CreateTaskInfoReq> {
  using C = CreateTaskInfoReq;
  static constexpr auto fields = std::tuple{
      field("fileInfo", &C::fileInfo),
      field("newFilePath", &C::newFilePath),
      field("srcContainerId", &C::srcContainerId),
      field("uncompressFilePaths", &C::uncompressFilePaths),
  };
};

template <>
struct Record<CreateJobBean> {
  using C = CreateJobBean;
  static constexpr auto fields = std::tuple{
      field("taskType", &C::taskType),
      field("actionType", &C::actionType),
      field("taskInfo", &C::taskInfo),
      field("dstContainerId", &C::dstContainerId),
      field("password", &C::password),
  };
};

template <>
struct Record<CreateJobsResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{field("data", &CreateJobsResponse::data)};
};

template <>
struct Record<CancelJobsResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{field("data", &CancelJobsResponse::data)};
};

template <>
struct Record<CancelJobsBean> {
  static constexpr auto fields = std::tuple{field("jobId", &CancelJobsBean::jobId)};
};

template <>
struct Record<GetJobDetailByIdBean> {
  static constexpr auto fields = std::tuple{field("jobId", &GetJobDetailByIdBean::jobId)};
};

template <>
struct Record<JobDetailInfo> {
  using J = JobDetailInfo;
  static constexpr auto fields = std::tuple{
      field("taskId", &J::taskId),
      field("taskName", &J::taskName),
      field("userId", &J::userId),
      field("taskType", &J::taskType),
      field("actionType", &J::actionType),
      field("status", &J::status),
      field("taskResultCode", &J::taskResultCode),
      field("resultCode", &J::resultCode),
      field("progress", &J::progress),
      field("downloadUrl", &J::downloadUrl),
      field("contentNum", &J::contentNum),
      field("containerId", &J::containerId),
      field("tenantId", &J::tenantId),
      field("beginTime", &J::beginTime),
      field("endTime", &J::endTime),
      field("createTime", &J::createTime),
  };
};

template <>
struct Record<TaskInfo> {
  using T = TaskInfo;
  static constexpr auto fields = std::tuple{
      field("id", &T::id),
      field("fileId", &T::fileId),
      field("filePath", &T::filePath),
      field("status", &T::status),
      field("newFileId", &T::newFileId),
      field("newFilePath", &T::newFilePath),
      field("srcContainerId", &T::srcContainerId),
      field("resultCode", &T::resultCode),
      field("resultDesc", &T::resultDesc),
      field("tenantId", &T::tenantId),
      field("createTime", &T::createTime),
  };
};

template <>
struct Record<UncompressedFileInfo> {
  using U = UncompressedFileInfo;
  static constexpr auto fields = std::tuple{
      field("containerId", &U::containerId),
      field("fileId", &U::fileId),
      field("name", &U::name),
      field("fileSize", &U::fileSize),
      field("type", &U::type),
      field("updatedAt", &U::updatedAt),
      field("subFileList", &U::subFileList),
      
      field("reason", &U::reason),
      field("code", &U::code),
      scalarMap("reservationInfo", &U::reservationInfo),
  };
};

template <>
struct Record<JobDetailData> {
  using J = JobDetailData;
  static constexpr auto fields = std::tuple{
      field("jobInfo", &J::jobInfo),
      field("taskInfos", &J::taskInfos),
      field("uncompressedFileList", &J::uncompressedFileList),
  };
};

template <>
struct Record<GetJobDetailByIdResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{field("data", &GetJobDetailByIdResponse::data)};
};

template <>
struct Record<ShareJobInfo> {
  using S = ShareJobInfo;
  static constexpr auto fields = std::tuple{
      field("userId", &S::userId),
      field("taskId", &S::taskId),
      field("taskType", &S::taskType),
      field("taskStatus", &S::taskStatus),
      field("taskResultCode", &S::taskResultCode),
      field("createTime", &S::createTime),
      field("startTime", &S::startTime),
      field("endTime", &S::endTime),
      field("progress", &S::progress),
      field("downloadUrl", &S::downloadUrl),
  };
};

template <>
struct Record<ShareTaskInfo> {
  using S = ShareTaskInfo;
  static constexpr auto fields = std::tuple{
      field("fileId", &S::fileId),
      field("status", &S::status),
      field("newFileId", &S::newFileId),
      field("srcContainerId", &S::srcContainerId),
  };
};

template <>
struct Record<UncompressedFileinfoList> {
  using U = UncompressedFileinfoList;
  static constexpr auto fields = std::tuple{
      field("code", &U::code),
      field("name", &U::name),
      field("type", &U::type),
      field("updateAt", &U::updateAt),
      field("fileSize", &U::fileSize),
  };
};

template <>
struct Record<ArchiveData> {
  using A = ArchiveData;
  static constexpr auto fields = std::tuple{
      field("uncompressedFileList", &A::uncompressedFileList),
      field("taskKey", &A::taskKey),
      blobMap("taskValue", &A::taskValue),
      field("taskId", &A::taskId),
      field("progress", &A::progress),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(GetJobsBean)
QUILLBOX_RECORD_CODEC(JobInfo)
QUILLBOX_RECORD_CODEC(GetJobsResponse)
QUILLBOX_RECORD_CODEC(FileInfo)
QUILLBOX_RECORD_CODEC(CreateTaskInfoReq)
QUILLBOX_RECORD_CODEC(CreateJobBean)
QUILLBOX_RECORD_CODEC(CreateJobsResponse)
QUILLBOX_RECORD_CODEC(CancelJobsResponse)
QUILLBOX_RECORD_CODEC(CancelJobsBean)
QUILLBOX_RECORD_CODEC(GetJobDetailByIdBean)
QUILLBOX_RECORD_CODEC(JobDetailInfo)
QUILLBOX_RECORD_CODEC(TaskInfo)
QUILLBOX_RECORD_CODEC(UncompressedFileInfo)
QUILLBOX_RECORD_CODEC(JobDetailData)
QUILLBOX_RECORD_CODEC(GetJobDetailByIdResponse)
QUILLBOX_RECORD_CODEC(ShareJobInfo)
QUILLBOX_RECORD_CODEC(ShareTaskInfo)
QUILLBOX_RECORD_CODEC(UncompressedFileinfoList)
QUILLBOX_RECORD_CODEC(ArchiveData)
