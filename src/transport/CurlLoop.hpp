#pragma once

#include <curl/curl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillbox::transport {

/// One transfer on a CurlLoop. It owns its easy handle; subclasses configure
/// the handle before handing the transfer to a loop.
class CurlTransfer {
 public:
  /// `reuseHandle`: the handle comes from, and goes back to, a cache of
  /// handles of ended service calls, as the last call left them: libcurl
  /// keeps its buffers and state, and a call sets only what it changes.
  /// Resetting a handle and setting it up again costs a small call about a
  /// twentieth of its CPU time. Only for DataTransfer, which sets every
  /// option any call changes (see DataTransfer::configure).
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

 protected:
  /// Sets the address. A loop with a connection cap counts and queues its
  /// transfers by the address's origin (scheme, host and port).
  void setUrl(std::string url);
  /// The transfer ends with a time-out at `endBy`; the time it waits in its
  /// loop for a free connection counts.
  void setEndBy(std::chrono::steady_clock::time_point endBy) { endBy_ = endBy; }
  /// The transfer ends with a time-out once it has moved no byte, either
  /// way, for `limit`; its loop looks a few times a second. libcurl's own
  /// rule (CURLOPT_LOW_SPEED_*) does the same for large transfers but re-arms
  /// a timer on every read, which costs a small call a tenth of its CPU.
  void setStallLimit(std::chrono::seconds limit) { stallLimit_ = limit; }
  /// Whether the handle already carries the base options of set-up `tag`
  /// (a reused handle keeps what the call before set); from now on it is
  /// taken to carry them. Tags are never 0.
  bool setUpFor(std::uint64_t tag) { return std::exchange(setUpFor_, tag) == tag; }

 private:
  friend class CurlLoop;
  CURL* easy_;
  bool reuseHandle_;
  std::uint64_t setUpFor_ = 0;  // see setUpFor()
  std::uint64_t loopId_ = 0;  // set by the loop that runs it
  std::string url_;
  std::chrono::steady_clock::time_point endBy_ = std::chrono::steady_clock::time_point::max();
  std::chrono::seconds stallLimit_{0};
  curl_off_t movedBytes_ = 0;                     // as last seen by the loop
  std::chrono::steady_clock::time_point lastMoved_;  // when that count last grew
  bool countedByHost_ = false;  // in its host's count of running transfers
  std::array<char, CURL_ERROR_SIZE> errorBuffer_{};
};

/// One libcurl multi handle driven by one I/O thread. Other threads only
/// queue work and wake the loop; libcurl is called from the loop's thread
/// alone (and from the thread that configures a transfer before start()).
/// Transfers on one loop share DNS answers, TLS sessions and idle
/// connections, never connections of other loops. What the transfers post
/// to a util::ThreadPool from finished() during one turn of the loop is
/// queued there at once, at the end of the turn.
class CurlLoop {
 public:
  using Id = std::uint64_t;

  /// `maxHostConnections`: the most connections the loop keeps open to one
  /// host at once; 0 for no limit. Transfers beyond it wait in the loop's
  /// own queue, in the order started, and join libcurl only when one of the
  /// host's transfers ends. Left to libcurl's queue instead, every waiting
  /// transfer would be set up (its URL parsed, a connection prepared) and
  /// dropped again each time it is passed over: that doubles libcurl's work
  /// per call once more calls are in flight than the cap. A host known to
  /// multiplex (its last answer came over HTTP/2 or later) is not held back:
  /// its connections carry many transfers each, and libcurl's own limit
  /// still holds.
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

  /// A host's transfers in the loop: how many run, and those waiting for
  /// one of them to end.
  struct Origin {
    std::size_t running = 0;
    bool multiplexed = false;
    std::deque<Waiting> queue;
  };
  struct OriginHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };

  Id enqueue(Clock::time_point due, std::shared_ptr<CurlTransfer> transfer);
  void applyCommands();
  /// Runs the transfer now, or queues it behind its host's running ones.
  void admit(Id id, std::shared_ptr<CurlTransfer> transfer);
  /// Hands the transfer to libcurl; ends it instead when its time is up or
  /// libcurl refuses it.
  void add(Id id, std::shared_ptr<CurlTransfer> transfer);
  /// The entry of the transfer's host, made when there is none.
  Origin& originOf(const CurlTransfer& transfer);
  /// The transfer has left libcurl: its host's next queued ones may run.
  void release(CurlTransfer& transfer);
  /// Runs queued transfers of `origin` while it has room.
  void runQueued(Origin& origin);
  bool hasRoom(const Origin& origin) const {
    return origin.multiplexed || origin.running < static_cast<std::size_t>(maxHostConnections_);
  }
  /// Takes a handle out of the multi handle and off the loop's share.
  void detach(CURL* easy);
  /// Takes a running transfer out of libcurl and the loop's counts; the
  /// caller calls its finished().
  std::shared_ptr<CurlTransfer> takeRunning(std::unordered_map<Id, std::shared_ptr<CurlTransfer>>::iterator it);
  /// Ends, with a time-out, each running transfer that has moved no byte
  /// for its stall limit.
  void endStalled();
  void collectFinished();
  /// How long the poll may sleep: until the next waiting transfer is due or
  /// the next look at stalls, at most a second.
  int pollTimeoutMs() const;

  std::string name_;
  long maxHostConnections_;
  CURLM* multi_;
  CURLSH* share_;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks_;

  std::mutex mutex_;  // guards the three fields below
  std::vector<Waiting> toStart_;  // due in the past for an immediate start
  std::vector<Id> toCancel_;
  bool stopping_ = false;
  bool stopped_ = false;  // the I/O thread has ended

  std::vector<Waiting> startSpare_;  // I/O thread only: see applyCommands()
  std::vector<Id> cancelSpare_;

  std::once_flag stopOnce_;
  std::atomic<Id> nextId_{1};
  std::unordered_map<Id, std::shared_ptr<CurlTransfer>> running_;  // I/O thread only
  std::vector<Waiting> waiting_;  // I/O thread only: not yet due, in no order
  // I/O thread only: running transfers with a stall limit, and when the
  // loop next looks at their progress.
  std::size_t stallWatched_ = 0;
  Clock::time_point nextStallCheck_{};
  static constexpr std::chrono::milliseconds kStallCheckEvery{250};
  // Hosts whose full share of idle connections the loop keeps: a client
  // talks to its service host and a storage host or two.
  static constexpr long kCachedHosts = 4;
  // I/O thread only, with a cap: one entry per host this loop has talked to
  // (a client talks to a handful), kept for what it learnt about the host.
  std::unordered_map<std::string, Origin, OriginHash, std::equal_to<>> origins_;
  std::thread thread_;
};

}  // namespace quillbox::transport
