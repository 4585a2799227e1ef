#pragma once

#include <functional>
#include <optional>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/job/JobRecords.hpp"

namespace quillbox {

/// Background jobs (such as extracting an archive): list, create, cancel and
/// read one in detail. Callbacks as for every service (see IFavor).
class IJob {
 public:
  virtual ~IJob() = default;

  /// POST /quillbox/ose/v1/cancel
  virtual void cancelJobs(std::optional<CancelJobsBean> bean,
                          std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/jobs
  virtual void createJobs(std::optional<CreateJobBean> bean,
                          std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/{jobId}
  virtual void getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                                std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/jobs
  virtual void getJobs(std::optional<GetJobsBean> bean,
                       std::function<void(NetworkResult<GetJobsResponse>)> onCallback) = 0;
};

}  // namespace quillbox
