#include "services/job/JobRequests.hpp"

#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"
#include "services/BodyEncoding.hpp"

namespace quillbox::request {

int CancelJobsRequest::buildParams() {
  if (!_bean || !_bean->jobId) return -1;
  return setJsonBody(*this, std::string(kApiPrefix) + "cancel", *_bean);
}

int CreateJobsRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, std::string(kApiPrefix) + "jobs", *bean);
}

int GetJobDetailByIdRequest::buildParams() {
  if (!_bean || !isUsableSegment(_bean->jobId)) return -1;
  // The job id sits straight under the prefix.
  url = std::string(kApiPrefix) + encodePathSegment(*_bean->jobId);
  params = std::string();
  body.reset();
  return 0;
}

int GetJobsRequest::buildParams() {
  if (!bean) return -1;
  url = std::string(kApiPrefix) + "jobs";
  QueryBuilder query;
  query.add("offset", bean->offset).add("limit", bean->limit);
  if (bean->type != -1) query.add("type", bean->type);
  if (bean->status != -1) query.add("status", bean->status);
  params = query.str();
  body.reset();
  return 0;
}

}  // namespace quillbox::request
