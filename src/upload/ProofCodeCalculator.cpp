#include "upload/ProofCodeCalculator.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "util/Log.hpp"
#include "util/ReadOnlyFile.hpp"
#include "util/Sha256.hpp"

namespace quillbox::upload {

namespace {

/// The failure of one step: a ProofCodeError or the file system's own text.
struct Failure {
  std::string description;
};

/// The offset source: the last 8 bytes of SHA-256(hex(SHA-256(token))),
/// big-endian, with the top bit cleared.
std::uint64_t tokenValue(std::string_view token) {
  std::optional<util::Sha256Digest> h1 = util::sha256(token);
  if (!h1) throw Failure{std::string(errorDescription(ProofCodeError::hashError))};
  std::optional<util::Sha256Digest> d = util::sha256(util::toHex(*h1));
  if (!d) throw Failure{std::string(errorDescription(ProofCodeError::hashError))};
  if (d->size() <= 24) throw Failure{std::string(errorDescription(ProofCodeError::invalidHashLength))};
  (*d)[24] &= 0x7f;
  std::uint64_t v = 0;
  for (std::size_t i = 24; i < 32; ++i) v = (v << 8) | (*d)[i];
  return v;
}

std::string compute(std::string_view token, const std::filesystem::path& file) {
  const std::uint64_t v = tokenValue(token);
  util::ReadOnlyFile handle(file);
  if (!handle.isOpen()) throw Failure{handle.error()};
  std::optional<std::uint64_t> size = handle.size();
  if (!size) throw Failure{handle.error()};

  // An empty file has only the empty stretch.
  const std::uint64_t offset = *size == 0 ? 0 : (*size >= v ? v : v % *size);
  const std::uint64_t end = std::min(offset + 8, *size);
  std::array<char, 8> stretch{};
  std::int64_t length = 0;
  if (end > offset) {
    length = handle.readAt(offset, stretch.data(), static_cast<std::size_t>(end - offset));
    if (length < 0) throw Failure{handle.error()};
  }
  std::optional<util::Sha256Digest> code = util::sha256(std::string_view(stretch.data(), static_cast<std::size_t>(length)));
  if (!code) throw Failure{std::string(errorDescription(ProofCodeError::hashError))};
  return util::toHex(*code);
}

}  // namespace

std::string_view errorDescription(ProofCodeError error) {
  switch (error) {
    case ProofCodeError::hashError:
      return "哈希计算失败";
    case ProofCodeError::invalidHashLength:
      return "哈希长度无效";
    case ProofCodeError::fileError:
      return "文件操作失败";
  }
  return "";
}

std::string ProofCodeCalculator::calcProofCode(std::string_view token, const std::filesystem::path& file) {
  try {
    return compute(token, file);
  } catch (const Failure& f) {
    QUILLBOX_LOG(warning, "calcProofCode exception: " + f.description);
    return "";
  }
}

}  // namespace quillbox::upload
