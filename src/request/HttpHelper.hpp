#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "util/CurlLoop.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::util {
class ReadOnlyFile;
}

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

/// The body of one part PUT: `length` bytes of `file` from `offset`, read
/// in chunks while they are sent. The file stays open as long as the PUT
/// needs it.
struct UploadBody {
  std::shared_ptr<util::ReadOnlyFile> file;
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

class UploadWaiter;

/// The transport of service requests and of part uploads: one
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

  /// Starts one part PUT on the shared loop: HTTP/1.1, the URL exactly as
  /// given, headers "Content-Type: application/octet-stream" and
  /// "Content-Length" only, the body streamed from the file. Returns at once;
  /// the waiter's await() blocks until the PUT has ended. A URL that does
  /// not parse gives a waiter that is already done with code -1
  /// "url invalid" (id 0).
  std::shared_ptr<UploadWaiter> putUploadFile(const std::string& url, UploadBody data, const std::string& hash,
                                              std::shared_ptr<ProgressListener> progressListener);
  /// Aborts a running PUT at once; its waiter then ends with a failure.
  /// Ended or unknown ids are ignored.
  void cancelUpload(util::CurlLoop::Id id) { loop_.cancel(id); }
  /// PUTs started and not yet awaited to their end.
  std::size_t runningUploads() const;

  /// Connect time-out and stall time-out (the transfer fails when less than
  /// one byte a second moves for that long). 60 s each by default.
  void setTimeouts(std::chrono::seconds connect, std::chrono::seconds stall);
  std::chrono::seconds connectTimeout() const { return std::chrono::seconds(connectTimeout_.load()); }
  std::chrono::seconds stallTimeout() const { return std::chrono::seconds(stallTimeout_.load()); }

 private:
  HttpHelper();

  friend class UploadWaiter;

  /// One running PUT, registered from its start until its waiter has seen
  /// its end.
  struct UploadBean {
    std::shared_ptr<ProgressListener> process;
    std::optional<std::string> hash;
    std::shared_ptr<UploadWaiter> continuation;
  };

  util::ThreadPool callbacks_;
  util::CurlLoop loop_;
  mutable std::shared_mutex uploadTasksMutex_;  // readers: lookups; writers: insert and remove
  std::map<util::CurlLoop::Id, UploadBean> uploadTasks_;
  std::atomic<long> connectTimeout_{60};
  std::atomic<long> stallTimeout_{60};
};

/// The caller's side of one part PUT.
class UploadWaiter {
 public:
  struct State;
  UploadWaiter(util::CurlLoop::Id id, std::shared_ptr<State> state) : id_(id), state_(std::move(state)) {}

  util::CurlLoop::Id id() const { return id_; }
  /// Blocks until the PUT has ended, calling the part's ProgressListener on
  /// this thread whenever more bytes have been sent (the last call carries
  /// every byte of a completed PUT). Returns code 0 "success", or code -1 with
  /// the reason: a transport error, a status outside 200–299, "cancelled".
  /// Called once.
  BaseResponse await();
  std::string description() const;

 private:
  util::CurlLoop::Id id_;
  std::shared_ptr<State> state_;
};

}  // namespace quillbox::request
