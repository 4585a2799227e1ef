#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/RetryPolicy.hpp"
#include "transport/DataTransfer.hpp"

namespace quillbox::request {

/// Whether an attempt that ended so may be sent again without risk of doing
/// something twice: any method when nothing of it went out, or on 429 and
/// 503; a GET also after a reset, a cut-off answer, a stall, 408, 500, 502
/// and 504. Never after a cancel.
bool mayRetry(HTTPMethod method, const transport::HttpResult& result);

/// The wait before the attempt after attempt `attempt` (1 for the first):
/// the answer's Retry-After when it has one, else drawn at random up to the
/// policy's doubling ceiling; never more than the policy's maxDelay.
std::chrono::milliseconds retryWait(const RetryPolicy& policy, int attempt, const transport::HttpResult& result);

/// What went wrong, in a few words, for the retry's log line.
std::string describeFailure(const transport::HttpResult& result);

}  // namespace quillbox::request
