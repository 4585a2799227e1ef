#include "upload/FileInfoUtil.hpp"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "quillbox/upload/FileType.hpp"
#include "upload/MimeTable.hpp"

namespace quillbox::upload {

namespace {

using ExtensionTable = std::unordered_map<std::string_view, FileType>;

struct Group {
  FileType type;
  const char* extensions;  // separated by spaces
};

constexpr Group kGroups[] = {
    {FileType::picture, "jpeg jpg png jpe webp gif heic bmp tif apng tga arw ico avif"},
    {FileType::video, "mov mp4 mpg4 wmv m4u 3gp m4v ts asf mkv avi rmvb asx h.264 hevc prores"},
    {FileType::word, "doc docx"},
    {FileType::excel, "xls xlsx"},
    {FileType::ppt, "ppt pptx"},
    {FileType::audio, "mp3 m3u m4a m4b m4p mp2 mpga ogg wav wma flac aac ape"},
    {FileType::archive, "zip rar"},
    {FileType::application, "apk ipa mpkg"},
    {FileType::pdf, "pdf"},
};

const ExtensionTable& extensionTable() {
  // Built once, on first use; read-only afterwards. Never destroyed, so an
  // upload still running while the process exits can read it.
  static const ExtensionTable& table = *new ExtensionTable([] {
    ExtensionTable t;
    for (const Group& g : kGroups) {
      std::string_view list = g.extensions;
      while (!list.empty()) {
        const auto space = list.find(' ');
        t.emplace(list.substr(0, space), g.type);
        list = space == std::string_view::npos ? std::string_view() : list.substr(space + 1);
      }
    }
    return t;
  }());
  return table;
}

}  // namespace

std::string FileInfoUtil::pathExtension(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

FileType FileInfoUtil::getFileType(const std::filesystem::path& file) {
  const auto& table = extensionTable();
  auto it = table.find(pathExtension(file));
  return it == table.end() ? FileType::other : it->second;
}

std::string FileInfoUtil::getFileTypeCode(const std::filesystem::path& file) {
  return std::string(categoryCode(getFileType(file)));
}

std::string FileInfoUtil::getMimeType(std::string_view extension) {
  std::string key(extension);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  const MimeEntry* end = kMimeTable + kMimeTableSize;
  const MimeEntry* it = std::lower_bound(kMimeTable, end, key, [](const MimeEntry& e, const std::string& k) {
    return std::strcmp(e.extension, k.c_str()) < 0;
  });
  if (key.empty() || it == end || key != it->extension) return "application/octet-stream";
  return it->mimeType;
}

}  // namespace quillbox::upload

namespace quillbox {

FileType fileTypeOf(const std::filesystem::path& file) { return upload::FileInfoUtil::getFileType(file); }

std::string mimeTypeOf(std::string_view extension) { return upload::FileInfoUtil::getMimeType(extension); }

}  // namespace quillbox
