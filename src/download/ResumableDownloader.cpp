#include "quillbox/download/ResumableDownloader.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "download/DownloadFiles.hpp"
#include "download/DownloadText.hpp"
#include "transport/DownloadTransfer.hpp"
#include "download/ResumeToken.hpp"
#include "request/Redact.hpp"
#include "request/Retry.hpp"
#include "transport/DownloadLoops.hpp"
#include "util/Log.hpp"

namespace quillbox {

namespace fs = std::filesystem;
using transport::DownloadTransfer;
using transport::TransferEnd;

namespace {

DownloadError resumeDataError(std::string why) {
  DownloadError error;
  error.kind = DownloadError::Kind::resumeData;
  error.code = -1;
  error.message = "invalid resume data: " + std::move(why);
  return error;
}

DownloadError verificationError(std::string message) {
  DownloadError error;
  error.kind = DownloadError::Kind::verification;
  error.code = -1;
  error.message = std::move(message);
  return error;
}

struct Handlers {
  std::function<void(double)> progress;
  std::function<void(DownloadResult)> completion;
};

}  // namespace

/// The downloader proper. The public object is a handle on it; a running
/// transfer holds it too (through its Attempt), so it lives until the outcome
/// has been reported.
struct ResumableDownloader::Core : std::enable_shared_from_this<ResumableDownloader::Core> {
  // The last reference goes on a host thread or on a callback thread (the
  // job that reported the outcome held it); never on an I/O thread:
  // transfers hand their reference to the callback thread.
  Core(std::string url, fs::path destination, std::string identifier, std::shared_ptr<transport::DownloadLoops> set)
      : targetURL(std::move(url)),
        destinationURL(std::move(destination)),
        sessionIdentifier(std::move(identifier)),
        loops(set ? std::move(set) : transport::DownloadLoops::processDefault()),
        executor(loops->newStrand()) {}

  void start(std::function<void(double)> progress, std::function<void(DownloadResult)> completion);
  void cancel();
  void pause();
  std::optional<DownloadError> setResumeData(std::span<const std::uint8_t> data);
  std::optional<DownloadError> setExpectedSha256(std::string_view hex);
  void prepared(std::uint64_t attempt, const std::shared_ptr<DownloadTransfer>& transfer);
  class Attempt;
  /// On the thread that ended the transfer: keeps the books, and starts the
  /// next transfer of the same start() when the failure may pass and the
  /// policy allows another attempt. Returns the retry's log line then.
  std::optional<std::string> transferEnded(Attempt& attempt, const std::shared_ptr<transport::TransferEvents>& self,
                                           const TransferEnd& end);
  std::optional<std::string> startAgain(Attempt& attempt, const std::shared_ptr<transport::TransferEvents>& self,
                                        const TransferEnd& end);
  void settle(std::uint64_t attempt, DownloadState outcome) {
    std::lock_guard lock(mutex);
    if (attempt == generation) state = outcome;
  }

  const std::string targetURL;
  const fs::path destinationURL;
  const std::string sessionIdentifier;

  // Declared first, so that it goes last: the strand and the running
  // transfer's easy handle (which uses its loop's share handle) go before it.
  const std::shared_ptr<transport::DownloadLoops> loops;
  const std::shared_ptr<transport::DownloadLoops::Strand> executor;  // host callbacks and log lines, in order

  mutable std::mutex mutex;  // guards everything below
  std::condition_variable stopped;
  DownloadState state = DownloadState::idle;
  std::optional<download::ResumeToken> resume;
  std::optional<util::Sha256Digest> expectedSha256;
  std::int64_t maxBytesPerSecond = 0;
  RetryPolicy retryPolicy = RetryPolicy::standard();
  std::uint64_t generation = 0;  // of the newest start()
  std::shared_ptr<DownloadTransfer> running;
  std::uint64_t runningGeneration = 0;  // 0: nothing running
  transport::CurlLoop* runningLoop = nullptr;
  transport::CurlLoop::Id runningId = 0;  // 0: not in a loop yet (being prepared)
};

/// One start(): receives the events of its transfers (one, and one more for
/// each retry) and reports them to the callbacks given with that start.
class ResumableDownloader::Core::Attempt final : public transport::TransferEvents {
 public:
  Attempt(std::shared_ptr<Core> core, std::uint64_t generation, std::shared_ptr<const Handlers> handlers,
          RetryPolicy retry, std::int64_t maxBytesPerSecond)
      : core_(std::move(core)),
        generation_(generation),
        handlers_(std::move(handlers)),
        retry(retry),
        maxBytesPerSecond(maxBytesPerSecond) {}

