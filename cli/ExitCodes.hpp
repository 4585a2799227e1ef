#pragma once
// The exit status of the quillbox command, and the status a failed service
// call maps to. Scripts branch on these numbers: keep them stable, and keep
// the list in --help and in the README in step with this one.

#include <cstdint>
#include <string_view>

#include <quillbox/request/FailureKind.hpp>

namespace quillbox::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;        // refused or failed for any other reason
constexpr int kExitUsage = 2;          // bad arguments
constexpr int kExitNotFound = 3;       // no such file, folder, share or job
constexpr int kExitRefused = 4;        // not signed in, or the server refused the credentials or the access
constexpr int kExitTemporary = 5;      // the network failed or the server is busy or down: trying later may work
constexpr int kExitInterrupted = 130;  // Ctrl-C, as shells report it

/// The statuses and what they mean, for --help and the manual page.
struct ExitStatusMeaning {
  int status;
  const char* meaning;
};
inline constexpr ExitStatusMeaning kExitStatuses[] = {
    {kExitOk, "done"},
    {kExitFailure, "failed"},
    {kExitUsage, "bad usage"},
    {kExitNotFound, "not found"},
    {kExitRefused, "not signed in or refused"},
    {kExitTemporary, "network failure or server busy (try again later)"},
    {kExitInterrupted, "interrupted"},
};

/// The exit status for an HTTP status.
constexpr int exitCodeForHttpStatus(std::int64_t status) {
  switch (status) {
    case 401:
    case 403:
      return kExitRefused;
    case 404:
    case 410:  // an expired share link
      return kExitNotFound;
    case 408:
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
      return kExitTemporary;
    default:
      return kExitFailure;
  }
}

/// The exit status for a status or code given as decimal text (batch
/// answers carry their items' codes so).
constexpr int exitCodeForItemCode(std::string_view code) {
  std::int64_t status = 0;
  if (code.empty() || code.size() > 6) return kExitFailure;
  for (const char c : code) {
    if (c < '0' || c > '9') return kExitFailure;
    status = status * 10 + (c - '0');
  }
  return exitCodeForHttpStatus(status);
}

/// The exit status for a failed service call, from how it failed: the HTTP
/// status when the server answered with an error, else the kind.
constexpr int exitCodeForFailure(FailureKind kind, long httpStatus) {
  switch (kind) {
    case FailureKind::httpStatus:
      return exitCodeForHttpStatus(httpStatus);
    case FailureKind::connect:
    case FailureKind::nameResolution:
    case FailureKind::timeout:
    case FailureKind::reset:
      return kExitTemporary;
    default:
      // A certificate, a request that cannot be built or an answer that
      // cannot be read stay so when tried again.
      return kExitFailure;
  }
}

}  // namespace quillbox::cli
