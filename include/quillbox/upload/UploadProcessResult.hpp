#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "quillbox/request/FailureKind.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"

namespace quillbox {

/// The step of an upload at which it failed.
enum class UploadStage {
  openFile,  ///< opening the local file, or finding its length
  hashFile,  ///< hashing the file (the host's ISliceFile gave no usable description)
  create,    ///< the create request
  part,      ///< sending one part; UploadFailureCause::part says which
  complete,  ///< the complete request, or the check made after its answer was lost
};

/// Why an upload failed, beside the fixed -1006 "file invaild" it reports.
struct UploadFailureCause {
  /// The step that failed.
  UploadStage stage = UploadStage::openFile;
  /// For UploadStage::part: the part's number, from 1; otherwise 0.
  std::int64_t part = 0;
  /// For UploadStage::part: how many parts the upload has; otherwise 0.
  std::int64_t parts = 0;
  /// How it failed; `none` only in a failure built by hand without a cause.
  FailureKind kind = FailureKind::none;
  /// The server's code when its error envelope decoded; otherwise -1 (a
  /// failure the library found), or 0 when there is no code at all.
  std::int64_t code = 0;
  /// The server's message when its error envelope decoded; otherwise the
  /// transport's or the library's own text.
  std::string message;
  /// The HTTP status of the failed answer; 0 when there was none, or when it
  /// is not known.
  std::int64_t httpStatus = 0;
  /// Field by field.
  friend bool operator==(const UploadFailureCause&, const UploadFailureCause&) = default;
};

/// The cause in a line for people: the step, "failed", and why, such as
/// "part 3 of 12 failed: HTTP 503 (service unavailable): injected fault" or
/// "opening the file failed: local file error: No such file or directory".
std::string describe(const UploadFailureCause& cause);

/// The events of one upload, one struct per case.
namespace uploadResult {

/// Bytes of the file uploaded so far, and the file's length.
struct onProgress {
  std::int64_t bytes = 0;  ///< bytes of the file sent so far (parts sent earlier included)
  std::int64_t total = 0;  ///< the file's length in bytes
  /// Field by field.
  friend bool operator==(const onProgress&, const onProgress&) = default;
};

/// The upload has finished: code 0 with "success", "rapid success" (the
/// server already had the content) or "exist success" (the file exists).
struct onSuccess {
  /// Always 0.
  std::int64_t code = 0;
  /// "success", "rapid success" or "exist success", as above.
  std::string msg;
  /// The id of the file the upload created (or, for "exist success", of the
  /// file that was already there), as the server's create answer gave it;
  /// absent when the server did not say.
  std::optional<std::string> fileId;
  /// The name the file is stored under, as the server's create answer gave it:
  /// the local file's name, or another one the server chose to avoid a clash
  /// (such as "a (1).txt" when the folder already held "a.txt" and the upload
  /// asked for renaming); absent when the server did not say.
  std::optional<std::string> fileName;

  onSuccess() = default;
  /// Kept a constructor rather than an aggregate so that code written as
  /// `onSuccess{0, "success"}` builds without a missing-initializer warning.
  onSuccess(std::int64_t code, std::string msg, std::optional<std::string> fileId = std::nullopt,
            std::optional<std::string> fileName = std::nullopt)
      : code(code), msg(std::move(msg)), fileId(std::move(fileId)), fileName(std::move(fileName)) {}
  /// Field by field.
  friend bool operator==(const onSuccess&, const onSuccess&) = default;
};

/// The upload has failed: always -1006 "file invaild"; `cause` says why.
struct onFailure {
  std::int64_t errCode = 0;  ///< -1006, whatever the cause
  std::string errMsg;        ///< "file invaild", whatever the cause (see `cause`)
  /// The step that failed and how; the same text is logged before the outcome.
  UploadFailureCause cause;

  onFailure() = default;
  /// Kept a constructor rather than an aggregate so that code written as
  /// `onFailure{-1006, "file invaild"}` builds without a missing-initializer warning.
  onFailure(std::int64_t errCode, std::string errMsg, UploadFailureCause cause = {})
      : errCode(errCode), errMsg(std::move(errMsg)), cause(std::move(cause)) {}
  /// The code and the message, as always; the cause is detail beside them
  /// and does not take part, so a comparison with
  /// `onFailure{-1006, "file invaild"}` holds for every failed upload.
  friend bool operator==(const onFailure& a, const onFailure& b) {
    return a.errCode == b.errCode && a.errMsg == b.errMsg;
  }
};

/// The server's create answer. The upload itself does not produce it.
struct onFileCreate {
  FilesCreateResponse response;  ///< the answer to the create request
  /// Field by field.
  friend bool operator==(const onFileCreate&, const onFileCreate&) = default;
};

/// One part has finished; `subHash` is its key (its number followed by its
/// offset, in decimal), `index` is always 0.
struct onItemFinish {
  std::string subHash;     ///< the part's key: its number, then its offset, in decimal
  std::int64_t index = 0;  ///< always 0
  bool isSuccess = false;  ///< whether the part arrived
  /// Field by field.
  friend bool operator==(const onItemFinish&, const onItemFinish&) = default;
};

}  // namespace uploadResult

/// What an upload reports to the host's callback: any number of onProgress
/// and onItemFinish, then exactly one onSuccess or onFailure.
using UploadProcessResult = std::variant<uploadResult::onProgress, uploadResult::onSuccess, uploadResult::onFailure,
                                         uploadResult::onFileCreate, uploadResult::onItemFinish>;

}  // namespace quillbox
