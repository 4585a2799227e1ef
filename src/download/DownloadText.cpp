#include "download/DownloadText.hpp"

#include <charconv>

namespace quillbox::download {

std::string formatFraction(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  if (text.find_first_of(".eni") == std::string::npos) text += ".0";  // "1" → "1.0"; not "inf"/"nan"
  return text;
}

std::string_view withoutQuery(std::string_view url) {
  return url.substr(0, url.find_first_of("?#"));
}

std::string lastPathComponent(std::string_view url) {
  std::string_view rest = withoutQuery(url);
  if (const auto scheme = rest.find("://"); scheme != std::string_view::npos) {
    rest.remove_prefix(scheme + 3);
    const auto slash = rest.find('/');
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  while (rest.size() > 1 && rest.back() == '/') rest.remove_suffix(1);
  if (rest.empty() || rest == "/") return "/";
  std::string_view segment = rest.substr(rest.rfind('/') + 1);

  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string decoded;
  decoded.reserve(segment.size());
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && hex(segment[i + 1]) >= 0 && hex(segment[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(hex(segment[i + 1]) * 16 + hex(segment[i + 2])));
      i += 2;
    } else {
      decoded.push_back(segment[i]);
    }
  }
  return decoded;
}

}  // namespace quillbox::download
