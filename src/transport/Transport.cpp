#include "transport/Transport.hpp"

#include <algorithm>
#include <atomic>
#include <thread>


namespace quillbox::transport {

namespace {

std::uint64_t nextOptionsTag() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

std::size_t callbackWidth(std::size_t configured) {
  if (configured > 0) return configured;
  return std::max(2u, std::thread::hardware_concurrency());
}

}  // namespace

Transport::Transport(TransportOptions options)
    : options_(options),
      optionsTag_(nextOptionsTag()),
      // A host callback may block until a nested call has answered; the
      // executor then adds threads, so that the answer still finds one.
      callbacks_("quillbox-callbacks", callbackWidth(options_.callbackThreads),
                 util::ThreadPool::Growth{.maxThreads = options_.maxCallbackThreads}),
      loop_("quillbox-http", options_.maxHostConnections),
      parts_(loop_, options_) {}

Transport::~Transport() { shutdown(); }

void Transport::exchange(const std::string& url, HTTPMethod method, const HeaderLines& headers,
                         const std::optional<std::string>& body, std::function<void(HttpResult)> completion,
                         ExchangeTiming timing) {
  auto transfer = std::make_shared<DataTransfer>(callbacks_, std::move(completion));
  const auto endBy = timing.timeLimit.count() > 0
                         ? std::chrono::steady_clock::now() + timing.startAfter + timing.timeLimit
                         : std::chrono::steady_clock::time_point::max();
  transfer->configure(options_, optionsTag_, url, method, headers, method == HTTPMethod::get ? std::nullopt : body,
                      endBy);
  if (timing.startAfter.count() > 0) {
    loop_.startAfter(timing.startAfter, std::move(transfer));
  } else {
    loop_.start(std::move(transfer));
  }
}

}  // namespace quillbox::transport
