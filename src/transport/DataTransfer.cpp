#include "transport/DataTransfer.hpp"

#include <algorithm>
#include <cctype>
#include <memory>

#include "transport/BaseOptions.hpp"

namespace quillbox::transport {

void DataTransfer::configure(const TransportOptions& options, std::uint64_t optionsTag, const std::string& url,
                             HTTPMethod method, const HeaderLines& headers, const std::optional<std::string>& body,
                             std::chrono::steady_clock::time_point endBy) {
  // The handle may come from an earlier call with everything it set: what
  // any call sets is set here on every call, to this call's value or back to
  // libcurl's default. The base options are the same for every call of a
  // transport: a handle set up by one of its calls keeps them.
  CURL* h = easy();
  if (!setUpFor(optionsTag)) applyBaseOptions(h, options, Kind::apiCall);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, 0L);  // no limit, unless the loop sets one from endBy
  setEndBy(endBy);
  setStallLimit(options.stallTimeout);
  maxBody_ = options.maxResponseBody;
  // Most answers fit: one allocation, here rather than on the I/O thread.
  // Under 1 KiB, as glibc serves 1 KiB and more by a slower path that also
  // consolidates its free chunks every time.
  received_.reserve(std::min<std::size_t>(maxBody_, 512));
  setUrl(url);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DataTransfer::onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);

  if (method == HTTPMethod::get) {
    // In this order: a body pointer of an earlier call would make it a POST.
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 0L);
  } else {
    // libcurl sends a request once more, unasked, when a connection it
    // reused dies before any byte of the answer; the server may have acted
    // on it by then (a second folder, share or job). On a connection of its
    // own a request is never sent twice.
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, std::string(rawValue(method)).c_str());
    if (body) body_ = *body;
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body_.data());
  }

  // libcurl would otherwise add "Expect: 100-continue" to larger bodies and
  // wait for a peer that may never answer it.
  static constexpr std::string_view kNoExpect("Expect:\0", 8);
  headerText_.reserve(headers.text().size() + kNoExpect.size());
  headerText_.append(headers.text()).append(kNoExpect);
  // The lines link in place: libcurl only reads the list, which lives as
  // long as the transfer.
  headerNodes_.reserve(static_cast<std::size_t>(std::count(headerText_.begin(), headerText_.end(), '\0')));
  for (std::size_t at = 0; at < headerText_.size(); at = headerText_.find('\0', at) + 1) {
    headerNodes_.push_back(curl_slist{headerText_.data() + at, nullptr});
  }
  for (std::size_t i = 1; i < headerNodes_.size(); ++i) headerNodes_[i - 1].next = &headerNodes_[i];
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerNodes_.data());
}

void DataTransfer::finished(CURLcode rc, bool cancelled) {
  HttpResult result = endOfAttempt(easy(), rc, cancelled);
  if (cancelled) {
    result.transportError = "cancelled";
  } else if (tooLarge_) {
    result.bodyTooLarge = true;
    result.transportError = "response body larger than " + std::to_string(maxBody_) + " bytes";
  } else if (rc != CURLE_OK) {
    result.transportError = errorText(rc);
  }
  result.body = std::move(received_);
  // The result waits in the transfer, and the transfer goes with its
  // completion: the job fits in std::function without an allocation, and
  // what the transfer holds is freed on the callback thread that allocated
  // most of it, not on the I/O thread.
  result_ = std::move(result);
  callbacks_.post([self = shared_from_this()] { self->completion_(std::move(self->result_)); });
}

std::size_t DataTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* t = static_cast<DataTransfer*>(self);
  const std::size_t n = size * count;
  if (t->received_.size() + n > t->maxBody_) {
    t->tooLarge_ = true;
    return 0;  // ends the transfer with a write error
  }
  t->received_.append(data, n);
  return n;
}

