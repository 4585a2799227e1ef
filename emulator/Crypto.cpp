#include "emulator/Crypto.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <array>
#include <stdexcept>

#include "emulator/Storage.hpp"

namespace quillbox::emulator {

namespace {

using Digest = std::array<unsigned char, 32>;

std::string hex(const unsigned char* data, std::size_t size) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0xF];
  }
  return out;
}

Digest sha256(std::string_view data) {
  Digest out{};
  unsigned int len = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &len, EVP_sha256(), nullptr) != 1 || len != out.size()) {
    throw std::runtime_error("SHA-256 failed");
  }
  return out;
}

}  // namespace

struct Sha256::Ctx {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  ~Ctx() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : ctx_(std::make_unique<Ctx>()) {
  if (!ctx_->md || EVP_DigestInit_ex(ctx_->md, EVP_sha256(), nullptr) != 1) throw std::runtime_error("SHA-256 init failed");
}
Sha256::~Sha256() = default;

void Sha256::update(const void* data, std::size_t size) {
  if (size > 0 && EVP_DigestUpdate(ctx_->md, data, size) != 1) throw std::runtime_error("SHA-256 update failed");
}

std::string Sha256::finishHex() {
  std::array<unsigned char, 32> out{};
  unsigned int len = 0;
  if (EVP_DigestFinal_ex(ctx_->md, out.data(), &len) != 1 || len != out.size()) {
    throw std::runtime_error("SHA-256 final failed");
  }
  return hex(out.data(), out.size());
}

std::string sha256Hex(std::string_view data) {
  const Digest digest = sha256(data);
  return hex(digest.data(), digest.size());
}

std::string hmacSha256Hex(std::string_view key, std::string_view message) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> out{};
  unsigned int len = 0;
  if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
            reinterpret_cast<const unsigned char*>(message.data()), message.size(), out.data(), &len)) {
    throw std::runtime_error("HMAC failed");
  }
  return hex(out.data(), len);
}

std::string randomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(raw.data()), static_cast<int>(bytes)) != 1) {
    throw std::runtime_error("no random bytes");
  }
  return hex(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
}

bool constantTimeEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

bool isSha256Hex(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::string toLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::uint64_t proofOffset(std::string_view token, std::uint64_t size) {
  const std::string first = sha256Hex(token);
  Digest d = sha256(first);
  d[24] &= 0x7F;
  std::uint64_t v = 0;
  for (std::size_t i = 24; i < 32; ++i) v = (v << 8) | d[i];
  if (size == 0) return 0;
  return size >= v ? v : v % size;
}

std::string proofCode(std::string_view token, const Blob& content) {
  const std::uint64_t size = content.size();
  if (size == 0) return sha256Hex({});
  const std::uint64_t offset = proofOffset(token, size);
  const std::uint64_t end = std::min<std::uint64_t>(offset + 8, size);
  std::array<char, 8> stretch{};
  const std::size_t length = static_cast<std::size_t>(end - offset);
  if (length > 0 && content.read(offset, stretch.data(), length) != static_cast<std::int64_t>(length)) return {};
  return sha256Hex(std::string_view(stretch.data(), length));
}

}  // namespace quillbox::emulator
