#include "request/BaseReq.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <random>

#include "quillbox/request/BaseResponse.hpp"
#include "transport/Transport.hpp"
#include "request/Redact.hpp"
#include "request/Retry.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox::request {

namespace {

/// A trace identifier in place, with no allocation.
std::array<char, 38> traceIdChars() {
  thread_local std::mt19937_64 engine{[] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }()};
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  std::array<char, 38> id{};
  std::fill(id.begin(), id.end(), '0');
  std::copy_n("DSDK", 4, id.begin() + 12);
  std::uint64_t bits = engine();
  for (std::size_t i = 16; i < 32; ++i, bits >>= 4) id[i] = kHex[bits & 0xF];
  return id;
}

}  // namespace

std::string makeTraceId() {
  const std::array<char, 38> id = traceIdChars();
  return std::string(id.data(), id.size());
}

namespace {

/// The request as it goes out, secrets masked: one line for the address,
/// one per header, one for the body.
void logRequest(const std::string& url, const transport::HeaderLines& headers, const std::optional<std::string>& body) {
  QUILLBOX_LOG(debug, "Request url = " + maskUrlQuery(url));
  headers.forEach([](std::string_view name, std::string_view value) {
    QUILLBOX_LOG(debug, "Request head = " + std::string(name) + " : " + std::string(loggableHeaderValue(name, value)));
  });
  if (!body) {
    QUILLBOX_LOG(debug, "Request Body: 空");
  } else if (util::isValidUtf8(*body)) {
    QUILLBOX_LOG(debug, "Request Body: " + loggableBody(*body));
  } else {
    QUILLBOX_LOG(debug, "Request Body: 无法解码的二进制数据");
  }
  QUILLBOX_LOG(debug, "request httpResponse session.data after");
}

/// The headers every service request carries, in the order they have
/// always gone out (by name, upper case first).
transport::HeaderLines standardHeaders(const std::optional<std::string>& token) {
  const std::array<char, 38> traceId = traceIdChars();
  transport::HeaderLines lines;
  lines.reserve(160 + (token ? token->size() : 0));  // one allocation for them all
  lines.add("Accept", "*/*");
  if (token) lines.add("Authorization", *token);
  lines.add("Content-Type", "application/json; charset=utf-8");
  lines.add("User-Agent", "DSDK");
  lines.add("X-Traceid", std::string_view(traceId.data(), traceId.size()));
  lines.add("x-qz-agentname", "standard");
  return lines;
}

/// One service call on its way: what every attempt sends, and how many
/// have been made. Held by the completion of the attempt in flight.
struct Call {
  std::shared_ptr<RequestCore> request;
  std::unique_ptr<ResponseDelivery> target;
  transport::InFlight::Ticket ticket;
  transport::Transport* transport;
  std::string url;
  transport::HeaderLines headers;
  RetryPolicy retry;
  std::chrono::steady_clock::time_point deadline;
  int attempts = 0;
};

void send(std::shared_ptr<Call> call, std::chrono::milliseconds wait);

/// Whether a finished attempt is to be sent again, and if so sends it: only
/// a failure that may pass, and that repeating cannot make happen twice,
/// while the policy has attempts left and the deadline leaves room for one.
bool sendAgain(const std::shared_ptr<Call>& call, const transport::HttpResult& result) {
  const RequestCore& request = *call->request;
  if (call->attempts >= call->retry.maxAttempts || !mayRetry(request.method, result)) return false;
  const std::chrono::milliseconds wait = retryWait(call->retry, call->attempts, result);
  // No attempt is started that would have less than this before the
  // deadline: it could hardly do more than time out. It also keeps the
  // time-out that ends an attempt at the deadline from being taken for one
  // that left time (libcurl may fire a few milliseconds early, its clock read
  // before the attempt's limit was worked out).
  constexpr std::chrono::milliseconds kShortestAttempt(100);
  if (std::chrono::steady_clock::now() + wait + kShortestAttempt >= call->deadline) return false;
  QUILLBOX_LOG(warning, std::string(rawValue(request.method)) + " " + maskUrlQuery(call->url) + " failed (" +
                            describeFailure(result) + "); attempt " + std::to_string(call->attempts + 1) + " of " +
                            std::to_string(call->retry.maxAttempts) + " in " + std::to_string(wait.count()) + " ms");
  send(call, wait);
  return true;
}

/// Starts one attempt after `wait`; its outcome is either sent again or
/// classified, decoded and delivered on a callback thread. Every attempt
/// carries the same headers, the trace identifier included, so the server's
/// logs tie the attempts of one call together.
void send(std::shared_ptr<Call> call, std::chrono::milliseconds wait) {
  using std::chrono::milliseconds;
  ++call->attempts;
  const auto left = std::chrono::ceil<milliseconds>(call->deadline - std::chrono::steady_clock::now()) - wait;
  const RequestCore& request = *call->request;
  transport::Transport& transport = *call->transport;
  transport.exchange(call->url, request.method, call->headers, request.body,
                     [call](const transport::HttpResult& result) {
                       if (!sendAgain(call, result)) handleResponse(result, *call->target);
                     },
                     transport::ExchangeTiming{.timeLimit = std::max(left, milliseconds(1)), .startAfter = wait});
}

}  // namespace

