// The host hashing contract (Sha256Result and its parts) on the wire, and the
// default ISliceFile: its hash, its parts and the SHA-256 state it gives for
// each part, checked with a SHA-256 compression written here from FIPS 180-4.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "quillbox/request/Json.hpp"
#include "quillbox/upload/Sha256Result.hpp"
#include "quillbox/upload/Sha256SliceFile.hpp"
#include "support/TestFiles.hpp"

namespace quillbox {
namespace {

namespace fs = std::filesystem;

TEST(UploadRecords, Sha256ResultDecodesTheHostsJson) {
  auto r = fromJson<Sha256Result>(
      R"({"mimeType":null,"size":10,"hash":"ab","extra":[1],"parts":[)"
      R"({"partNumber":7,"partOffset":0,"partSize":5,"hashCtx":[0,4294967295]},)"
      R"({"partNumber":8,"partOffset":5,"partSize":5}]})");
  ASSERT_TRUE(r) << r.error().description();
  EXPECT_EQ(r.value(), Sha256Result(std::nullopt, 10, "ab",
                                    {PartInfo(7, 0, 5, std::vector<std::uint32_t>{0, 4294967295u}),
                                     PartInfo(8, 5, 5, std::nullopt)}));
  // Encodes back to a text that decodes to the same record, absent keys left out.
  const std::string text = toJson(r.value());
  EXPECT_EQ(text.find("mimeType"), std::string::npos);
  EXPECT_EQ(text.find("null"), std::string::npos);
  EXPECT_EQ(fromJson<Sha256Result>(text).value(), r.value());
}

TEST(UploadRecords, Sha256ResultRejectsWhatTheUploadCannotUse) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {R"({"size":1,"parts":[]})", "hash"},
      {R"({"size":1,"hash":"h"})", "parts"},
      {R"({"hash":"h","parts":[]})", "size"},
      {R"({"size":1.5,"hash":"h","parts":[]})", "size"},
      {R"({"size":1,"hash":7,"parts":[]})", "hash"},
      {R"({"size":1,"hash":"h","parts":[{"partNumber":1,"partSize":1}]})", "parts[0].partOffset"},
      {R"({"size":1,"hash":"h","parts":[{"partNumber":1,"partOffset":0,"partSize":1,"hashCtx":[4294967296]}]})",
       "parts[0].hashCtx[0]"},
      {R"({"size":1,"hash":"h","parts":[{"partNumber":1,"partOffset":0,"partSize":1,"hashCtx":[-1]}]})",
       "parts[0].hashCtx[0]"},
      {R"({"size":1,"hash":"h","parts":{}})", "parts"},
      {R"([])", ""},
      {R"(not json)", ""},
  };
  for (const auto& [text, path] : bad) {
    auto r = fromJson<Sha256Result>(text);
    ASSERT_FALSE(r) << text;
    EXPECT_EQ(r.error().path, path) << text;
  }
}

TEST(UploadRecords, FilePartInfoCarriesSixtyFourBitStateWords) {
  FilePartInfo p;
  p.partNumber = 2;
  p.partSize = 100;
  p.partOffset = 1 << 20;
  p.hashCtx = std::vector<std::int64_t>{-1, 9007199254740993};
  const std::string text = toJson(p);
  EXPECT_EQ(text, R"({"partNumber":2,"partSize":100,"partOffset":1048576,"hashCtx":[-1,9007199254740993]})");
  EXPECT_EQ(fromJson<FilePartInfo>(text).value(), p);
}

// ---- the default ISliceFile -------------------------------------------------------

/// SHA-256 compression of whole 64-byte blocks, from FIPS 180-4.
using State = std::array<std::uint32_t, 8>;

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5, 0xd807aa98,
    0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786,
    0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8,
    0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13,
    0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819,
    0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a,
    0x5b9cca4f, 0x682e6ff3, 0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
    0xc67178f2};
constexpr State kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

State compress(State h, const std::string& blocks) {
  for (std::size_t b = 0; b + 64 <= blocks.size(); b += 64) {
    std::array<std::uint32_t, 64> w{};
    for (int i = 0; i < 16; ++i) {
      for (int j = 0; j < 4; ++j) w[i] = (w[i] << 8) | static_cast<unsigned char>(blocks[b + 4 * i + j]);
    }
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    State v = h;
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t t1 = v[7] + (rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25)) +
                               ((v[4] & v[5]) ^ (~v[4] & v[6])) + kRound[i] + w[i];
      const std::uint32_t t2 = (rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22)) +
                               ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
      v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (int i = 0; i < 8; ++i) h[i] += v[i];
  }
  return h;
}

