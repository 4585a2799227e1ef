#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "download/DownloadFiles.hpp"
#include "download/DownloadHash.hpp"
#include "quillbox/download/DownloadResult.hpp"
#include "transport/CurlLoop.hpp"
#include "transport/DataTransfer.hpp"
#include "transport/TransportOptions.hpp"

namespace quillbox::transport {

/// How a transfer ended.
struct TransferEnd {
  enum class Outcome { complete, paused, cancelled, failed };
  Outcome outcome = Outcome::failed;
  std::optional<DownloadError> error;  // set for cancelled and failed
  /// The partial file, when it still exists (always for complete). After a
  /// failure it is kept when its bytes can be resumed from: it holds `bytes`
  /// good bytes of the answer that `validator` names.
  std::optional<std::filesystem::path> partialFile;
  std::int64_t bytes = 0;  // bytes in the partial file
  std::string validator;   // of the answer those bytes came from
  /// The server answered a resume with the whole body: the resume point the
  /// transfer started from no longer describes the partial file.
  bool restarted = false;
  /// For a failure that may pass (the connection broke, the body ended
  /// short, it stalled, or a status such as 503 answered): what
  /// request::mayRetry() and request::retryWait() decide on. Absent for
  /// failures that another attempt cannot cure (a file system error, a wrong
  /// range, a body with another hash).
  std::optional<HttpResult> attempt;
  /// When the body is being hashed: the hash of the kept partial file's
  /// `bytes` bytes, for a next transfer to go on with.
  std::shared_ptr<download::Sha256Stream> hash;
};

/// What a transfer reports, on the loop's I/O thread. Implementations hand
/// the work to another thread.
class TransferEvents {
 public:
  virtual ~TransferEvents() = default;
  /// `written` bytes are in the partial file, of `expected` (-1 when unknown).
  virtual void written(std::int64_t written, std::int64_t expected) = 0;
  /// The last event. `self` is the transfer's reference to the receiver,
  /// handed over so that it is not released on the I/O thread.
  virtual void ended(std::shared_ptr<TransferEvents> self, TransferEnd end) = 0;
};

/// Where a transfer starts: from nothing, or from a reopened partial file.
struct TransferStart {
  std::string url;
  std::filesystem::path destination;
  std::optional<download::PartialFile> resumeFrom;  // already cut to `offset`
  std::int64_t offset = 0;
  std::string validator;
  /// The SHA-256 the whole body must have, when known.
  std::optional<util::Sha256Digest> expectedSha256;
  /// The hash of the partial file's first `offset` bytes, when a transfer
  /// before this one computed it: then they are not read again.
  std::shared_ptr<download::Sha256Stream> hashed;
};

/// One GET into a partial file. Sends "Range" with "If-Range" when resuming
/// with a validator; decides on the final answer's status before taking any
/// body: 206 from the expected offset is appended, another 2xx starts the file
/// over, anything else fails without writing. Body bytes are gathered into
/// large blocks before they are written, and hashed as they are written when
/// an expected SHA-256 is given: a body with another hash fails, and its
/// partial file goes. It makes one attempt; when that fails in a way that may
/// pass, its end says so (TransferEnd::attempt) and keeps what arrived, for
/// the downloader to start the next transfer from.
class DownloadTransfer final : public CurlTransfer {
 public:
  enum class Stop { none, cancel, pause };

  /// The download fields of `options` apply; `maxBytesPerSecond`, when not
  /// 0, replaces their rate cap.
  DownloadTransfer(std::shared_ptr<TransferEvents> events, TransferStart start, TransportOptions options,
                   std::int64_t maxBytesPerSecond);
  ~DownloadTransfer() override;

  /// Says why the loop is about to remove this transfer; any thread.
  void requestStop(Stop stop) { stop_.store(stop); }
  Stop stopRequested() const { return stop_.load(); }

  /// True when prepare() has to run before the transfer is handed to a loop.
  bool needsPreparation() const { return verifying() && rangeSent_ && !hashCarried_; }
  /// Hashes the bytes already in the partial file. It reads all of them:
  /// call it neither on the host's thread nor on the I/O thread.
  std::optional<DownloadError> prepare();
  /// Ends a transfer that never reached a loop (stopped, or `problem` while
  /// preparing) the way a loop would: reports on this thread.
  void endUnstarted(std::optional<DownloadError> problem);

  void finished(CURLcode rc, bool cancelled) override;

 private:
  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);

  bool headerLine(std::string_view line);
  bool decide(long status);
  bool writeOut(const char* data, std::size_t size);
  bool flush();
  void report();
  void fail(DownloadError error);
  void closeFile();
  bool verifying() const { return expectedSha256_.has_value(); }

  std::shared_ptr<TransferEvents> events_;
  std::filesystem::path destination_;
  std::optional<download::PartialFile> file_;
  bool resumed_ = false;  // started from a resume point
  bool rangeSent_ = false;
  std::atomic<Stop> stop_{Stop::none};
  curl_slist* headerList_ = nullptr;

  // The answer being received (the last one of a redirect chain counts).
  long status_ = 0;
  std::int64_t contentLength_ = -1;
  std::string contentRange_;
  std::string etag_;
  std::string lastModified_;
  bool hasLocation_ = false;

  bool decided_ = false;
  bool discardBody_ = false;  // the partial file already holds everything
  bool restarted_ = false;
  std::int64_t bytes_ = 0;      // in the partial file
  std::int64_t expected_ = -1;  // total size, when known
  std::string validator_;
  std::optional<DownloadError> failure_;
  std::optional<util::Sha256Digest> expectedSha256_;
  download::Sha256Stream hash_;      // of bytes 0 to bytes_ of the partial file
  bool mismatch_ = false;  // the body is complete but not the expected one
  bool hashCarried_ = false;  // hash_ came with the start: prepare() has nothing to do
  bool statusFailed_ = false;  // the answer's status was outside 200–299

  std::size_t writeBlock_;
  std::chrono::milliseconds reportEvery_;
  std::vector<char> buffer_;
  std::chrono::steady_clock::time_point lastReport_{};
};

}  // namespace quillbox::transport
