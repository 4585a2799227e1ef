#pragma once
// Hashing, signing and random identifiers for the emulator (OpenSSL).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quillbox::emulator {

class Blob;

/// Incremental SHA-256.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, std::size_t size);
  /// The digest as 64 lower-case hex digits. Call once.
  std::string finishHex();

 private:
  struct Ctx;
  std::unique_ptr<Ctx> ctx_;
};

std::string sha256Hex(std::string_view data);
std::string hmacSha256Hex(std::string_view key, std::string_view message);
/// `bytes` random bytes as lower-case hex.
std::string randomHex(std::size_t bytes);
/// Comparison whose time does not depend on where the texts differ.
bool constantTimeEquals(std::string_view a, std::string_view b);
/// True for exactly 64 lower-case hex digits.
bool isSha256Hex(std::string_view text);
std::string toLower(std::string_view text);

/// The proof of possession a client must send to have content it claims to
/// hold accepted without uploading it: the SHA-256 (hex) of at most eight
/// bytes of the content, at an offset derived from the caller's access token.
///
///   h1 = hex(SHA-256(token)); d = SHA-256(h1); d[24] &= 0x7F;
///   v  = big-endian 64-bit integer of d[24..31];
///   offset = size >= v ? v : v mod size; stretch = [offset, min(offset + 8, size))
///
/// Empty content (and an empty stretch) gives the SHA-256 of no bytes.
/// Returns an empty string when the content cannot be read.
std::string proofCode(std::string_view token, const Blob& content);
/// The offset part of the above, for the given content size.
std::uint64_t proofOffset(std::string_view token, std::uint64_t size);

}  // namespace quillbox::emulator
