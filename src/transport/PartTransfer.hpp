#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "transport/CurlLoop.hpp"
#include "transport/DataTransfer.hpp"
#include "transport/TransportOptions.hpp"

namespace quillbox::util {
class ReadOnlyFile;
}

namespace quillbox::transport {

/// The body of one part PUT: `length` bytes of `file` from `offset`, read
/// in chunks while they are sent. The file stays open as long as the PUT
/// needs it.
struct PartBody {
  std::shared_ptr<util::ReadOnlyFile> file;
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

/// The caller's side of one part PUT.
class PartWaiter {
 public:
  struct State;
  PartWaiter(CurlLoop::Id id, std::shared_ptr<State> state) : id_(id), state_(std::move(state)) {}

  CurlLoop::Id id() const { return id_; }
  /// Blocks until the PUT has ended, calling the part's ProgressListener on
  /// this thread whenever more bytes have been sent (the last call carries
  /// every byte of a completed PUT). Returns code 0 "success", or code -1 with
  /// the reason: a transport error, a status outside 200–299, "cancelled".
  /// Called once.
  BaseResponse await();
  /// How the PUT ended, in the terms that decide whether it may be sent
  /// again (libcurl's result, the status, a Retry-After), and the first
  /// 4 KiB of the answer's body; after await().
  HttpResult result() const;
  std::string description() const;

 private:
  CurlLoop::Id id_;
  std::shared_ptr<State> state_;
};

/// The part PUTs of one transport, all on its loop.
class PartPuts {
 public:
  PartPuts(CurlLoop& loop, const TransportOptions& options);

  /// Starts one part PUT: HTTP/1.1, the URL exactly as given, headers
  /// "Content-Type: application/octet-stream" and "Content-Length" only, the
  /// body streamed from the file. Returns at once; the waiter's await()
  /// blocks until the PUT has ended. A URL that does not parse gives a waiter
  /// that is already done with code -1 "url invalid" (id 0). With a `delay`
  /// the PUT starts once it has passed; cancel() ends it at once meanwhile.
  std::shared_ptr<PartWaiter> start(const std::string& url, PartBody body, const std::string& hash,
                                    std::shared_ptr<ProgressListener> progressListener,
                                    std::chrono::milliseconds delay = std::chrono::milliseconds(0));
  /// Aborts a running PUT at once; its waiter then ends with a failure.
  /// Ended or unknown ids are ignored.
  void cancel(CurlLoop::Id id) { loop_.cancel(id); }
  /// PUTs started and not yet awaited to their end.
  std::size_t running() const;

  struct Registry;

 private:
  CurlLoop& loop_;
  const TransportOptions& options_;
  std::shared_ptr<Registry> registry_;  // shared with the waiters, which may outlive this
};

}  // namespace quillbox::transport
