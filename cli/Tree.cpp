#include "Tree.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <set>
#include <system_error>

#include "Client.hpp"

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

std::size_t utf8Length(std::string_view text) {
  std::size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return n;
}

// "[...]" at the start of `p` against the character `c`: the length of the
// set in the pattern (0 when it is not a set) and whether `c` is in it.
std::size_t matchSet(std::string_view p, char c, bool& hit) {
  std::size_t i = 1;
  const bool negate = i < p.size() && (p[i] == '!' || p[i] == '^');
  if (negate) ++i;
  bool in = false;
  bool first = true;
  while (i < p.size() && (p[i] != ']' || first)) {
    first = false;
    char lo = p[i];
    if (lo == '\\' && i + 1 < p.size()) lo = p[++i];
    char hi = lo;
    if (i + 2 < p.size() && p[i + 1] == '-' && p[i + 2] != ']') {
      hi = p[i + 2];
      i += 2;
    }
    if (c >= lo && c <= hi) in = true;
    ++i;
  }
  if (i >= p.size()) return 0;  // no closing "]": a plain "["
  hit = in != negate && c != '/';
  return i + 1;
}

bool matchFrom(std::string_view p, std::string_view t) {
  while (!p.empty()) {
    if (p[0] == '*') {
      const bool deep = p.size() > 1 && p[1] == '*';
      std::string_view rest = p.substr(deep ? 2 : 1);
      if (deep && !rest.empty() && rest[0] == '/' && matchFrom(rest.substr(1), t)) return true;
      for (std::size_t i = 0; i <= t.size(); ++i) {
        if (matchFrom(rest, t.substr(i))) return true;
        if (i < t.size() && !deep && t[i] == '/') return false;
      }
      return false;
    }
    if (t.empty()) return false;
    if (p[0] == '?') {
      if (t[0] == '/') return false;
      p.remove_prefix(1);
      t.remove_prefix(utf8Length(t));
      continue;
    }
    if (p[0] == '[') {
      bool hit = false;
      if (const std::size_t used = matchSet(p, t[0], hit)) {
        if (!hit) return false;
        p.remove_prefix(used);
        t.remove_prefix(1);
        continue;
      }
    }
    if (p[0] == '\\' && p.size() > 1) p.remove_prefix(1);
    if (p[0] != t[0]) return false;
    p.remove_prefix(1);
    t.remove_prefix(1);
  }
  return t.empty();
}

std::string_view lastName(std::string_view rel) {
  const auto slash = rel.rfind('/');
  return slash == std::string_view::npos ? rel : rel.substr(slash + 1);
}

// A pattern with "/" against the whole path; without, against any one name along it.
bool matchesAnyName(const std::string& pattern, std::string_view rel) {
  if (pattern.find('/') != std::string::npos) return globMatch(pattern, rel);
  for (std::size_t start = 0; start <= rel.size();) {
    const std::size_t slash = std::min(rel.find('/', start), rel.size());
    if (globMatch(pattern, rel.substr(start, slash - start))) return true;
    start = slash + 1;
  }
  return false;
}

bool excluded(const PathFilter& f, std::string_view rel) {
  return std::any_of(f.excludes.begin(), f.excludes.end(),
                     [rel](const std::string& p) { return matchesAnyName(p, rel); });
}

std::string joinRel(const std::string& prefix, std::string_view name) {
  return prefix.empty() ? std::string(name) : prefix + "/" + std::string(name);
}

void scanFolder(const fs::path& dir, const std::string& prefix, const PathFilter& filter, LocalTree& tree) {
  std::error_code ec;
  std::vector<fs::path> children;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) children.push_back(it->path());
  if (ec) {
    tree.skipped.push_back((prefix.empty() ? dir.native() : prefix) + ": cannot read the folder (" + ec.message() + ")");
    return;
  }
  std::sort(children.begin(), children.end());
  for (const auto& child : children) {
    const std::string rel = joinRel(prefix, child.filename().native());
    struct stat link {}, info {};
    if (::lstat(child.c_str(), &link) != 0 || ::stat(child.c_str(), &info) != 0) {
      tree.skipped.push_back(rel + ": " + std::error_code(errno, std::generic_category()).message());
      continue;
    }
    if (S_ISDIR(info.st_mode)) {
      if (S_ISLNK(link.st_mode)) {
        if (filter.takesFolder(rel)) tree.skipped.push_back(rel + ": a symbolic link to a folder is not followed");
        continue;
      }
      if (!filter.takesFolder(rel)) continue;
      tree.entries.push_back({rel, child, true, 0, 0});
      scanFolder(child, rel, filter, tree);
    } else if (S_ISREG(info.st_mode)) {
      if (!filter.takesFile(rel)) continue;
      const std::int64_t mtime =
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + static_cast<std::int64_t>(info.st_mtim.tv_nsec);
      tree.entries.push_back({rel, child, false, static_cast<std::int64_t>(info.st_size), mtime});
    } else if (filter.takesFile(rel)) {
      tree.skipped.push_back(rel + ": not a regular file");
    }
  }
}

}  // namespace

bool globMatch(std::string_view pattern, std::string_view text) { return matchFrom(pattern, text); }

bool PathFilter::takesFolder(std::string_view rel) const { return !excluded(*this, rel); }

bool PathFilter::takesFile(std::string_view rel) const {
  if (excluded(*this, rel)) return false;
  if (includes.empty()) return true;
  return std::any_of(includes.begin(), includes.end(), [rel](const std::string& p) {
    return p.find('/') != std::string::npos ? globMatch(p, rel) : globMatch(p, lastName(rel));
  });
}

bool safeLocalName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

LocalTree scanLocal(const fs::path& root, const PathFilter& filter) {
  LocalTree tree;
  scanFolder(root, "", filter, tree);
  return tree;
}

RemoteTree walkRemote(Client& client, const std::string& folderId, const PathFilter& filter) {
  RemoteTree tree;
  std::deque<std::pair<std::string, std::string>> folders{{folderId, ""}};
  while (!folders.empty()) {
    const auto [id, prefix] = folders.front();
    folders.pop_front();
    std::set<std::string> seen;
    for (auto& e : client.listAll(id)) {
      const std::string name = e.fileName.value_or("");
      const std::string rel = joinRel(prefix, name);
      if (!safeLocalName(name) || !e.id || e.id->empty()) {
        tree.skipped.push_back(rel + ": the name or id cannot be used");
        continue;
      }
      if (!seen.insert(name).second) {
        tree.skipped.push_back(rel + ": a second entry of the same name");
        continue;
      }
      RemoteEntry r;
      r.rel = rel;
      r.id = *e.id;
      r.parentId = id;
      r.name = name;
      r.folder = isFolder(e.fileType, e.mimeType);
      if (r.folder ? !filter.takesFolder(rel) : !filter.takesFile(rel)) continue;
      if (!r.folder) {
        r.size = e.size.value_or(0);
        if (e.sha256 && !e.sha256->empty()) {
          std::string sha = *e.sha256;
          std::transform(sha.begin(), sha.end(), sha.begin(), [](unsigned char c) { return std::tolower(c); });
          r.sha256 = std::move(sha);
        }
      } else {
        folders.emplace_back(r.id, rel);
      }
      tree.entries.push_back(std::move(r));
    }
  }
  return tree;
}

}  // namespace quillbox::cli
