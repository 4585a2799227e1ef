#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox {

/// The category of a file, as the drive groups them.
enum class FileType { folder, picture, video, word, excel, ppt, audio, archive, application, pdf, other };

/// "folder", "picture", "video", "word", "excel", "ppt", "audio", "archive",
/// "application", "pdf" or "other".
std::string_view rawValue(FileType type);
/// The type whose raw value is exactly `raw` (case-sensitive), if any.
std::optional<FileType> fileTypeFromRaw(std::string_view raw);
/// The two-digit code sent to the server: "10" folder, "15" picture,
/// "20" video, "26" word, "27" excel, "28" ppt, "30" audio, "35" archive,
/// "40" application, "45" pdf and other.
std::string_view categoryCode(FileType type);

/// The category of a file by the extension of its name (the text after the
/// last dot of the last path component, exact case: "jpg" is a picture,
/// "JPG" is not); `other` for an extension the table does not list and for a
/// name without one. The upload sends its category code.
FileType fileTypeOf(const std::filesystem::path& file);
/// The MIME type of an extension (without the dot, any letter case), from the
/// table compiled in from the system's mime.types;
/// "application/octet-stream" when it is not listed.
std::string mimeTypeOf(std::string_view extension);

}  // namespace quillbox
