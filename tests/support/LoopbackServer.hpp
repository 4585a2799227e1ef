// An HTTP/1.1 server that runs inside the test process on 127.0.0.1, records every request it
// receives and answers from a script (queued replies, then a handler, then a default).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillbox::test {

struct RecordedRequest {
  std::string method;  // "GET"
  std::string target;  // path + "?" + query exactly as received
  std::vector<std::pair<std::string, std::string>> headers;  // arrival order, names as sent
  std::string body;

  // Case-insensitive; the first header of that name.
  std::optional<std::string> header(std::string_view name) const;
  std::size_t headerCount(std::string_view name) const;
};

struct Reply {
  int status = 200;
  std::string body;  // sent with Content-Length unless noted
  std::vector<std::pair<std::string, std::string>> headers;  // extra headers
  std::chrono::milliseconds delay{0};                        // wait before answering
  // Send the headers with the full Content-Length, then only this many body bytes, then close.
  std::optional<std::size_t> closeAfterBodyBytes;
  bool closeWithoutReply = false;  // read the request, then close the socket
  // Write these exact bytes instead of an HTTP response, then close.
  std::optional<std::string> raw;
  bool noContentLength = false;  // close-delimited body (Connection: close)

  static Reply json(int status, std::string body);  // Content-Type: application/json
};

// Answers are chosen in this order: queued replies (FIFO), else the handler, else
// 200 {"code":0,"msg":"ok"}. A request is recorded before its answer is chosen.
//
// A Content-Length or Connection header among a reply's extra headers replaces the one the
// server would add; "Connection: close" closes the connection after the reply.
class LoopbackServer {
 public:
  explicit LoopbackServer(unsigned ioThreads = 2);
  ~LoopbackServer();  // stops, joins, closes every connection
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t port() const;
  std::string baseUrl() const;  // "http://127.0.0.1:<port>"

  void enqueue(Reply reply);
  // Called on the io threads, possibly on several at once.
  void setHandler(std::function<Reply(const RecordedRequest&)> handler);

  std::vector<RecordedRequest> requests() const;  // copy, in arrival order
  std::size_t requestCount() const;
  bool waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;
  std::size_t connectionCount() const;  // connections accepted so far
  // The most connections that were open at the same time so far. A connection counts until
  // the server has seen it closed, so the figure may run a little above the client's.
  std::size_t mostConnectionsAtOnce() const;
  void reset();  // clears requests, queue and handler (not the connection count)

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillbox::test
