#pragma once
// Any service operation as a std::future or as a plain blocking call.
//
//   auto future = quillbox::callAsync(cloud.getFileImpl(), &IFile::filesList, bean);
//   NetworkResult<FilesListResponse> page = quillbox::callBlocking(cloud.getFileImpl(), &IFile::filesList, bean);
//   auto packages = quillbox::callBlocking(cloud.getCarrierImpl(), &ICarrier::standardPackages);
//
// The answer's type comes from the operation, so one adapter serves every
// operation of every service.
//
// Where callbacks run: a service operation's callback runs on one of the
// SDK's callback threads (or at once on the calling thread when the request
// cannot be built); the upload events run on the SDK's single upload-events
// thread; a download's callbacks run on that download's own callback thread.
// A callback holds its thread until it returns. A service callback may wait
// for the answer of a service call it made (the callback threads are added
// to while all of them are blocked); an upload event or a download callback
// must not block on another SDK call, whose answer may need that very
// thread. callBlocking refuses on every SDK callback thread; a future's get()
// does not.

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "quillbox/request/NetworkResult.hpp"

namespace quillbox {

/// True on one of the SDK's own callback threads: service callbacks, upload
/// events and download callbacks all run on such threads.
bool isSdkCallbackThread();

/// The failure a blocking call returns at once, without sending anything,
/// when it is made on an SDK callback thread.
inline constexpr std::int64_t kBlockingCallRefusedCode = -1;
inline constexpr const char* kBlockingCallRefusedMessage =
    "blocking call on an SDK callback thread would deadlock; use callAsync or a callback";

namespace detail {

template <class Response>
std::pair<std::function<void(NetworkResult<Response>)>, std::future<NetworkResult<Response>>> promiseCallback() {
  auto promise = std::make_shared<std::promise<NetworkResult<Response>>>();
  auto future = promise->get_future();
  return {[promise](NetworkResult<Response> r) { promise->set_value(std::move(r)); }, std::move(future)};
}

template <class Response>
NetworkResult<Response> waitFor(std::future<NetworkResult<Response>> future) {
  try {
    return future.get();
  } catch (const std::future_error&) {
    // The operation dropped its callback without calling it.
    return NetworkResult<Response>::failure(-1, "the operation ended without an answer");
  }
}

}  // namespace detail

/// Starts `op` on `service` with `bean` (a record, or std::nullopt) and
/// returns the future of its result. Usable on any thread; waiting on the
/// future inside an SDK callback is the caller's choice and can deadlock
/// (see above). The service must outlive the call.
template <class S, class Service, class Bean, class Response>
  requires std::is_base_of_v<Service, S>
std::future<NetworkResult<Response>> callAsync(
    S& service, void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
    std::type_identity_t<std::optional<Bean>> bean) {
  auto [callback, future] = detail::promiseCallback<Response>();
  (static_cast<Service&>(service).*op)(std::move(bean), std::move(callback));
  return std::move(future);
}

/// The same for the operations that take no request record.
template <class S, class Service, class Response>
  requires std::is_base_of_v<Service, S>
std::future<NetworkResult<Response>> callAsync(S& service,
                                               void (Service::*op)(std::function<void(NetworkResult<Response>)>)) {
  auto [callback, future] = detail::promiseCallback<Response>();
  (static_cast<Service&>(service).*op)(std::move(callback));
  return std::move(future);
}

/// Runs `op` and waits for its result. On an SDK callback thread it sends
/// nothing and returns at once the failure kBlockingCallRefusedCode /
/// kBlockingCallRefusedMessage, since waiting there could deadlock.
template <class S, class Service, class Bean, class Response>
  requires std::is_base_of_v<Service, S>
NetworkResult<Response> callBlocking(
    S& service, void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
    std::type_identity_t<std::optional<Bean>> bean) {
  if (isSdkCallbackThread()) {
    return NetworkResult<Response>::failure(kBlockingCallRefusedCode, kBlockingCallRefusedMessage);
  }
  return detail::waitFor(callAsync(service, op, std::move(bean)));
}

/// The same for the operations that take no request record.
template <class S, class Service, class Response>
  requires std::is_base_of_v<Service, S>
NetworkResult<Response> callBlocking(S& service, void (Service::*op)(std::function<void(NetworkResult<Response>)>)) {
  if (isSdkCallbackThread()) {
    return NetworkResult<Response>::failure(kBlockingCallRefusedCode, kBlockingCallRefusedMessage);
  }
  return detail::waitFor(callAsync(service, op));
}

}  // namespace quillbox
