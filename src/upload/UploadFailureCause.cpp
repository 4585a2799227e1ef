#include <string>
#include <string_view>

#include "quillbox/upload/UploadProcessResult.hpp"

namespace quillbox {

namespace {

/// The reason phrase of the statuses a drive or its storage commonly answers
/// with; "" for the others.
std::string_view reasonPhrase(std::int64_t status) {
  switch (status) {
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not found";
    case 408: return "request timeout";
    case 409: return "conflict";
    case 413: return "content too large";
    case 429: return "too many requests";
    case 500: return "internal server error";
    case 502: return "bad gateway";
    case 503: return "service unavailable";
    case 504: return "gateway timeout";
    case 507: return "insufficient storage";
    default: return "";
  }
}

std::string stepOf(const UploadFailureCause& cause) {
  switch (cause.stage) {
    case UploadStage::openFile: return "opening the file";
    case UploadStage::hashFile: return "hashing the file";
    case UploadStage::create: return "create";
    case UploadStage::part:
      return "part " + std::to_string(cause.part) + (cause.parts > 0 ? " of " + std::to_string(cause.parts) : "");
    case UploadStage::complete: return "complete";
  }
  return "upload";
}

std::string howOf(const UploadFailureCause& cause) {
  std::string how;
  if (cause.kind == FailureKind::httpStatus && cause.httpStatus > 0) {
    how = "HTTP " + std::to_string(cause.httpStatus);
    if (const std::string_view phrase = reasonPhrase(cause.httpStatus); !phrase.empty()) {
      how += " (" + std::string(phrase) + ")";
    }
    // The transport's own text for a status says nothing more.
    if (cause.code == -1) return how;
  } else if (cause.kind == FailureKind::httpStatus) {
    how = "the server answered with code " + std::to_string(cause.code);
  } else if (cause.kind != FailureKind::other && cause.kind != FailureKind::none) {
    how = std::string(describe(cause.kind));
  }
  if (cause.message.empty()) return how.empty() ? std::string(describe(FailureKind::other)) : how;
  return how.empty() ? cause.message : how + ": " + cause.message;
}

}  // namespace

std::string describe(const UploadFailureCause& cause) { return stepOf(cause) + " failed: " + howOf(cause); }

}  // namespace quillbox