HttpResult endOfAttempt(CURL* easy, CURLcode rc, bool cancelled) {
  HttpResult result;
  result.code = rc;
  result.cancelled = cancelled;
  long requestSize = 0;
  curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestSize);
  result.requestSent = requestSize > 0;
  if (cancelled || rc != CURLE_OK) return result;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &result.status);
  // 0 when there was none (or the date has passed).
  curl_off_t retryAfter = 0;
  if (curl_easy_getinfo(easy, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK && retryAfter > 0) {
    // A day is more than any wait a retry honours; the rest is a broken peer.
    result.retryAfter = std::chrono::seconds(std::min<curl_off_t>(retryAfter, 24 * 3600));
  }
  return result;
}

FailureKind failureKind(const HttpResult& result) {
  if (result.cancelled) return FailureKind::cancelled;
  switch (result.code) {
    case CURLE_OK:
      return result.status >= 200 && result.status < 300 ? FailureKind::none : FailureKind::httpStatus;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return FailureKind::invalidRequest;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return FailureKind::nameResolution;
    case CURLE_COULDNT_CONNECT:
      return FailureKind::connect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return FailureKind::tls;
    case CURLE_OPERATION_TIMEDOUT:
      return FailureKind::timeout;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return FailureKind::reset;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      return FailureKind::undecodable;
    case CURLE_ABORTED_BY_CALLBACK:
      return FailureKind::cancelled;
    default:
      return FailureKind::other;
  }
}

std::optional<std::string> composeUrlThroughParser(const std::string& text, const std::optional<HeaderMap>& queryItems) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) return std::nullopt;
  if (queryItems) {
    std::string query;
    for (const auto& [name, value] : *queryItems) {
      if (!query.empty()) query += '&';
      query += name + "=" + value;
    }
    if (curl_url_set(url.get(), CURLUPART_QUERY, query.empty() ? nullptr : query.c_str(), 0) != CURLUE_OK) {
      return std::nullopt;
    }
  }
  char* out = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &out, 0) != CURLUE_OK) return std::nullopt;
  std::string composed(out);
  curl_free(out);
  return composed;
}

namespace {

/// Whether `rest` (a path with its query) holds only characters a URL
/// carries as they are, so that libcurl's parser would hand it back
/// unchanged.
bool plainPathAndQuery(std::string_view rest) {
  static constexpr std::string_view kAsIs = "-._~!$&'()*+,;=:@/?";
  if (rest.empty() || rest.front() != '/' || rest.back() == '?') return false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if (std::isalnum(c) || kAsIs.find(static_cast<char>(c)) != std::string_view::npos) continue;
    if (c == '%' && i + 2 < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(rest[i + 2]))) {
      i += 2;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> composeUrl(const std::string& text, const std::optional<HeaderMap>& queryItems) {
  // Every service call goes to the same host with a path built from encoded
  // values: the host is checked by libcurl once per thread, and a plain path
  // is appended to it as it is, which is what libcurl's parser would give
  // back (a unit test holds the two side by side).
  const std::size_t scheme = text.find("://");
  const std::size_t pathStart = scheme == std::string::npos ? scheme : text.find_first_of("/?#", scheme + 3);
  if (queryItems || pathStart == std::string::npos || !plainPathAndQuery(std::string_view(text).substr(pathStart))) {
    return composeUrlThroughParser(text, queryItems);
  }
  thread_local std::string lastOrigin;
  thread_local std::string lastCanonical;
  const std::string_view origin = std::string_view(text).substr(0, pathStart);
  if (lastOrigin.empty() || origin != lastOrigin) {
    std::optional<std::string> canonical = composeUrlThroughParser(std::string(origin) + "/", std::nullopt);
    if (!canonical || canonical->empty() || canonical->back() != '/') return composeUrlThroughParser(text, std::nullopt);
    canonical->pop_back();
    lastOrigin = origin;
    lastCanonical = std::move(*canonical);
  }
  std::string composed;
  composed.reserve(lastCanonical.size() + text.size() - pathStart);
  composed.append(lastCanonical).append(text, pathStart);
  return composed;
}

}  // namespace quillbox::transport
