#include "upload/UploadManager.hpp"

#include <algorithm>

#include "quillbox/request/Json.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/Redact.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox::upload {

namespace {
// Never destroyed: parts and uploads may still log while the process exits.
const std::string& kTag = *new std::string(UploadManager::TAG);

/// A part's answer for the log: secrets masked, "unknow" when it is not UTF-8.
std::string loggable(const BaseResponse& response) {
  const std::string json = toJson(response);
  return util::isValidUtf8(json) ? request::maskJsonSecrets(json) : std::string("unknow");
}
}  // namespace

std::string UploadManager::ResultData::description() const {
  return "hash " + hash + ", isFinish " + (isFinish ? "true" : "false") + ", state " + std::to_string(state);
}

void UploadManager::add(std::shared_ptr<UploadTask> task) {
  ResultData record;
  record.totalBytes = task->length;
  record.offset = task->offset;
  record.hash = task->hash1;
  std::lock_guard lock(mutex_);
  resultMap_.insert_or_assign(task->hash1, std::move(record));
  uploadTaskMap_.insert_or_assign(task->hash1, std::move(task));
}

void UploadManager::setOnTotalCallback(std::function<void(UploadProcessResult)> callback) {
  std::lock_guard lock(mutex_);
  onTotalCallback_ = std::move(callback);
}

void UploadManager::setTotalLength(std::int64_t length) {
  std::lock_guard lock(mutex_);
  totalLength_ = length;
}

void UploadManager::setHasDownloadSize(std::int64_t bytes) {
  std::lock_guard lock(mutex_);
  hasDownloadSize_ = bytes;
}

std::vector<UploadManager::ResultData> UploadManager::records() const {
  std::lock_guard lock(mutex_);
  std::vector<ResultData> out;
  for (const auto& [key, record] : resultMap_) out.push_back(record);
  return out;
}

void UploadManager::submit() {
  std::vector<std::shared_ptr<UploadTask>> tasks;
  bool cancelled = false;
  {
    std::lock_guard lock(mutex_);
    cancelled = hasCancel_.load();
    if (!cancelled) {
      submitted_ = true;
      for (const auto& [key, task] : uploadTaskMap_) tasks.push_back(task);
    }
  }
  if (cancelled) {
    mainQueue_.async(
        [self = shared_from_this()] {
          self->giveVerdict(uploadResult::onFailure{
              -1, "has cancel", UploadFailureCause{UploadStage::part, 0, 0, FailureKind::cancelled, -1, "cancelled", 0}});
        });
    return;
  }
  QUILLBOX_LOG(debug, kTag + ": uploadManager submit curTask Size = " + std::to_string(tasks.size()));
  if (tasks.empty()) {
    // Nothing to wait for: the verdict follows at once.
    mainQueue_.async([self = shared_from_this()] { self->checkOnComplete(); });
    return;
  }
  std::weak_ptr<UploadManager> weak = weak_from_this();
  for (const auto& task : tasks) {
    QUILLBOX_LOG(debug, "task in " + task->description());
    task->onCallback = [weak](UploadResult result) {
      if (auto self = weak.lock()) self->subCallback(std::move(result));
    };
    // The operation's slot stays busy until the part has reported, so the
    // queue's width bounds the parts in flight across the process.
    auto operation = std::make_shared<util::Operation>([task] {
      QUILLBOX_LOG(debug, "task execute " + task->description());
      task->run();
    });
    // Known to the task before it is queued: a cancel from now on either
    // keeps it from running or lets it run and report "has cancel".
    task->setOperation(operation);
    queue_.addOperation(std::move(operation));
  }
}

void UploadManager::subCallback(UploadResult result) {
  auto self = shared_from_this();
  if (auto* success = std::get_if<partResult::onSuccess>(&result)) {
    QUILLBOX_LOG(debug, "subCallback success resp = " + loggable(success->response));
    mainQueue_.async([self, key = success->hash, response = success->response] {
      self->onPartSuccess(key, response);
    });
  } else if (auto* failure = std::get_if<partResult::onFailure>(&result)) {
    // Logged before it is handed on, so the line precedes the verdict it leads to.
    QUILLBOX_LOG(warning, "subCallback failure hash = " + failure->hash + ", code = " + std::to_string(failure->code) +
        ", msg = " + failure->msg);
    mainQueue_.async([self, key = failure->hash, cause = failure->cause] { self->onPartFailure(key, cause); });
  } else if (auto* progress = std::get_if<partResult::onProgress>(&result)) {
    QUILLBOX_LOG(debug, "subCallback procress  hash = " + progress->hash + ", current = " + std::to_string(progress->bytesWritten) +
        ", total = " + std::to_string(progress->totalBytes));
    mainQueue_.async(
        [self, key = progress->hash, written = progress->bytesWritten] { self->onPartProgress(key, written); });
  }
}

