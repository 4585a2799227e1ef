#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/download/DownloadResult.hpp"
#include "quillbox/request/RetryPolicy.hpp"

namespace quillbox {

namespace transport {
class DownloadLoops;
}  // namespace transport

/// Where a downloader stands. The numbers are part of the interface.
enum class DownloadState {
  idle = 0,         ///< constructed, or cancelled
  downloading = 1,  ///< a transfer has been started and has not reported yet
  paused = 2,       ///< pause() stopped the transfer; resumeData() holds the resume point
  failed = 3,       ///< the last transfer failed; resumeData() may hold what arrived
  completed = 4,    ///< the file was moved to the destination
};

/// Downloads one URL into one local file. The body is written to a temporary
/// file next to the destination and moved over the destination only once it
/// is complete.
///
/// Downloads share a few transport loops of their own (never the one of the
/// service requests) and a small pool of callback threads, so the number of
/// threads does not grow with the number of downloads. Each transfer opens a
/// connection of its own and closes it at its end: downloads share no
/// connection with the service requests or with each other.
///
/// Each start() ends in exactly one call of its `completion` (after every
/// `progress` call of that start), except a transfer stopped by pause(), which
/// reports nothing and keeps its resume point. Callbacks run on one of the
/// downloads' callback threads, one at a time and in order for a downloader,
/// never on the caller's thread nor on a transport thread; a callback that
/// blocks holds up the callbacks of other downloads. A running downloader
/// stays alive until it has reported, whether or not the caller keeps its
/// handle.
///
/// Resuming sends "Range" with "If-Range" on the validator (ETag, otherwise
/// Last-Modified) of the answer the partial file came from: a 206 answer is
/// appended, a 200 answer (the file changed on the server) starts over.
///
/// A transfer that fails in a way that may pass resumes by itself, within the
/// retry policy (setRetryPolicy(); RetryPolicy::standard() unless set, the
/// client's own for ITransfer::downloadFile): the connection broke, the body
/// ended before its announced length (with or without an error from the
/// transport), it stalled under the stall rule, or the server answered 408,
/// 429, 500, 502, 503 or 504. After the policy's wait (a `Retry-After` is
/// honoured) the next request asks for the rest from the bytes already
/// written, as a resume does; a 200 answer to it starts over. Each further
/// attempt is announced by one warning line in the log; `progress` never goes
/// back across attempts (after a start over it holds its value until the new
/// transfer passes it), and the start still ends in exactly one `completion`,
/// with the last attempt's error when none succeeds. A cancel() or pause()
/// during the wait ends it at once.
///
/// When a start() fails after bytes have arrived, what arrived is kept as the
/// resume point (state `failed`, resumeData() holds it) whenever it can be
/// resumed: after a failure that may pass, once the server had named the
/// content with a validator, and after any failure of a transfer that began
/// at a resume point the server then honoured. start() or setResumeData() in
/// a new downloader (also in a later process) continue from there. Nothing of
/// it is kept when the body's SHA-256 is wrong or after cancel(), and an
/// answer outside 200–299 to a download that had no resume point leaves no
/// file at all.
///
/// All operations may be called from any thread, including from inside the
/// downloader's own callbacks.
class ResumableDownloader final : public Cancelable {
 public:
  /// A downloader of `targetURL` into the file `destinationURL`; nothing is
  /// sent before start(). `sessionIdentifier` is the host's name for it,
  /// kept for the host (the SDK only logs it).
  ResumableDownloader(std::string targetURL, std::filesystem::path destinationURL,
                      std::string sessionIdentifier);
  /// The same on the download transport of a client (used by
  /// ITransfer::downloadFile); a null `transport` is the process-wide one
  /// the constructor above uses, created on first use.
  ResumableDownloader(std::string targetURL, std::filesystem::path destinationURL, std::string sessionIdentifier,
                      std::shared_ptr<transport::DownloadLoops> transport);
  ~ResumableDownloader() override;
  ResumableDownloader(const ResumableDownloader&) = delete;
  ResumableDownloader& operator=(const ResumableDownloader&) = delete;

  /// Starts the download, from the resume point when there is one. Does
  /// nothing while a transfer is running (the earlier callbacks stay in force).
  /// An empty callback is simply not called.
  void start(std::function<void(double)> progress, std::function<void(DownloadResult)> completion);

  /// Stops the running transfer (or the wait for its next attempt) at once,
  /// drops the resume point and its partial file, and returns to `idle`. The
  /// stopped transfer then reports an error whose isCancelled() is true,
  /// which moves the state to `failed`. After a failed start(), it drops
  /// what that start kept.
  void cancel() override;

  /// Stops the running transfer and keeps what has arrived as the resume
  /// point; returns once the transfer has stopped, so resumeData() holds the
  /// point at once (none when no byte had arrived yet: the next start()
  /// begins afresh). The stopped transfer reports nothing. A transfer
  /// waiting for its next attempt counts as running. Does nothing unless a
  /// transfer is running.
  void pause();

  /// Where the downloader stands now (it may change as soon as this returns).
  DownloadState state() const;

  /// The resume point as opaque bytes a host may store and later hand to
  /// setResumeData() of a new downloader for the same URL and destination
  /// (also in a later process). Absent when there is nothing to resume. The
  /// partial file it refers to stays next to the destination until the
  /// download completes or is cancelled.
  std::optional<std::vector<std::uint8_t>> resumeData() const;

  /// Takes a resume point produced by resumeData(). The bytes are checked:
  /// corrupt data, data of another URL (the query may differ, as it does
  /// between two signed links to one file) or of another destination, or a
  /// call while a transfer is running, yield an error and change nothing.
  std::optional<DownloadError> setResumeData(std::span<const std::uint8_t> data);

  /// Called before start(); 64 hex digits, either case. The body is then
  /// hashed as it is written (after a resume, the bytes already in the
  /// partial file are hashed first, on the downloader's callback thread,
  /// before the request goes out; a transfer resumed by itself goes on with
  /// the hash where it stood). A body with another hash is a failure of
  /// kind `verification` ("SHA-256 mismatch: expected <hex>, got <hex>"):
  /// the partial file and the resume point go, and the destination is left
  /// as it was. Other text, or a call while a transfer is running, yields an
  /// error of kind `verification` and changes nothing. The hash applies to
  /// every later start().
  std::optional<DownloadError> setExpectedSha256(std::string_view hex);

  /// Caps the receive rate of the transfers started from now on, in bytes a
  /// second; 0 (the default) for no cap. A running transfer keeps its rate.
  void setMaxBytesPerSecond(std::int64_t bytesPerSecond);

  /// How often, and after what wait, a transfer that failed in a way that may
  /// pass is resumed by itself; for the start() calls from now on (a running
  /// one keeps its policy). RetryPolicy::none() makes one attempt per start().
  void setRetryPolicy(RetryPolicy policy);
  /// The policy the next start() follows.
  RetryPolicy retryPolicy() const;

  /// Moves a finished file to the destination: creates the destination's
  /// missing directories and replaces what is there (an empty directory is
  /// removed; a non-empty one is an error). Nullopt on success.
  std::optional<DownloadError> moveTempFile(const std::filesystem::path& location) const;

  /// The three values given to the constructor.
  /// @{
  const std::string& targetURL() const;
  const std::filesystem::path& destinationURL() const;
  const std::string& sessionIdentifier() const;
  /// @}

 private:
  struct Core;
  std::shared_ptr<Core> core_;
};

}  // namespace quillbox
