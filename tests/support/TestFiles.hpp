#pragma once
// Scratch files for the tests: a temporary folder that removes itself,
// reproducible random content, whole-file reads and writes.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quillbox::test {

/// `size` bytes that depend only on `seed`.
inline std::string randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::string bytes(size, '\0');
  for (auto& c : bytes) c = static_cast<char>(engine() & 0xFF);
  return bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

/// Writes `content` to `path`, creating missing folders, replacing a file.
inline void writeFile(const std::filesystem::path& path, std::string_view content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

/// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "quillbox") {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// Writes a file named `name` in the folder and returns its path.
  std::filesystem::path write(const std::string& name, std::string_view content) const {
    const auto p = path_ / name;
    writeFile(p, content);
    return p;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace quillbox::test
