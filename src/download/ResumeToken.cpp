#include "download/ResumeToken.hpp"

#include <algorithm>
#include <limits>

namespace quillbox::download {

namespace {

constexpr std::uint8_t kMagic[4] = {'Q', 'B', 'R', 'D'};
constexpr std::uint8_t kVersion = 1;
// Generous bounds that keep a corrupt length from asking for gigabytes.
constexpr std::uint32_t kMaxUrl = 64 * 1024;
constexpr std::uint32_t kMaxValidator = 4 * 1024;
constexpr std::uint32_t kMaxPath = 16 * 1024;

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (std::uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

void putUint(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putText(std::vector<std::uint8_t>& out, const std::string& text) {
  putUint(out, text.size(), 4);
  out.insert(out.end(), text.begin(), text.end());
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool uint(std::uint64_t& value, int count) {
    if (remaining() < static_cast<std::size_t>(count)) return false;
    value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes_[pos_++];
    return true;
  }
  bool text(std::string& value, std::uint32_t maxLength) {
    std::uint64_t length = 0;
    if (!uint(length, 4) || length > maxLength || remaining() < length) return false;
    value.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), static_cast<std::size_t>(length));
    pos_ += static_cast<std::size_t>(length);
    return true;
  }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::uint8_t> encodeResumeToken(const ResumeToken& token) {
  std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
  out.push_back(kVersion);
  putText(out, token.url);
  putText(out, token.validator);
  putText(out, token.partialFile.native());
  putUint(out, static_cast<std::uint64_t>(token.offset), 8);
  putUint(out, fnv1a(out), 8);
  return out;
}

std::variant<ResumeToken, std::string> decodeResumeToken(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < sizeof kMagic + 1 || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin())) {
    return std::string("not resume data of this SDK");
  }
  if (bytes[4] != kVersion) return "unsupported resume data version " + std::to_string(bytes[4]);
  if (bytes.size() < 8) return std::string("resume data is truncated");
  const auto body = bytes.first(bytes.size() - 8);
  Reader checksum(bytes.last(8));
  std::uint64_t expected = 0;
  checksum.uint(expected, 8);
  if (fnv1a(body) != expected) return std::string("resume data is corrupt (checksum mismatch)");

  Reader in(body.subspan(5));
  ResumeToken token;
  std::string path;
  std::uint64_t offset = 0;
  if (!in.text(token.url, kMaxUrl) || !in.text(token.validator, kMaxValidator) || !in.text(path, kMaxPath) ||
      !in.uint(offset, 8)) {
    return std::string("resume data is truncated");
  }
  if (in.remaining() != 0) return std::string("resume data has trailing bytes");
  if (token.url.empty()) return std::string("resume data holds no URL");
  auto hasControl = [](const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
  };
  if (hasControl(token.url) || hasControl(token.validator)) return std::string("resume data holds control characters");
  if (path.empty() || path.find('\0') != std::string::npos) return std::string("resume data holds no usable file path");
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return std::string("resume data holds an impossible offset");
  }
  token.partialFile = std::filesystem::path(std::move(path));
  token.offset = static_cast<std::int64_t>(offset);
  return token;
}

}  // namespace quillbox::download
