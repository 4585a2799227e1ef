// Which failed attempts of a service call may be sent again and what kind of
// failure each is, and the waits
// between attempts: the doubling ceiling of the random draw within the
// policy's maximum. (A server's Retry-After, and what reaches the wire, are
// checked against the loopback server and the emulator.)

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "request/Retry.hpp"

namespace quillbox::request {
namespace {

using std::chrono::milliseconds;

transport::HttpResult failed(CURLcode code, bool requestSent) {
  transport::HttpResult r;
  r.transportError = "text";
  r.code = code;
  r.requestSent = requestSent;
  return r;
}

TEST(RetryRulesTest, FailuresBelowHttpThatCannotBeReproducedOnLoopback) {
  struct Case {
    const char* name;
    transport::HttpResult result;
    bool get, post;
    FailureKind kind;
  };
  transport::HttpResult cancelled = failed(CURLE_ABORTED_BY_CALLBACK, true);
  cancelled.cancelled = true;
  const Case cases[] = {
      {"name not resolved", failed(CURLE_COULDNT_RESOLVE_HOST, false), true, true, FailureKind::nameResolution},
      {"TLS handshake failed", failed(CURLE_SSL_CONNECT_ERROR, false), true, true, FailureKind::tls},
      {"connect timed out", failed(CURLE_OPERATION_TIMEDOUT, false), true, true, FailureKind::timeout},
      {"timed out after the request went out", failed(CURLE_OPERATION_TIMEDOUT, true), true, false, FailureKind::timeout},
      {"send failed mid-request", failed(CURLE_SEND_ERROR, true), true, false, FailureKind::reset},
      {"receive failed", failed(CURLE_RECV_ERROR, true), true, false, FailureKind::reset},
      {"HTTP/2 stream error", failed(CURLE_HTTP2_STREAM, true), true, false, FailureKind::reset},
      {"certificate rejected", failed(CURLE_PEER_FAILED_VERIFICATION, false), false, false, FailureKind::tls},
      {"answer too large", failed(CURLE_WRITE_ERROR, true), false, false, FailureKind::other},
      {"cancelled", cancelled, false, false, FailureKind::cancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mayRetry(HTTPMethod::get, c.result), c.get);
    EXPECT_EQ(mayRetry(HTTPMethod::post, c.result), c.post);
    EXPECT_EQ(mayRetry(HTTPMethod::put, c.result), c.post);
    EXPECT_EQ(transport::failureKind(c.result), c.kind);
  }
}

TEST(RetryRulesTest, DrawsSpreadUpToADoublingCeilingThatStopsAtTheMaximum) {
  RetryPolicy policy;
  policy.baseDelay = milliseconds(100);
  policy.maxDelay = milliseconds(1000);
  struct Case {
    int attempt;
    milliseconds ceiling;
  };
  for (const Case& c : {Case{1, milliseconds(100)}, Case{2, milliseconds(200)}, Case{4, milliseconds(800)},
                        Case{5, milliseconds(1000)}, Case{40, milliseconds(1000)}}) {
    SCOPED_TRACE(c.attempt);
    milliseconds most(0);
    for (int i = 0; i < 2000; ++i) {
      const milliseconds wait = retryWait(policy, c.attempt, transport::HttpResult{});
      ASSERT_GE(wait.count(), 0);
      most = std::max(most, wait);
    }
    EXPECT_LE(most, c.ceiling);
    // 2,000 uniform draws all in the lower nine-tenths: about 1 in 10^91.
    EXPECT_GT(most, c.ceiling * 9 / 10);
  }
}

}  // namespace
}  // namespace quillbox::request