void UploadManager::cancel() {
  QUILLBOX_LOG(info, kTag + ": UploadManager cancel");
  std::vector<std::shared_ptr<UploadTask>> tasks;
  {
    std::lock_guard lock(mutex_);
    hasCancel_ = true;
    // Before submit nothing is queued, and submit will queue nothing.
    if (submitted_) {
      for (const auto& [key, task] : uploadTaskMap_) tasks.push_back(task);
    }
  }
  // First every part is kept from starting, then the running PUTs are
  // aborted: a slot freed by an aborted part cannot start another one.
  std::vector<std::pair<std::string, UploadFailureCause>> neverRun;
  for (const auto& task : tasks) {
    if (task->stopBeforeStart()) {
      neverRun.emplace_back(task->hash1, UploadFailureCause{UploadStage::part, task->partNumber, task->partCount,
                                                            FailureKind::cancelled, -1, "cancelled", 0});
    }
  }
  for (const auto& task : tasks) task->abortRunningPut();
  if (!neverRun.empty()) {
    mainQueue_.async([self = shared_from_this(), parts = std::move(neverRun)] { self->onPartsAbandoned(parts); });
  }
}

std::int64_t UploadManager::finishedBytes(const ResultData& record) const {
  // The last part may be declared longer than what is left of the file; only
  // what exists is sent, and only that counts towards the file's progress.
  if (totalLength_ <= 0) return record.totalBytes;
  return std::clamp<std::int64_t>(totalLength_ - record.offset, 0, record.totalBytes);
}

void UploadManager::onPartSuccess(const std::string& key, const BaseResponse& response) {
  {
    std::lock_guard lock(mutex_);
    auto it = resultMap_.find(key);
    if (it == resultMap_.end() || it->second.isFinish) return;
    it->second.state = STATE_SUCCESS;
    it->second.isFinish = true;
    it->second.bytesWritten = finishedBytes(it->second);
  }
  report(uploadResult::onItemFinish{key, 0, response.code == 0});
  checkOnComplete();
}

void UploadManager::onPartFailure(const std::string& key, const UploadFailureCause& cause) {
  {
    std::lock_guard lock(mutex_);
    auto it = resultMap_.find(key);
    if (it == resultMap_.end() || it->second.isFinish) return;
    if (!firstFailure_) firstFailure_ = cause;
    it->second.state = STATE_ERROR;
    it->second.isFinish = true;
    it->second.bytesWritten = finishedBytes(it->second);
  }
  report(uploadResult::onItemFinish{key, 0, false});
  checkOnComplete();
}

void UploadManager::onPartsAbandoned(const std::vector<std::pair<std::string, UploadFailureCause>>& parts) {
  for (const auto& [key, cause] : parts) onPartFailure(key, cause);
}

void UploadManager::onPartProgress(const std::string& key, std::int64_t bytesWritten) {
  std::int64_t sum = 0;
  std::int64_t total = 0;
  {
    std::lock_guard lock(mutex_);
    auto it = resultMap_.find(key);
    if (verdictGiven_ || it == resultMap_.end() || it->second.isFinish) return;
    it->second.bytesWritten = bytesWritten;
    for (const auto& [k, record] : resultMap_) sum += record.bytesWritten;
    total = totalLength_;
  }
  report(uploadResult::onProgress{sum, total});
}

void UploadManager::checkOnComplete() {
  bool allSuccess = true;
  std::optional<std::string> waitingFor;
  UploadFailureCause cause;
  {
    std::lock_guard lock(mutex_);
    if (verdictGiven_) return;
    if (firstFailure_) cause = *firstFailure_;
    for (const auto& [key, record] : resultMap_) {
      if (record.isFinish && record.state != STATE_DEFAULT) {
        allSuccess = allSuccess && record.state != STATE_ERROR;
      } else {
        waitingFor = record.description();
        break;
      }
    }
  }
  if (waitingFor) {
    QUILLBOX_LOG(debug, kTag + ": checkOnComplete return value = " + *waitingFor);
    return;
  }
  QUILLBOX_LOG(debug, kTag + ": checkOnComplete");
  if (allSuccess) {
    giveVerdict(uploadResult::onSuccess{0, "success"});
  } else {
    giveVerdict(uploadResult::onFailure{-1, hasCancel_ ? "has cancel" : "upload part failed", std::move(cause)});
  }
}

void UploadManager::giveVerdict(UploadProcessResult verdict) {
  {
    std::lock_guard lock(mutex_);
    if (verdictGiven_) return;
    verdictGiven_ = true;
  }
  report(std::move(verdict));
}

void UploadManager::report(UploadProcessResult result) {
  std::function<void(UploadProcessResult)> callback;
  {
    std::lock_guard lock(mutex_);
    callback = onTotalCallback_;
  }
  if (callback) callback(std::move(result));
}

}  // namespace quillbox::upload
