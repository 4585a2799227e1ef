#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillbox {

/// The JSON envelope of every answer and the base of every response record:
/// "code", "msg" and "httpCode", all optional.
struct BaseResponse {
  std::optional<std::int64_t> code;
  std::optional<std::string> msg;
  std::optional<std::int64_t> httpCode;

  BaseResponse() = default;
  BaseResponse(std::optional<std::int64_t> code, std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : code(code), msg(std::move(msg)), httpCode(httpCode) {}

  friend bool operator==(const BaseResponse&, const BaseResponse&) = default;
};

}  // namespace quillbox
