#pragma once
// SHA-256 of local files remembered between runs, keyed by the file's
// absolute path and valid while its size and modification time (to the
// nanosecond) stay the same, so that comparing an unchanged tree with the
// drive reads no file. Kept in $XDG_CACHE_HOME/quillbox/hashes.json
// (~/.cache/quillbox/ when XDG_CACHE_HOME is unset or not absolute), mode
// 0600. A cache that cannot be read is started afresh; one that cannot be
// written costs only the hashing next time.

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace quillbox::cli {

class HashCache {
 public:
  /// The cache of the user's cache folder (empty when no folder can be told).
  static HashCache openDefault();
  explicit HashCache(std::optional<std::filesystem::path> file);

  /// The remembered hash when size and mtime are still those recorded.
  std::optional<std::string> lookup(const std::filesystem::path& file, std::int64_t size, std::int64_t mtimeNs) const;
  void record(const std::filesystem::path& file, std::int64_t size, std::int64_t mtimeNs, const std::string& sha256);
  /// Forgets the files below `root` that were neither looked up with a hit
  /// nor recorded since the cache was opened (deleted or changed files).
  void pruneBelow(const std::filesystem::path& root);
  /// Writes the cache back when it changed. Never throws; false on failure.
  bool save();

 private:
  struct Entry {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string sha256;
    bool used = false;
  };
  std::optional<std::filesystem::path> file_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, Entry> entries_;
  bool dirty_ = false;
};

}  // namespace quillbox::cli
