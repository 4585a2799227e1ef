#pragma once
// Small helpers shared by the service's source files.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "emulator/Http.hpp"
#include "emulator/Core.hpp"
#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/Json.hpp"

namespace quillbox::emulator {

// Where each area's paths begin.
inline constexpr std::string_view kApiPrefix = "/quillbox/ose/v1/";
inline constexpr std::string_view kControlPrefix = "/_emulator/";
inline constexpr std::string_view kUploadPrefix = "/_upload/";
inline constexpr std::string_view kDownloadPrefix = "/_download/";
inline constexpr std::string_view kSharePrefix = "/s/";

inline constexpr Millis kYear = 365LL * 24 * 3600 * 1000;

// Job task types and statuses.
inline constexpr std::int64_t kCopy = 1, kMove = 2;
inline constexpr std::int64_t kWaiting = 0, kRunning = 1, kSucceeded = 2, kFailed = 3, kCancelled = 4;

/// "2024-05-01T12:00:00.000Z"
std::string isoTime(Millis ms);
/// "Wed, 01 May 2024 12:00:00 GMT"
std::string httpDate(Millis ms);
/// Reads isoTime()'s form (fraction optional) or a plain number of milliseconds.
std::optional<Millis> parseTime(std::string_view text);

/// Percent-decodes one path segment or query value; nullopt for a bad escape.
std::optional<std::string> percentDecode(std::string_view text);
/// RFC 3986 escaping of one value (unreserved characters stay).
std::string percentEncode(std::string_view text);

bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

/// An answer carrying `record` with code 0 and "success".
template <class R>
HttpResponse ok(R record) {
  record.code = 0;
  record.msg = std::string("success");
  HttpResponse r;
  r.body = toJson(record);
  return r;
}

inline HttpResponse errorResponse(unsigned status, const std::string& msg) {
  return errorEnvelope(status, static_cast<std::int64_t>(status), msg);
}

/// The request's JSON body as the record `B`, or a 400 that names the key.
template <class B>
B bodyAs(const HttpRequest& req) {
  if (req.body.empty()) throw ApiError{400, "a JSON body is required"};
  auto result = fromJson<B>(req.body);
  if (!result) throw ApiError{400, "invalid request body: " + result.error().description()};
  return std::move(result).value();
}

/// A page of `total` items: [first, last) and the cursor of the next page.
struct Page {
  std::size_t first = 0;
  std::size_t last = 0;
  std::optional<std::string> next;
};
/// `pageSize` 0 (or absent) takes `fallback`; above 1000 is 1000; negative is a 400.
/// The cursor is the offset of the page in decimal; anything else is a 400.
Page paginate(std::size_t total, std::optional<std::int64_t> pageSize, const std::optional<std::string>& cursor,
              std::int64_t fallback);

/// An integer query item: absent gives `fallback`; not a decimal integer is a 400.
std::optional<std::int64_t> queryInt(const std::map<std::string, std::string, std::less<>>& q, std::string_view key);
std::optional<std::string> queryText(const std::map<std::string, std::string, std::less<>>& q, std::string_view key);

/// The part of a name after its last dot ("" when there is none).
std::string suffixOf(const std::string& name);
/// The file type code of a name's extension.
std::string fileTypeCode(const std::string& name);
/// The MIME type of a name's extension ("application/octet-stream" when unknown).
std::string mimeTypeOfName(const std::string& name);

}  // namespace quillbox::emulator
