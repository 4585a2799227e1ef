#pragma once

#include "quillbox/services/job/JobRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class CancelJobsRequest final : public BaseReq<CancelJobsResponse> {
 public:
  explicit CancelJobsRequest(std::optional<CancelJobsBean> b) : _bean(std::move(b)) {}
  std::optional<CancelJobsBean> _bean;
  int buildParams() override;
};

class CreateJobsRequest final : public BaseReq<CreateJobsResponse> {
 public:
  explicit CreateJobsRequest(std::optional<CreateJobBean> b) : bean(std::move(b)) {}
  std::optional<CreateJobBean> bean;
  int buildParams() override;
};

class GetJobDetailByIdRequest final : public BaseReq<GetJobDetailByIdResponse> {
 public:
  explicit GetJobDetailByIdRequest(std::optional<GetJobDetailByIdBean> b) : _bean(std::move(b)) {}
  std::optional<GetJobDetailByIdBean> _bean;
  int buildParams() override;
};

class GetJobsRequest final : public BaseReq<GetJobsResponse> {
 public:
  explicit GetJobsRequest(std::optional<GetJobsBean> b) : bean(std::move(b)) {}
  std::optional<GetJobsBean> bean;
  int buildParams() override;
};

}  // namespace quillbox::request
