#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillbox {

/// The host's description of a file to upload, asked for once per upload,
/// on the thread that calls uploadFile, before anything is sent.
class ISliceFile {
 public:
  virtual ~ISliceFile() = default;

  /// The JSON form of a Sha256Result for `file` (see Sha256Result.hpp), or
  /// nullopt when the file cannot be described; the upload then fails.
  virtual std::optional<std::string> calcSha256(const std::filesystem::path& file) = 0;
};

}  // namespace quillbox
