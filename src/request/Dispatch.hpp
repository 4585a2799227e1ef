#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "quillbox/request/HTTPMethod.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

/// Runs one service operation: a fresh request object of class Req, holding
/// the caller's record, sent with `method`.
template <class Req, class Bean, class Callback>
void runRequest(const Settings& settings, std::optional<Bean> bean, Callback&& onCallback, HTTPMethod method) {
  auto req = std::make_shared<Req>(std::move(bean));
  req->method = method;
  req->onCallback = std::forward<Callback>(onCallback);
  req->callRequest(settings);
}

}  // namespace quillbox::request
