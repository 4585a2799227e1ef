#include "quillbox/upload/FileType.hpp"

#include <array>
#include <utility>

namespace quillbox {

namespace {

struct TypeInfo {
  FileType type;
  std::string_view raw;
  std::string_view code;
};

constexpr std::array<TypeInfo, 11> kTypes{{
    {FileType::folder, "folder", "10"},
    {FileType::picture, "picture", "15"},
    {FileType::video, "video", "20"},
    {FileType::word, "word", "26"},
    {FileType::excel, "excel", "27"},
    {FileType::ppt, "ppt", "28"},
    {FileType::audio, "audio", "30"},
    {FileType::archive, "archive", "35"},
    {FileType::application, "application", "40"},
    {FileType::pdf, "pdf", "45"},
    {FileType::other, "other", "45"},
}};

const TypeInfo& info(FileType type) { return kTypes.at(static_cast<std::size_t>(type)); }

}  // namespace

std::string_view rawValue(FileType type) { return info(type).raw; }

std::string_view categoryCode(FileType type) { return info(type).code; }

std::optional<FileType> fileTypeFromRaw(std::string_view raw) {
  for (const auto& t : kTypes) {
    if (t.raw == raw) return t.type;
  }
  return std::nullopt;
}

}  // namespace quillbox
