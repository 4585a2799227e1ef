#include "services/job/JobImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/job/JobRequests.hpp"

namespace quillbox::request {

void JobImpl::cancelJobs(std::optional<CancelJobsBean> bean,
                         std::function<void(NetworkResult<CancelJobsResponse>)> onCallback) {
  runRequest<CancelJobsRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void JobImpl::createJobs(std::optional<CreateJobBean> bean,
                         std::function<void(NetworkResult<CreateJobsResponse>)> onCallback) {
  runRequest<CreateJobsRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void JobImpl::getJobDetailById(std::optional<GetJobDetailByIdBean> bean,
                               std::function<void(NetworkResult<GetJobDetailByIdResponse>)> onCallback) {
  runRequest<GetJobDetailByIdRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void JobImpl::getJobs(std::optional<GetJobsBean> bean, std::function<void(NetworkResult<GetJobsResponse>)> onCallback) {
  runRequest<GetJobsRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

}  // namespace quillbox::request
