#include "transport/BaseOptions.hpp"

#include <algorithm>

namespace quillbox::transport {

void applyBaseOptions(CURL* h, const TransportOptions& options, Kind kind) {
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // Pre-signed URLs and encoded paths go out exactly as built: no collapsing
  // of "." and ".." segments.
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));

  const bool download = kind == Kind::download;
  const auto connect = download ? options.downloadConnectTimeout : options.connectTimeout;
  const auto stall = download ? options.downloadStallTimeout : options.stallTimeout;
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connect.count()));
  // A stall rule instead of a total time-out: less than one byte a second for
  // that long fails the transfer. A service call's loop keeps it instead
  // (CurlTransfer::setStallLimit): libcurl's rule costs a small call dearly.
  if (kind != Kind::apiCall) {
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stall.count()));
  }

  switch (kind) {
    case Kind::apiCall:
      // Many small calls share one HTTP/2 connection instead of opening one
      // each.
      curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
      curl_easy_setopt(h, CURLOPT_PIPEWAIT, 1L);
      // A peer that answers with something other than HTTP is reported as
      // such (status 0) instead of as a transport error.
      curl_easy_setopt(h, CURLOPT_HTTP09_ALLOWED, 1L);
      break;
    case Kind::partPut:
      curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
      curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, options.uploadBufferSize);
      break;
    case Kind::download: {
      curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
      long receiveBuffer = options.downloadBufferSize;
      if (options.downloadMaxBytesPerSecond > 0) {
        // libcurl may read many buffers in a row before it looks at the rate
        // again: small buffers keep a capped transfer smooth.
        curl_easy_setopt(h, CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(options.downloadMaxBytesPerSecond));
        receiveBuffer = static_cast<long>(
            std::clamp<std::int64_t>(options.downloadMaxBytesPerSecond / 256, 1024, options.downloadBufferSize));
      }
      curl_easy_setopt(h, CURLOPT_BUFFERSIZE, receiveBuffer);
      curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
      curl_easy_setopt(h, CURLOPT_MAXREDIRS, options.downloadMaxRedirects);
      curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
      break;
    }
  }
}

}  // namespace quillbox::transport
