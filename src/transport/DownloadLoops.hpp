#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "transport/CurlLoop.hpp"
#include "transport/TransportOptions.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::transport {

/// The transport every download of one client runs on: a few libcurl loops
/// (transfers are spread over them; none of them carries service requests, so
/// a large body never holds up a small call) and one small pool that runs the
/// downloads' callbacks, each downloader's in order on a Strand of its own.
/// However many downloads run, the threads are those of the loops and of the
/// pool.
class DownloadLoops {
 public:
  /// Runs jobs one at a time, in the order they were posted, on the threads
  /// of the pool it was made from (any of them, never two at once).
  class Strand : public std::enable_shared_from_this<Strand> {
   public:
    explicit Strand(util::ThreadPool& pool) : pool_(pool) {}
    void post(std::function<void()> job);

   private:
    void drain();

    util::ThreadPool& pool_;
    std::mutex mutex_;  // guards the two fields below
    std::deque<std::function<void()>> jobs_;
    bool scheduled_ = false;
  };

  /// Made with the download fields of `options`.
  static std::shared_ptr<DownloadLoops> make(TransportOptions options = {});

  /// The set standalone downloaders use: created on first use, kept until the
  /// process ends.
  static std::shared_ptr<DownloadLoops> processDefault();

  DownloadLoops(const DownloadLoops&) = delete;
  DownloadLoops& operator=(const DownloadLoops&) = delete;

  /// The loop for the next transfer (they take turns).
  CurlLoop& nextLoop();
  /// A new callback queue of its own for one downloader; it must not outlive
  /// this set.
  std::shared_ptr<Strand> newStrand() { return std::make_shared<Strand>(*callbacks_); }

  const TransportOptions& options() const { return options_; }

 private:
  explicit DownloadLoops(const TransportOptions& options);
  ~DownloadLoops();
  /// True on a thread of this set's callback pool (which cannot join itself).
  bool onOwnCallbackThread() const;

  const TransportOptions options_;
  std::unique_ptr<util::ThreadPool> callbacks_;  // goes after the loops, which may still report
  std::vector<std::unique_ptr<CurlLoop>> loops_;
  std::atomic<std::size_t> turn_{0};
};

}  // namespace quillbox::transport
