#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "quillbox/request/HTTPMethod.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

/// Runs one service operation: a fresh request object of class Req, holding
/// the caller's record, sent with the method of index `methodIndex`
/// (0 GET, 1 POST, 2 PUT, 3 DELETE, 4 PATCH).
template <class Req, class Bean, class Callback>
void runRequest(const Settings& settings, std::optional<Bean> bean, Callback&& onCallback, int methodIndex) {
  auto req = std::make_shared<Req>(std::move(bean));
  req->method = httpMethodFromIndex(methodIndex).value();
  req->onCallback = std::forward<Callback>(onCallback);
  req->callRequest(settings);
}

/// The same for operations without a request record; always GET.
template <class Req, class Callback>
void runBeanlessRequest(const Settings& settings, Callback&& onCallback) {
  auto req = std::make_shared<Req>();
  req->method = HTTPMethod::get;
  req->onCallback = std::forward<Callback>(onCallback);
  req->callRequest(settings);
}

/// The common prefix of every endpoint path.
inline constexpr std::string_view kApiPrefix = "/quillbox/ose/v1/";

}  // namespace quillbox::request
