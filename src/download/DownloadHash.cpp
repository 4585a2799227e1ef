#include "download/DownloadHash.hpp"

#include <openssl/evp.h>

namespace quillbox::download {

void Sha256Stream::Free::operator()(evp_md_ctx_st* context) const { EVP_MD_CTX_free(context); }

Sha256Stream::Sha256Stream() : context_(EVP_MD_CTX_new()) { restart(); }

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::restart() { ok_ = context_ && EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) == 1; }

void Sha256Stream::update(const void* data, std::size_t size) {
  if (ok_ && size > 0) ok_ = EVP_DigestUpdate(context_.get(), data, size) == 1;
}

std::optional<util::Sha256Digest> Sha256Stream::finish() {
  util::Sha256Digest digest{};
  unsigned int size = 0;
  const bool done = ok_ && EVP_DigestFinal_ex(context_.get(), digest.data(), &size) == 1 && size == digest.size();
  ok_ = false;  // a finished context needs restart() before it is fed again
  if (!done) return std::nullopt;
  return digest;
}

std::optional<util::Sha256Digest> parseSha256Hex(std::string_view hex) {
  util::Sha256Digest digest{};
  if (hex.size() != digest.size() * 2) return std::nullopt;
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const int high = value(hex[2 * i]);
    const int low = value(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<unsigned char>(high * 16 + low);
  }
  return digest;
}

}  // namespace quillbox::download
