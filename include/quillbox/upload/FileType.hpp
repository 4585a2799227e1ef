#pragma once

#include <optional>
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

}  // namespace quillbox
