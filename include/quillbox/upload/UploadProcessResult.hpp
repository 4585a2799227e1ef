#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "quillbox/services/file/FileServiceRecords.hpp"

namespace quillbox {

/// The events of one upload, one struct per case.
namespace uploadResult {

/// Bytes of the file uploaded so far, and the file's length.
struct onProgress {
  std::int64_t bytes = 0;
  std::int64_t total = 0;
  friend bool operator==(const onProgress&, const onProgress&) = default;
};

/// The upload has finished: code 0 with "success", "rapid success" (the
/// server already had the content) or "exist success" (the file exists).
struct onSuccess {
  std::int64_t code = 0;
  std::string msg;
  friend bool operator==(const onSuccess&, const onSuccess&) = default;
};

/// The upload has failed: always -1006 "file invaild"; the cause is logged.
struct onFailure {
  std::int64_t errCode = 0;
  std::string errMsg;
  friend bool operator==(const onFailure&, const onFailure&) = default;
};

/// The server's create answer. The upload itself does not produce it.
struct onFileCreate {
  FilesCreateResponse response;
  friend bool operator==(const onFileCreate&, const onFileCreate&) = default;
};

/// One part has finished; `subHash` is its key (its number followed by its
/// offset, in decimal), `index` is always 0.
struct onItemFinish {
  std::string subHash;
  std::int64_t index = 0;
  bool isSuccess = false;
  friend bool operator==(const onItemFinish&, const onItemFinish&) = default;
};

}  // namespace uploadResult

/// What an upload reports to the host's callback: any number of onProgress
/// and onItemFinish, then exactly one onSuccess or onFailure.
using UploadProcessResult = std::variant<uploadResult::onProgress, uploadResult::onSuccess, uploadResult::onFailure,
                                         uploadResult::onFileCreate, uploadResult::onItemFinish>;

}  // namespace quillbox
