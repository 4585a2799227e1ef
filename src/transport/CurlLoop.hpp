#pragma once

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quillbox::transport {

/// One transfer on a CurlLoop. It owns its easy handle; subclasses configure
/// the handle before handing the transfer to a loop.
class CurlTransfer {
 public:
  /// `reuseHandle`: the handle comes from, and goes back to, a cache of
  /// handles of ended transfers (reset in between), which saves allocating a
  /// handle's state and receive buffer for every small exchange. Only for
  /// transfers that keep libcurl's default buffer sizes.
  explicit CurlTransfer(bool reuseHandle = false);
  virtual ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  CURL* easy() const { return easy_; }

  /// Called exactly once, on the loop's I/O thread, when the transfer has
  /// left the loop: with libcurl's result, or with `cancelled` set when it
  /// was removed by CurlLoop::cancel() or by the loop's end. Implementations
  /// must not run host code here; they hand the outcome to another thread.
  virtual void finished(CURLcode rc, bool cancelled) = 0;

  /// libcurl's text for `rc`, followed by ": " and the handle's error buffer
  /// when that holds anything.
  std::string errorText(CURLcode rc) const;

 private:
  friend class CurlLoop;
  CURL* easy_;
  bool reuseHandle_;
  std::uint64_t loopId_ = 0;  // set by the loop that runs it
  std::array<char, CURL_ERROR_SIZE> errorBuffer_{};
};

/// One libcurl multi handle driven by one I/O thread. Other threads only
/// queue work and wake the loop; libcurl is called from the loop's thread
/// alone (and from the thread that configures a transfer before start()).
/// Transfers on one loop share DNS and TLS sessions, never connections of
/// other loops. What the transfers post to a util::ThreadPool from
/// finished() during one turn of the loop is queued there at once, at the
/// end of the turn.
class CurlLoop {
 public:
  using Id = std::uint64_t;

  /// `maxHostConnections`: the most connections the loop keeps open to one
  /// host at once (further transfers wait in libcurl's queue for one to be
  /// free); 0 for no limit.
  explicit CurlLoop(std::string name, long maxHostConnections = 0);
  /// stop(), then frees libcurl's handles.
  ~CurlLoop();
  CurlLoop(const CurlLoop&) = delete;
  CurlLoop& operator=(const CurlLoop&) = delete;

  /// Queues the transfer; returns at once with an id for cancel(). After
  /// stop() the transfer ends at once, as cancelled, on the calling thread.
  Id start(std::shared_ptr<CurlTransfer> transfer);
  /// As start(), but the transfer joins the loop only once `delay` has
  /// passed; no thread waits meanwhile (the loop's poll wakes up in time).
  /// cancel() and stop() end a waiting transfer at once, as cancelled.
  Id startAfter(std::chrono::milliseconds delay, std::shared_ptr<CurlTransfer> transfer);
  /// Ends every transfer still running or queued (as cancelled) and joins
  /// the I/O thread. Idempotent; any thread but the loop's own.
  void stop();
  /// Stops the transfer at once if it is still running; its finished() is
  /// then called with `cancelled` set. Unknown or ended ids are ignored.
  void cancel(Id id);

 private:
  void run();
  using Clock = std::chrono::steady_clock;
  struct Waiting {
    Clock::time_point due;
    Id id;
    std::shared_ptr<CurlTransfer> transfer;
  };

  Id enqueue(Clock::time_point due, std::shared_ptr<CurlTransfer> transfer);
  void applyCommands();
  void add(Id id, std::shared_ptr<CurlTransfer> transfer);
  /// Takes a handle out of the multi handle and off the loop's share.
  void detach(CURL* easy);
  void collectFinished();
  /// How long the poll may sleep: until the next waiting transfer is due,
  /// at most a second.
  int pollTimeoutMs() const;

  std::string name_;
  CURLM* multi_;
  CURLSH* share_;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks_;

  std::mutex mutex_;  // guards the three fields below
  std::vector<Waiting> toStart_;  // due in the past for an immediate start
  std::vector<Id> toCancel_;
  bool stopping_ = false;
  bool stopped_ = false;  // the I/O thread has ended

  std::once_flag stopOnce_;
  std::atomic<Id> nextId_{1};
  std::unordered_map<Id, std::shared_ptr<CurlTransfer>> running_;  // I/O thread only
  std::vector<Waiting> waiting_;  // I/O thread only: not yet due, in no order
  std::thread thread_;
};

}  // namespace quillbox::transport
