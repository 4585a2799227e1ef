#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quillbox/request/FailureKind.hpp"
#include "quillbox/request/HTTPMethod.hpp"
#include "transport/CurlLoop.hpp"
#include "transport/TransportOptions.hpp"
#include "util/ThreadPool.hpp"

namespace quillbox::transport {

using HeaderMap = std::map<std::string, std::string>;

/// Request headers as they go out: "Name: value" lines, each ended by a NUL,
/// in one string. A transfer links the lines for libcurl in place, with no
/// allocation per line.
class HeaderLines {
 public:
  /// A value is cut at its first CR, LF or NUL: what follows would go out
  /// as a header line of its own (a token from the host, say, could inject
  /// one).
  void add(std::string_view name, std::string_view value) {
    auto breaksLine = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    const auto cut = std::find_if(value.begin(), value.end(), breaksLine);
    value = value.substr(0, static_cast<std::size_t>(cut - value.begin()));
    text_.append(name).append(": ").append(value).push_back('\0');
  }
  /// Calls f(name, value) for each header, in the order added.
  template <class F>
  void forEach(F&& f) const {
    for (std::size_t at = 0; at < text_.size();) {
      const std::size_t end = text_.find('\0', at);
      const std::string_view line(text_.data() + at, end - at);
      const std::size_t colon = line.find(": ");
      f(line.substr(0, colon), line.substr(colon + 2));
      at = end + 1;
    }
  }
  const std::string& text() const { return text_; }
  void reserve(std::size_t bytes) { text_.reserve(bytes); }

 private:
  std::string text_;
};

/// What one exchange produced, before any interpretation.
struct HttpResult {
  /// Set when the exchange failed below HTTP (no connection, time-out, TLS,
  /// a reset or a body cut short, "cancelled"): libcurl's description.
  std::optional<std::string> transportError;
  /// The HTTP status; 0 when the peer's answer was not an HTTP response.
  long status = 0;
  std::string body;

  // What decides whether the exchange may be sent again; beside the text
  // above, which stays what the host sees.

  /// libcurl's result (CURLE_OK also for an error status).
  CURLcode code = CURLE_OK;
  /// Ended by a cancel or by the client going away, not by the peer.
  bool cancelled = false;
  /// Some of the request (its head at least) went out.
  bool requestSent = false;
  /// The answer's body was refused for being larger than the client takes.
  bool bodyTooLarge = false;
  /// The wait a `Retry-After` header asked for (delta-seconds, or an HTTP
  /// date counted from now), when the answer had one.
  std::optional<std::chrono::seconds> retryAfter;
};

/// One service request on a loop: sends its body, gathers the answer (up to
/// the options' cap) and hands the result to `completion` on the callback
/// executor, exactly once.
class DataTransfer final : public CurlTransfer, public std::enable_shared_from_this<DataTransfer> {
 public:
  DataTransfer(util::ThreadPool& callbacks, std::function<void(HttpResult)> completion)
      : CurlTransfer(/*reuseHandle=*/true), callbacks_(callbacks), completion_(std::move(completion)) {}

  /// Sets up the handle: the base options of an API call, `url` as given,
  /// the method, `headers` and `body` (never sent with GET).
  /// The exchange ends with a time-out at `endBy`. `optionsTag` names
  /// `options` (the same tag, the same options): a handle that carries them
  /// already is not given them again.
  void configure(const TransportOptions& options, std::uint64_t optionsTag, const std::string& url, HTTPMethod method,
                 const HeaderLines& headers, const std::optional<std::string>& body,
                 std::chrono::steady_clock::time_point endBy = std::chrono::steady_clock::time_point::max());

  void finished(CURLcode rc, bool cancelled) override;

 private:
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);

  util::ThreadPool& callbacks_;
  std::function<void(HttpResult)> completion_;
  std::size_t maxBody_ = 0;
  std::string body_;
  std::string received_;
  bool tooLarge_ = false;
  std::string headerText_;                // the request's header lines
  std::vector<curl_slist> headerNodes_;  // libcurl's list over them
  HttpResult result_;                     // from finished() to the completion
};

/// What decides whether an ended attempt may be sent again: libcurl's
/// result, whether it was cancelled, whether its request went out and, when
/// an answer arrived, its status and the wait its `Retry-After` header asked
/// for (libcurl reads delta-seconds and HTTP dates alike; at most a day).
/// The caller adds the texts.
HttpResult endOfAttempt(CURL* easy, CURLcode rc, bool cancelled);

/// The kind of failure an ended attempt is: from libcurl's result, the
/// cancel flag and the status (`none` for a 2xx answer). A write or read
/// callback that refused bytes is `other`: only its owner knows why.
FailureKind failureKind(const HttpResult& result);

/// host + path as one URL, with `queryItems` replacing the query when given;
/// nothing when the text is not a URL.
std::optional<std::string> composeUrl(const std::string& text, const std::optional<HeaderMap>& queryItems);
/// The same, with libcurl parsing the whole text every time.
std::optional<std::string> composeUrlThroughParser(const std::string& text, const std::optional<HeaderMap>& queryItems);

}  // namespace quillbox::transport
