#pragma once

#include <string>
#include <string_view>

namespace quillbox::request {

/// The text that stands in for a secret in a log line.
inline constexpr std::string_view kMasked = "***";

/// Whether values under this JSON key are secrets: session
/// tokens, sign-in and share codes, passwords, proof codes, wrapped file
/// keys, signatures and the signed headers and form fields of an address.
/// Names are compared without regard to case.
bool isSecretKey(std::string_view name);

/// The URL with every query value replaced by the mask (pre-signed URLs carry
/// their signature in the query). Names stay, so the line is still useful.
std::string maskUrlQuery(std::string_view url);

/// A JSON text with the value of every secret key masked at any depth, and
/// the query values of every http(s) URL in it masked (pre-signed addresses).
/// Text that is not a whole JSON document (an answer cut short, say) is
/// scanned for the same key-value pairs and URLs as far as it goes; text that
/// holds neither comes back unchanged.
std::string maskJsonSecrets(std::string_view body);

/// A body as it may be logged: secrets masked, and cut after
/// kMaxLoggedBody bytes (with a note of the full size) so that one answer
/// cannot flood the log.
std::string loggableBody(std::string_view body);
inline constexpr std::size_t kMaxLoggedBody = 16 * 1024;

/// The header value as it may be logged: in clear for the known headers that
/// carry nothing secret (Content-Type, Range, X-Traceid, ...), masked for any
/// other. Names are compared without regard to case.
std::string_view loggableHeaderValue(std::string_view name, std::string_view value);

}  // namespace quillbox::request