  void written(std::int64_t written, std::int64_t expected) override {
    core_->executor->post([handlers = handlers_, shown = shown_, written, expected] {
      const double fraction = static_cast<double>(written) / static_cast<double>(expected);
      // Across the transfers of one start() progress only grows: after a
      // transfer that started over from zero, the value shown holds until the
      // new one passes it.
      if (expected >= 0 ? fraction < shown->fraction : written < shown->bytes) return;
      shown->fraction = std::max(shown->fraction, fraction);
      shown->bytes = std::max(shown->bytes, written);
      QUILLBOX_LOG(debug, "download didWriteData");
      QUILLBOX_LOG(debug, "download progress " + download::formatFraction(fraction));
      if (handlers->progress) handlers->progress(fraction);
    });
  }

  void ended(std::shared_ptr<TransferEvents> self, TransferEnd end) override {
    if (auto line = core_->transferEnded(*this, self, end)) {
      // The next transfer holds this object now; the reference handed over
      // still goes on the callback thread.
      core_->executor->post([self = std::move(self), line = std::move(*line)] { QUILLBOX_LOG(warning, line); });
      return;
    }
    // Nothing of this object may be touched after the post: the job owns it.
    core_->executor->post([self = std::move(self), end = std::move(end)]() mutable {
      static_cast<Attempt&>(*self).report(std::move(end));
    });
  }

  std::uint64_t generation() const { return generation_; }

  /// On the callback thread.
  void report(TransferEnd end) {
    auto& core = *core_;
    switch (end.outcome) {
      case TransferEnd::Outcome::paused:
        QUILLBOX_LOG(debug, "download didCompleteWithError");
        return;
      case TransferEnd::Outcome::cancelled:
      case TransferEnd::Outcome::failed: {
        core.settle(generation_, DownloadState::failed);
        QUILLBOX_LOG(debug, "download didCompleteWithError");
        QUILLBOX_LOG(error, "down file error = " + end.error->message);
        complete(DownloadResult::failure(std::move(*end.error)));
        return;
      }
      case TransferEnd::Outcome::complete: {
        QUILLBOX_LOG(debug, "download didFinishDownloadingTo");
        QUILLBOX_LOG(debug, "===moveTempFile=== " + end.partialFile->native());
        if (auto problem = download::moveIntoPlace(*end.partialFile, core.destinationURL)) {
          std::error_code ignored;
          fs::remove(*end.partialFile, ignored);
          QUILLBOX_LOG(error, "move file error = " + problem->message);
          core.settle(generation_, DownloadState::failed);
          complete(DownloadResult::failure(std::move(*problem)));
        } else {
          core.settle(generation_, DownloadState::completed);
          complete(DownloadResult::success(core.destinationURL));
        }
        QUILLBOX_LOG(debug, "download didCompleteWithError");
        return;
      }
    }
  }

 private:
  void complete(DownloadResult result) {
    if (handlers_->completion) handlers_->completion(std::move(result));
  }

  /// The most shown so far; on the callback thread only.
  struct Shown {
    double fraction = 0;
    std::int64_t bytes = 0;
  };

  std::shared_ptr<Core> core_;
  std::uint64_t generation_;
  std::shared_ptr<const Handlers> handlers_;
  std::shared_ptr<Shown> shown_ = std::make_shared<Shown>();

