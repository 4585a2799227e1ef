// GCC cannot instrument the fences asio puts around handler calls (-Wtsan). The scheduler's
// own locks already order one handler after another, so a ThreadSanitizer build leaves the
// fences out.
#if defined(__SANITIZE_THREAD__) && !defined(BOOST_ASIO_DISABLE_FENCED_BLOCK)
#define BOOST_ASIO_DISABLE_FENCED_BLOCK
#endif

#include "support/LoopbackServer.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>

namespace quillbox::test {

namespace net = boost::asio;
namespace http = boost::beast::http;
using tcp = net::ip::tcp;
using boost::system::error_code;

namespace {

constexpr std::size_t kReadBufferReserve = 256 * 1024;
constexpr std::uint32_t kHeaderLimit = 1024 * 1024;
constexpr std::uint64_t kBodyLimit = std::uint64_t{4} << 30;  // 4 GiB
constexpr std::size_t kWriteChunk = 4 * 1024 * 1024;
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
constexpr std::string_view kDefaultBody = R"({"code":0,"msg":"ok"})";

bool iequals(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return lower(x) == lower(y);
  });
}

// Tests open many connections at once (both ends live in this process), so lift a low soft
// limit on open descriptors as far as the hard limit allows.
void raiseDescriptorLimit() {
  static std::once_flag once;
  std::call_once(once, [] {
    constexpr rlim_t wanted = 8192;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < wanted) {
      limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
      setrlimit(RLIMIT_NOFILE, &limit);
    }
  });
}

// Lets one write call hand the kernel more than asio's default 64 KiB.
struct LargeChunks {
  std::size_t operator()(const error_code& ec, std::size_t /*transferred*/) const {
    return ec ? 0 : kWriteChunk;
  }
};

std::string reasonFor(int status) {
  const auto known = http::int_to_status(static_cast<unsigned>(status));
  return known == http::status::unknown ? "Unknown" : std::string(http::obsolete_reason(known));
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (iequals(key, name)) return value;
  }
  return std::nullopt;
}

std::size_t RecordedRequest::headerCount(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(
      headers.begin(), headers.end(), [&](const auto& h) { return iequals(h.first, name); }));
}

Reply Reply::json(int status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.headers.emplace_back("Content-Type", "application/json");
  return reply;
}

namespace {

using Handler = std::function<Reply(const RecordedRequest&)>;

// What the io threads and the test thread share.
struct Script {
  mutable std::mutex mutex;
  mutable std::condition_variable arrived;
  std::vector<std::shared_ptr<const RecordedRequest>> requests;
  std::deque<Reply> queue;
  Handler handler;
  std::atomic<std::uint64_t> connections{0};
  std::atomic<std::uint64_t> open{0};
  std::atomic<std::uint64_t> mostOpen{0};

  void opened() {
    connections.fetch_add(1);
    const std::uint64_t now = open.fetch_add(1) + 1;
    std::uint64_t seen = mostOpen.load();
    while (seen < now && !mostOpen.compare_exchange_weak(seen, now)) {
    }
  }

  std::shared_ptr<const RecordedRequest> record(RecordedRequest request) {
    auto shared = std::make_shared<const RecordedRequest>(std::move(request));
    {
      std::lock_guard lock(mutex);
      requests.push_back(shared);
    }
    arrived.notify_all();
    return shared;
  }

