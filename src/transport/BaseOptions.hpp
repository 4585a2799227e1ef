#pragma once

#include <curl/curl.h>

#include "transport/TransportOptions.hpp"

namespace quillbox::transport {

/// What a transfer is for; it decides the HTTP version, the time-outs and
/// the buffer sizes.
enum class Kind {
  apiCall,  ///< a service request: HTTP/2 over TLS when offered, small bodies
  partPut,  ///< a part PUT to a pre-signed URL: HTTP/1.1, streamed body
  download  ///< a GET of file content: HTTP/1.1, large body
};

/// Sets every libcurl option the three kinds of transfer share: the
/// protocols (http and https only, redirects too), the URL used exactly as
/// given, TLS 1.2 or later, no signals, the connect time-out, the stall rule,
/// the HTTP version and the buffer sizes of the kind. The transfer adds its
/// own (URL, method, headers, callbacks).
void applyBaseOptions(CURL* easy, const TransportOptions& options, Kind kind);

}  // namespace quillbox::transport
