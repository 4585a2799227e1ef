#include "services/job/JobImpl.hpp"

#include "services/job/JobOperations.hpp"

namespace quillbox::services::job {

void JobImpl::cancelJobs(std::optional<CancelJobsBean> bean,
                         std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) {
  run<job::cancelJobs>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::createJobs(std::optional<CreateJobBean> bean,
                         std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) {
  run<job::createJobs>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                               std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) {
  run<job::getJobDetailById>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::getJobs(std::optional<GetJobsBean> bean, std::function<void(NetworkResult<GetJobsResponse>)> onCallback) {
  run<job::getJobs>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::services::job
