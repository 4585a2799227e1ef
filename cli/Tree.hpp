#pragma once
// Folder trees on both sides of a transfer: a local folder read from the
// file system, a drive folder read through listings, and the filter
// (--include / --exclude globs) both are read through. Paths inside a tree
// are relative to its top and use "/" between names.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillbox::cli {

class Client;

/// Whether `text` matches the glob `pattern`: "*" is any run of characters
/// but "/", "**" any run including "/" ("**/" also matches nothing), "?" one
/// character but "/", "[abc]", "[a-z]" and "[!abc]" one character of (or
/// not of) a set, and "\" takes the next character as it is.
bool globMatch(std::string_view pattern, std::string_view text);

/// Which paths of a tree take part. A pattern with a "/" is matched against
/// the whole relative path, one without against each name along it (so
/// "*.tmp" drops such files at any depth and "cache" a folder of that name
/// with everything in it).
struct PathFilter {
  std::vector<std::string> includes;
  std::vector<std::string> excludes;

  /// A folder is walked unless it is excluded.
  bool takesFolder(std::string_view rel) const;
  /// A file is taken unless it is excluded; when includes are given it must
  /// also match one of them.
  bool takesFile(std::string_view rel) const;
  bool narrowed() const { return !includes.empty(); }
};

struct LocalEntry {
  std::string rel;
  std::filesystem::path path;
  bool folder = false;
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
};

struct LocalTree {
  std::vector<LocalEntry> entries;  ///< parents before their children
  std::vector<std::string> skipped;  ///< what could not be taken, and why
};

/// The folders and regular files below `root` that `filter` takes (symbolic
/// links to files are followed, links to folders are not).
LocalTree scanLocal(const std::filesystem::path& root, const PathFilter& filter);

struct RemoteEntry {
  std::string rel;
  std::string id;
  std::string parentId;
  std::string name;
  bool folder = false;
  std::int64_t size = 0;
  std::optional<std::string> sha256;  ///< lower case
};

struct RemoteTree {
  std::vector<RemoteEntry> entries;  ///< parents before their children
  std::vector<std::string> skipped;  ///< names no local file can carry
};

/// The folders and files below the drive folder `folderId` that `filter`
/// takes, one listing per folder.
RemoteTree walkRemote(Client& client, const std::string& folderId, const PathFilter& filter);

/// Whether a name from the drive can be used as one local file name: not
/// empty, not "." or "..", without "/" or NUL.
bool safeLocalName(std::string_view name);

}  // namespace quillbox::cli
