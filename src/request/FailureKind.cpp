#include "quillbox/request/FailureKind.hpp"

namespace quillbox {

std::string_view describe(FailureKind kind) {
  switch (kind) {
    case FailureKind::none: return "";
    case FailureKind::invalidRequest: return "the request could not be built";
    case FailureKind::connect: return "connection refused or unreachable";
    case FailureKind::nameResolution: return "host name not found";
    case FailureKind::tls: return "TLS handshake or certificate failed";
    case FailureKind::timeout: return "timed out";
    case FailureKind::reset: return "connection lost";
    case FailureKind::httpStatus: return "error status";
    case FailureKind::undecodable: return "unexpected answer";
    case FailureKind::cancelled: return "cancelled";
    case FailureKind::localFile: return "local file error";
    case FailureKind::other: return "failed";
  }
  return "failed";
}

}  // namespace quillbox
