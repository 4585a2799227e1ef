#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::request {

/// Percent-encodes everything but the RFC 3986 unreserved characters, so a
/// value can never add a query item or a path segment. "." and ".." become
/// "%2E" and "%2E%2E" so that they are never read as dot segments.
std::string encodePathSegment(std::string_view value);
std::string encodeQueryValue(std::string_view value);

/// True when an id that names a path segment is there and not empty: an
/// empty one would address the enclosing collection instead.
inline bool isUsableSegment(const std::optional<std::string>& id) { return id && !id->empty(); }

/// Builds a query string ("a=1&b=x") item by item, encoding each value.
class QueryBuilder {
 public:
  QueryBuilder& add(std::string_view name, std::string_view value);
  QueryBuilder& add(std::string_view name, const char* value) { return add(name, std::string_view(value)); }
  QueryBuilder& add(std::string_view name, std::int64_t value);
  /// "true" or "false". Only a real bool gets here: a pointer or a number
  /// must not silently turn into one.
  template <class B>
    requires std::same_as<B, bool>
  QueryBuilder& add(std::string_view name, B value) {
    return add(name, std::string_view(value ? "true" : "false"));
  }
  const std::string& str() const { return query_; }

 private:
  std::string query_;
};

}  // namespace quillbox::request
