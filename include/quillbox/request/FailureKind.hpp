#pragma once

#include <string_view>

namespace quillbox {

/// How a service call, an upload or a download failed, beside the code and
/// message the host receives (which stay what they have always been). A host
/// branches on the kind; the code and message are for people.
enum class FailureKind {
  none,            ///< it did not fail
  invalidRequest,  ///< the request could not be built (a host or path that makes no URL, a missing argument)
  connect,         ///< no connection could be made (refused, unreachable, no answer to the connection attempt)
  nameResolution,  ///< the host name did not resolve
  tls,             ///< the TLS handshake or the server's certificate failed
  timeout,         ///< a time-out: the transfer stalled, or the call's deadline passed
  reset,           ///< the connection broke: reset, closed early, or an answer cut short
  httpStatus,      ///< the server answered with a status outside 200-299
  undecodable,     ///< the answer arrived but was not what the operation expects
  cancelled,       ///< cancelled by the host, or by its client going away
  localFile,       ///< a local file could not be opened, read or written
  other,           ///< anything else; the message says what
};

/// A few words for the kind, for messages and logs: "connection refused or
/// unreachable", "timed out", ...; "" for `none`.
std::string_view describe(FailureKind kind);

}  // namespace quillbox
