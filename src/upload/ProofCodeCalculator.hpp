#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillbox::upload {

/// Why a proof code could not be computed.
enum class ProofCodeError { hashError, invalidHashLength, fileError };

/// "哈希计算失败", "哈希长度无效" or "文件操作失败".
std::string_view errorDescription(ProofCodeError error);

/// The proof code of a create request: the SHA-256 (lower-case hex) of at
/// most 8 bytes of the file, at an offset derived from the access token.
class ProofCodeCalculator {
 public:
  ProofCodeCalculator() = delete;

  /// Never fails: on any failure it logs "calcProofCode exception: " + the
  /// reason and returns "". An empty file gives the code of the empty
  /// stretch. Reads at most 8 bytes of the file.
  static std::string calcProofCode(std::string_view token, const std::filesystem::path& file);
};

}  // namespace quillbox::upload
