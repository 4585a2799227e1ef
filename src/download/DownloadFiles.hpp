#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include "quillbox/download/DownloadResult.hpp"

namespace quillbox::download {

/// A file system failure as a download error: "<what> <path>: <reason>".
DownloadError fileSystemError(std::string_view what, const std::filesystem::path& path, int err);

/// An open partial file; closes its descriptor when it goes.
struct PartialFile {
  PartialFile(int descriptor, std::filesystem::path file) : fd(descriptor), path(std::move(file)) {}
  PartialFile(PartialFile&& other) noexcept : fd(std::exchange(other.fd, -1)), path(std::move(other.path)) {}
  PartialFile& operator=(PartialFile&& other) noexcept {
    if (this != &other) {
      close();
      fd = std::exchange(other.fd, -1);
      path = std::move(other.path);
    }
    return *this;
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  ~PartialFile() { close(); }
  void close();

  int fd = -1;
  std::filesystem::path path;
};

/// Creates a fresh, empty partial file next to `destination`
/// (".<name>.<16 random hex digits>.qbpart"; a name of more than 200 bytes is
/// cut to at most 183, on a character boundary, followed by "~" and 16 hex
/// digits of its SHA-256, so the file's name fits in 255 bytes), creating the
/// destination's missing directories first.
std::variant<PartialFile, DownloadError> createPartialFile(const std::filesystem::path& destination);

/// Opens an existing partial file for reading and writing and cuts it to
/// `offset` bytes; an error when it is missing or holds fewer bytes.
std::variant<PartialFile, DownloadError> reopenPartialFile(const std::filesystem::path& path, std::int64_t offset);

/// True when `candidate` has the name and place createPartialFile() gives the
/// partial files of `destination`.
bool isPartialFileOf(const std::filesystem::path& candidate, const std::filesystem::path& destination);

/// Moves `from` over `destination`: creates the destination's missing
/// directories, replaces a file or link there (atomically when both are on one
/// file system) and removes an empty directory there first.
std::optional<DownloadError> moveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& destination);

}  // namespace quillbox::download
