#pragma once

#include <functional>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "transport/CurlLoop.hpp"
#include "transport/DataTransfer.hpp"
#include "transport/PartTransfer.hpp"
#include "transport/TransportOptions.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::transport {

/// The transport of service requests and of part uploads: one libcurl
/// multi handle on one I/O thread, and a small executor on which every
/// completion, and so every host callback, runs.
class Transport {
 public:
  explicit Transport(TransportOptions options = {});
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  static Transport& shared();

  TransportOptions options() const;
  /// Connect and stall time-outs of the transfers started from now on.
  void setTimeouts(std::chrono::seconds connect, std::chrono::seconds stall);

  /// Builds the request for host + path, logs it, and starts it. Returns at
  /// once; `completion` runs later on the callback executor, exactly once.
  /// Fails (without calling `completion`) when host + path is not a URL.
  std::optional<NetworkError> sendRequest(const std::string& host, const std::string& path, HTTPMethod method,
                                          const std::optional<HeaderMap>& headers,
                                          const std::optional<HeaderMap>& queryItems,
                                          const std::optional<std::string>& body,
                                          std::function<void(HttpResult)> completion);

  /// Where completions and host callbacks run. Never the I/O thread.
  util::ThreadPool& callbacks() { return callbacks_; }
  CurlLoop& loop() { return loop_; }
  /// Part PUTs, on the same loop.
  PartPuts& parts() { return parts_; }
  /// Starts one part PUT with the current options: see PartPuts::start.
  std::shared_ptr<PartWaiter> putPart(const std::string& url, PartBody body, const std::string& hash,
                                      std::shared_ptr<ProgressListener> progressListener) {
    return parts_.start(options(), url, std::move(body), hash, std::move(progressListener));
  }

 private:
  mutable std::mutex optionsMutex_;
  TransportOptions options_;
  util::ThreadPool callbacks_;
  CurlLoop loop_;  // after callbacks_: it ends first, handing its last completions over
  PartPuts parts_;
};

}  // namespace quillbox::transport
