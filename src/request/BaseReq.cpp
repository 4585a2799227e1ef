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

void RequestCore::start(std::shared_ptr<RequestCore> self, const Settings& settings,
                        std::unique_ptr<ResponseDelivery> delivery) {
  const int built = self->buildParams();
  if (!self->heads) self->heads.emplace();
  auto& heads = *self->heads;
  heads["Content-Type"] = "application/json; charset=utf-8";
  heads["x-qz-agentname"] = "standard";
  heads["Accept"] = "*/*";
  heads["X-Traceid"] = makeTraceId();
  heads["User-Agent"] = "DSDK";
  const Settings::Snapshot connection = settings.connection();
  if (connection.token) heads["Authorization"] = *connection.token;

  if (built == -1) {
    delivery->deliverFailure(-1, "params build faild");
    return;
  }

  // The exchange starts on a worker thread: the caller's thread only builds.
  std::shared_ptr<ResponseDelivery> target = std::move(delivery);
  transport::Transport::shared().callbacks().post([self = std::move(self), host = connection.host.value_or(""), target] {
    std::optional<NetworkError> error = transport::Transport::shared().sendRequest(
        host, self->requestPath(), self->method, self->heads, std::nullopt, self->body,
        // The request object lives until its answer has been handled.
        [self, target](const HttpResult& result) { handleResponse(result, *target); });
    if (error) {
      const std::string text = "callRequest error: " + error->description();
      QUILLBOX_LOG(error, text);
      target->deliverFailure(-1, text);
    }
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