/// The digest of the last bytes of a message, continuing from `h` after
/// `before` bytes.
std::string finish(State h, const std::string& tail, std::uint64_t before) {
  std::string last = tail;
  last.push_back(static_cast<char>(0x80));
  while (last.size() % 64 != 56) last.push_back('\0');
  const std::uint64_t bits = (before + tail.size()) * 8;
  for (int i = 7; i >= 0; --i) last.push_back(static_cast<char>((bits >> (8 * i)) & 0xff));
  h = compress(h, last);
  char hex[65];
  for (int i = 0; i < 8; ++i) std::snprintf(hex + 8 * i, 9, "%08x", h[i]);
  return hex;
}

State toState(const std::optional<std::vector<std::uint32_t>>& words) {
  State s{};
  if (!words || words->size() != 8) throw std::runtime_error("no eight-word state");
  std::copy(words->begin(), words->end(), s.begin());
  return s;
}

std::string randomContent(std::size_t size) { return test::randomBytes(size, 42); }

TEST(UploadSliceFile, TheTestsOwnSha256MeetsThePublishedVectors) {
  EXPECT_EQ(finish(kInitial, "abc", 0), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(finish(kInitial, twoBlocks, 0), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(UploadSliceFile, PartsCoverTheFileAndEachCarriesTheStateBeforeIt) {
  const std::string content = randomContent(1000);
  test::TempDir dir;
  const fs::path file = dir.write("slice.mp3", content);
  Sha256SliceFile slicer(192);
  auto result = slicer.describe(file);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->size, 1000);
  EXPECT_EQ(result->mimeType, "audio/mpeg");
  EXPECT_EQ(result->hash, finish(compress(kInitial, content.substr(0, 960)), content.substr(960), 960));

  ASSERT_EQ(result->parts.size(), 6u);
  std::int64_t expectedOffset = 0;
  for (std::size_t i = 0; i < result->parts.size(); ++i) {
    const PartInfo& p = result->parts[i];
    EXPECT_EQ(p.partNumber, static_cast<std::int64_t>(i) + 1);
    EXPECT_EQ(p.partOffset, expectedOffset);
    EXPECT_EQ(p.partSize, i + 1 < result->parts.size() ? 192 : 40);
    expectedOffset += p.partSize;
    // The state before the part is the compression of everything before it,
    // and carrying on from it over the rest of the file gives the file's hash.
    const auto offset = static_cast<std::size_t>(p.partOffset);
    EXPECT_EQ(toState(p.hashCtx), compress(kInitial, content.substr(0, offset))) << i;
    const std::size_t wholeBlocks = (content.size() - offset) / 64 * 64;
    const State atEnd = compress(toState(p.hashCtx), content.substr(offset, wholeBlocks));
    EXPECT_EQ(finish(atEnd, content.substr(offset + wholeBlocks), offset + wholeBlocks), result->hash) << i;
  }
  EXPECT_EQ(expectedOffset, 1000);
  EXPECT_EQ(toState(result->parts[0].hashCtx), kInitial);

  // calcSha256 gives the same description as JSON.
  auto text = slicer.calcSha256(file);
  ASSERT_TRUE(text);
  EXPECT_EQ(fromJson<Sha256Result>(*text).value(), *result);
}

TEST(UploadSliceFile, DefaultPartsAreEightMebibytesAndSizesRoundUpToWholeBlocks) {
  EXPECT_EQ(Sha256SliceFile().partSize(), 8 << 20);
  EXPECT_EQ(Sha256SliceFile(100).partSize(), 128);
  EXPECT_EQ(Sha256SliceFile(0).partSize(), 64);
  EXPECT_EQ(Sha256SliceFile(-5).partSize(), 64);

  const std::string content = randomContent((8 << 20) + 3);
  test::TempDir dir;
  const fs::path file = dir.write("slice.mp3", content);
  auto result = Sha256SliceFile().describe(file);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->parts.size(), 2u);
  EXPECT_EQ(result->parts[1].partOffset, 8 << 20);
  EXPECT_EQ(result->parts[1].partSize, 3);
  const State before = compress(kInitial, content.substr(0, 8 << 20));
  EXPECT_EQ(toState(result->parts[1].hashCtx), before);
  EXPECT_EQ(result->hash, finish(before, content.substr(8 << 20), 8 << 20));
}

TEST(UploadSliceFile, EmptyFileHasNoPartsAndAMissingFileNoDescription) {
  test::TempDir dir;
  const fs::path empty = dir.write("empty.mp3", "");
  auto result = Sha256SliceFile().describe(empty);
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->parts.empty());
  EXPECT_EQ(result->size, 0);
  EXPECT_EQ(result->hash, finish(kInitial, "", 0));
  Sha256SliceFile slicer;
  EXPECT_EQ(slicer.calcSha256("/nonexistent/quillbox.bin"), std::nullopt);
  EXPECT_EQ(slicer.calcSha256("/tmp"), std::nullopt);
}

}  // namespace
}  // namespace quillbox
