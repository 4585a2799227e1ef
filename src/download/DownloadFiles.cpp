#include "download/DownloadFiles.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <system_error>

#include "util/Sha256.hpp"

namespace quillbox::download {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSuffix = ".qbpart";
constexpr std::size_t kHexDigits = 16;
// Leaves room for the dots, the random part and the suffix within the usual
// 255-byte name limit (NAME_MAX).
constexpr std::size_t kMaxStem = 200;
// A longer name keeps this much of its beginning, then "~" and 16 hex digits
// of the SHA-256 of the whole name.
constexpr std::size_t kKeptOfLongName = kMaxStem - 1 - kHexDigits;

// The pieces as one string. Built by appending: chains of std::string's
// operator+, once inlined by GCC 12 at -O3, draw a false -Wrestrict report.
std::string join(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const auto piece : pieces) size += piece.size();
  std::string out;
  out.reserve(size);
  for (const auto piece : pieces) out.append(piece);
  return out;
}

fs::path absoluteNormal(const fs::path& p) {
  std::error_code ec;
  fs::path abs = fs::absolute(p, ec);
  return (ec ? p : abs).lexically_normal();
}

std::string randomHex() {
  thread_local std::mt19937_64 engine{[] {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
  }()};
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::uint64_t value = engine();
  std::string out(kHexDigits, '0');
  for (auto& c : out) {
    c = kDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

// ".<stem>." of the partial files of `destination`. The stem is the name,
// shortened when it is long: cut where no UTF-8 character is split, and
// followed by a hash of the whole name, so that two long names with a common
// beginning never share their partial files.
std::string partialPrefix(const fs::path& destination) {
  const std::string name = destination.filename().native();
  std::string prefix(".");
  if (name.size() <= kMaxStem) {
    prefix.append(name);
  } else {
    std::size_t cut = kKeptOfLongName;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    prefix.append(name, 0, cut);
    prefix.push_back('~');
    const auto digest = util::sha256(name).value_or(util::Sha256Digest{});
    prefix.append(util::toHex(digest.data(), kHexDigits / 2));
  }
  prefix.push_back('.');
  return prefix;
}

}  // namespace

void PartialFile::close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

DownloadError fileSystemError(std::string_view what, const fs::path& path, int err) {
  DownloadError error;
  error.kind = DownloadError::Kind::fileSystem;
  error.code = err;
  error.message = join({what, " ", path.native(), ": ", std::generic_category().message(err)});
  return error;
}

std::variant<PartialFile, DownloadError> createPartialFile(const fs::path& destination) {
  const fs::path target = absoluteNormal(destination);
  if (!target.has_filename()) return fileSystemError("cannot download to", destination, EISDIR);
  const fs::path directory = target.parent_path();
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec) return fileSystemError("cannot create directory", directory, ec.value());

  const std::string prefix = partialPrefix(target);
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = directory / join({prefix, randomHex(), kSuffix});
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return PartialFile{fd, std::move(candidate)};
    if (errno != EEXIST || attempt == 8) return fileSystemError("cannot create", candidate, errno);
  }
}

std::variant<PartialFile, DownloadError> reopenPartialFile(const fs::path& path, std::int64_t offset) {
  auto unusable = [&](std::initializer_list<std::string_view> why) {
    DownloadError error;
    error.kind = DownloadError::Kind::resumeData;
    error.code = -1;
    error.message = join({"the partial file ", path.native(), " "});
    for (const auto piece : why) error.message.append(piece);
    return error;
  };
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return unusable({"cannot be opened: ", std::generic_category().message(errno)});
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < offset) {
    ::close(fd);
    return unusable({"holds fewer bytes than recorded (", std::to_string(offset), ")"});
  }
  if (::ftruncate(fd, offset) != 0) {
    const int err = errno;
    ::close(fd);
    return fileSystemError("cannot cut the partial file", path, err);
  }
  return PartialFile{fd, path};
}

bool isPartialFileOf(const fs::path& candidate, const fs::path& destination) {
  const fs::path file = absoluteNormal(candidate);
  const fs::path target = absoluteNormal(destination);
  if (file.parent_path() != target.parent_path() || !target.has_filename()) return false;
  const std::string name = file.filename().native();
  const std::string prefix = partialPrefix(target);
  if (name.size() != prefix.size() + kHexDigits + kSuffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
  for (std::size_t i = prefix.size(); i < prefix.size() + kHexDigits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

std::optional<DownloadError> moveIntoPlace(const fs::path& from, const fs::path& destination) {
  std::error_code ec;
  const fs::path directory = destination.parent_path();
  if (!directory.empty() && !fs::exists(directory, ec)) {
    fs::create_directories(directory, ec);
    if (ec) return fileSystemError("cannot create directory", directory, ec.value());
  }
  // A file or a link at the destination is replaced by the rename itself, so
  // there is no moment without one. A directory has to go first; only an
  // empty one is removed, never a tree.
  const auto status = fs::symlink_status(destination, ec);
  if (!ec && fs::is_directory(status)) {
    fs::remove(destination, ec);
    if (ec) return fileSystemError("cannot remove", destination, ec.value());
  }
  if (::rename(from.c_str(), destination.c_str()) == 0) return std::nullopt;
  if (errno != EXDEV) return fileSystemError("cannot move the download to", destination, errno);
  // Another file system: copy, then drop the source.
  fs::copy_file(from, destination, fs::copy_options::overwrite_existing, ec);
  if (ec) return fileSystemError("cannot copy the download to", destination, ec.value());
  fs::remove(from, ec);
  return std::nullopt;
}

}  // namespace quillbox::download
