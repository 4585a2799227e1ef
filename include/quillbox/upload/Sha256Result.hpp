#pragma once
// What a host's ISliceFile says about a file: its SHA-256 and the parts it
// proposes. The records convert to and from JSON with quillbox::toJson and
// quillbox::fromJson (include <quillbox/request/Json.hpp>).

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillbox {

/// One proposed part: JSON keys "partNumber", "partOffset", "partSize" and
/// the optional "hashCtx" (integers 0 to 4294967295, passed to the server
/// unchanged).
struct PartInfo {
  std::int64_t partNumber = 0;  ///< not used: parts are numbered by position
  std::int64_t partOffset = 0;  ///< first byte of the part
  std::int64_t partSize = 0;    ///< bytes in the part
  /// The SHA-256 state before the part's first byte, as eight 32-bit words (see Sha256SliceFile).
  std::optional<std::vector<std::uint32_t>> hashCtx;

  PartInfo() = default;
  /// All four fields at once.
  PartInfo(std::int64_t partNumber, std::int64_t partOffset, std::int64_t partSize,
           std::optional<std::vector<std::uint32_t>> hashCtx)
      : partNumber(partNumber), partOffset(partOffset), partSize(partSize), hashCtx(std::move(hashCtx)) {}

  /// Field by field.
  friend bool operator==(const PartInfo&, const PartInfo&) = default;
};

/// The JSON text ISliceFile::calcSha256 returns: "mimeType" (optional),
/// "size", "hash" (sent to the server unchanged) and "parts" (may be empty).
struct Sha256Result {
  std::optional<std::string> mimeType;  ///< the file's MIME type; not used: the upload derives it from the name
  std::int64_t size = 0;  ///< not used: the size sent is read from the file system
  std::string hash;             ///< the whole file's SHA-256 in hex, sent as the create request's "sha256"
  std::vector<PartInfo> parts;  ///< the proposed parts in file order; empty lets the server plan them

  Sha256Result() = default;
  /// All four fields at once.
  Sha256Result(std::optional<std::string> mimeType, std::int64_t size, std::string hash, std::vector<PartInfo> parts)
      : mimeType(std::move(mimeType)), size(size), hash(std::move(hash)), parts(std::move(parts)) {}

  /// Field by field.
  friend bool operator==(const Sha256Result&, const Sha256Result&) = default;
};

/// A part with the same JSON keys as PartInfo and a wider `hashCtx`. Kept
/// for hosts; the upload neither produces nor reads it.
struct FilePartInfo {
  std::int64_t partNumber = 0;                       ///< the part's number, from 1
  std::int64_t partSize = 0;                         ///< bytes in the part
  std::int64_t partOffset = 0;                       ///< first byte of the part
  std::optional<std::vector<std::int64_t>> hashCtx;  ///< as PartInfo::hashCtx

  FilePartInfo() = default;

  /// Field by field.
  friend bool operator==(const FilePartInfo&, const FilePartInfo&) = default;
};

}  // namespace quillbox
