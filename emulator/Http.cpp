// GCC cannot instrument the fences asio puts around handler calls (-Wtsan); a
// ThreadSanitizer build leaves them out, as the strands already order handlers.
#if defined(__SANITIZE_THREAD__) && !defined(BOOST_ASIO_DISABLE_FENCED_BLOCK)
#define BOOST_ASIO_DISABLE_FENCED_BLOCK
#endif

#include "emulator/Http.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/json/object.hpp>
#include <boost/json/serialize.hpp>

#include "emulator/Faults.hpp"
#include "emulator/Text.hpp"

namespace quillbox::emulator {

namespace net = boost::asio;
namespace http = boost::beast::http;
using tcp = net::ip::tcp;
using boost::system::error_code;

namespace {

constexpr std::size_t kChunk = 1 << 20;  // body blocks read from files and from the socket
constexpr std::uint32_t kHeaderLimit = 64 * 1024;
constexpr std::size_t kReadReserve = 64 * 1024;
constexpr std::uint64_t kStreamLimit = std::uint64_t{1} << 42;
constexpr std::uint64_t kDiscardLimit = 1 << 20;  // larger unwanted bodies close the connection instead
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

bool iequals(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

std::string reasonFor(unsigned status) {
  const auto known = http::int_to_status(status);
  return known == http::status::unknown ? "Unknown" : std::string(http::obsolete_reason(known));
}

void raiseDescriptorLimit() {
  static std::once_flag once;
  std::call_once(once, [] {
    constexpr rlim_t wanted = 16384;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < wanted) {
      limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
      setrlimit(RLIMIT_NOFILE, &limit);
    }
  });
}

class Session;
using SteadyClock = std::chrono::steady_clock;

/// The open connections and what each is doing, to keep their number under
/// the cap (see HttpServerOptions::maxConnections).
class Connections {
 public:
  enum class Phase { head, waiting, busy };

  Connections(std::size_t cap, SteadyClock::duration headGrace)
      : cap_(std::max<std::size_t>(1, cap)), grace_(headGrace) {}

  std::uint64_t add(std::weak_ptr<Session> session) {
    std::lock_guard lock(mutex_);
    const std::uint64_t id = next_++;
    entries_.emplace(id, Entry{std::move(session), Phase::head, SteadyClock::now()});
    return id;
  }
  /// Records what the connection does from now on; false when it has been
  /// chosen to make room for another (it is to close).
  bool enter(std::uint64_t id, Phase phase) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    it->second.phase = phase;
    it->second.since = SteadyClock::now();
    return true;
  }
  void remove(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    entries_.erase(id);
  }
  /// Room for one more connection. At the cap the longest idle one is taken
  /// out and returned for closing; false when none is idle.
  bool makeRoom(std::weak_ptr<Session>& victim) {
    std::lock_guard lock(mutex_);
    if (entries_.size() < cap_) return true;
    const auto now = SteadyClock::now();
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      const Entry& e = it->second;
      const bool idle = e.phase == Phase::waiting || (e.phase == Phase::head && now - e.since >= grace_);
      if (idle && (oldest == entries_.end() || e.since < oldest->second.since)) oldest = it;
    }
    if (oldest == entries_.end()) return false;
    victim = std::move(oldest->second.session);
    entries_.erase(oldest);
    return true;
  }
  std::size_t open() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }

 private:
  struct Entry {
    std::weak_ptr<Session> session;
    Phase phase;
    SteadyClock::time_point since;
  };
  mutable std::mutex mutex_;
  std::unordered_map<std::uint64_t, Entry> entries_;
  std::uint64_t next_ = 1;  // 0: a session not (or no longer) counted
  const std::size_t cap_;
  const SteadyClock::duration grace_;
};

struct Shared {
  HttpHandler& handler;
  FaultRegistry& faults;
  net::thread_pool& workers;
  const HttpServerOptions& options;
  Connections& connections;
};

// Flips bytes of `data` (body bytes [pos, pos + n)) that fall in [from, from + count).
void corrupt(char* data, std::uint64_t pos, std::size_t n, std::uint64_t from, std::uint64_t count) {
  const std::uint64_t lo = std::max(pos, from);
  const std::uint64_t hi = std::min(pos + n, from + count);
  for (std::uint64_t i = lo; i < hi; ++i) data[i - pos] = static_cast<char>(data[i - pos] ^ 0xFF);
}

