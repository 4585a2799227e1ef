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

  /// Cancels a background job.
  ///
  /// `POST /quillbox/ose/v1/cancel`; the record is the body. `jobId` is required.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void cancelJobs(std::optional<CancelJobsBean> bean,
                          std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) = 0;
  /// Starts a background job (copy, move, extract an archive...).
  ///
  /// `POST /quillbox/ose/v1/jobs`; the record is the body. The kinds of task are the service's codes (see the
  /// emulator's table in docs).
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void createJobs(std::optional<CreateJobBean> bean,
                          std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) = 0;
  /// One job with its tasks.
  ///
  /// `GET /quillbox/ose/v1/{jobId}`: the id sits straight under the prefix. `jobId` is required and not empty.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                                std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) = 0;
  /// A page of the user's jobs, optionally by type and status.
  ///
  /// `GET /quillbox/ose/v1/jobs?offset&limit[&type][&status]`; a type or status of -1 is left out.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getJobs(std::optional<GetJobsBean> bean,
                       std::function<void(NetworkResult<GetJobsResponse>)> onCallback) = 0;
};

}  // namespace quillbox
