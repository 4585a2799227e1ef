#include "services/job/JobImpl.hpp"

#include "services/job/JobOperations.hpp"

namespace quillbox::request {

void JobImpl::cancelJobs(std::optional<CancelJobsBean> bean,
                         std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) {
  services::run<services::job::cancelJobs>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::createJobs(std::optional<CreateJobBean> bean,
                         std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) {
  services::run<services::job::createJobs>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                               std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) {
  services::run<services::job::getJobDetailById>(settings_, std::move(bean), std::move(onCallback));
}

void JobImpl::getJobs(std::optional<GetJobsBean> bean, std::function<void(NetworkResult<GetJobsResponse>)> onCallback) {
  services::run<services::job::getJobs>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::request