  Reply choose(const RecordedRequest& request) {
    Handler current;
    {
      std::lock_guard lock(mutex);
      if (!queue.empty()) {
        Reply next = std::move(queue.front());
        queue.pop_front();
        return next;
      }
      current = handler;
    }
    if (!current) return Reply::json(200, std::string(kDefaultBody));
    try {
      return current(request);
    } catch (const std::exception& e) {
      Reply failure;
      failure.status = 500;
      failure.body = std::string("loopback handler threw: ") + e.what();
      return failure;
    } catch (...) {
      Reply failure;
      failure.status = 500;
      failure.body = "loopback handler threw";
      return failure;
    }
  }
};

// One accepted connection. All its handlers run on its own strand, one at a time.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, Script& script)
      : socket_(std::move(socket)), timer_(socket_.get_executor()), script_(script) {
    buffer_.reserve(kReadBufferReserve);
    script_.opened();
  }
  ~Session() { script_.open.fetch_sub(1); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void start() {
    net::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->readHeader(); });
  }

 private:
  void readHeader() {
    parser_.emplace();
    parser_->header_limit(kHeaderLimit);
    parser_->body_limit(kBodyLimit);
    http::async_read_header(socket_, buffer_, *parser_,
                            [self = shared_from_this()](error_code ec, std::size_t) {
                              self->onHeader(ec);
                            });
  }

  void onHeader(error_code ec) {
    if (ec) return closeSocket();
    if (parser_->is_done()) return onRequest();
    const auto& head = parser_->get();
    if (head.version() >= 11 && iequals(head[http::field::expect], "100-continue")) {
      net::async_write(socket_, net::buffer(kContinue.data(), kContinue.size()),
                       [self = shared_from_this()](error_code wec, std::size_t) {
                         if (wec) return self->closeSocket();
                         self->readBody();
                       });
      return;
    }
    readBody();
  }

  void readBody() {
    http::async_read(socket_, buffer_, *parser_,
                     [self = shared_from_this()](error_code ec, std::size_t) {
                       if (ec) return self->closeSocket();
                       self->onRequest();
                     });
  }

  void onRequest() {
    auto message = parser_->release();
    parser_.reset();
    keepAlive_ = message.keep_alive();
    isHead_ = message.method() == http::verb::head;

    RecordedRequest request;
    request.method = std::string(message.method_string());
    request.target = std::string(message.target());
    for (const auto& field : message) {
      request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    }
    request.body = std::move(message.body());

    auto recorded = script_.record(std::move(request));
    reply_ = script_.choose(*recorded);
    recorded.reset();

    if (reply_.delay.count() > 0) {
      timer_.expires_after(reply_.delay);
      timer_.async_wait([self = shared_from_this()](error_code ec) {
        if (ec) return self->closeSocket();
        self->answer();
      });
      return;
    }
    answer();
  }

  void answer() {
    if (reply_.closeWithoutReply) return closeSocket();
    if (reply_.raw) {
      net::async_write(socket_, net::buffer(*reply_.raw), LargeChunks{},
                       [self = shared_from_this()](error_code, std::size_t) {
                         self->closeSocket();
                       });
      return;
    }

    bool hasLength = false;
    bool close = !keepAlive_ || reply_.noContentLength || reply_.closeAfterBodyBytes.has_value();
    bool hasConnection = false;
    head_ = "HTTP/1.1 " + std::to_string(reply_.status) + " " + reasonFor(reply_.status) + "\r\n";
    for (const auto& [name, value] : reply_.headers) {
      head_ += name + ": " + value + "\r\n";
      if (iequals(name, "Content-Length")) hasLength = true;
      if (iequals(name, "Connection")) {
        hasConnection = true;
        if (iequals(value, "close")) close = true;
      }
    }
    const bool bodyAllowed =
        !(reply_.status / 100 == 1 || reply_.status == 204 || reply_.status == 304);
    if (bodyAllowed && !hasLength && !reply_.noContentLength) {
      head_ += "Content-Length: " + std::to_string(reply_.body.size()) + "\r\n";
    }
    if (close && !hasConnection) head_ += "Connection: close\r\n";
    head_ += "\r\n";

    std::size_t bodyBytes = (bodyAllowed && !isHead_) ? reply_.body.size() : 0;
    if (reply_.closeAfterBodyBytes) bodyBytes = std::min(bodyBytes, *reply_.closeAfterBodyBytes);

    std::array<net::const_buffer, 2> buffers{net::buffer(head_),
                                             net::buffer(reply_.body.data(), bodyBytes)};
    net::async_write(socket_, buffers, LargeChunks{},
                     [self = shared_from_this(), close](error_code ec, std::size_t) {
                       if (ec || close) return self->closeSocket();
                       self->reply_ = Reply{};
                       self->readHeader();
                     });
  }

  // Sends FIN after whatever was written, then releases the descriptor.
  void closeSocket() {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    socket_.close(ignored);
  }

  tcp::socket socket_;
  net::steady_timer timer_;
  Script& script_;
  boost::beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  bool keepAlive_ = true;
  bool isHead_ = false;
  Reply reply_;
  std::string head_;
};

}  // namespace

