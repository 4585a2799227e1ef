// The default ISliceFile. The SHA-256 state between parts is read from
// OpenSSL's SHA256_CTX, which its EVP interface does not expose; that part of
// the API is deprecated in OpenSSL 3 but kept, and runs the same code.
#define OPENSSL_SUPPRESS_DEPRECATED 1

#include "quillbox/upload/Sha256SliceFile.hpp"

#include <openssl/sha.h>

#include <algorithm>
#include <vector>

#include "quillbox/request/Json.hpp"
#include "upload/FileInfoUtil.hpp"
#include "upload/UploadRecordsCodec.hpp"
#include "util/ReadOnlyFile.hpp"
#include "util/Sha256.hpp"

namespace quillbox {

namespace {

constexpr std::int64_t kBlock = 64;
constexpr std::size_t kReadSize = 1 << 20;

}  // namespace

Sha256SliceFile::Sha256SliceFile(std::int64_t partSize)
    : partSize_(partSize <= kBlock ? kBlock : (partSize + kBlock - 1) / kBlock * kBlock) {}

std::optional<std::string> Sha256SliceFile::calcSha256(const std::filesystem::path& file) {
  std::optional<Sha256Result> result = describe(file);
  if (!result) return std::nullopt;
  return toJson(*result);
}

std::optional<Sha256Result> Sha256SliceFile::describe(const std::filesystem::path& file) const {
  util::ReadOnlyFile handle(file);
  if (!handle.isOpen()) return std::nullopt;
  std::optional<std::uint64_t> measured = handle.size();
  if (!measured) return std::nullopt;
  handle.adviseSequential();
  const auto size = static_cast<std::int64_t>(*measured);

  SHA256_CTX ctx;
  SHA256_Init(&ctx);
  std::vector<unsigned char> buffer(kReadSize);
  std::vector<PartInfo> parts;
  std::int64_t offset = 0;
  while (offset < size) {
    if (offset % partSize_ == 0) {
      // Every part starts on a block boundary, so nothing is pending in the
      // context and `h` is the whole state.
      std::vector<std::uint32_t> state(std::begin(ctx.h), std::end(ctx.h));
      parts.emplace_back(static_cast<std::int64_t>(parts.size()) + 1, offset, std::min(partSize_, size - offset),
                         std::move(state));
    }
    const std::int64_t boundary = (offset / partSize_ + 1) * partSize_;
    const auto want = static_cast<std::size_t>(std::min({static_cast<std::int64_t>(kReadSize), boundary - offset, size - offset}));
    const std::int64_t got = handle.readAt(static_cast<std::uint64_t>(offset), buffer.data(), want);
    if (got != static_cast<std::int64_t>(want)) return std::nullopt;  // a read error, or the file shrank
    SHA256_Update(&ctx, buffer.data(), want);
    offset += got;
  }
  util::Sha256Digest digest{};
  SHA256_Final(digest.data(), &ctx);
  return Sha256Result(upload::FileInfoUtil::getMimeType(upload::FileInfoUtil::pathExtension(file)), size,
                      util::toHex(digest), std::move(parts));
}

}  // namespace quillbox
