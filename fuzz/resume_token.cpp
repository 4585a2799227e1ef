// The resume token as a host hands it back: any bytes at all reach the
// decoder and ResumableDownloader::setResumeData(). Nothing may crash, and a
// token that decodes must encode to the very same bytes and decode again to
// the same token. Inputs are also tried with their checksum made right, so
// the fields behind it are reached, not only the checksum test.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <variant>
#include <vector>

#include "download/ResumeToken.hpp"
#include "quillbox/download/ResumableDownloader.hpp"

namespace {

using quillbox::download::ResumeToken;

// The token's trailing checksum: FNV-1a 64 of everything before it, big-endian.
void fixChecksum(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 8) return;
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (std::size_t i = 0; i < bytes.size() - 8; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ULL;
  }
  for (std::size_t i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = static_cast<std::uint8_t>(hash >> (56 - 8 * i));
}

void check(std::span<const std::uint8_t> bytes) {
  // One downloader for the whole run: its threads are made once. It never
  // starts, so nothing is written anywhere.
  static quillbox::ResumableDownloader downloader("http://127.0.0.1:9/f.bin", "/tmp/quillbox-fuzz/f.bin", "fuzz");
  downloader.setResumeData(bytes);

  const auto decoded = quillbox::download::decodeResumeToken(bytes);
  const auto* token = std::get_if<ResumeToken>(&decoded);
  if (!token) return;
  const auto encoded = quillbox::download::encodeResumeToken(*token);
  if (!std::equal(encoded.begin(), encoded.end(), bytes.begin(), bytes.end())) std::abort();
  const auto again = quillbox::download::decodeResumeToken(encoded);
  const auto* back = std::get_if<ResumeToken>(&again);
  if (!back || !(*back == *token)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  check(bytes);
  std::vector<std::uint8_t> fixed(bytes.begin(), bytes.end());
  fixChecksum(fixed);
  check(fixed);
  return 0;
}
