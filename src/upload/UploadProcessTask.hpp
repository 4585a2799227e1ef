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
#include <vector>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/upload/ISliceFile.hpp"
#include "quillbox/upload/UploadProcessResult.hpp"
#include "transport/InFlight.hpp"
#include "upload/UploadEngine.hpp"
#include "upload/UploadManager.hpp"

namespace quillbox::upload {

/// One upload of a local file, from hashing to the complete request.
///
/// Its state moves only along these transitions, and the host's callback
/// receives the final outcome exactly once, on the move into done or failed:
///
///   hashing ──▶ creating ──▶ uploading ──▶ completing ──▶ done
///      │           │  │          │             │
///      │           │  └──────────┼─────────────┼──────▶ done (rapid / exist)
///      └───────────┴─────────────┴─────────────┴──────▶ failed
///
/// When the complete request fails in a way that may have left the file
/// stored (its answer lost), the task stays in completing and sends its
/// create request again: an answer that the file exists proves it was
/// stored, and the upload succeeds; otherwise it fails. The parts are never
/// sent again.
///
/// Every failure carries its cause (the step, and how it failed).
/// Hashing runs on the thread that starts the upload; everything after it
/// (answers, part results, every event the host receives) runs on the
/// engine's MainQueue.
/// Events other than the outcome reach the host only while uploading.
class UploadProcessTask final : public Cancelable, public std::enable_shared_from_this<UploadProcessTask> {
 public:
  static constexpr std::string_view TAG = "UploadProcessTask";

  enum class State { hashing, creating, uploading, completing, done, failed };

  /// A new task that holds itself until it has reported its outcome, so the
  /// host need not keep it. Until then it also holds a ticket of the
  /// transport's in-flight count, so the client outlives it.
  static std::shared_ptr<UploadProcessTask> create(const UploadEngine& engine,
                                                   std::shared_ptr<UploadManager> manager = nullptr);

  /// Set these before filesCreateRequest().
  std::optional<std::string> cloudPath;
  std::optional<std::filesystem::path> file;
  std::optional<std::string> fileId;    ///< not used
  std::optional<std::string> fileName;  ///< not used
  std::optional<std::string> containId;
  std::function<void(UploadProcessResult)> onCallback;
  std::int64_t autoName = 4;
  std::shared_ptr<ISliceFile> defaultSliceFile;
  /// Seconds since 1970 when the task was made; shown in its log lines.
  const std::int64_t timeStamp;

  /// Hashes the file and sends the create request (or reports the failure
  /// at once). Called once.
  void filesCreateRequest();

  /// Any thread. While creating: every answer but a rapid or existing-file
  /// one ends in failure. While uploading: parts stop at once and the upload
  /// fails. Later: no effect.
  void cancel() override;

  bool hasCancel() const { return hasCancel_.load(); }
  State state() const;

  UploadProcessTask(const UploadEngine& engine, std::shared_ptr<UploadManager> manager);

 private:
  void creareOrgFile(std::vector<MultiPartInfo> parts, const std::string& sha256, std::int64_t length);
  void onCreateAnswer(const NetworkResult<FilesCreateResponse>& result, const std::string& sha256);
  void startMultipartUpload(const std::string& fileId, const std::vector<MultiPartInfo>& parts,
                            const std::string& sha256, std::int64_t doneBytes);
  void onTotalResult(const UploadProcessResult& result, const std::string& fileId, const std::string& sha256);
  void submitComplete(const std::string& fileId, const std::string& sha256);
  void onCompleteAnswer(const NetworkResult<BaseResponse>& result);
  /// The create request sent again after complete's answer was lost, and its answer.
  void checkStored(UploadFailureCause lost);
  void onCheckAnswer(const NetworkResult<FilesCreateResponse>& result, const UploadFailureCause& lost);

  /// Moves from `from` to `to`; false (and nothing changes) when the task is
  /// not in `from`.
  bool advance(State from, State to);
  /// The two ways out. Each reports only if the task has not ended yet.
  void releaseSelf(std::int64_t code, std::string message);
  void releaseSelfOnError(UploadFailureCause cause);
  void finish(State terminal, UploadProcessResult outcome);
  /// Passes an event on while uploading.
  void forward(const UploadProcessResult& event);
  void deliver(const std::function<void(UploadProcessResult)>& callback, UploadProcessResult result);

  const UploadEngine engine_;
  std::shared_ptr<UploadManager> uploadManager_;
  std::atomic<bool> hasCancel_{false};

  mutable std::mutex mutex_;  // guards the fields below; never held while calling out
  State state_ = State::hashing;
  std::shared_ptr<UploadProcessTask> retainSelf_;
  // The file as the create answer named it; carried by the success outcome.
  std::optional<std::string> createdFileId_;
  std::optional<std::string> createdFileName_;
  // The create request as first sent, for the check after a lost complete answer.
  std::optional<FilesCreateBean> createBean_;
  transport::InFlight::Ticket ticket_;
};

/// Starts an upload of `file` into the folder `cloudPath`: hashes it with
/// `sliceFile`, sends the create request and returns the handle. `autoRename`
/// is sent as the create request's "autoRename"; `fileId` is not used. The
/// outcome may be reported before this returns (failures found while
/// hashing, on this thread).
std::shared_ptr<Cancelable> startUpload(const UploadEngine& engine, std::filesystem::path file,
                                        std::string cloudPath, std::optional<std::string> fileId,
                                        std::int64_t autoRename, std::shared_ptr<ISliceFile> sliceFile,
                                        std::function<void(UploadProcessResult)> onCallback);

}  // namespace quillbox::upload
