#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "request/Settings.hpp"

namespace quillbox::transport {
struct HttpResult;
}

namespace quillbox::request {

using transport::HttpResult;

/// Hands one exchange's outcome to the typed callback of its request.
class ResponseDelivery {
 public:
  virtual ~ResponseDelivery() = default;
  /// Decodes `body` as the response record and, when that works, calls the
  /// callback with success. Otherwise returns why, without calling back.
  virtual std::optional<std::string> deliverDecoded(std::string_view body) = 0;
  /// Calls the callback with a failure: its code and message, its kind and
  /// the HTTP status of the answer (0 when none arrived).
  virtual void deliverFailure(std::int64_t code, std::string message, FailureKind kind, long httpStatus) = 0;
};

/// The part of a request object that does not depend on its answer's type.
class RequestCore {
 public:
  virtual ~RequestCore() = default;

  HTTPMethod method = HTTPMethod::get;
  /// The endpoint path, beginning with "/".
  std::optional<std::string> url;
  /// The query string without the leading "?".
  std::optional<std::string> params;
  /// The JSON body.
  std::optional<std::string> body;

  /// Fills url, params and body from the request record: 0 when the request
  /// can be sent, -1 when it cannot (no record, a required value missing, or
  /// the record does not encode).
  virtual int buildParams() = 0;

 protected:
  /// The request pipeline, on the calling thread up to the hand-over to the
  /// transport: build, standard headers, log, send. An attempt that fails in
  /// a way the settings' retry policy allows is sent again after its wait,
  /// within the call's deadline. The last attempt's answer is then
  /// classified, decoded and delivered on a callback thread of the settings'
  /// transport, and so is a failure to build or to form the URL: the
  /// callback never runs on the calling thread. `self` keeps the request
  /// alive until its callback has run.
  static void start(std::shared_ptr<RequestCore> self, const Settings& settings,
                    std::unique_ptr<ResponseDelivery> delivery);
};

/// Interprets one finished exchange and calls back exactly once. A failure
/// keeps the code and message it always had and adds its kind: the
/// transport's (see transport::failureKind) when no whole answer arrived,
/// `undecodable` for an answer too large, not HTTP or not decodable, and
/// `httpStatus` with the status for a status outside 200-299.
void handleResponse(const HttpResult& result, ResponseDelivery& delivery);

/// The envelope of an error answer, if it decodes; otherwise logs why.
std::optional<BaseResponse> decodeErrorEnvelope(std::string_view body);

/// A fresh trace identifier: "000000000000DSDK", 16 random upper-case hex
/// digits, "000000".
std::string makeTraceId();

/// A request object whose answer decodes into T.
template <class T>
class BaseReq : public RequestCore, public std::enable_shared_from_this<BaseReq<T>> {
 public:
  using Callback = std::function<void(NetworkResult<T>)>;
  Callback onCallback;

  /// Runs the request: see RequestCore::start.
  void callRequest(const Settings& settings) {
    start(std::static_pointer_cast<RequestCore>(this->shared_from_this()), settings,
          std::make_unique<Delivery>(onCallback));
  }

 private:
  class Delivery final : public ResponseDelivery {
   public:
    explicit Delivery(Callback cb) : cb_(std::move(cb)) {}
    std::optional<std::string> deliverDecoded(std::string_view text) override {
      JsonResult<T> decoded = fromJson<T>(text);
      if (!decoded) return decoded.error().description();
      if (cb_) cb_(NetworkResult<T>::success(std::move(decoded).value()));
      return std::nullopt;
    }
    void deliverFailure(std::int64_t code, std::string message, FailureKind kind, long httpStatus) override {
      if (cb_) cb_(NetworkResult<T>::failure(code, std::move(message), kind, httpStatus));
    }

   private:
    Callback cb_;
  };
};

}  // namespace quillbox::request
