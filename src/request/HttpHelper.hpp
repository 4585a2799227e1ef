#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "util/CurlLoop.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::request {

using HeaderMap = std::map<std::string, std::string>;

/// What one exchange produced, before any interpretation.
struct HttpResult {
  /// Set when the exchange failed below HTTP (no connection, time-out, TLS,
  /// a reset or a body cut short): libcurl's description.
  std::optional<std::string> transportError;
  /// The HTTP status; 0 when the peer's answer was not an HTTP response.
  long status = 0;
  std::string body;
};

/// The transport of service requests (and, later, of part uploads): one
/// libcurl multi handle on one I/O thread, and a small executor on which
/// every completion, and so every host callback, runs.
class HttpHelper {
 public:
  /// Service answers larger than this are refused rather than buffered.
  static constexpr std::size_t kMaxResponseBody = 64u << 20;

  static HttpHelper& shared();

  /// Builds the request for host + path, logs it, and starts it. Returns at
  /// once; `completion` runs later on the callback executor, exactly once.
  /// Fails (without calling `completion`) when host + path is not a URL.
  std::optional<NetworkError> sendRequest(const std::string& host, const std::string& path, HTTPMethod method,
                                          const std::optional<HeaderMap>& headers,
                                          const std::optional<HeaderMap>& queryItems,
                                          const std::optional<std::string>& body,
                                          std::function<void(HttpResult)> completion);

  /// Where completions and host callbacks run. Never the I/O thread.
  util::ThreadPool& callbacks() { return callbacks_; }
  util::CurlLoop& loop() { return loop_; }

  /// Connect time-out and stall time-out (the transfer fails when less than
  /// one byte a second moves for that long). 60 s each by default.
  void setTimeouts(std::chrono::seconds connect, std::chrono::seconds stall);
  std::chrono::seconds connectTimeout() const { return std::chrono::seconds(connectTimeout_.load()); }
  std::chrono::seconds stallTimeout() const { return std::chrono::seconds(stallTimeout_.load()); }

 private:
  HttpHelper();

  util::ThreadPool callbacks_;
  util::CurlLoop loop_;
  std::atomic<long> connectTimeout_{60};
  std::atomic<long> stallTimeout_{60};
};

}  // namespace quillbox::request
