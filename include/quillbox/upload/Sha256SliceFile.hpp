#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "quillbox/upload/ISliceFile.hpp"
#include "quillbox/upload/Sha256Result.hpp"

namespace quillbox {

/// An ISliceFile a host can use as it is. One pass over the file gives:
/// - "hash": the SHA-256 of the whole file, in lower-case hex;
/// - "parts": the file cut into parts of partSize() bytes (the last one
///   shorter; none for an empty file), numbered from 1;
/// - each part's "hashCtx": the eight 32-bit words of the SHA-256 state
///   after every byte before the part (for the first part, the initial
///   state), so a server can check a part without the bytes before it;
/// - "mimeType": the MIME type of the file name's extension.
/// It may be used from several threads at once.
class Sha256SliceFile : public ISliceFile {
 public:
  /// The part size when none is given: 8 MiB.
  static constexpr std::int64_t kDefaultPartSize = 8 << 20;

  /// `partSize` is rounded up to a multiple of 64 bytes (the SHA-256 block),
  /// so that every part starts on a block boundary; at least 64.
  explicit Sha256SliceFile(std::int64_t partSize = kDefaultPartSize);

  /// The part size in use, after rounding.
  std::int64_t partSize() const { return partSize_; }

  /// toJson(describe(file)), or nullopt when the file cannot be read.
  std::optional<std::string> calcSha256(const std::filesystem::path& file) override;
  /// The file's hash and parts as a record, or nullopt when the file cannot be read.
  std::optional<Sha256Result> describe(const std::filesystem::path& file) const;

 private:
  std::int64_t partSize_;
};

}  // namespace quillbox
