#pragma once

#include "quillbox/services/job/IJob.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::job {

/// IJob over the operations of JobOperations.hpp.
class JobImpl final : public IJob {
 public:
  explicit JobImpl(const request::Settings& settings) : settings_(settings) {}
  void cancelJobs(std::optional<CancelJobsBean> bean,
                  std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) override;
  void createJobs(std::optional<CreateJobBean> bean,
                  std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) override;
  void getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                        std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) override;
  void getJobs(std::optional<GetJobsBean> bean,
               std::function<void(NetworkResult<GetJobsResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::job
