#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quillbox::download {

/// Where an interrupted download can continue: the partial file next to the
/// destination, how many of its bytes are good, and the validator of the
/// answer they came from.
struct ResumeToken {
  std::string url;
  std::string validator;  // an ETag or a Last-Modified date, as the server sent it; may be empty
  std::int64_t offset = 0;
  std::filesystem::path partialFile;

  friend bool operator==(const ResumeToken&, const ResumeToken&) = default;
};

/// Binary layout, all integers big-endian:
///   "QBRD", version (1 byte),
///   url, validator, partial file path: each a 4-byte length and the bytes,
///   offset (8 bytes),
///   FNV-1a 64 of everything before it (8 bytes).
std::vector<std::uint8_t> encodeResumeToken(const ResumeToken& token);

/// The token, or why the bytes are not one.
std::variant<ResumeToken, std::string> decodeResumeToken(std::span<const std::uint8_t> bytes);

}  // namespace quillbox::download
