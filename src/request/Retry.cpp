#include "request/Retry.hpp"

#include <algorithm>
#include <random>

namespace quillbox::request {

namespace {

/// libcurl's results for a request of which nothing went out: the
/// connection, or the TLS session over it, was never set up.
bool nothingWentOut(const transport::HttpResult& r) {
  switch (r.code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
      return true;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
      // Timed out connecting, or the connection failed before the request
      // head was written.
      return !r.requestSent;
    default:
      return false;
  }
}

/// Results after which a request that changes nothing may go out again: the
/// connection broke, the answer was cut short, nothing arrived, or it stalled.
bool brokeOnTheWay(CURLcode code) {
  switch (code) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool mayRetry(bool idempotent, const transport::HttpResult& r) {
  if (r.cancelled) return false;
  if (r.transportError) return nothingWentOut(r) || (idempotent && brokeOnTheWay(r.code));
  switch (r.status) {
    case 429:
    case 503:
      return true;
    case 408:
    case 500:
    case 502:
    case 504:
      return idempotent;
    default:
      return false;
  }
}

std::chrono::milliseconds retryWait(const RetryPolicy& policy, int attempt, const transport::HttpResult& result) {
  using std::chrono::milliseconds;
  // Within a day, so that no setting can overflow the clock's arithmetic.
  const milliseconds cap = std::clamp<milliseconds>(policy.maxDelay, milliseconds(0), std::chrono::hours(24));
  if (result.retryAfter) return std::min<milliseconds>(*result.retryAfter, cap);
  // Full jitter: anywhere between nothing and the attempt's ceiling.
  milliseconds ceiling = std::clamp<milliseconds>(policy.baseDelay, milliseconds(0), cap);
  for (int i = 1; i < attempt && ceiling.count() > 0 && ceiling < cap; ++i) ceiling = std::min(ceiling * 2, cap);
  thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uniform_int_distribution<milliseconds::rep> draw(0, ceiling.count());
  return milliseconds(draw(engine));
}

std::string describeFailure(const transport::HttpResult& r) {
  if (r.transportError) return *r.transportError;
  return "status " + std::to_string(r.status);
}

}  // namespace quillbox::request
