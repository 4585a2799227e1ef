#pragma once
// Where the emulator keeps bytes: uploaded parts and stored content, either
// in memory or in a folder. Content is addressed by its SHA-256.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::emulator {

/// Immutable bytes. Safe to read from several threads at once; a blob stays
/// readable as long as someone holds it, even after it was replaced or
/// removed from storage.
class Blob {
 public:
  virtual ~Blob() = default;
  virtual std::uint64_t size() const = 0;
  /// Copies up to `n` bytes from `offset`; the number copied, or -1.
  virtual std::int64_t read(std::uint64_t offset, char* out, std::size_t n) const = 0;
  /// The bytes themselves when they are held in memory.
  virtual std::optional<std::string_view> view() const { return std::nullopt; }
};

std::shared_ptr<Blob> memoryBlob(std::string bytes);

/// Creates `dir` (with missing parents) and leaves it to its owner alone
/// (0700), also when it already existed with a wider mode: what the emulator
/// keeps holds live tokens and the signing secret. Throws filesystem_error.
void makePrivateFolder(const std::filesystem::path& dir);

/// Collects bytes that become a part or a stored blob.
class BlobWriter {
 public:
  virtual ~BlobWriter() = default;
  virtual bool write(const char* data, std::size_t n) = 0;
  virtual std::uint64_t size() const = 0;
};

class Storage {
 public:
  virtual ~Storage() = default;

  /// Memory only: nothing survives the process.
  static std::unique_ptr<Storage> memory();
  /// Below `dir`: blobs/<sha256>, uploads/<uploadId>/<partNumber>, tmp/.
  static std::unique_ptr<Storage> folder(const std::filesystem::path& dir);

  virtual bool persistent() const = 0;
  virtual std::unique_ptr<BlobWriter> newWriter(std::uint64_t expectedSize) = 0;
  /// Makes the written bytes part `partNumber` of `uploadId`, replacing an
  /// earlier one. Null on failure.
  virtual std::shared_ptr<Blob> commitPart(std::unique_ptr<BlobWriter> writer, const std::string& uploadId,
                                           std::int64_t partNumber) = 0;
  /// A part kept from an earlier run; null when there is none.
  virtual std::shared_ptr<Blob> openPart(const std::string& uploadId, std::int64_t partNumber) = 0;
  virtual void dropUpload(const std::string& uploadId) = 0;

  /// Stores the written bytes as the content with this SHA-256.
  virtual std::shared_ptr<Blob> commitBlob(std::unique_ptr<BlobWriter> writer, const std::string& sha256) = 0;
  /// Content kept from an earlier run; null when there is none.
  virtual std::shared_ptr<Blob> openBlob(const std::string& sha256) = 0;
  virtual void removeBlob(const std::string& sha256) = 0;
};

}  // namespace quillbox::emulator
