// File type codes from the extension table, and the MIME table compiled in
// from the system's mime.types.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "quillbox/upload/FileType.hpp"
#include "upload/FileInfoUtil.hpp"

namespace quillbox {
namespace {

using upload::FileInfoUtil;

TEST(UploadFileInfo, CategoryCodeComesFromTheExactExtension) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"photo.jpg", "15"},     {"photo.JPG", "45"},       {"clip.mp4", "20"},     {"report.docx", "26"},
      {"sheet.xlsx", "27"},    {"slides.pptx", "28"},     {"song.flac", "30"},    {"pack.rar", "35"},
      {"app.ipa", "40"},       {"report.pdf", "45"},      {"archive.tar.gz", "45"}, {"README", "45"},
      {"movie.h.264", "45"},   {"/a.b/c.d/img.heic", "15"}, {"dir.png/file", "45"}, {"trailing.", "45"},
      {"x.tiff", "45"},        {"x.7z", "45"},            {"x.ts", "20"},         {"x.m4b", "30"},
      {"x.avif", "15"},        {"x.mpkg", "40"},          {"x.zip", "35"},        {"x.ppt", "28"},
  };
  for (const auto& [name, code] : cases) EXPECT_EQ(FileInfoUtil::getFileTypeCode(name), code) << name;
}

TEST(UploadFileInfo, ExtensionTableIsSafeWhenFirstUsedFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<std::string> codes(8);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    threads.emplace_back([&codes, i] { codes[i] = FileInfoUtil::getFileTypeCode("a.wav"); });
  }
  for (auto& t : threads) t.join();
  for (const auto& c : codes) EXPECT_EQ(c, "30");
}

TEST(UploadFileInfo, PathExtensionIsWhatFollowsTheLastDotOfTheName) {
  EXPECT_EQ(FileInfoUtil::pathExtension("archive.tar.gz"), "gz");
  EXPECT_EQ(FileInfoUtil::pathExtension("movie.h.264"), "264");
  EXPECT_EQ(FileInfoUtil::pathExtension("/dir.d/README"), "");
  EXPECT_EQ(FileInfoUtil::pathExtension(".bashrc"), "bashrc");
  EXPECT_EQ(FileInfoUtil::pathExtension("name."), "");
}

TEST(UploadFileType, RawValuesRoundTripAndNothingElseConverts) {
  const std::vector<FileType> all = {FileType::folder, FileType::picture, FileType::video,   FileType::word,
                                     FileType::excel,  FileType::ppt,     FileType::audio,   FileType::archive,
                                     FileType::application, FileType::pdf, FileType::other};
  for (FileType t : all) EXPECT_EQ(fileTypeFromRaw(rawValue(t)), t) << rawValue(t);
  EXPECT_EQ(fileTypeFromRaw("picture"), FileType::picture);
  EXPECT_EQ(fileTypeFromRaw("Picture"), std::nullopt);
  EXPECT_EQ(fileTypeFromRaw(""), std::nullopt);
  EXPECT_EQ(fileTypeFromRaw("45"), std::nullopt);
  EXPECT_EQ(categoryCode(FileType::pdf), categoryCode(FileType::other));
}

/// The system's mime.types read here independently: each extension (in lower
/// case) with the first type that lists it.
std::map<std::string, std::string> systemMimeTypes() {
  std::ifstream in("/etc/mime.types");
  std::map<std::string, std::string> table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string type, ext;
    if (!(words >> type)) continue;
    while (words >> ext) {
      for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      table.emplace(ext, type);
    }
  }
  return table;
}

TEST(UploadMime, EveryExtensionOfTheSystemTableMapsToItsFirstType) {
  const auto table = systemMimeTypes();
  ASSERT_GT(table.size(), 500u);
  std::size_t checked = 0;
  for (const auto& [ext, type] : table) {
    if (ext.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.+-_") != std::string::npos) continue;
    EXPECT_EQ(FileInfoUtil::getMimeType(ext), type) << ext;
    ++checked;
  }
  EXPECT_GT(checked, 500u);
}

TEST(UploadMime, LookupIgnoresCaseAndFallsBackToOctetStream) {
  EXPECT_EQ(FileInfoUtil::getMimeType("pdf"), "application/pdf");
  EXPECT_EQ(FileInfoUtil::getMimeType("PDF"), "application/pdf");
  EXPECT_EQ(FileInfoUtil::getMimeType("Jpg"), "image/jpeg");
  const std::vector<std::string> unknowns = {"", "qqzzyy", "pdf ", ".pdf", std::string("pdf\0x", 5), "~", "zzzzzzzzzz", "0"};
  for (const std::string& unknown : unknowns) {
    EXPECT_EQ(FileInfoUtil::getMimeType(unknown), "application/octet-stream") << unknown;
  }
}

}  // namespace
}  // namespace quillbox
