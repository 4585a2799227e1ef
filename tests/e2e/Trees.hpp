#pragma once
// Local folder trees for the tests of folder transfers and sync.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Harness.hpp"

namespace quillbox::e2e {

/// Every path below `root` (relative, "/" between names) with its content,
/// or "<folder>" for a folder.
inline std::map<std::string, std::string> treeOf(const std::filesystem::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const std::string rel = std::filesystem::relative(e.path(), root).generic_string();
    tree[rel] = e.is_directory() ? std::string("<folder>") : readFile(e.path());
  }
  return tree;
}

/// Makes the tree: paths ending in "/" are (empty) folders, the others files
/// of `size` bytes seeded from their position in the list.
inline void makeTree(const std::filesystem::path& root, const std::vector<std::string>& paths, std::int64_t size) {
  std::uint32_t seed = 100;
  for (const auto& p : paths) {
    const auto path = root / p;
    if (p.ends_with("/")) {
      std::filesystem::create_directories(path);
      continue;
    }
    std::filesystem::create_directories(path.parent_path());
    writeRandomFile(path, size, seed++);
  }
}

}  // namespace quillbox::e2e