bool overlaps(std::uint64_t pos, std::size_t n, std::uint64_t from, std::uint64_t count) {
  return pos < from + count && from < pos + n;
}

/// One accepted connection. Every handler runs on the connection's strand
/// (the socket's executor), except the handling of heavy requests, which runs
/// on the worker pool while the connection waits for it.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, Shared& shared)
      : socket_(std::move(socket)),
        timer_(socket_.get_executor()),
        deadline_(socket_.get_executor()),
        shared_(shared),
        connections_(shared.connections) {
    buffer_.reserve(kReadReserve);
  }
  ~Session() { connections_.remove(id_); }

  void start() {
    id_ = connections_.add(weak_from_this());
    net::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->readHead(); });
  }

  tcp::socket::executor_type executor() { return socket_.get_executor(); }

  /// Closes the connection to make room for a newer one.
  void evict() {
    if (!closed_) close();
  }

 private:
  enum class Mode { buffer, stream, discard };

  // A new connection must send its first head within the head time-out; a
  // kept-alive one first waits (up to the idle time-out) for the next
  // request to begin, then has the head time-out for the rest of its head.
  void readHead() {
    if (!served_ || buffer_.size() > 0) return beginHead();
    if (!connections_.enter(id_, Connections::Phase::waiting)) return close();
    arm(shared_.options.idleTimeout);
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code ec) {
      if (ec) return self->close();
      self->beginHead();
    });
  }

  void beginHead() {
    if (!connections_.enter(id_, Connections::Phase::head)) return close();
    arm(shared_.options.headTimeout);
    head_.emplace();
    head_->header_limit(kHeaderLimit);
    // Beast checks an announced Content-Length against this limit as soon as
    // the head is parsed; the real limit depends on the route (onHead).
    head_->body_limit(kStreamLimit);
    http::async_read_header(socket_, buffer_, *head_,
                            [self = shared_from_this()](error_code ec, std::size_t) { self->onHead(ec); });
  }

  // Closes the connection when the time runs out before disarm().
  void arm(std::chrono::milliseconds limit) {
    const std::uint64_t generation = ++deadlineGeneration_;
    deadline_.expires_after(limit);
    deadline_.async_wait([weak = weak_from_this(), generation](error_code ec) {
      auto self = weak.lock();
      if (!ec && self && self->deadlineGeneration_ == generation) self->close();
    });
  }
  void disarm() {
    ++deadlineGeneration_;
    deadline_.cancel();
  }

  void onHead(error_code ec) {
    disarm();
    served_ = true;
    if (!ec && !connections_.enter(id_, Connections::Phase::busy)) return close();
    if (ec) {
      if (ec == http::error::header_limit) return respondNow(errorEnvelope(431, 431, "request header too large"), true);
      if (ec == http::error::body_limit) return respondNow(errorEnvelope(413, 413, "request body too large"), true);
      if (ec == http::error::end_of_stream || ec == net::error::operation_aborted) return close();
      if (ec.category() == make_error_code(http::error::bad_target).category()) {
        return respondNow(errorEnvelope(400, 400, "malformed request: " + ec.message()), true);
      }
      return close();
    }
    const auto& msg = head_->get();
    req_ = HttpRequest{};
    req_.method = std::string(msg.method_string());
    const std::string_view target = msg.target();
    const auto q = target.find('?');
    req_.path = std::string(target.substr(0, q));
    if (q != std::string_view::npos) req_.query = std::string(target.substr(q + 1));
    req_.authorization = std::string(msg[http::field::authorization]);
    if (auto it = msg.find(http::field::range); it != msg.end()) req_.range = std::string(it->value());
    if (auto it = msg.find(http::field::if_range); it != msg.end()) req_.ifRange = std::string(it->value());
    if (auto it = msg.find(http::field::if_none_match); it != msg.end()) req_.ifNoneMatch = std::string(it->value());
    if (auto length = head_->content_length()) req_.contentLength = *length;
    req_.chunked = head_->chunked();
    keepAlive_ = head_->keep_alive();
    const bool expectContinue = msg.version() >= 11 && iequals(msg[http::field::expect], "100-continue");
    const bool hasBody = !head_->is_done();

    fault_.reset();
    logged_ = false;
    if (shared_.handler.faultable(req_.path)) fault_ = shared_.faults.take(req_.method, req_.path);

    plan_ = BodyPlan{};
    if (fault_ && (fault_->kind == FaultKind::status || resetsUnhandled())) {
      mode_ = Mode::discard;
    } else {
      try {
        plan_ = shared_.handler.plan(req_);
      } catch (const std::exception& e) {
        plan_.kind = BodyPlan::Kind::reject;
        plan_.rejection = errorEnvelope(500, 500, std::string("internal error: ") + e.what());
      }
      switch (plan_.kind) {
        case BodyPlan::Kind::buffer: mode_ = Mode::buffer; break;
        case BodyPlan::Kind::stream:
          mode_ = Mode::stream;
          req_.stream = std::move(plan_.writer);
          break;
        case BodyPlan::Kind::reject: mode_ = Mode::discard; break;
      }
    }

    if (!hasBody) return afterBody();
    const bool small = !req_.chunked && req_.contentLength && *req_.contentLength <= kDiscardLimit;
    // A client waiting for "100 Continue" gets the refusal at once instead
    // (and may then send the body or not: the connection ends after it).
    if (mode_ == Mode::discard && (!small || expectContinue)) {
      // Not worth reading: answer and close.
      if (resetsUnhandled()) return resetNow();
      keepAlive_ = false;
      return afterBody();
    }
    if (mode_ == Mode::buffer && req_.contentLength && *req_.contentLength > shared_.options.maxBufferedBody) {
      return respondNow(errorEnvelope(413, 413, "request body too large"), true);
    }
    if (mode_ == Mode::stream && !req_.stream) {
      return respondNow(errorEnvelope(507, 507, "cannot store the body"), true);
    }
    if (expectContinue) {
      net::async_write(socket_, net::buffer(kContinue.data(), kContinue.size()),
                       [self = shared_from_this()](error_code wec, std::size_t) {
                         if (wec) return self->close();
                         self->readBody();
                       });
      return;
    }
    readBody();
  }

  void readBody() {
    bodyPos_ = 0;
    if (mode_ == Mode::buffer) {
      whole_.emplace(std::move(*head_));
      head_.reset();
      whole_->body_limit(shared_.options.maxBufferedBody);
      http::async_read(socket_, buffer_, *whole_, [self = shared_from_this()](error_code ec, std::size_t) {
        if (ec == http::error::body_limit) {
          return self->respondNow(errorEnvelope(413, 413, "request body too large"), true);
        }
        if (ec) return self->close();
        self->req_.body = std::move(self->whole_->get().body());
        self->whole_.reset();
        self->afterBody();
      });
      return;
    }
    stream_.emplace(std::move(*head_));
    head_.reset();
    stream_->body_limit(kStreamLimit);
    readChunk();
  }

  void readChunk() {
    if (!chunk_) chunk_ = std::make_unique<char[]>(kChunk);
    auto& body = stream_->get().body();
    body.data = chunk_.get();
    body.size = kChunk;
    body.more = true;
    http::async_read_some(socket_, buffer_, *stream_,
                          [self = shared_from_this()](error_code ec, std::size_t) { self->onChunk(ec); });
  }

  void onChunk(error_code ec) {
    if (ec == http::error::need_buffer) ec = {};
    if (ec) return close();
    const std::size_t got = kChunk - stream_->get().body().size;
    if (got > 0) {
      if (fault_ && fault_->kind == FaultKind::corrupt && fault_->onRequest &&
          overlaps(bodyPos_, got, fault_->offset, fault_->length)) {
        corrupt(chunk_.get(), bodyPos_, got, fault_->offset, fault_->length);
      }
      if (mode_ == Mode::stream && req_.stream && !req_.streamFailed && !req_.stream->write(chunk_.get(), got)) {
        req_.streamFailed = true;
      }
      bodyPos_ += got;
    }
    if (stream_->is_done()) {
      stream_.reset();
      return afterBody();
    }
    readChunk();
  }

  void afterBody() {
    head_.reset();
    if (fault_ && fault_->kind == FaultKind::corrupt && fault_->onRequest && mode_ == Mode::buffer) {
      corrupt(req_.body.data(), 0, req_.body.size(), fault_->offset, fault_->length);
    }
    if (fault_) {
      switch (fault_->kind) {
        case FaultKind::status: {
          HttpResponse refusal = errorEnvelope(fault_->status, fault_->code, fault_->msg);
          if (fault_->retryAfter) refusal.headers.emplace_back("Retry-After", *fault_->retryAfter);
          return respond(std::move(refusal));
        }
        case FaultKind::reset:
          if (resetsUnhandled()) return resetNow();
          break;
        case FaultKind::delay: return holdThen(fault_->ms, [](Session& s) { s.process(); });
        case FaultKind::stall:
          if (!fault_->afterBytes) return holdThen(fault_->ms, [](Session& s) { s.process(); });
          break;
        default: break;
      }
    }
    process();
  }

  void process() {
    if (plan_.kind == BodyPlan::Kind::reject) return respond(std::move(plan_.rejection));
    if (plan_.heavy) {
      net::post(shared_.workers, [self = shared_from_this()] {
        HttpResponse res = self->invoke();
        net::post(self->socket_.get_executor(),
                  [self, res = std::move(res)]() mutable { self->respond(std::move(res)); });
      });
      return;
    }
    respond(invoke());
  }

  HttpResponse invoke() {
    try {
      return shared_.handler.handle(req_);
    } catch (const std::exception& e) {
      return errorEnvelope(500, 500, std::string("internal error: ") + e.what());
    } catch (...) {
      return errorEnvelope(500, 500, "internal error");
    }
  }

  // Waits `ms` (or until the faults are cleared), then runs `next`.
  void holdThen(std::int64_t ms, void (*next)(Session&)) {
    const std::uint64_t generation = ++holdGeneration_;
    std::weak_ptr<Session> weak = weak_from_this();
    auto exec = socket_.get_executor();
    holdId_ = shared_.faults.hold([weak, exec, generation] {
      net::post(exec, [weak, generation] {
        if (auto s = weak.lock(); s && s->holdGeneration_ == generation) s->timer_.cancel();
      });
    });
    timer_.expires_after(std::chrono::milliseconds(ms));
    timer_.async_wait([self = shared_from_this(), next](error_code) {
      self->shared_.faults.unhold(self->holdId_);
      ++self->holdGeneration_;
      next(*self);
    });
  }

  // An answer produced before the request was fully read: always closes.
  void respondNow(HttpResponse res, bool closeAfter) {
    head_.reset();
    whole_.reset();
    stream_.reset();
    fault_.reset();
    res.close = res.close || closeAfter;
    respond(std::move(res));
  }

  void respond(HttpResponse res) {
    res_ = std::move(res);
    if (!keepAlive_) res_.close = true;
    cutAt_.reset();
    corruptAnswer_ = false;
    if (fault_) {
      switch (fault_->kind) {
        case FaultKind::stall:
        case FaultKind::reset: cutAt_ = fault_->afterBytes; break;
        case FaultKind::truncate:
          cutAt_ = fault_->afterBytes.value_or(0);
          res_.close = true;
          break;
        case FaultKind::corrupt: corruptAnswer_ = !fault_->onRequest; break;
        default: break;
      }
    }

    const unsigned s = res_.status;
    const bool bodyAllowed = !(s / 100 == 1 || s == 204 || s == 304);
    const std::uint64_t announced = bodyAllowed ? (res_.blob ? res_.length : res_.body.size()) : 0;
    total_ = res_.headOnly ? 0 : announced;
    log(s, announced);
    // The request took effect; its answer is lost with the connection.
    if (fault_ && fault_->kind == FaultKind::reset && fault_->handled) return resetNow();

    headText_.clear();
    headText_.reserve(256);
    headText_ += "HTTP/1.1 ";
    headText_ += std::to_string(s);
    headText_ += ' ';
    headText_ += reasonFor(s);
    headText_ += "\r\nServer: quillbox-emulator\r\n";
    if (bodyAllowed && !res_.contentType.empty()) {
      headText_ += "Content-Type: ";
      headText_ += res_.contentType;
      headText_ += "\r\n";
    }
    for (const auto& [name, value] : res_.headers) {
      headText_ += name;
      headText_ += ": ";
      headText_ += value;
      headText_ += "\r\n";
    }
    if (bodyAllowed) {
      headText_ += "Content-Length: ";
      headText_ += std::to_string(announced);
      headText_ += "\r\n";
    }
    if (res_.close) headText_ += "Connection: close\r\n";
    headText_ += "\r\n";
    sent_ = 0;

    if (!cutAt_ && !corruptAnswer_ && !res_.blob) {
      std::array<net::const_buffer, 2> buffers{net::buffer(headText_),
                                               net::buffer(res_.body.data(), static_cast<std::size_t>(total_))};
      net::async_write(socket_, buffers, [self = shared_from_this()](error_code ec, std::size_t) {
        if (ec) return self->close();
        self->finish();
      });
      return;
    }
    net::async_write(socket_, net::buffer(headText_), [self = shared_from_this()](error_code ec, std::size_t) {
      if (ec) return self->close();
      self->writeBody();
    });
  }

  void writeBody() {
    const std::uint64_t limit = cutAt_ ? std::min(*cutAt_, total_) : total_;
    if (sent_ >= limit) {
      if (cutAt_) return cut();
      return finish();
    }
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, limit - sent_));
    const char* data = nullptr;
    if (!res_.blob) {
      data = res_.body.data() + sent_;
    } else if (auto view = res_.blob->view()) {
      data = view->data() + res_.offset + sent_;
    } else {
      if (!chunk_) chunk_ = std::make_unique<char[]>(kChunk);
      const std::int64_t got = res_.blob->read(res_.offset + sent_, chunk_.get(), n);
      if (got <= 0) return close();  // the content vanished under us: nothing sane to send
      n = static_cast<std::size_t>(got);
      data = chunk_.get();
    }
    if (corruptAnswer_ && overlaps(sent_, n, fault_->offset, fault_->length)) {
      if (!chunk_) chunk_ = std::make_unique<char[]>(kChunk);
      if (data != chunk_.get()) std::memcpy(chunk_.get(), data, n);
      corrupt(chunk_.get(), sent_, n, fault_->offset, fault_->length);
      data = chunk_.get();
    }
    net::async_write(socket_, net::buffer(data, n), [self = shared_from_this(), n](error_code ec, std::size_t) {
      if (ec) return self->close();
      self->sent_ += n;
      self->writeBody();
    });
  }

  // The answer has reached the fault's byte count.
  void cut() {
    const FaultKind kind = fault_->kind;
    cutAt_.reset();
    switch (kind) {
      case FaultKind::stall: return holdThen(fault_->ms, [](Session& s) { s.writeBody(); });
      case FaultKind::reset: return resetNow();
      default: return close();  // truncate: a clean close short of the announced length
    }
  }

  void finish() {
    if (res_.close) return close();
    res_ = HttpResponse{};
    req_ = HttpRequest{};
    plan_ = BodyPlan{};
    fault_.reset();
    readHead();
  }

  // A reset with neither `afterBytes` nor `handled` strikes before the request is handled.
  bool resetsUnhandled() const {
    return fault_ && fault_->kind == FaultKind::reset && !fault_->afterBytes && !fault_->handled;
  }

  // Logs the request once: with the answer's status, or 0 when it had none.
  void log(unsigned status, std::uint64_t announced) {
    if (logged_ || req_.path.empty() || !shared_.handler.faultable(req_.path)) return;
    logged_ = true;
    shared_.faults.record({req_.method, req_.path, status, req_.range.value_or(""), req_.ifRange.value_or(""),
                           announced, fault_ ? std::string(kindName(fault_->kind)) : std::string(),
                           fault_ ? fault_->id : 0});
  }

  void resetNow() {
    log(0, 0);
    error_code ignored;
    socket_.set_option(net::socket_base::linger(true, 0), ignored);
    socket_.close(ignored);
  }

  void close() {
    closed_ = true;
    connections_.remove(id_);
    disarm();
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    socket_.close(ignored);
  }

  tcp::socket socket_;
  net::steady_timer timer_;
  net::steady_timer deadline_;
  Shared& shared_;
  Connections& connections_;  // outlives every session (HttpServer::Impl)
  std::uint64_t id_ = 0;
  std::uint64_t deadlineGeneration_ = 0;
  bool served_ = false;  // a request head has arrived on this connection
  bool closed_ = false;
  boost::beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> head_;
  std::optional<http::request_parser<http::string_body>> whole_;
  std::optional<http::request_parser<http::buffer_body>> stream_;
  std::unique_ptr<char[]> chunk_;
  bool keepAlive_ = true;
  Mode mode_ = Mode::buffer;
  HttpRequest req_;
  BodyPlan plan_;
  std::optional<Fault> fault_;
  bool logged_ = false;  // the request is in the request log
  std::uint64_t bodyPos_ = 0;
  HttpResponse res_;
  std::string headText_;
  std::uint64_t total_ = 0;
  std::uint64_t sent_ = 0;
  std::optional<std::uint64_t> cutAt_;
  bool corruptAnswer_ = false;
  std::uint64_t holdId_ = 0;
  std::uint64_t holdGeneration_ = 0;
};

}  // namespace

