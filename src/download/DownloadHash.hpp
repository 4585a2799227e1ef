#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "util/Sha256.hpp"

struct evp_md_ctx_st;

namespace quillbox::download {

/// SHA-256 of a body that arrives in pieces (OpenSSL EVP).
class Sha256Stream {
 public:
  Sha256Stream();
  Sha256Stream(Sha256Stream&&) noexcept = default;
  Sha256Stream& operator=(Sha256Stream&&) noexcept = default;
  ~Sha256Stream();

  /// Forgets everything fed so far.
  void restart();
  void update(const void* data, std::size_t size);
  /// The hash of everything fed since the last restart(); nullopt when
  /// OpenSSL failed at any point.
  std::optional<util::Sha256Digest> finish();

 private:
  struct Free {
    void operator()(evp_md_ctx_st* context) const;
  };
  std::unique_ptr<evp_md_ctx_st, Free> context_;
  bool ok_ = false;
};

/// 64 hex digits, either case, as a digest; nullopt for anything else.
std::optional<util::Sha256Digest> parseSha256Hex(std::string_view hex);

}  // namespace quillbox::download
