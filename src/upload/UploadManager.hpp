#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quillbox/upload/UploadProcessResult.hpp"
#include "upload/UploadResult.hpp"
#include "upload/UploadTask.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox::upload {

/// Runs the parts of one file in parallel on the client's part queue, keeps
/// one record per part and turns the parts' results into results for the
/// whole file. All bookkeeping and every report happen on the client's
/// MainQueue, one at a time:
/// - one onItemFinish per part, in the order the parts finish;
/// - onProgress with the sum of the parts' latest byte counts and the total
///   set by setTotalLength();
/// - exactly one verdict, once every part has finished: onSuccess(0,
///   "success") when every part succeeded, otherwise onFailure(-1,
///   "has cancel") when the upload was cancelled and onFailure(-1,
///   "upload part failed") when it was not, with the cause of the first part
///   that failed. Nothing follows it.
class UploadManager final : public std::enable_shared_from_this<UploadManager> {
 public:
  static constexpr std::string_view TAG = "UploadManager";
  static constexpr std::int64_t STATE_ERROR = -1;
  static constexpr std::int64_t STATE_DEFAULT = 0;
  static constexpr std::int64_t STATE_SUCCESS = 1;

  struct ResultData {
    std::int64_t bytesWritten = 0;
    std::int64_t totalBytes = 1;
    /// Where the part starts in the file: with the file's length it bounds
    /// what the part can count, whatever length the server declared for it.
    std::int64_t offset = 0;
    std::string hash;
    bool isFinish = false;
    std::int64_t state = STATE_DEFAULT;

    std::string description() const;
  };

  /// Parts run on `queue`; bookkeeping and reports on `mainQueue`. Both
  /// must outlive the manager's last job.
  UploadManager(util::NamedOperationQueue& queue, util::MainQueue& mainQueue) : queue_(queue), mainQueue_(mainQueue) {}

  /// Adds a part under its key (`hash1`), with a record for its `length`
  /// bytes; a later part with the same key replaces the earlier one. Before
  /// submit() only.
  void add(std::shared_ptr<UploadTask> task);
  void setOnTotalCallback(std::function<void(UploadProcessResult)> callback);
  /// The total reported with whole-file progress.
  void setTotalLength(std::int64_t length);
  void setHasDownloadSize(std::int64_t bytes);

  /// Queues every part; returns at once. After a cancel it queues nothing
  /// and the verdict is onFailure(-1, "has cancel"). Called once.
  void submit();
  /// Where the parts report; any thread.
  void subCallback(UploadResult result);
  /// Stops the upload: parts not yet started never run (and finish as
  /// failed), running PUTs are aborted (and report "has cancel"). Any thread.
  void cancel();

  bool isCancelled() const { return hasCancel_.load(); }
  std::vector<ResultData> records() const;

 private:
  // These run on MainQueue.
  void onPartSuccess(const std::string& key, const BaseResponse& response);
  void onPartFailure(const std::string& key, const UploadFailureCause& cause);
  void onPartProgress(const std::string& key, std::int64_t bytesWritten);
  void onPartsAbandoned(const std::vector<std::pair<std::string, UploadFailureCause>>& parts);
  void checkOnComplete();
  /// What a finished part counts towards the file's progress. Under mutex_.
  std::int64_t finishedBytes(const ResultData& record) const;
  void giveVerdict(UploadProcessResult verdict);
  void report(UploadProcessResult result);

  util::NamedOperationQueue& queue_;
  util::MainQueue& mainQueue_;
  std::atomic<bool> hasCancel_{false};

  mutable std::mutex mutex_;  // guards everything below; never held while logging or reporting
  std::map<std::string, std::shared_ptr<UploadTask>> uploadTaskMap_;
  std::map<std::string, ResultData> resultMap_;
  std::function<void(UploadProcessResult)> onTotalCallback_;
  std::int64_t totalLength_ = 0;
  std::int64_t hasDownloadSize_ = 0;
  std::optional<UploadFailureCause> firstFailure_;  // of the first part that failed
  bool submitted_ = false;
  bool verdictGiven_ = false;
};

}  // namespace quillbox::upload
