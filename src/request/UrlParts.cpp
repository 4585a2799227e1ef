#include "request/UrlParts.hpp"

#include <curl/curl.h>

#include <memory>

namespace quillbox::request {

std::string encodeQueryValue(std::string_view value) {
  if (value.empty()) return {};
  // libcurl ignores the handle argument; RFC 3986 escaping, upper-case hex.
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(nullptr, value.data(), static_cast<int>(value.size())), &curl_free);
  return escaped ? std::string(escaped.get()) : std::string();
}

std::string encodePathSegment(std::string_view value) {
  if (value == ".") return "%2E";
  if (value == "..") return "%2E%2E";
  return encodeQueryValue(value);
}

QueryBuilder& QueryBuilder::add(std::string_view name, std::string_view value) {
  if (!query_.empty()) query_ += '&';
  query_.append(name).append("=").append(encodeQueryValue(value));
  return *this;
}

QueryBuilder& QueryBuilder::add(std::string_view name, std::int64_t value) {
  return add(name, std::string_view(std::to_string(value)));
}


}  // namespace quillbox::request
