#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quillbox::util {

/// A file opened for reading, with positional reads (pread): reading does not
/// move a shared position. Used by one thread at a time.
class ReadOnlyFile {
 public:
  /// Opens `path`. On failure isOpen() is false and error() holds the
  /// system's text.
  explicit ReadOnlyFile(const std::filesystem::path& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }

  /// The current length of the file; nullopt (and error() set) on failure.
  std::optional<std::uint64_t> size();
  /// Reads up to `count` bytes at `offset`, retrying short reads; fewer only
  /// at the end of the file. -1 (and error() set) on failure.
  std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count);
  /// Tells the kernel the file will be read from start to end.
  void adviseSequential();

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace quillbox::util
