#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/upload/UploadProcessResult.hpp"

namespace quillbox::upload {

/// The outcome of one part, and its byte progress on the way. `hash` is the
/// part key.
namespace partResult {
struct onSuccess {
  std::string hash;
  BaseResponse response;
  friend bool operator==(const onSuccess&, const onSuccess&) = default;
};
struct onFailure {
  std::string hash;
  std::int64_t code = 0;
  std::string msg;
  /// Why the part failed (stage `part`, with its number).
  UploadFailureCause cause;

  onFailure(std::string hash, std::int64_t code, std::string msg, UploadFailureCause cause = {})
      : hash(std::move(hash)), code(code), msg(std::move(msg)), cause(std::move(cause)) {}
  friend bool operator==(const onFailure&, const onFailure&) = default;
};
struct onProgress {
  std::string hash;
  std::int64_t bytesWritten = 0;
  std::int64_t totalBytes = 0;
  friend bool operator==(const onProgress&, const onProgress&) = default;
};
}  // namespace partResult

using UploadResult = std::variant<partResult::onSuccess, partResult::onFailure, partResult::onProgress>;

}  // namespace quillbox::upload
