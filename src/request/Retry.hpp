#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/RetryPolicy.hpp"
#include "transport/DataTransfer.hpp"

namespace quillbox::request {

/// Whether an attempt that ended so may be sent again without risk of doing
/// something twice: any request when nothing of it went out, or on 429 and
/// 503; an idempotent one (a GET, a part PUT: sending it twice leaves what
/// sending it once does) also after a reset, a cut-off answer, a stall, 408,
/// 500, 502 and 504. Never after a cancel.
bool mayRetry(bool idempotent, const transport::HttpResult& result);
/// The same for a service call: of its methods only GET is idempotent.
inline bool mayRetry(HTTPMethod method, const transport::HttpResult& result) {
  return mayRetry(method == HTTPMethod::get, result);
}

/// The wait before the attempt after attempt `attempt` (1 for the first):
/// the answer's Retry-After when it has one, else drawn at random up to the
/// policy's doubling ceiling; never more than the policy's maxDelay.
std::chrono::milliseconds retryWait(const RetryPolicy& policy, int attempt, const transport::HttpResult& result);

/// What went wrong, in a few words, for the retry's log line.
std::string describeFailure(const transport::HttpResult& result);

}  // namespace quillbox::request
