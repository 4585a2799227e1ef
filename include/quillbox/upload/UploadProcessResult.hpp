#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "quillbox/services/file/FileServiceRecords.hpp"

namespace quillbox {

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

/// The upload has failed: always -1006 "file invaild"; the cause is logged.
struct onFailure {
  std::int64_t errCode = 0;  ///< -1006, whatever the cause
  std::string errMsg;        ///< "file invaild", whatever the cause (the log line before it says which)
  /// Field by field.
  friend bool operator==(const onFailure&, const onFailure&) = default;
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
