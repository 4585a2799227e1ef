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
#include "quillbox/util/ProgressListener.hpp"
#include "upload/UploadResult.hpp"
#include "transport/PartTransfer.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox::upload {

/// One part of an upload: `length` bytes of `file` from `offset`, sent with
/// one PUT to `uploadUrl`. run() reports exactly one onSuccess or onFailure
/// (after any number of onProgress) to `onCallback`.
class UploadTask final : public Cancelable, public std::enable_shared_from_this<UploadTask> {
 public:
  static constexpr std::string_view TAG = "UploadTask";

  /// The part is sent with `puts`, which must outlive run().
  explicit UploadTask(transport::PartPuts& puts) : puts_(puts) {}

  /// Fill these before run(); they are not changed afterwards.
  std::function<void(UploadResult)> onCallback;
  std::string hash1;  ///< the part key
  std::string uploadUrl;
  std::optional<std::filesystem::path> file;
  std::int64_t offset = 0;
  std::int64_t length = 0;

  std::atomic<bool> hasCancel{false};

  /// Sends the part, blocking the calling thread until the PUT has ended.
  /// Called once.
  void run();

  /// Sets `hasCancel`, keeps the queue operation from starting and aborts a
  /// running PUT (which then reports "has cancel"). Any thread, any time.
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
  /// Sends the body with one PUT and waits for its end: code 0 "success",
  /// or code -1 with the reason ("url invalid", "upload error", the
  /// transport's text).
  BaseResponse put(transport::PartBody body, std::shared_ptr<ProgressListener> progress);
  void report(UploadResult result) const {
    if (onCallback) onCallback(std::move(result));
  }

  transport::PartPuts& puts_;
  mutable std::mutex mutex_;  // guards the two fields below
  std::shared_ptr<util::Operation> operation_;
  transport::CurlLoop::Id putId_ = 0;  // the running PUT, 0 when none
};

}  // namespace quillbox::upload
