// The proof code against vectors computed independently (Python's hashlib):
// the token's chain of two hashes picks the offset, and the code is the hash
// of at most 8 bytes of the file from there.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Callbacks.hpp"
#include "support/TestFiles.hpp"
#include "upload/ProofCodeCalculator.hpp"

namespace quillbox {
namespace {

using test::TempDir;
using upload::ProofCodeCalculator;
namespace fs = std::filesystem;

constexpr const char* kEmptyHash = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

/// Byte i of a test file is (31 i + 7) mod 251.
std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + 7) % 251);
  return bytes;
}

TEST(UploadProofCode, MatchesIndependentVectors) {
  TempDir dir;
  struct Case {
    std::string token;
    std::size_t size;
    const char* code;
  };
  // Large and small files (up to 8 bytes the stretch may reach the end and be
  // shorter than 8), an empty token, a non-ASCII token.
  const std::vector<Case> cases = {
      {"tok-123", 100000, "1e2f0771327ced4cadca0364dbf816f77244156839ad121c5b6dadd713e812ec"},  // offset 57970
      {"tok-124", 100000, "c7a694ee4f72e92e79c191cbe55ae5097fad9e3dcbac930cec405d4135e0ec63"},  // 36531
      {"", 4096, "2769faafc4692be263f2ce2323cf42b7e90d973c6a933b1c40a995d4283d3f96"},          // 2278
      {"令牌-token", 777, "9e63ff150fe952c61f0d99d4802e8092c963fbfa20794d11ca50115466e6d9b0"},  // 427
      {"tok-123", 8, "6a3c56ff17dba2b7ff300dd8a49e43374a99f5f6e421903b6c6e10e7b4ad2c39"},       // 2, 6 bytes
      {"tok-123", 5, "a7fed79902b79407088f9cc6584f7506f82d8be43dc419ff5ab1969dfdd245f5"},       // 0, 5 bytes
      {"abc", 1, "ca358758f6d27e6cf45272937977a748fd88391db679ceda7dc7bf1f005ee879"},           // 0, 1 byte
      {"", 3, "9e75ebf41f8ee49f7289b3f0eaea7943ecb83fc5b9e95a0a7d098f3a6adbe031"},              // 1, 2 bytes
      {"tok-1", 0, kEmptyHash},  // an empty file has only the empty stretch
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const fs::path file = dir.write("file" + std::to_string(i), pattern(cases[i].size));
    EXPECT_EQ(ProofCodeCalculator::calcProofCode(cases[i].token, file), cases[i].code) << i;
  }
}

TEST(UploadProofCode, AFileAtLeastAsLargeAsTheTokenValueIsReadAtThatValue) {
  // This token's value is 440302605055 (about 410 GiB): sparse files of that
  // size hold a few bytes at the start and at the value.
  const std::string token = "tok-15385074";
  constexpr off_t kValue = 440302605055;
  TempDir dir;
  struct Case {
    off_t size;
    const char* code;
  };
  const std::vector<Case> cases = {
      {kValue, kEmptyHash},  // offset = size: the empty stretch
      {kValue + 5, "c7b5c7d9ce17a06a8d0bc02cf0e20cd9dfa45f1a561719c5d88fd287e76e0177"},  // "QBXYZ"
  };
  for (const auto& c : cases) {
    const fs::path file = dir.path() / "sparse";
    const int fd = ::open(file.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const std::string head = pattern(8);
    bool written = ::pwrite(fd, head.data(), head.size(), 0) == 8 && ::ftruncate(fd, c.size) == 0;
    if (c.size > kValue) written = written && ::pwrite(fd, "QBXYZ", 5, kValue) == 5;
    ::close(fd);
    if (!written) GTEST_SKIP() << "this file system holds no sparse file of " << c.size << " bytes";
    EXPECT_EQ(ProofCodeCalculator::calcProofCode(token, file), c.code) << c.size;
  }
}

TEST(UploadProofCode, UnreadableFileLogsTheSystemErrorAndGivesEmptyCode) {
  TempDir dir;
  test::LogCapture log;
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("tok", "/nonexistent/quillbox/file.bin"), "");
  EXPECT_TRUE(log.contains("calcProofCode exception: No such file or directory")) << ::testing::PrintToString(log.lines());
  EXPECT_EQ(ProofCodeCalculator::calcProofCode("tok", dir.path()), "");
}

}  // namespace
}  // namespace quillbox
