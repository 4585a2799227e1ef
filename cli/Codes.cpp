#include "Codes.hpp"

#include <charconv>
#include <vector>

#include <quillbox/upload/FileType.hpp>

namespace quillbox::cli {

namespace {

std::optional<std::int64_t> numberIn(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

constexpr FileType kFileTypes[] = {FileType::folder, FileType::picture, FileType::video,       FileType::word,
                                   FileType::excel,  FileType::ppt,     FileType::audio,       FileType::archive,
                                   FileType::application, FileType::pdf, FileType::other};

std::string fileTypeNames() {
  std::string out;
  for (const FileType t : kFileTypes) out += (out.empty() ? "" : ", ") + std::string(rawValue(t));
  return out;
}

}  // namespace

std::string nameOf(std::span<const CodeName> table, const std::optional<std::int64_t>& code) {
  if (!code) return "-";
  for (const auto& [c, name] : table) {
    if (c == *code) return name;
  }
  return std::to_string(*code);
}

std::string nameOf(std::span<const CodeName> table, const std::optional<std::string>& code) {
  if (!code || code->empty()) return "-";
  const auto number = numberIn(*code);
  return number ? nameOf(table, number) : *code;
}

std::string acceptedNames(std::span<const CodeName> table) {
  std::string out;
  for (const auto& [code, name] : table) out += (out.empty() ? "" : ", ") + std::string(name);
  return out + " (or their numbers)";
}

CLI::Validator codeOf(std::span<const CodeName> table, std::string what) {
  return CLI::Validator(
      [table, what](std::string& input) -> std::string {
        if (const auto number = numberIn(input)) return {};
        for (const auto& [code, name] : table) {
          if (input == name) {
            input = std::to_string(code);
            return {};
          }
        }
        return "unknown " + what + " '" + input + "'; accepted: " + acceptedNames(table);
      },
      what);
}

CLI::Validator fileTypeCodeOf() {
  return CLI::Validator(
      [](std::string& input) -> std::string {
        if (input.size() == 2 && numberIn(input)) return {};
        if (const auto type = fileTypeFromRaw(input)) {
          input = std::string(categoryCode(*type));
          return {};
        }
        return "unknown file type '" + input + "'; accepted: " + fileTypeNames() + " (or their two-digit codes)";
      },
      "TYPE");
}

std::string fileTypeHelp(std::string_view prefix) { return std::string(prefix) + ": " + fileTypeNames(); }

}  // namespace quillbox::cli
