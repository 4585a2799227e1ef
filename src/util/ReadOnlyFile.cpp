#include "util/ReadOnlyFile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillbox::util {

namespace {
std::string systemError(int code) { return std::strerror(code); }
}  // namespace

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& path) {
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) {
    error_ = systemError(errno);
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    error_ = systemError(EISDIR);
    ::close(fd_);
    fd_ = -1;
  }
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::uint64_t> ReadOnlyFile::size() {
  struct stat st {};
  if (fd_ < 0) return std::nullopt;
  if (::fstat(fd_, &st) != 0) {
    error_ = systemError(errno);
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

std::int64_t ReadOnlyFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (fd_ < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = systemError(errno);
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

void ReadOnlyFile::adviseSequential() {
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace quillbox::util
