#include "quillbox/request/HTTPMethod.hpp"

#include <array>

#include "quillbox/request/NetworkResult.hpp"

namespace quillbox {

namespace {
constexpr std::array<std::string_view, 5> kRaw = {"GET", "POST", "PUT", "DELETE", "PATCH"};
}

std::string_view rawValue(HTTPMethod method) { return kRaw.at(static_cast<std::size_t>(method)); }

std::optional<HTTPMethod> httpMethodFromRaw(std::string_view raw) {
  for (std::size_t i = 0; i < kRaw.size(); ++i) {
    if (kRaw[i] == raw) return static_cast<HTTPMethod>(i);
  }
  return std::nullopt;
}

std::optional<HTTPMethod> httpMethodFromIndex(int index) {
  if (index < 0 || index >= static_cast<int>(kRaw.size())) return std::nullopt;
  return static_cast<HTTPMethod>(index);
}

std::string NetworkError::description() const {
  switch (kind_) {
    case Kind::statusCode: return "statusCode(" + std::to_string(status_) + ")";
    case Kind::decodingError: return "decodingError(" + detail_ + ")";
    case Kind::unknown: return "unknown(" + detail_ + ")";
    case Kind::invalidURL: return "invalidURL";
    case Kind::invalidResponse: return "invalidResponse";
  }
  return "unknown";
}

}  // namespace quillbox