 public:
  // As they were when start() was called.
  const RetryPolicy retry;
  const std::int64_t maxBytesPerSecond;
  int attempts = 1;  // transfers started so far; guarded by the core's mutex
  std::int64_t startedAt = 0;  // the offset the latest transfer started from; likewise
};

void ResumableDownloader::Core::start(std::function<void(double)> progress,
                                      std::function<void(DownloadResult)> completion) {
  std::lock_guard lock(mutex);
  if (state == DownloadState::downloading) return;

  const std::uint64_t attemptNo = ++generation;
  auto attempt = std::make_shared<Attempt>(
      shared_from_this(), attemptNo,
      std::make_shared<const Handlers>(Handlers{std::move(progress), std::move(completion)}), retryPolicy,
      maxBytesPerSecond);
  transport::TransferStart from{targetURL, destinationURL, std::nullopt, 0, {}, expectedSha256, nullptr};
  std::optional<DownloadError> problem;
  std::string line;
  if (resume) {
    line = "Continue downloading from the resume point: " + download::lastPathComponent(targetURL);
    auto reopened = download::reopenPartialFile(resume->partialFile, resume->offset);
    if (auto* error = std::get_if<DownloadError>(&reopened)) {
      problem = std::move(*error);
      // Nothing left to continue from; the next start begins afresh. The
      // file (one of this downloader's own, the token was checked) goes too.
      std::error_code ignored;
      fs::remove(resume->partialFile, ignored);
      resume.reset();
    } else {
      from.resumeFrom = std::get<download::PartialFile>(std::move(reopened));
      from.offset = resume->offset;
      from.validator = resume->validator;
    }
  } else {
    line = "Start downloading new tasks: " + request::maskUrlQuery(targetURL);
  }
  executor->post([line = std::move(line)] { QUILLBOX_LOG(info, line); });
  state = DownloadState::downloading;
  attempt->startedAt = from.offset;

  if (!problem) {
    try {
      running = std::make_shared<DownloadTransfer>(attempt, std::move(from), loops->options(), maxBytesPerSecond);
      runningGeneration = attemptNo;
      runningId = 0;
      if (running->needsPreparation()) {
        // The bytes already on disk are hashed on the callback thread before
        // the request goes out: start() returns at once, and the I/O thread
        // is never held up by a large partial file.
        executor->post([self = shared_from_this(), attemptNo, transfer = running] { self->prepared(attemptNo, transfer); });
      } else {
        runningLoop = &loops->nextLoop();
        runningId = runningLoop->start(running);
      }
      return;
    } catch (const std::exception& e) {
      problem = DownloadError{DownloadError::Kind::transport, CURLE_FAILED_INIT, e.what()};
    }
  }
  TransferEnd end;
  end.outcome = TransferEnd::Outcome::failed;
  end.error = std::move(problem);
  executor->post([attempt, end]() mutable { attempt->report(std::move(end)); });
}

void ResumableDownloader::Core::cancel() {
  std::optional<fs::path> orphan;
  {
    std::lock_guard lock(mutex);
    if (runningGeneration != 0) {
      running->requestStop(DownloadTransfer::Stop::cancel);  // the transfer removes its own file
      if (runningId != 0) runningLoop->cancel(runningId);
    } else if (resume) {
      orphan = resume->partialFile;
    }
    resume.reset();
    state = DownloadState::idle;
  }
  if (orphan) {
    std::error_code ignored;
    fs::remove(*orphan, ignored);
  }
}

void ResumableDownloader::Core::pause() {
  std::unique_lock lock(mutex);
  if (state != DownloadState::downloading || runningGeneration == 0) return;
  const std::uint64_t paused = runningGeneration;
  running->requestStop(DownloadTransfer::Stop::pause);
  state = DownloadState::paused;
  // Still being prepared: nothing has been written, the resume point stands.
  if (runningId == 0) return;
  runningLoop->cancel(runningId);
  // The I/O thread stores the resume point as the transfer leaves the loop
  // (well under a millisecond); it never waits for this thread.
  stopped.wait(lock, [&] { return runningGeneration != paused; });
}

void ResumableDownloader::Core::prepared(std::uint64_t attempt, const std::shared_ptr<DownloadTransfer>& transfer) {
  auto problem = transfer->prepare();
  {
    std::lock_guard lock(mutex);
    if (!problem && transfer->stopRequested() == DownloadTransfer::Stop::none && runningGeneration == attempt) {
      runningLoop = &loops->nextLoop();
      runningId = runningLoop->start(transfer);
      return;
    }
  }
  transfer->endUnstarted(std::move(problem));
}

std::optional<std::string> ResumableDownloader::Core::transferEnded(
    Attempt& attempt, const std::shared_ptr<transport::TransferEvents>& self, const TransferEnd& end) {
  std::optional<fs::path> orphan;  // kept by a transfer that failed as cancel() came
  std::unique_lock lock(mutex);
  const std::uint64_t ended = attempt.generation();
  if (end.outcome == TransferEnd::Outcome::failed && end.attempt && runningGeneration == ended &&
      ended == generation && state == DownloadState::downloading) {
    if (auto line = startAgain(attempt, self, end)) return line;
  }
  if (runningGeneration == ended) {
    runningGeneration = 0;
    running.reset();
  }
  if (ended == generation) {
    switch (end.outcome) {
      case TransferEnd::Outcome::paused:
        if (end.partialFile) resume = download::ResumeToken{targetURL, end.validator, end.bytes, *end.partialFile};
        break;
      case TransferEnd::Outcome::complete:
        resume.reset();
        break;
      case TransferEnd::Outcome::failed:
        // What arrived stays for a later start() when the transfer kept it
        // (see DownloadTransfer::finished): after a failure that may pass, or
        // when the resume point it came from still holds.
        if (end.partialFile && state != DownloadState::idle) {
          resume = download::ResumeToken{targetURL, end.validator, end.bytes, *end.partialFile};
        } else {
          resume.reset();
          orphan = end.partialFile;
        }
        break;
      case TransferEnd::Outcome::cancelled:
        break;
    }
  }
  stopped.notify_all();
  lock.unlock();
  if (orphan) {
    std::error_code ignored;
    fs::remove(*orphan, ignored);
  }
  return std::nullopt;
}

std::optional<std::string> ResumableDownloader::Core::startAgain(
    Attempt& attempt, const std::shared_ptr<transport::TransferEvents>& self, const TransferEnd& end) {
  const int attempts = std::max(attempt.retry.maxAttempts, 1);
  if (attempt.attempts >= attempts || !request::mayRetry(/*idempotent=*/true, *end.attempt)) return std::nullopt;

  // From the bytes already written, with the hash of them when the body is
  // checked; from nothing when none were kept.
  transport::TransferStart from{targetURL, destinationURL, std::nullopt, 0, {}, expectedSha256, nullptr};
  if (end.partialFile) {
    auto reopened = download::reopenPartialFile(*end.partialFile, end.bytes);
    auto* file = std::get_if<download::PartialFile>(&reopened);
    if (!file) return std::nullopt;  // the failure stands; the resume point names the file
    from.resumeFrom = std::move(*file);
    from.offset = end.bytes;
    from.validator = end.validator;
    from.hashed = end.hash;
  }
  std::shared_ptr<DownloadTransfer> next;
  try {
    next = std::make_shared<DownloadTransfer>(self, std::move(from), loops->options(), attempt.maxBytesPerSecond);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (next->needsPreparation()) return std::nullopt;  // the hash did not come along: report the failure

  // The wait is the next transfer's delayed start on the loop: no thread
  // waits, and cancel() or pause() end it at once (the loop drops the
  // transfer, which reports as a stopped one does).
  // A transfer that moved the file on before it broke off showed the server
  // serving: the next one goes at once, unless the server asked for a wait.
  // The back-off is for attempts that got nothing.
  const bool progressed = end.partialFile && end.bytes > attempt.startedAt;
  const std::chrono::milliseconds wait = progressed && !end.attempt->retryAfter
                                             ? std::chrono::milliseconds(0)
                                             : request::retryWait(attempt.retry, attempt.attempts, *end.attempt);
  ++attempt.attempts;
  attempt.startedAt = end.partialFile ? end.bytes : 0;
  running = next;
  if (runningLoop == nullptr) runningLoop = &loops->nextLoop();
  runningId = runningLoop->startAfter(wait, std::move(next));
  // Meanwhile the resume point is where the next transfer starts.
  if (end.partialFile) {
    resume = download::ResumeToken{targetURL, end.validator, end.bytes, *end.partialFile};
  } else {
    resume.reset();
  }
  return "download " + request::maskUrlQuery(targetURL) + " failed (" + request::describeFailure(*end.attempt) +
         ") with " + std::to_string(end.partialFile ? end.bytes : 0) + " bytes kept; attempt " +
         std::to_string(attempt.attempts) + " of " + std::to_string(attempts) + " in " + std::to_string(wait.count()) +
         " ms";
}

std::optional<DownloadError> ResumableDownloader::Core::setResumeData(std::span<const std::uint8_t> data) {
  auto decoded = download::decodeResumeToken(data);
  if (auto* why = std::get_if<std::string>(&decoded)) return resumeDataError(std::move(*why));
  auto& token = std::get<download::ResumeToken>(decoded);
  if (download::withoutQuery(token.url) != download::withoutQuery(targetURL)) {
    return resumeDataError("it belongs to another URL");
  }
  if (!download::isPartialFileOf(token.partialFile, destinationURL)) {
    return resumeDataError("it belongs to another destination");
  }
  std::lock_guard lock(mutex);
  if (state == DownloadState::downloading) return resumeDataError("a transfer is running");
  resume = std::move(token);
  return std::nullopt;
}

std::optional<DownloadError> ResumableDownloader::Core::setExpectedSha256(std::string_view hex) {
  const auto digest = download::parseSha256Hex(hex);
  if (!digest) return verificationError("the expected SHA-256 must be 64 hex digits");
  std::lock_guard lock(mutex);
  if (state == DownloadState::downloading) {
    return verificationError("the expected SHA-256 cannot change while a transfer is running");
  }
  expectedSha256 = digest;
  return std::nullopt;
}

ResumableDownloader::ResumableDownloader(std::string targetURL, std::filesystem::path destinationURL,
                                         std::string sessionIdentifier)
    : ResumableDownloader(std::move(targetURL), std::move(destinationURL), std::move(sessionIdentifier), nullptr) {}

ResumableDownloader::ResumableDownloader(std::string targetURL, std::filesystem::path destinationURL,
                                         std::string sessionIdentifier,
                                         std::shared_ptr<transport::DownloadLoops> transport)
    : core_(std::make_shared<Core>(std::move(targetURL), std::move(destinationURL), std::move(sessionIdentifier),
                                   std::move(transport))) {}

ResumableDownloader::~ResumableDownloader() = default;

void ResumableDownloader::start(std::function<void(double)> progress,
                                std::function<void(DownloadResult)> completion) {
  core_->start(std::move(progress), std::move(completion));
}

void ResumableDownloader::cancel() { core_->cancel(); }

void ResumableDownloader::pause() { core_->pause(); }

DownloadState ResumableDownloader::state() const {
  std::lock_guard lock(core_->mutex);
  return core_->state;
}

std::optional<std::vector<std::uint8_t>> ResumableDownloader::resumeData() const {
  std::lock_guard lock(core_->mutex);
  if (!core_->resume) return std::nullopt;
  return download::encodeResumeToken(*core_->resume);
}

std::optional<DownloadError> ResumableDownloader::setResumeData(std::span<const std::uint8_t> data) {
  return core_->setResumeData(data);
}

std::optional<DownloadError> ResumableDownloader::setExpectedSha256(std::string_view hex) {
  return core_->setExpectedSha256(hex);
}

std::optional<DownloadError> ResumableDownloader::moveTempFile(const std::filesystem::path& location) const {
  return download::moveIntoPlace(location, core_->destinationURL);
}

void ResumableDownloader::setMaxBytesPerSecond(std::int64_t bytesPerSecond) {
  std::lock_guard lock(core_->mutex);
  core_->maxBytesPerSecond = std::max<std::int64_t>(bytesPerSecond, 0);
}

void ResumableDownloader::setRetryPolicy(RetryPolicy policy) {
  std::lock_guard lock(core_->mutex);
  core_->retryPolicy = policy;
}

RetryPolicy ResumableDownloader::retryPolicy() const {
  std::lock_guard lock(core_->mutex);
  return core_->retryPolicy;
}

const std::string& ResumableDownloader::targetURL() const { return core_->targetURL; }
const std::filesystem::path& ResumableDownloader::destinationURL() const { return core_->destinationURL; }
const std::string& ResumableDownloader::sessionIdentifier() const { return core_->sessionIdentifier; }

}  // namespace quillbox
