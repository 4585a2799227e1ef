#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "transport/CurlLoop.hpp"
#include "transport/DataTransfer.hpp"
#include "transport/InFlight.hpp"
#include "transport/PartTransfer.hpp"
#include "transport/TransportOptions.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::transport {

/// When an exchange starts and how long it may take.
struct ExchangeTiming {
  /// The exchange fails with a time-out once this has passed since it
  /// started (waiting for a free connection included); 0 for no limit.
  std::chrono::milliseconds timeLimit{0};
  /// It starts only once this has passed; nothing waits meanwhile.
  std::chrono::milliseconds startAfter{0};
};

/// The transport of one client's service requests and part uploads: one
/// libcurl multi handle on one I/O thread, and a small executor on which
/// every completion, and so every host callback, runs.
class Transport {
 public:
  explicit Transport(TransportOptions options = {});
  /// shutdown(), then runs the completions still queued and joins.
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  const TransportOptions& options() const { return options_; }

  /// Hands one exchange to the I/O thread (through the loop's queue; no
  /// other thread is involved) and returns at once. `url` is sent as given;
  /// GET never carries `body`. `completion` runs later on the callback
  /// executor, exactly once, also when the exchange is cancelled (a client
  /// going away ends one still waiting to start at once).
  void exchange(const std::string& url, HTTPMethod method, const HeaderLines& headers,
                const std::optional<std::string>& body, std::function<void(HttpResult)> completion,
                ExchangeTiming timing = {});

  /// Where completions and host callbacks run. Never the I/O thread.
  util::ThreadPool& callbacks() { return callbacks_; }
  CurlLoop& loop() { return loop_; }
  /// Part PUTs, on the same loop.
  PartPuts& parts() { return parts_; }
  /// The client's operations whose host callback is still due.
  InFlight& inFlight() { return inFlight_; }

  /// Ends every exchange and PUT in flight as cancelled; those started later
  /// end at once the same way. Their completions still run, once each.
  void shutdown() { loop_.stop(); }

 private:
  const TransportOptions options_;
  // Names options_ to the easy handles set up with them (see
  // DataTransfer::configure); unique in the process.
  const std::uint64_t optionsTag_;
  InFlight inFlight_;
  util::ThreadPool callbacks_;
  CurlLoop loop_;  // after callbacks_: it ends first, handing its last completions over
  PartPuts parts_;
};

}  // namespace quillbox::transport
