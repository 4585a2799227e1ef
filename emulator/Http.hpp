#pragma once
// The emulator's HTTP/1.1 server on Boost.Beast: a few I/O threads, one
// strand per connection, keep-alive, "Expect: 100-continue", request bodies
// streamed to storage, file bodies sent in large blocks, and the faults of
// FaultRegistry applied on the wire.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/Storage.hpp"

namespace quillbox::emulator {

class FaultRegistry;

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string path;    // the target up to "?", as received (not decoded)
  std::string query;   // after "?", without it
  std::string authorization;
  std::optional<std::string> range;
  std::optional<std::string> ifRange;
  std::optional<std::string> ifNoneMatch;
  std::optional<std::uint64_t> contentLength;
  bool chunked = false;

  std::string body;                    // buffered bodies
  std::unique_ptr<BlobWriter> stream;  // streamed bodies (what plan() supplied)
  bool streamFailed = false;           // the writer refused bytes
};

struct HttpResponse {
  unsigned status = 200;
  std::string contentType = "application/json; charset=utf-8";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Instead of `body`: `length` bytes of `blob` from `offset`.
  std::shared_ptr<const Blob> blob;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool headOnly = false;  // send the headers of this answer, no body (HEAD)
  bool close = false;
};

/// A failure answer: the envelope {"code": code, "msg": msg} with `msg` made
/// valid UTF-8, whatever bytes of the request it quotes.
HttpResponse errorEnvelope(unsigned status, std::int64_t code, std::string_view msg);

/// How the server takes a request's body, decided from its head.
struct BodyPlan {
  enum class Kind { buffer, stream, reject };
  Kind kind = Kind::buffer;
  std::unique_ptr<BlobWriter> writer;  // for stream
  HttpResponse rejection;              // for reject: sent instead of handling
  bool heavy = false;                  // handle on the worker pool, off the I/O threads
};

class HttpHandler {
 public:
  virtual ~HttpHandler() = default;
  /// Called with the head only (body empty). Any thread.
  virtual BodyPlan plan(const HttpRequest& head) = 0;
  /// Called once the body has arrived. Any thread; may be called for
  /// several requests at once.
  virtual HttpResponse handle(HttpRequest& request) = 0;
  /// Whether faults may strike this path (control paths are exempt).
  virtual bool faultable(std::string_view path) const = 0;
};

struct HttpServerOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 0;
  unsigned threads = 2;
  unsigned workers = 2;
  std::uint64_t maxBufferedBody = 16u << 20;
  /// How long a request head may take to arrive whole, from its first byte
  /// (from the opening, on a new connection).
  std::chrono::milliseconds headTimeout{10000};
  /// How long a kept-alive connection may wait for its next request.
  std::chrono::milliseconds idleTimeout{30000};
  /// Connections open at once. At the cap, a new connection closes the one
  /// idle the longest: one waiting for its next request, or one whose head
  /// has been arriving for more than a tenth of `headTimeout`. When none is
  /// idle, the new connection is closed instead.
  std::size_t maxConnections = 1024;
};

class HttpServer {
 public:
  HttpServer(HttpHandler& handler, FaultRegistry& faults, HttpServerOptions options);
  ~HttpServer();  // stop()
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  /// Binds and starts the threads; throws std::system_error when it cannot bind.
  void start();
  /// Closes every connection and joins the threads. Idempotent.
  void stop();
  std::uint16_t port() const;
  std::uint64_t connectionsAccepted() const;
  std::size_t connectionsOpen() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillbox::emulator