HttpResponse errorEnvelope(unsigned status, std::int64_t code, std::string_view msg) {
  HttpResponse r;
  r.status = status;
  r.body = boost::json::serialize(boost::json::object{{"code", code}, {"msg", toValidUtf8(msg)}});
  return r;
}

struct HttpServer::Impl {
  Impl(HttpHandler& handler, FaultRegistry& faults, HttpServerOptions opts)
      : options(std::move(opts)),
        connections(options.maxConnections, options.headTimeout / 10),
        io(static_cast<int>(std::max(1u, options.threads))),
        workers(std::max(1u, options.workers)),
        shared{handler, faults, workers, options, connections} {}

  HttpServerOptions options;
  Connections connections;  // before io: sessions left in io deregister when it goes
  net::io_context io;
  net::executor_work_guard<net::io_context::executor_type> work{io.get_executor()};
  tcp::acceptor acceptor{net::make_strand(io)};
  net::steady_timer retry{acceptor.get_executor()};
  net::thread_pool workers;
  Shared shared;
  std::vector<std::thread> threads;
  std::atomic<std::uint64_t> accepted{0};
  std::uint16_t port = 0;
  bool stopped = false;

  void accept() {
    acceptor.async_accept(net::make_strand(io), [this](error_code ec, tcp::socket socket) {
      if (ec == net::error::operation_aborted) return;
      if (ec) {
        // Typically out of descriptors: try again shortly instead of spinning.
        retry.expires_after(std::chrono::milliseconds(10));
        retry.async_wait([this](error_code wec) {
          if (!wec) accept();
        });
        return;
      }
      error_code ignored;
      accepted.fetch_add(1, std::memory_order_relaxed);
      std::weak_ptr<Session> victim;
      if (!connections.makeRoom(victim)) {
        socket.close(ignored);  // at the cap and no one idle to close for it
        return accept();
      }
      if (auto idle = victim.lock()) {
        net::post(idle->executor(), [victim] {
          if (auto s = victim.lock()) s->evict();
        });
      }
      socket.set_option(tcp::no_delay(true), ignored);
      std::make_shared<Session>(std::move(socket), shared)->start();
      accept();
    });
  }
};