void RequestCore::start(std::shared_ptr<RequestCore> self, const Settings& settings,
                        std::unique_ptr<ResponseDelivery> delivery) {
  transport::Transport& transport = settings.transport();
  // Held until the callback has returned: a client waits for it when it goes
  // away.
  transport::InFlight::Ticket ticket = transport.inFlight().enter();
  // Nothing was sent: the request cannot be made.
  auto fail = [&](std::string text) {
    // Shared, as a job must be copyable; a rare path.
    std::shared_ptr<ResponseDelivery> target = std::move(delivery);
    auto held = std::make_shared<transport::InFlight::Ticket>(std::move(ticket));
    transport.callbacks().post([target, held, text = std::move(text)]() mutable {
      target->deliverFailure(-1, std::move(text), FailureKind::invalidRequest, 0);
    });
  };

  // 1. Build: path, query and body from the request record.
  const int built = self->buildParams();
  // 2. The standard headers, with the token as it is now.
  const std::shared_ptr<const Settings::Connection> connection = settings.connection();
  transport::HeaderLines headers = standardHeaders(connection->token);
  if (built == -1) return fail("params build faild");

  // 3. The address (host, path, and "?" and the query when there is one),
  // and the request as it goes out in the log.
  const std::string_view host = connection->host ? std::string_view(*connection->host) : std::string_view();
  const std::string_view path = self->url ? std::string_view(*self->url) : std::string_view();
  const std::string_view query = self->params ? std::string_view(*self->params) : std::string_view();
  std::string text;
  text.reserve(host.size() + path.size() + 1 + query.size());
  text.append(host).append(path);
  if (!query.empty()) text.append("?").append(query);
  std::optional<std::string> url = transport::composeUrl(text, std::nullopt);
  if (!url) {
    const std::string message = "callRequest error: " + NetworkError::invalidURL().description();
    QUILLBOX_LOG(error, message);
    return fail(message);
  }
  if (util::logEnabled(LogLevel::debug)) logRequest(text, headers, self->body);

  // 4. The transport, attempt after attempt as the retry policy allows;
  // 5.-7. then, on a callback thread: classify, decode, deliver.
  // Clamped, so that no setting can overflow the clock's arithmetic.
  const auto allowed = std::clamp<std::chrono::milliseconds>(transport.options().callDeadline, std::chrono::milliseconds(1),
                                                             std::chrono::hours(24 * 365));
  const auto deadline = std::chrono::steady_clock::now() + allowed;
  send(std::make_shared<Call>(Call{std::move(self), std::move(delivery), std::move(ticket), &transport,
                                   std::move(*url), std::move(headers), connection->retry, deadline}),
       std::chrono::milliseconds(0));
}

namespace {

/// The answer's body as received, masked, when it is text.
void logAnswer(std::string_view body) {
  if (util::logEnabled(LogLevel::debug) && util::isValidUtf8(body)) {
    util::writeLog(LogLevel::debug, "响应数据: " + loggableBody(body));
  }
}

}  // namespace

std::optional<BaseResponse> decodeErrorEnvelope(std::string_view body) {
  JsonResult<BaseResponse> envelope = fromJson<BaseResponse>(body);
  if (envelope) return std::move(envelope).value();
  const JsonError& e = envelope.error();
  switch (e.kind) {
    case JsonError::Kind::typeMismatch: QUILLBOX_LOG(warning, "类型不匹配:  " + e.expected + "  上下文:  " + e.description()); break;
    case JsonError::Kind::valueNotFound: QUILLBOX_LOG(warning, "值未找到:  " + e.expected + "  上下文:  " + e.description()); break;
    case JsonError::Kind::keyNotFound: QUILLBOX_LOG(warning, "键未找到:  " + e.path + "  上下文:  " + e.description()); break;
    case JsonError::Kind::dataCorrupted: QUILLBOX_LOG(warning, "数据损坏:  " + e.description()); break;
  }
  return std::nullopt;
}

void handleResponse(const HttpResult& result, ResponseDelivery& delivery) {
  if (result.transportError) {
    QUILLBOX_LOG(error, "请求失败: " + *result.transportError);
    // An answer refused for its size did arrive; it is not one this client takes.
    const FailureKind kind = result.bodyTooLarge ? FailureKind::undecodable : transport::failureKind(result);
    delivery.deliverFailure(-1, "request error " + *result.transportError, kind, 0);
    return;
  }
  if (result.status == 0) {
    QUILLBOX_LOG(error, "响应不是 HTTPURLResponse 类型");
    delivery.deliverFailure(-1, "response not HTTPURLResponse", FailureKind::undecodable, 0);
    return;
  }
  if (result.status >= 200 && result.status <= 299) {
    if (std::optional<std::string> why = delivery.deliverDecoded(result.body)) {
      delivery.deliverFailure(-1, "str to bean error " + *why, FailureKind::undecodable, result.status);
    }
    logAnswer(result.body);
    return;
  }
  QUILLBOX_LOG(error, "服务器返回错误 status code: " + std::to_string(result.status));
  std::optional<BaseResponse> envelope = decodeErrorEnvelope(result.body);
  if (envelope && envelope->code && envelope->msg) {
    delivery.deliverFailure(*envelope->code, *envelope->msg, FailureKind::httpStatus, result.status);
    return;
  }
  if (!envelope) {
    QUILLBOX_LOG(warning, "转换失败");
    logAnswer(result.body);
  }
  delivery.deliverFailure(-1, "response status code = " + std::to_string(result.status), FailureKind::httpStatus,
                          result.status);
}

}  // namespace quillbox::request
