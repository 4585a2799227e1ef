#include "upload/UploadTask.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "quillbox/request/Json.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/Retry.hpp"
#include "util/Log.hpp"
#include "util/ProgressHandler.hpp"
#include "util/ReadOnlyFile.hpp"

namespace quillbox::upload {

namespace {
// Never destroyed: parts and uploads may still log while the process exits.
const std::string& kTag = *new std::string(UploadTask::TAG);
}

void UploadTask::run() {
  QUILLBOX_LOG(debug, kTag + ": 开始执行上传任务");
  if (!file || uploadUrl.empty()) {
    QUILLBOX_LOG(error, kTag + ": file or uploadUrl is null");
    report(partResult::onFailure{hash1, -1, "invalid params",
                                 cause(FailureKind::invalidRequest, -1, file ? "no upload URL" : "no file")});
    return;
  }
  if (hasCancel) {
    QUILLBOX_LOG(info, kTag + ": upload has cancel");
    report(partResult::onFailure{hash1, -1, "has cancel", cause(FailureKind::cancelled, -1, "cancelled")});
    return;
  }
  QUILLBOX_LOG(debug, kTag + ": start upload, hash = " + hash1);

  auto handle = std::make_shared<util::ReadOnlyFile>(*file);
  std::optional<std::uint64_t> size = handle->isOpen() ? handle->size() : std::nullopt;
  std::string fileError = handle->error();
  if (size && offset < 0) fileError = std::strerror(EINVAL);
  if (!size || offset < 0) {
    QUILLBOX_LOG(error, kTag + ": IOException " + fileError);
    report(partResult::onFailure{hash1, -1, "file exception " + fileError, cause(FailureKind::localFile, -1, fileError)});
    return;
  }
  // A part that runs past the end of the file sends the bytes that exist.
  const auto available = static_cast<std::int64_t>(*size) - offset;
  const std::int64_t count = std::max<std::int64_t>(0, std::min(length, available));

  // A new attempt counts its bytes from zero again; what the part reports
  // only grows, so whole-file progress never goes back.
  auto progress = std::make_shared<util::ProgressHandler>(
      weak_from_this(), [this](const std::string& key, std::int64_t written, std::int64_t total) {
        if (written <= reported_) return;
        reported_ = written;
        QUILLBOX_LOG(debug, kTag + ": onProgress - " + key + ", bytesWritten = " + std::to_string(written) +
            ", totalBytes = " + std::to_string(total));
        report(partResult::onProgress{key, written, total});
      });
  const transport::PartBody body{handle, offset, count};
  const int attempts = std::max(retry.maxAttempts, 1);
  Attempt attempt = put(body, progress, std::chrono::milliseconds(0));
  for (int n = 1; n < attempts && !hasCancel && attempt.response.code != 0 && request::mayRetry(true, attempt.result);
       ++n) {
    // The wait is the next PUT's delayed start on the transport's loop: a
    // cancel ends it at once, as it aborts a running PUT.
    const std::chrono::milliseconds wait = request::retryWait(retry, n, attempt.result);
    QUILLBOX_LOG(warning, kTag + ": part " + hash1 + " failed (" + request::describeFailure(attempt.result) +
        "); attempt " + std::to_string(n + 1) + " of " + std::to_string(attempts) + " in " +
        std::to_string(wait.count()) + " ms");
    attempt = put(body, progress, wait);
  }
  const BaseResponse& response = attempt.response;

  if (hasCancel) {
    QUILLBOX_LOG(info, kTag + ": has response but is cancel");
    report(partResult::onFailure{hash1, -1, "has cancel", cause(FailureKind::cancelled, -1, "cancelled")});
  } else if (response.code == 0) {
    QUILLBOX_LOG(debug, kTag + ": onSuccess ret = " + response.msg.value_or("nil"));
    report(partResult::onSuccess{hash1, response});
  } else {
    QUILLBOX_LOG(error, kTag + ": onFailure ret = " + response.msg.value_or("nil"));
    report(partResult::onFailure{hash1, -1, "upload sync error", causeOf(attempt)});
  }
}

UploadFailureCause UploadTask::causeOf(const Attempt& attempt) const {
  const transport::HttpResult& r = attempt.result;
  const std::string text = attempt.response.msg.value_or("");
  const FailureKind kind = transport::failureKind(r);
  if (kind != FailureKind::httpStatus) return cause(kind == FailureKind::none ? FailureKind::other : kind, -1, text);
  JsonResult<BaseResponse> envelope = fromJson<BaseResponse>(r.body);
  if (envelope && envelope.value().code && envelope.value().msg) {
    return cause(kind, *envelope.value().code, *envelope.value().msg, r.status);
  }
  return cause(kind, -1, text, r.status);
}

UploadTask::Attempt UploadTask::put(const transport::PartBody& body, const std::shared_ptr<ProgressListener>& progress,
                                    std::chrono::milliseconds delay) {
  std::shared_ptr<transport::PartWaiter> waiter;
  try {
    waiter = puts_.start(uploadUrl, body, hash1, progress, delay);
  } catch (const std::exception& e) {
    transport::HttpResult result;
    result.transportError = e.what();
    result.code = CURLE_FAILED_INIT;
    return {BaseResponse(-1, "upload error", std::nullopt), std::move(result)};
  }
  if (waiter->id() != 0) {
    // Known before the wait, so that a cancel from now on aborts the PUT.
    bool cancelled = false;
    {
      std::lock_guard lock(mutex_);
      putId_ = waiter->id();
      cancelled = hasCancel.load();
    }
    if (cancelled) puts_.cancel(waiter->id());
  }
  BaseResponse response = waiter->await();
  {
    std::lock_guard lock(mutex_);
    putId_ = 0;
  }
  return {std::move(response), waiter->result()};
}

bool UploadTask::stopBeforeStart() {
  QUILLBOX_LOG(info, "UploadTask cancel");
  hasCancel = true;
  std::shared_ptr<util::Operation> op = operation();
  return op && op->cancel();
}

void UploadTask::abortRunningPut() {
  transport::CurlLoop::Id id = 0;
  {
    std::lock_guard lock(mutex_);
    id = putId_;
  }
  if (id != 0) puts_.cancel(id);
}

void UploadTask::setOperation(std::shared_ptr<util::Operation> operation) {
  std::lock_guard lock(mutex_);
  operation_ = std::move(operation);
}

std::shared_ptr<util::Operation> UploadTask::operation() const {
  std::lock_guard lock(mutex_);
  return operation_;
}

std::string UploadTask::description() const {
  return "UploadTask(hash1: " + hash1 + ", offset: " + std::to_string(offset) + ", length: " + std::to_string(length) +
         ")";
}

}  // namespace quillbox::upload
