#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "quillbox/upload/FileType.hpp"

namespace quillbox::upload {

/// The two descriptive fields of a create request, derived from the file's
/// name alone.
class FileInfoUtil {
 public:
  FileInfoUtil() = delete;

  /// The category code of the name's extension (exact, case-sensitive
  /// match: "jpg" is a picture, "JPG" is not); "45" for every extension the
  /// table does not list, and for a name without one.
  static std::string getFileTypeCode(const std::filesystem::path& file);
  /// The category behind getFileTypeCode (`other` when not listed).
  static FileType getFileType(const std::filesystem::path& file);

  /// The MIME type of an extension (without the dot, any letter case), from
  /// the table compiled in from the system's mime.types;
  /// "application/octet-stream" when it is not listed.
  static std::string getMimeType(std::string_view extension);

  /// The part of the last path component after its last dot; empty when
  /// it has no dot.
  static std::string pathExtension(const std::filesystem::path& file);
};

}  // namespace quillbox::upload
