#pragma once

#include <chrono>

namespace quillbox {

/// How often, and after what wait, a client sends a service call again when
/// an attempt fails in a way that may pass.
///
/// What is sent again:
/// - any call whose attempt failed before anything of it was sent (the
///   connection was refused, the host name did not resolve, the TLS
///   handshake failed, the connection could not be set up in time), or was
///   answered with 429 or 503;
/// - a GET, which changes nothing on the server, also after a reset or a
///   cut-off answer, a stall, and the statuses 408, 500, 502 and 504.
/// A call that may have taken effect (a POST or PUT whose request went out,
/// then failed or was answered with 500) is never sent again: it would create
/// a second folder, share or job.
///
/// The PUT of one part of an upload stores the same bytes at the same place
/// however often it is sent, so it is sent again as a GET is, its bytes read
/// from the file once more. The upload's own outcome does not change: a part
/// that fails its last attempt fails the upload as before. While a part waits
/// for its next attempt it keeps its place among the parts in flight, and a
/// cancel of the upload ends the wait at once.
///
/// A download is a GET, so a transfer that breaks off (a reset, a body cut
/// short, a stall) or is answered with one of the statuses above is resumed
/// under the same policy: the next request asks only for the bytes that have
/// not arrived yet ("Range" with "If-Range"), and what arrived stays. A
/// transfer that brought bytes before it broke off is resumed at once (the
/// server was serving; a `Retry-After` still sets the wait); the back-off is
/// for attempts that got nothing. Every transfer counts as an attempt. The
/// download's own outcome comes once, after the last attempt; when that one
/// fails too, what arrived is kept as the downloader's resume point. A cancel
/// or a pause of the download ends the wait at once. A client's downloads
/// (ITransfer::downloadFile) follow the client's policy; a standalone
/// ResumableDownloader follows its own (ResumableDownloader::setRetryPolicy).
/// Downloads have no overall deadline, only the stall rule.
///
/// The wait before attempt n + 1 is drawn at random between 0 and
/// min(maxDelay, baseDelay × 2^(n−1)) ("full jitter", so that many clients
/// failing together do not come back together). An answer with a
/// `Retry-After` header (seconds, or an HTTP date) sets the wait instead, at
/// most maxDelay. No attempt starts after the call's deadline
/// (CloudInstance::Options::callDeadline).
///
/// The host's callback runs once, after the last attempt, with that
/// attempt's outcome (its code and message, exactly as without retries).
/// Each further attempt is announced by one warning line in the log.
/// Waiting takes no thread: the attempt is queued on the client's I/O loop
/// to start when its wait is over, and a client going away ends it at once.
struct RetryPolicy {
  /// Attempts in all, the first one included; 1 (or less) sends once.
  int maxAttempts = 4;
  /// The ceiling of the first wait; it doubles with each further attempt.
  std::chrono::milliseconds baseDelay{250};
  /// The longest wait, also for a server's `Retry-After`.
  std::chrono::milliseconds maxDelay{8000};

  /// The default: four attempts, waits from 250 ms up to 8 s.
  static RetryPolicy standard() { return RetryPolicy{}; }
  /// Exactly one attempt: nothing is ever sent again.
  static RetryPolicy none() { return RetryPolicy{1, std::chrono::milliseconds(0), std::chrono::milliseconds(0)}; }
};

}  // namespace quillbox
