#include "transport/Transport.hpp"

#include <algorithm>
#include <thread>

#include "request/Redact.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox::transport {

namespace {

/// The request as it goes out, secrets masked: one line for the address,
/// one per header, one for the body.
void logRequest(const std::string& url, const std::optional<HeaderMap>& headers,
                const std::optional<std::string>& body) {
  QUILLBOX_LOG(debug, "Request url = " + request::maskUrlQuery(url));
  if (headers) {
    for (const auto& [name, value] : *headers) {
      QUILLBOX_LOG(debug, "Request head = " + name + " : " + std::string(request::loggableHeaderValue(name, value)));
    }
  }
  if (!body) {
    QUILLBOX_LOG(debug, "Request Body: 空");
  } else if (util::isValidUtf8(*body)) {
    QUILLBOX_LOG(debug, "Request Body: " + request::loggableBody(*body));
  } else {
    QUILLBOX_LOG(debug, "Request Body: 无法解码的二进制数据");
  }
  QUILLBOX_LOG(debug, "request httpResponse session.data after");
}

std::size_t callbackWidth(std::size_t configured) {
  if (configured > 0) return configured;
  return std::max(2u, std::thread::hardware_concurrency());
}

}  // namespace

Transport::Transport(TransportOptions options)
    : options_(options),
      callbacks_("quillbox-callbacks", callbackWidth(options_.callbackThreads)),
      loop_("quillbox-http"),
      parts_(loop_) {}

TransportOptions Transport::options() const {
  std::lock_guard lock(optionsMutex_);
  return options_;
}

void Transport::setTimeouts(std::chrono::seconds connect, std::chrono::seconds stall) {
  std::lock_guard lock(optionsMutex_);
  options_.connectTimeout = connect;
  options_.stallTimeout = stall;
}

Transport& Transport::shared() {
  // Created once, never destroyed: requests may still complete while the
  // process exits.
  static Transport* instance = new Transport;
  return *instance;
}

std::optional<NetworkError> Transport::sendRequest(const std::string& host, const std::string& path,
                                                   HTTPMethod method, const std::optional<HeaderMap>& headers,
                                                   const std::optional<HeaderMap>& queryItems,
                                                   const std::optional<std::string>& body,
                                                   std::function<void(HttpResult)> completion) {
  const std::string text = host + path;
  std::optional<std::string> url = composeUrl(text, queryItems);
  if (!url) return NetworkError::invalidURL();
  if (util::logEnabled(LogLevel::debug)) logRequest(text, headers, body);

  auto transfer = std::make_shared<DataTransfer>(callbacks_, std::move(completion));
  // GET never carries a body, whatever the request holds.
  transfer->configure(options(), *url, method, headers, method == HTTPMethod::get ? std::nullopt : body);
  loop_.start(std::move(transfer));
  return std::nullopt;
}

}  // namespace quillbox::transport
