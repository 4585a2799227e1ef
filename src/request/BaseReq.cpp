#include "request/BaseReq.hpp"

#include <random>

#include "quillbox/request/BaseResponse.hpp"
#include "transport/Transport.hpp"
#include "request/Redact.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox::request {

std::string RequestCore::requestPath() const {
  std::string path = url.value_or("");
  if (params && !params->empty()) path.append("?").append(*params);
  return path;
}

std::string makeTraceId() {
  thread_local std::mt19937_64 engine{[] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }()};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string id = "000000000000DSDK";
  std::uint64_t bits = engine();
  for (int i = 0; i < 16; ++i, bits >>= 4) id += kHex[bits & 0xF];
  id += "000000";
  return id;
}

namespace {

/// The request as it goes out, secrets masked: one line for the address,
/// one per header, one for the body.
void logRequest(const std::string& url, const std::optional<transport::HeaderMap>& headers,
                const std::optional<std::string>& body) {
  QUILLBOX_LOG(debug, "Request url = " + maskUrlQuery(url));
  if (headers) {
    for (const auto& [name, value] : *headers) {
      QUILLBOX_LOG(debug, "Request head = " + name + " : " + std::string(loggableHeaderValue(name, value)));
    }
  }
  if (!body) {
    QUILLBOX_LOG(debug, "Request Body: 空");
  } else if (util::isValidUtf8(*body)) {
    QUILLBOX_LOG(debug, "Request Body: " + loggableBody(*body));
  } else {
    QUILLBOX_LOG(debug, "Request Body: 无法解码的二进制数据");
  }
  QUILLBOX_LOG(debug, "request httpResponse session.data after");
}

/// The headers every service request carries.
void addStandardHeaders(std::map<std::string, std::string>& heads, const std::optional<std::string>& token) {
  heads["Content-Type"] = "application/json; charset=utf-8";
  heads["x-qz-agentname"] = "standard";
  heads["Accept"] = "*/*";
  heads["X-Traceid"] = makeTraceId();
  heads["User-Agent"] = "DSDK";
  if (token) heads["Authorization"] = *token;
}

/// Whether a finished exchange is to be sent again. This is where a retry
/// stage belongs: it sees every outcome before it is interpreted; one that
/// says yes hands the same request, with the same completion, to the
/// transport once more instead of delivering. Nothing is retried today.
bool sendAgain(const transport::HttpResult&) { return false; }

}  // namespace

void RequestCore::start(std::shared_ptr<RequestCore> self, const Settings& settings,
                        std::unique_ptr<ResponseDelivery> delivery) {
  transport::Transport& transport = settings.transport();
  std::shared_ptr<ResponseDelivery> target = std::move(delivery);
  // Held until the callback has returned: a client waits for it when it goes
  // away.
  transport::InFlight::Ticket ticket = transport.inFlight().enter();
  auto fail = [&](std::string text) {
    transport.callbacks().post([target, ticket, text = std::move(text)]() mutable {
      target->deliverFailure(-1, std::move(text));
    });
  };

  // 1. Build: path, query and body from the request record.
  const int built = self->buildParams();
  // 2. The standard headers, with the token as it is now.
  const Settings::Snapshot connection = settings.connection();
  if (!self->heads) self->heads.emplace();
  addStandardHeaders(*self->heads, connection.token);
  if (built == -1) return fail("params build faild");

  // 3. The address, and the request as it goes out in the log.
  const std::string text = connection.host.value_or("") + self->requestPath();
  const std::optional<std::string> url = transport::composeUrl(text, std::nullopt);
  if (!url) {
    const std::string message = "callRequest error: " + NetworkError::invalidURL().description();
    QUILLBOX_LOG(error, message);
    return fail(message);
  }
  if (util::logEnabled(LogLevel::debug)) logRequest(text, self->heads, self->body);

  // 4. The transport: from here on the I/O thread has it.
  const RequestCore& request = *self;
  transport.exchange(*url, request.method, request.heads, request.body,
                     // 5.-7. On a callback thread: classify, decode, deliver.
                     [self, target, ticket](const transport::HttpResult& result) {
                       if (!sendAgain(result)) handleResponse(result, *target);
                     });
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
    delivery.deliverFailure(-1, "request error " + *result.transportError);
    return;
  }
  if (result.status == 0) {
    QUILLBOX_LOG(error, "响应不是 HTTPURLResponse 类型");
    delivery.deliverFailure(-1, "response not HTTPURLResponse");
    return;
  }
  if (result.status >= 200 && result.status <= 299) {
    if (std::optional<std::string> why = delivery.deliverDecoded(result.body)) {
      delivery.deliverFailure(-1, "str to bean error " + *why);
    }
    logAnswer(result.body);
    return;
  }
  QUILLBOX_LOG(error, "服务器返回错误 status code: " + std::to_string(result.status));
  std::optional<BaseResponse> envelope = decodeErrorEnvelope(result.body);
  if (envelope && envelope->code && envelope->msg) {
    delivery.deliverFailure(*envelope->code, *envelope->msg);
    return;
  }
  if (!envelope) {
    QUILLBOX_LOG(warning, "转换失败");
    logAnswer(result.body);
  }
  delivery.deliverFailure(-1, "response status code = " + std::to_string(result.status));
}

}  // namespace quillbox::request
