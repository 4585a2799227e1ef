#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/RetryPolicy.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "upload/UploadResult.hpp"
#include "transport/PartTransfer.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox::upload {

/// One part of an upload: `length` bytes of `file` from `offset`, sent with
/// a PUT to `uploadUrl`. A PUT that fails in a way that may pass is sent again
/// (the same range, read from the file again) as `retry` allows: sending a
/// part twice stores what sending it once does. run() reports exactly one
/// onSuccess or onFailure (after any number of onProgress, which never go
/// down across attempts) to `onCallback`.
class UploadTask final : public Cancelable, public std::enable_shared_from_this<UploadTask> {
 public:
  static constexpr std::string_view TAG = "UploadTask";

  /// The part is sent with `puts`, which must outlive run().
  explicit UploadTask(transport::PartPuts& puts) : puts_(puts) {}

  /// Fill these before run(); they are not changed afterwards.
  std::function<void(UploadResult)> onCallback;
  std::string hash1;  ///< the part key
  std::int64_t partNumber = 0;  ///< from 1; named in a failure's cause
  std::int64_t partCount = 0;   ///< the upload's number of parts, likewise
  std::string uploadUrl;
  std::optional<std::filesystem::path> file;
  std::int64_t offset = 0;
  std::int64_t length = 0;
  /// How often, and after what wait, a failed PUT is sent again; the client's
  /// policy. By default once only.
  RetryPolicy retry = RetryPolicy::none();

  std::atomic<bool> hasCancel{false};

  /// Sends the part, blocking the calling thread until the PUT has ended.
  /// Called once.
  void run();

  /// Sets `hasCancel`, keeps the queue operation from starting and aborts a
  /// running PUT, or one waiting to be sent again (which then reports "has
  /// cancel" at once). Any thread, any time.
  void cancel() override {
    stopBeforeStart();
    abortRunningPut();
  }
  /// The first half of cancel(): sets `hasCancel` and cancels the queue
  /// operation. True when the task will therefore never run, and so never
  /// report.
  bool stopBeforeStart();
  /// The second half: aborts the PUT if one is running.
  void abortRunningPut();

  /// The queue operation that runs this task.
  void setOperation(std::shared_ptr<util::Operation> operation);
  std::shared_ptr<util::Operation> operation() const;

  std::string description() const;

 private:
  struct Attempt {
    /// Code 0 "success", or code -1 with the reason ("url invalid", "upload
    /// error", the transport's text).
    BaseResponse response;
    /// What decides whether it may be sent again.
    transport::HttpResult result;
  };
  /// Sends the body with one PUT after `delay` and waits for its end.
  Attempt put(const transport::PartBody& body, const std::shared_ptr<ProgressListener>& progress,
              std::chrono::milliseconds delay);
  /// A failure's cause at this part.
  UploadFailureCause cause(FailureKind kind, std::int64_t code, std::string message, std::int64_t status = 0) const {
    return {UploadStage::part, partNumber, partCount, kind, code, std::move(message), status};
  }
  /// How the last attempt failed: the server's envelope when its answer has
  /// one, else the transport's text.
  UploadFailureCause causeOf(const Attempt& attempt) const;
  void report(UploadResult result) const {
    if (onCallback) onCallback(std::move(result));
  }

  transport::PartPuts& puts_;
  mutable std::mutex mutex_;  // guards the two fields below
  std::shared_ptr<util::Operation> operation_;
  transport::CurlLoop::Id putId_ = 0;  // the running PUT, 0 when none
  std::int64_t reported_ = 0;  // the most bytes reported by any attempt; run()'s thread only
};

}  // namespace quillbox::upload
