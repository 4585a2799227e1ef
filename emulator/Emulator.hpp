#pragma once
// The whole emulator in one object: storage, state, faults and the HTTP
// server. Tests run it in-process on port 0; main.cpp wraps it as the
// quillbox-emulator program.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quillbox::emulator {

struct EmulatorOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 0;  // 0: a free port
  /// State and content are kept there and survive a restart; in memory when absent.
  std::optional<std::filesystem::path> dataDir;
  /// Prefix of the part and download addresses handed out; http://<address>:<port> when empty.
  std::string baseUrl;
  unsigned threads = 2;  // I/O threads
  unsigned workers = 2;  // threads for slow requests (assembling uploads)
  std::int64_t capacity = 10LL << 30;
  std::chrono::seconds linkTtl{3600};
  std::chrono::milliseconds jobDuration{2000};
  /// Limits on connections against clients that hold them open (HttpServerOptions).
  std::chrono::milliseconds headTimeout{10000};
  std::chrono::milliseconds idleTimeout{30000};
  std::size_t maxConnections = 1024;
  /// Wall clock in milliseconds since 1970; tests may drive time themselves.
  std::function<std::int64_t()> clock;
};

class Emulator {
 public:
  /// Loads the saved state when there is one; throws std::runtime_error when
  /// it cannot.
  explicit Emulator(EmulatorOptions options = {});
  ~Emulator();  // stop()
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  /// Binds and starts serving; throws std::system_error when it cannot bind.
  void start();
  /// Closes every connection and saves the state.
  void stop();

  std::uint16_t port() const;
  /// http://<address>:<port>, where the server listens.
  std::string url() const;
  /// What the addresses it hands out begin with.
  std::string baseUrl() const;
  std::uint64_t connectionsAccepted() const;
  std::size_t connectionsOpen() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillbox::emulator
