#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillbox::util {

/// RFC 4648 Base64 with padding.
std::string base64Encode(std::string_view bytes);
/// Strict decoding: the standard alphabet, padded to a multiple of four, no
/// whitespace. Nullopt for anything else.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace quillbox::util
