#pragma once
// Ctrl-C during a transfer. The signal handler only records the signal and
// writes a byte to a pipe; the main thread, waiting on that pipe, does the
// cancelling. Other threads use the same pipe to wake the main thread when
// a transfer has news (progress, its outcome).

#include <chrono>
#include <csignal>

namespace quillbox::cli {

class InterruptScope {
 public:
  /// Takes over SIGINT (and SIGTERM) until destroyed; the previous
  /// handlers come back then.
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

  /// True once SIGINT or SIGTERM has arrived in this scope. A second signal
  /// ends the program at once with status 130.
  bool interrupted() const;
  /// Wakes a wait() from any thread.
  static void wake();
  /// Returns when woken, when a signal arrives, or after `timeout`.
  void wait(std::chrono::milliseconds timeout) const;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

}  // namespace quillbox::cli
