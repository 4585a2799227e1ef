#pragma once

#include "quillbox/services/job/JobRecords.hpp"
#include "services/Operation.hpp"

/// The job service's operations: method, route and wire rule of each.
namespace quillbox::services::job {

inline constexpr Operation<CancelJobsBean, CancelJobsResponse> cancelJobs{
    .method = HTTPMethod::post,
    .route = "cancel",
    .rule = [](const CancelJobsBean& b, Wire& w) { return b.jobId && w.sendAsBody(b); },
};

inline constexpr Operation<CreateJobBean, CreateJobsResponse> createJobs{
    .method = HTTPMethod::post, .route = "jobs", .rule = recordAsBody};

inline constexpr Operation<GetJobDetailByIdBean, GetJobDetailByIdResponse> getJobDetailById{
    .method = HTTPMethod::get,
    // The job id sits straight under the prefix.
    .route = "{}",
    .rule = [](const GetJobDetailByIdBean& b, Wire& w) { return w.placeId(b.jobId); },
};

inline constexpr Operation<GetJobsBean, GetJobsResponse> getJobs{
    .method = HTTPMethod::get,
    .route = "jobs",
    .rule =
        [](const GetJobsBean& b, Wire& w) {
          request::QueryBuilder query;
          query.add("offset", b.offset).add("limit", b.limit);
          if (b.type != -1) query.add("type", b.type);
          if (b.status != -1) query.add("status", b.status);
          w.query = query.str();
          return true;
        },
};

}  // namespace quillbox::services::job
