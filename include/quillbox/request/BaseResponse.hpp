#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillbox {

/// The JSON envelope of every answer and the base of every response record:
/// "code", "msg" and "httpCode", all optional.
///
/// The server sets all three. Records deriving from it are built field by
/// field: `GetJobsResponse r; r.code = 0; r.data = ...;`.
struct BaseResponse {
  /// The server's result code: 0 for success; any other value is the server's
  /// own code for a refusal, passed through unchanged (the SDK defines none).
  std::optional<std::int64_t> code;
  /// The server's text for `code` ("success", or why it refused).
  std::optional<std::string> msg;
  /// The HTTP status the server says it answered with, when it says so.
  std::optional<std::int64_t> httpCode;

  /// Every field absent.
  BaseResponse() = default;
  /// All three fields at once.
  BaseResponse(std::optional<std::int64_t> code, std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : code(code), msg(std::move(msg)), httpCode(httpCode) {}

  /// Field by field.
  friend bool operator==(const BaseResponse&, const BaseResponse&) = default;
};

}  // namespace quillbox
