#include "emulator/Storage.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "emulator/Crypto.hpp"

namespace quillbox::emulator {

namespace fs = std::filesystem;

namespace {

class MemoryBlob final : public Blob {
 public:
  explicit MemoryBlob(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::int64_t read(std::uint64_t offset, char* out, std::size_t n) const override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t count = std::min<std::size_t>(n, bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(out, bytes_.data() + offset, count);
    return static_cast<std::int64_t>(count);
  }
  std::optional<std::string_view> view() const override { return std::string_view(bytes_); }

 private:
  std::string bytes_;
};

class MemoryWriter final : public BlobWriter {
 public:
  explicit MemoryWriter(std::uint64_t expected) {
    // Reserve what the client announced, within reason; the rest grows.
    bytes_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(expected, std::uint64_t{1} << 30)));
  }
  bool write(const char* data, std::size_t n) override {
    bytes_.append(data, n);
    return true;
  }
  std::uint64_t size() const override { return bytes_.size(); }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class MemoryStorage final : public Storage {
 public:
  bool persistent() const override { return false; }
  std::unique_ptr<BlobWriter> newWriter(std::uint64_t expectedSize) override {
    return std::make_unique<MemoryWriter>(expectedSize);
  }
  std::shared_ptr<Blob> commitPart(std::unique_ptr<BlobWriter> writer, const std::string&, std::int64_t) override {
    return take(std::move(writer));
  }
  std::shared_ptr<Blob> openPart(const std::string&, std::int64_t) override { return nullptr; }
  void dropUpload(const std::string&) override {}
  std::shared_ptr<Blob> commitBlob(std::unique_ptr<BlobWriter> writer, const std::string&) override {
    return take(std::move(writer));
  }
  std::shared_ptr<Blob> openBlob(const std::string&) override { return nullptr; }
  void removeBlob(const std::string&) override {}

 private:
  static std::shared_ptr<Blob> take(std::unique_ptr<BlobWriter> writer) {
    auto* memory = dynamic_cast<MemoryWriter*>(writer.get());
    if (!memory) return nullptr;
    return std::make_shared<MemoryBlob>(memory->take());
  }
};

// ---- files --------------------------------------------------------------------

class FileBlob final : public Blob {
 public:
  FileBlob(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~FileBlob() override { ::close(fd_); }
  FileBlob(const FileBlob&) = delete;
  FileBlob& operator=(const FileBlob&) = delete;

  std::uint64_t size() const override { return size_; }
  std::int64_t read(std::uint64_t offset, char* out, std::size_t n) const override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
  }

 private:
  int fd_;
  std::uint64_t size_;
};

std::shared_ptr<Blob> openFileBlob(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_shared<FileBlob>(fd, static_cast<std::uint64_t>(st.st_size));
}

class FileWriter final : public BlobWriter {
 public:
  FileWriter(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~FileWriter() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  bool write(const char* data, std::size_t n) override {
    while (n > 0) {
      const ssize_t put = ::write(fd_, data, n);
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += put;
      n -= static_cast<std::size_t>(put);
      size_ += static_cast<std::uint64_t>(put);
    }
    return true;
  }
  std::uint64_t size() const override { return size_; }

  /// Moves the file to `target` (replacing what is there) and opens it for reading.
  std::shared_ptr<Blob> commit(const fs::path& target) {
    if (::close(fd_) != 0) {
      fd_ = -1;
      return nullptr;
    }
    fd_ = -1;
    std::error_code ec;
    try {
      makePrivateFolder(target.parent_path());
    } catch (const fs::filesystem_error&) {
      return nullptr;
    }
    fs::rename(path_, target, ec);
    if (ec) return nullptr;
    committed_ = true;
    return openFileBlob(target);
  }

 private:
  fs::path path_;
  int fd_;
  std::uint64_t size_ = 0;
  bool committed_ = false;
};

class FolderStorage final : public Storage {
 public:
  explicit FolderStorage(fs::path dir) : dir_(std::move(dir)) {
    makePrivateFolder(dir_);
    makePrivateFolder(dir_ / "blobs");
    makePrivateFolder(dir_ / "uploads");
    // Leftovers of an interrupted run are never referenced again.
    std::error_code ignored;
    fs::remove_all(dir_ / "tmp", ignored);
    makePrivateFolder(dir_ / "tmp");
  }

  bool persistent() const override { return true; }

  std::unique_ptr<BlobWriter> newWriter(std::uint64_t) override {
    fs::path path = dir_ / "tmp" / (std::to_string(++counter_) + "-" + randomHex(6));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    return std::make_unique<FileWriter>(std::move(path), fd);
  }

  std::shared_ptr<Blob> commitPart(std::unique_ptr<BlobWriter> writer, const std::string& uploadId,
                                   std::int64_t partNumber) override {
    auto* file = dynamic_cast<FileWriter*>(writer.get());
    if (!file) return nullptr;
    return file->commit(partPath(uploadId, partNumber));
  }

  std::shared_ptr<Blob> openPart(const std::string& uploadId, std::int64_t partNumber) override {
    return openFileBlob(partPath(uploadId, partNumber));
  }

  void dropUpload(const std::string& uploadId) override {
    std::error_code ignored;
    fs::remove_all(dir_ / "uploads" / uploadId, ignored);
  }

  std::shared_ptr<Blob> commitBlob(std::unique_ptr<BlobWriter> writer, const std::string& sha256) override {
    auto* file = dynamic_cast<FileWriter*>(writer.get());
    if (!file) return nullptr;
    return file->commit(dir_ / "blobs" / sha256);
  }

  std::shared_ptr<Blob> openBlob(const std::string& sha256) override { return openFileBlob(dir_ / "blobs" / sha256); }

  void removeBlob(const std::string& sha256) override {
    std::error_code ignored;
    fs::remove(dir_ / "blobs" / sha256, ignored);
  }

 private:
  fs::path partPath(const std::string& uploadId, std::int64_t partNumber) const {
    return dir_ / "uploads" / uploadId / std::to_string(partNumber);
  }

  fs::path dir_;
  std::atomic<std::uint64_t> counter_{0};
};

}  // namespace

void makePrivateFolder(const fs::path& dir) {
  fs::create_directories(dir);
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace);
}

std::shared_ptr<Blob> memoryBlob(std::string bytes) { return std::make_shared<MemoryBlob>(std::move(bytes)); }

std::unique_ptr<Storage> Storage::memory() { return std::make_unique<MemoryStorage>(); }
std::unique_ptr<Storage> Storage::folder(const fs::path& dir) { return std::make_unique<FolderStorage>(dir); }

}  // namespace quillbox::emulator
