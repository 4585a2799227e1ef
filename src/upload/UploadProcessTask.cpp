#include "upload/UploadProcessTask.hpp"

#include <chrono>
#include <exception>
#include <system_error>

#include "quillbox/request/Json.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/Redact.hpp"
#include "services/file/FileServiceRecordsCodec.hpp"
#include "upload/FileInfoUtil.hpp"
#include "upload/ProofCodeCalculator.hpp"
#include "upload/UploadRecordsCodec.hpp"
#include "util/Log.hpp"
#include "transport/Transport.hpp"
#include "util/ReadOnlyFile.hpp"
#include "util/Text.hpp"

namespace quillbox::upload {

using State = UploadProcessTask::State;

namespace {

// Never destroyed: parts and uploads may still log while the process exits.
const std::string& kTag = *new std::string(UploadProcessTask::TAG);

std::int64_t secondsSince1970() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

bool allowed(State from, State to) {
  switch (from) {
    case State::hashing:
      return to == State::creating || to == State::failed;
    case State::creating:
      return to == State::uploading || to == State::done || to == State::failed;
    case State::uploading:
      return to == State::completing || to == State::failed;
    case State::completing:
      return to == State::done || to == State::failed;
    case State::done:
    case State::failed:
      return false;
  }
  return false;
}

/// A record's JSON for the log: secrets and the signatures of part URLs
/// masked, "unknow" when it is not UTF-8.
template <typename Record>
std::string loggable(const Record& record) {
  try {
    const std::string json = toJson(record);
    return util::isValidUtf8(json) ? request::maskJsonSecrets(json) : std::string("unknow");
  } catch (const std::exception&) {
    return "unknow";
  }
}

UploadFailureCause causeAt(UploadStage stage, FailureKind kind, std::int64_t code, std::string message) {
  return {stage, 0, 0, kind, code, std::move(message), 0};
}

template <class T>
UploadFailureCause serviceCause(UploadStage stage, const NetworkResult<T>& result) {
  return {stage, 0, 0, result.kind(), result.code(), result.message(), result.httpStatus()};
}

/// Whether the server may have carried out a request that failed: its answer
/// was lost on the way (a reset, a time-out, an answer cut short or garbled),
/// or it answered with a server error that does not say the request was left
/// alone (503 and 429 do; 4xx refuse it). When it cannot be told, it may have.
bool mayHaveBeenCarriedOut(const UploadFailureCause& cause) {
  switch (cause.kind) {
    case FailureKind::reset:
    case FailureKind::timeout:
    case FailureKind::undecodable:
    case FailureKind::other:
      return true;
    case FailureKind::httpStatus:
      return cause.httpStatus == 0 || cause.httpStatus == 500 || cause.httpStatus == 502 || cause.httpStatus == 504;
    default:
      return false;
  }
}

/// `partNumber` immediately followed by `partOffset`, both in decimal.
std::string partKey(const MultiPartInfo& part) {
  return std::to_string(part.partNumber) + std::to_string(part.partOffset);
}

}  // namespace

UploadProcessTask::UploadProcessTask(const UploadEngine& engine, std::shared_ptr<UploadManager> manager)
    : timeStamp(secondsSince1970()),
      engine_(engine),
      uploadManager_(manager ? std::move(manager)
                             : std::make_shared<UploadManager>(engine.partQueue, engine.mainQueue)) {}

std::shared_ptr<UploadProcessTask> UploadProcessTask::create(const UploadEngine& engine,
                                                             std::shared_ptr<UploadManager> manager) {
  auto task = std::make_shared<UploadProcessTask>(engine, std::move(manager));
  task->retainSelf_ = task;
  task->ticket_ = engine.settings.transport().inFlight().enter();
  QUILLBOX_LOG(debug, kTag + " retain self " + std::to_string(task->timeStamp));
  return task;
}

State UploadProcessTask::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

bool UploadProcessTask::advance(State from, State to) {
  std::lock_guard lock(mutex_);
  if (state_ != from || !allowed(from, to)) return false;
  state_ = to;
  return true;
}

void UploadProcessTask::deliver(const std::function<void(UploadProcessResult)>& callback, UploadProcessResult result) {
  if (!callback) return;
  // A host callback that throws must not stop the upload's own bookkeeping.
  try {
    callback(std::move(result));
  } catch (const std::exception& e) {
    QUILLBOX_LOG(error, kTag + ": the host callback threw: " + e.what());
  } catch (...) {
    QUILLBOX_LOG(error, kTag + ": the host callback threw");
  }
}

void UploadProcessTask::finish(State terminal, UploadProcessResult outcome) {
  std::shared_ptr<UploadProcessTask> self;
  transport::InFlight::Ticket ticket;
  {
    std::lock_guard lock(mutex_);
    if (!allowed(state_, terminal)) return;  // the outcome has been reported already
    state_ = terminal;
    self = std::move(retainSelf_);
    ticket = std::move(ticket_);
  }
  if (const auto* failure = std::get_if<uploadResult::onFailure>(&outcome)) {
    QUILLBOX_LOG(error, kTag + ": upload failed: " + describe(failure->cause));
  }
  deliver(onCallback, std::move(outcome));
  QUILLBOX_LOG(debug, kTag + " release self " + std::to_string(timeStamp));
}

void UploadProcessTask::releaseSelf(std::int64_t code, std::string message) {
  uploadResult::onSuccess outcome(code, std::move(message));
  {
    std::lock_guard lock(mutex_);
    outcome.fileId = createdFileId_;
    outcome.fileName = createdFileName_;
  }
  finish(State::done, std::move(outcome));
}

void UploadProcessTask::releaseSelfOnError(UploadFailureCause cause) {
  finish(State::failed, uploadResult::onFailure{-1006, "file invaild", std::move(cause)});
}

void UploadProcessTask::forward(const UploadProcessResult& event) {
  if (state() != State::uploading) return;
  deliver(onCallback, event);
}

void UploadProcessTask::filesCreateRequest() {
  if (!file || file->empty()) {
    releaseSelfOnError(causeAt(UploadStage::openFile, FailureKind::invalidRequest, -1, "no file given"));
    return;
  }
  if (!defaultSliceFile) {
    releaseSelfOnError(causeAt(UploadStage::hashFile, FailureKind::invalidRequest, -1, "no hasher given"));
    return;
  }
  std::optional<std::string> text;
  try {
    text = defaultSliceFile->calcSha256(*file);
  } catch (const std::exception& e) {
    QUILLBOX_LOG(error, kTag + ": calcSha256 threw: " + e.what());
  } catch (...) {
    QUILLBOX_LOG(error, kTag + ": calcSha256 threw");
  }
  if (!text) {
    QUILLBOX_LOG(error, "filesCreateRequest get sha256 nil");
    // A file that cannot be opened is the likeliest reason; say so when it is.
    util::ReadOnlyFile handle(*file);
    releaseSelfOnError(handle.isOpen()
                           ? causeAt(UploadStage::hashFile, FailureKind::localFile, -1, "the file could not be hashed")
                           : causeAt(UploadStage::openFile, FailureKind::localFile, -1, handle.error()));
    return;
  }
  JsonResult<Sha256Result> decoded = fromJson<Sha256Result>(*text);
  if (!decoded) {
    QUILLBOX_LOG(error, "JSON decoding failed: " + decoded.error().description());
    releaseSelfOnError(causeAt(UploadStage::hashFile, FailureKind::other, -1,
                               "the hasher's description does not decode: " + decoded.error().description()));
    return;
  }
  const Sha256Result& result = decoded.value();
  std::vector<MultiPartInfo> parts;
  parts.reserve(result.parts.size());
  for (std::size_t i = 0; i < result.parts.size(); ++i) {
    const PartInfo& p = result.parts[i];
    parts.emplace_back(static_cast<std::int64_t>(i) + 1, p.partSize, p.partOffset, p.hashCtx, std::nullopt,
                       std::nullopt);
  }
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(*file, error);
  if (error) {
    QUILLBOX_LOG(error, "获取文件大小失败: " + error.message());
    QUILLBOX_LOG(error, "filesCreateRequest length is nil.");
    releaseSelfOnError(causeAt(UploadStage::openFile, FailureKind::localFile, -1, error.message()));
    return;
  }
  const auto length = static_cast<std::int64_t>(size);
  QUILLBOX_LOG(debug, "filesCreateRequest length " + std::to_string(length));
  creareOrgFile(std::move(parts), result.hash, length);
}

void UploadProcessTask::creareOrgFile(std::vector<MultiPartInfo> parts, const std::string& sha256,
                                      std::int64_t length) {
  FilesCreateBean bean;
  bean.containerId = containId;
  bean.fileName = file->filename().string();
  bean.autoRename = autoName;
  bean.multiParts = std::move(parts);
  bean.sha256 = sha256;
  bean.proofCode = ProofCodeCalculator::calcProofCode(engine_.settings.token().value_or(""), *file);
  bean.length = length;
  bean.fileType = FileInfoUtil::getFileTypeCode(*file);
  bean.parentFolder = std::vector<std::string>{cloudPath.value_or("root")};
  bean.uploadMode = "multipart";
  bean.mimeType = FileInfoUtil::getMimeType(FileInfoUtil::pathExtension(*file));
  bean.uploadType = 1;

  QUILLBOX_LOG(debug, "creareOrgFile sha256 " + sha256);
  // The proof code with the file's hash would let anyone claim the content.
  QUILLBOX_LOG(debug, "creareOrgFile proofCode " + std::string(bean.proofCode->empty() ? "" : request::kMasked));
  {
    std::lock_guard lock(mutex_);
    createBean_ = bean;
  }
  if (!advance(State::hashing, State::creating)) return;
  auto self = shared_from_this();
  engine_.files.filesCreate(bean, [self, sha256](NetworkResult<FilesCreateResponse> answer) {
    self->engine_.mainQueue.async([self, sha256, answer = std::move(answer)] { self->onCreateAnswer(answer, sha256); });
  });
}

void UploadProcessTask::onCreateAnswer(const NetworkResult<FilesCreateResponse>& result, const std::string& sha256) {
  if (!result.isSuccess()) {
    QUILLBOX_LOG(error, "filesCreateRequest failure code = " + std::to_string(result.code()) + ", msg = " + result.message());
    releaseSelfOnError(serviceCause(UploadStage::create, result));
    return;
  }
  const FilesCreateResponse& response = result.value();
  QUILLBOX_LOG(debug, "filesCreateRequest success resp = " + loggable(response));
  if (response.code != 0) {
    QUILLBOX_LOG(error, "file create failed:" + response.msg.value_or("nil"));
    // Refused inside a 2xx answer.
    releaseSelfOnError(causeAt(UploadStage::create, FailureKind::other, response.code.value_or(-1),
                               response.msg.value_or("")));
    return;
  }
  {
    std::lock_guard lock(mutex_);
    createdFileId_ = response.fileId;
    createdFileName_ = response.fileName;
  }
  // A finished upload stands even when it was cancelled meanwhile.
  if (response.rapidUpload.value_or(false)) {
    QUILLBOX_LOG(info, "file is rapid");
    releaseSelf(0, "rapid success");
    return;
  }
  if (response.exist.value_or(false)) {
    QUILLBOX_LOG(info, "file is exist");
    releaseSelf(0, "exist success");
    return;
  }
  if (hasCancel_) {
    QUILLBOX_LOG(info, "file hasCancel");
    releaseSelfOnError(causeAt(UploadStage::create, FailureKind::cancelled, -1, "cancelled"));
    return;
  }
  if (!response.fileId) {
    QUILLBOX_LOG(error, "file create failed: the answer has no fileId");
    releaseSelfOnError(causeAt(UploadStage::create, FailureKind::undecodable, -1, "the answer has no fileId"));
    return;
  }
  if (!response.multiParts) {
    QUILLBOX_LOG(error, "file create failed: the answer has no multiParts");
    releaseSelfOnError(causeAt(UploadStage::create, FailureKind::undecodable, -1, "the answer has no multiParts"));
    return;
  }
  startMultipartUpload(*response.fileId, *response.multiParts, sha256, 0);
}

void UploadProcessTask::startMultipartUpload(const std::string& fileId, const std::vector<MultiPartInfo>& parts,
                                             const std::string& sha256, std::int64_t doneBytes) {
  if (!advance(State::creating, State::uploading)) return;
  QUILLBOX_LOG(info, kTag + ", start upload multiParts, fileid = " + fileId);
  // Only proves that the file can be read: each part opens it again.
  util::ReadOnlyFile handle(*file);
  if (!handle.isOpen()) {
    QUILLBOX_LOG(error, "文件打开失败: " + handle.error());
    releaseSelfOnError(causeAt(UploadStage::openFile, FailureKind::localFile, -1, handle.error()));
    return;
  }
  if (parts.empty()) {
    submitComplete(fileId, sha256);
    return;
  }
  const RetryPolicy retry = engine_.settings.retryPolicy();
  for (const MultiPartInfo& p : parts) {
    auto task = std::make_shared<UploadTask>(engine_.settings.transport().parts());
    task->retry = retry;
    task->uploadUrl = p.uploadUrl.value_or("");
    task->file = *file;
    task->offset = p.partOffset;
    task->length = p.partSize;
    task->hash1 = partKey(p);
    task->partNumber = p.partNumber;
    task->partCount = static_cast<std::int64_t>(parts.size());
    QUILLBOX_LOG(debug, kTag + ", uploadManager subHash = " + task->hash1 + ", task = " + task->description());
    uploadManager_->add(std::move(task));
  }
  uploadManager_->setHasDownloadSize(doneBytes);
  QUILLBOX_LOG(debug, kTag + ", uploadManager continue hasDownloadSize = " + std::to_string(doneBytes));
  // Whole-file progress counts against the file's length.
  if (std::optional<std::uint64_t> size = handle.size()) uploadManager_->setTotalLength(static_cast<std::int64_t>(*size));
  std::weak_ptr<UploadProcessTask> weak = weak_from_this();
  uploadManager_->setOnTotalCallback([weak, fileId, sha256](UploadProcessResult r) {
    if (auto self = weak.lock()) self->onTotalResult(r, fileId, sha256);
  });
  uploadManager_->submit();
}

void UploadProcessTask::onTotalResult(const UploadProcessResult& result, const std::string& fileId,
                                      const std::string& sha256) {
  if (auto* p = std::get_if<uploadResult::onProgress>(&result)) {
    QUILLBOX_LOG(debug, "上传进度: " + std::to_string(p->bytes) + "/" + std::to_string(p->total) + " 字节");
    forward(result);
  } else if (auto* s = std::get_if<uploadResult::onSuccess>(&result)) {
    QUILLBOX_LOG(info, "upload process task 上传成功: 状态码 " + std::to_string(s->code) + ", 消息: " + s->msg);
    submitComplete(fileId, sha256);
  } else if (auto* f = std::get_if<uploadResult::onFailure>(&result)) {
    QUILLBOX_LOG(error, "上传失败: 错误码 " + std::to_string(f->errCode) + ", 消息: " + f->errMsg);
    releaseSelfOnError(f->cause);
  } else if (auto* c = std::get_if<uploadResult::onFileCreate>(&result)) {
    QUILLBOX_LOG(debug, "文件创建响应: " + loggable(c->response));
    forward(result);
  } else if (auto* i = std::get_if<uploadResult::onItemFinish>(&result)) {
    QUILLBOX_LOG(debug, "子项 " + std::to_string(i->index) + " (" + i->subHash + ") 处理" + (i->isSuccess ? "true" : "false"));
    forward(result);
  }
}

void UploadProcessTask::submitComplete(const std::string& fileId, const std::string& sha256) {
  if (!advance(State::uploading, State::completing)) return;
  FilesCompleteBean bean;
  bean.fileId = fileId;
  bean.sha256 = sha256;
  QUILLBOX_LOG(info, "====start submitComplete, fileId = " + fileId + "====");
  auto self = shared_from_this();
  engine_.files.fileComplete(bean, [self](NetworkResult<BaseResponse> answer) {
    self->engine_.mainQueue.async([self, answer = std::move(answer)] { self->onCompleteAnswer(answer); });
  });
}

void UploadProcessTask::onCompleteAnswer(const NetworkResult<BaseResponse>& result) {
  if (!result.isSuccess()) {
    QUILLBOX_LOG(error, "filesCompleteRequest failure code = " + std::to_string(result.code()) + ", msg = " + result.message());
    UploadFailureCause cause = serviceCause(UploadStage::complete, result);
    if (mayHaveBeenCarriedOut(cause)) {
      checkStored(std::move(cause));
    } else {
      releaseSelfOnError(std::move(cause));
    }
    return;
  }
  releaseSelf(0, "success");
  QUILLBOX_LOG(debug, "filesCompleteRequest success resp = " + loggable(result.value()));
}

void UploadProcessTask::checkStored(UploadFailureCause lost) {
  std::optional<FilesCreateBean> bean;
  {
    std::lock_guard lock(mutex_);
    bean = createBean_;
  }
  if (!bean) {
    releaseSelfOnError(std::move(lost));
    return;
  }
  // The server answers "exist" to a create of a file it holds under this
  // name with this content: that proves the complete request stored it.
  // Guessing either way could report a stored file as lost, or a lost one as
  // stored; the parts are not sent again.
  QUILLBOX_LOG(warning, "filesCompleteRequest answer lost; asking the create request whether the file is stored");
  auto self = shared_from_this();
  engine_.files.filesCreate(*bean, [self, lost = std::move(lost)](NetworkResult<FilesCreateResponse> answer) {
    self->engine_.mainQueue.async(
        [self, lost, answer = std::move(answer)] { self->onCheckAnswer(answer, lost); });
  });
}

void UploadProcessTask::onCheckAnswer(const NetworkResult<FilesCreateResponse>& result,
                                      const UploadFailureCause& lost) {
  UploadFailureCause cause = lost;
  const std::string why = "the answer was lost (" + lost.message + ")";
  if (!result.isSuccess() || result.value().code != 0) {
    const std::string check = result.isSuccess() ? result.value().msg.value_or("") : result.message();
    QUILLBOX_LOG(error, "filesCompleteRequest check failed: " + check);
    cause.message = why + " and the check that followed failed (" + check + "): whether the file is stored is not known";
    releaseSelfOnError(std::move(cause));
    return;
  }
  const FilesCreateResponse& response = result.value();
  QUILLBOX_LOG(debug, "filesCompleteRequest check resp = " + loggable(response));
  // "exist": stored by the complete request. "rapid": stored now from the
  // content the server holds. Either way the file is there, once, under the
  // name asked for.
  if (response.exist.value_or(false) || response.rapidUpload.value_or(false)) {
    QUILLBOX_LOG(info, "filesCompleteRequest answer lost, the file is stored");
    {
      std::lock_guard lock(mutex_);
      createdFileId_ = response.fileId;
      createdFileName_ = response.fileName;
    }
    releaseSelf(0, "success");
    return;
  }
  cause.message = why + " and the file is not stored";
  releaseSelfOnError(std::move(cause));
}

void UploadProcessTask::cancel() {
  QUILLBOX_LOG(info, "uploadProcessTask cancel");
  hasCancel_ = true;
  uploadManager_->cancel();
}

std::shared_ptr<Cancelable> startUpload(const UploadEngine& engine, std::filesystem::path file,
                                        std::string cloudPath, std::optional<std::string> fileId,
                                        std::int64_t autoRename, std::shared_ptr<ISliceFile> sliceFile,
                                        std::function<void(UploadProcessResult)> onCallback) {
  auto task = UploadProcessTask::create(engine);
  task->defaultSliceFile = std::move(sliceFile);
  task->onCallback = std::move(onCallback);
  task->cloudPath = std::move(cloudPath);
  task->containId = engine.settings.contentId();
  if (!file.empty()) task->file = std::move(file);
  task->autoName = autoRename;
  (void)fileId;  // the server's file id comes with the create answer
  task->filesCreateRequest();
  return task;
}

}  // namespace quillbox::upload
