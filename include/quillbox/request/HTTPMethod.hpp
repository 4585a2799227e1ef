#pragma once

#include <optional>
#include <string_view>

namespace quillbox {

/// Request methods, in the order of their indices 0 to 4.
enum class HTTPMethod { get, post, put, delete_, patch };

/// The method as it goes on the wire: "GET", "POST", "PUT", "DELETE", "PATCH".
std::string_view rawValue(HTTPMethod method);
/// The method whose wire text is exactly `raw` (case-sensitive), if any.
std::optional<HTTPMethod> httpMethodFromRaw(std::string_view raw);
/// The method with index 0 to 4, if any.
std::optional<HTTPMethod> httpMethodFromIndex(int index);

}  // namespace quillbox
