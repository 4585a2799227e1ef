#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::util {

using Sha256Digest = std::array<unsigned char, 32>;

/// SHA-256 of `bytes` (OpenSSL); nullopt only when OpenSSL fails.
std::optional<Sha256Digest> sha256(std::string_view bytes);

/// Each byte as two lower-case hex digits.
std::string toHex(const unsigned char* data, std::size_t size);
inline std::string toHex(const Sha256Digest& d) { return toHex(d.data(), d.size()); }

}  // namespace quillbox::util