HttpServer::HttpServer(HttpHandler& handler, FaultRegistry& faults, HttpServerOptions options)
    : impl_(std::make_unique<Impl>(handler, faults, std::move(options))) {}

HttpServer::~HttpServer() { stop(); }

void HttpServer::start() {
  raiseDescriptorLimit();
  const tcp::endpoint endpoint(net::ip::make_address(impl_->options.address), impl_->options.port);
  auto& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol());
  acceptor.set_option(net::socket_base::reuse_address(true));
  acceptor.bind(endpoint);
  acceptor.listen(net::socket_base::max_listen_connections);
  impl_->port = acceptor.local_endpoint().port();
  impl_->accept();
  const unsigned count = std::max(1u, impl_->options.threads);
  for (unsigned i = 0; i < count; ++i) impl_->threads.emplace_back([io = &impl_->io] { io->run(); });
}

void HttpServer::stop() {
  if (impl_->stopped) return;
  impl_->stopped = true;
  impl_->work.reset();
  impl_->io.stop();
  for (auto& t : impl_->threads) t.join();
  impl_->threads.clear();
  impl_->workers.join();
}

std::uint16_t HttpServer::port() const { return impl_->port; }
std::uint64_t HttpServer::connectionsAccepted() const { return impl_->accepted.load(std::memory_order_relaxed); }
std::size_t HttpServer::connectionsOpen() const { return impl_->connections.open(); }

}  // namespace quillbox::emulator
