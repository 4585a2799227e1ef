#include "HashCache.hpp"

#include <cstdlib>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "Profile.hpp"

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxCacheBytes = 256u << 20;

bool isSha256Hex(const std::string& s) {
  return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Keys are JSON text, which holds only valid UTF-8: other paths are not remembered.
bool validUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

HashCache HashCache::openDefault() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && *xdg == '/') return HashCache(fs::path(xdg) / "quillbox" / "hashes.json");
  if (home && *home == '/') return HashCache(fs::path(home) / ".cache" / "quillbox" / "hashes.json");
  return HashCache(std::nullopt);
}

HashCache::HashCache(std::optional<fs::path> file) : file_(std::move(file)) {
  if (!file_) return;
  try {
    const auto text = readSmallFile(*file_, kMaxCacheBytes);
    if (!text) return;
    const boost::json::value doc = boost::json::parse(*text);
    const auto* files = doc.is_object() && doc.as_object().contains("files") ? doc.at("files").if_object() : nullptr;
    if (!files) return;
    for (const auto& [key, value] : *files) {
      const auto* row = value.if_array();
      if (!row || row->size() != 3 || !(*row)[0].is_int64() || !(*row)[1].is_int64() || !(*row)[2].is_string()) {
        continue;
      }
      Entry e;
      e.size = (*row)[0].as_int64();
      e.mtimeNs = (*row)[1].as_int64();
      e.sha256 = std::string((*row)[2].as_string());
      if (isSha256Hex(e.sha256)) entries_.emplace(std::string(key), std::move(e));
    }
  } catch (const std::exception&) {
    entries_.clear();  // unreadable or not ours: start afresh
    dirty_ = true;
  }
}

std::optional<std::string> HashCache::lookup(const fs::path& file, std::int64_t size, std::int64_t mtimeNs) const {
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(file.native());
  if (it == entries_.end() || it->second.size != size || it->second.mtimeNs != mtimeNs) return std::nullopt;
  it->second.used = true;
  return it->second.sha256;
}

void HashCache::record(const fs::path& file, std::int64_t size, std::int64_t mtimeNs, const std::string& sha256) {
  if (!isSha256Hex(sha256) || !validUtf8(file.native())) return;
  std::lock_guard lock(mutex_);
  Entry& e = entries_[file.native()];
  if (e.size == size && e.mtimeNs == mtimeNs && e.sha256 == sha256 && e.used) return;
  e = Entry{size, mtimeNs, sha256, true};
  dirty_ = true;
}

void HashCache::pruneBelow(const fs::path& root) {
  std::string prefix = root.native();
  if (!prefix.ends_with('/')) prefix += '/';
  std::lock_guard lock(mutex_);
  for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.starts_with(prefix);) {
    if (it->second.used) {
      ++it;
    } else {
      it = entries_.erase(it);
      dirty_ = true;
    }
  }
}

bool HashCache::save() {
  std::lock_guard lock(mutex_);
  if (!file_ || !dirty_) return true;
  try {
    boost::json::object files;
    files.reserve(entries_.size());
    for (const auto& [path, e] : entries_) files[path] = boost::json::array{e.size, e.mtimeNs, e.sha256};
    boost::json::object doc;
    doc["files"] = std::move(files);
    std::error_code ec;
    fs::create_directories(file_->parent_path(), ec);
    writePrivateFile(*file_, boost::json::serialize(doc));
    dirty_ = false;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace quillbox::cli