struct LoopbackServer::Impl {
  // Destroyed last: pending handlers (and the sessions they own) go away with the io_context.
  Script script;
  net::io_context io;
  net::executor_work_guard<net::io_context::executor_type> work{io.get_executor()};
  tcp::acceptor acceptor{net::make_strand(io)};
  net::steady_timer acceptRetry{acceptor.get_executor()};
  std::uint16_t port = 0;
  std::vector<std::thread> threads;

  void accept() {
    acceptor.async_accept(net::make_strand(io), [this](error_code ec, tcp::socket socket) {
      if (ec == net::error::operation_aborted) return;
      if (ec) {
        // Typically out of descriptors: try again shortly instead of spinning.
        acceptRetry.expires_after(std::chrono::milliseconds(10));
        acceptRetry.async_wait([this](error_code wec) {
          if (!wec) accept();
        });
        return;
      }
      error_code ignored;
      socket.set_option(tcp::no_delay(true), ignored);
      std::make_shared<Session>(std::move(socket), script)->start();
      accept();
    });
  }
};

LoopbackServer::LoopbackServer(unsigned ioThreads) : impl_(std::make_unique<Impl>()) {
  raiseDescriptorLimit();
  auto& acceptor = impl_->acceptor;
  const tcp::endpoint endpoint(net::ip::make_address_v4("127.0.0.1"), 0);
  acceptor.open(endpoint.protocol());
  acceptor.set_option(net::socket_base::reuse_address(true));
  acceptor.bind(endpoint);
  acceptor.listen(net::socket_base::max_listen_connections);
  impl_->port = acceptor.local_endpoint().port();
  impl_->accept();

  const unsigned count = std::max(1u, ioThreads);
  impl_->threads.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    impl_->threads.emplace_back([io = &impl_->io] { io->run(); });
  }
}

LoopbackServer::~LoopbackServer() {
  // Stop without waiting for connections or timers; whatever is still pending is dropped,
  // and with it every session and its socket.
  impl_->work.reset();
  impl_->io.stop();
  for (auto& thread : impl_->threads) thread.join();
}

std::uint16_t LoopbackServer::port() const { return impl_->port; }

std::string LoopbackServer::baseUrl() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

void LoopbackServer::enqueue(Reply reply) {
  std::lock_guard lock(impl_->script.mutex);
  impl_->script.queue.push_back(std::move(reply));
}

void LoopbackServer::setHandler(std::function<Reply(const RecordedRequest&)> handler) {
  std::lock_guard lock(impl_->script.mutex);
  impl_->script.handler = std::move(handler);
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
  std::lock_guard lock(impl_->script.mutex);
  std::vector<RecordedRequest> copy;
  copy.reserve(impl_->script.requests.size());
  for (const auto& request : impl_->script.requests) copy.push_back(*request);
  return copy;
}

std::size_t LoopbackServer::requestCount() const {
  std::lock_guard lock(impl_->script.mutex);
  return impl_->script.requests.size();
}

bool LoopbackServer::waitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->script.mutex);
  return impl_->script.arrived.wait_for(lock, timeout,
                                        [&] { return impl_->script.requests.size() >= n; });
}

std::size_t LoopbackServer::connectionCount() const {
  return static_cast<std::size_t>(impl_->script.connections.load());
}

std::size_t LoopbackServer::mostConnectionsAtOnce() const {
  return static_cast<std::size_t>(impl_->script.mostOpen.load());
}

void LoopbackServer::reset() {
  Handler old;
  {
    std::lock_guard lock(impl_->script.mutex);
    impl_->script.requests.clear();
    impl_->script.queue.clear();
    old = std::move(impl_->script.handler);
    impl_->script.handler = nullptr;
  }
  // `old` (and whatever it captured) is released here, outside the lock.
}

}  // namespace quillbox::test
