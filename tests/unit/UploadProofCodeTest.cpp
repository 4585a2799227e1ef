// The proof code against values computed independently with the openssl
// command: the token's chain of two hashes picks the offset, and the code is
// the hash of at most 8 bytes of the file from there.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/Callbacks.hpp"
#include "support/TestFiles.hpp"
#include "upload/ProofCodeCalculator.hpp"

namespace quillbox {
namespace {

using test::TempDir;

namespace fs = std::filesystem;
using upload::ProofCodeCalculator;

/// `openssl dgst -sha256` of a file's bytes, as 64 hex digits.
std::string opensslSha256(const fs::path& file) {
  const std::string command = "openssl dgst -sha256 -r '" + file.string() + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run openssl");
  char out[128] = {};
  const std::size_t n = std::fread(out, 1, sizeof out - 1, pipe);
  ::pclose(pipe);
  if (n < 64) throw std::runtime_error("openssl printed nothing");
  return std::string(out, 64);
}

/// The expected code, computed step by step with the openssl command.
std::string expectedCode(const TempDir& dir, const std::string& token, const std::string& content) {
  const std::string h1 = opensslSha256(dir.write("token", token));
  const std::string d = opensslSha256(dir.write("h1", h1));
  // Bytes 24..31 of d, big-endian, top bit cleared.
  std::uint64_t v = std::stoull(d.substr(48, 16), nullptr, 16) & 0x7fffffffffffffffULL;
  const std::uint64_t size = content.size();
  const std::uint64_t offset = size == 0 ? 0 : (size >= v ? v : v % size);
  const std::string stretch = content.substr(static_cast<std::size_t>(offset), 8);
  return opensslSha256(dir.write("stretch", stretch));
}

TEST(UploadProofCode, MatchesTheOpensslComputationForTokensAndSizes) {
  TempDir dir;
  struct Case {
    std::string token;
    std::size_t size;
  };
  // Large and small files (up to 8 bytes the stretch may reach the end and be
  // shorter than 8), an empty token, a non-ASCII token.
  const std::vector<Case> cases = {
      {"tok-123", 100000}, {"tok-124", 100000}, {"", 4096}, {"令牌-token", 777}, {"tok-123", 8},
      {"tok-123", 5},      {"abc", 1},          {"", 3},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string content = test::randomBytes(cases[i].size, static_cast<unsigned>(i) + 1);
    const fs::path file = dir.write("file" + std::to_string(i) + ".bin", content);
    const std::string code = ProofCodeCalculator::calcProofCode(cases[i].token, file);
    EXPECT_EQ(code, expectedCode(dir, cases[i].token, content)) << "case " << i;
    EXPECT_EQ(code.size(), 64u);
    // The same token and content always give the same code.
    EXPECT_EQ(ProofCodeCalculator::calcProofCode(cases[i].token, file), code);
  }
}

TEST(UploadProofCode, EmptyFileGivesTheCodeOfTheEmptyStretch) {
  TempDir dir;
  const fs::path file = dir.write("empty", "");
  const std::string emptyHash = opensslSha256(dir.write("nothing", ""));
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("tok-123", file), emptyHash);
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("", file), emptyHash);
}

TEST(UploadProofCode, UnreadableFileLogsTheSystemErrorAndGivesEmptyCode) {
  TempDir dir;
  test::LogCapture log;
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("tok", "/nonexistent/quillbox/file.bin"), "");
  EXPECT_TRUE(log.contains("calcProofCode exception: No such file or directory")) << ::testing::PrintToString(log.lines());
  const fs::path folder = dir.write("f", "x").parent_path();
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("tok", folder), "");
}

}  // namespace
}  // namespace quillbox
