#include "emulator/State.hpp"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include <boost/describe/class.hpp>
#include <boost/json.hpp>

#include "emulator/Crypto.hpp"
#include "emulator/Text.hpp"

namespace quillbox::emulator {

namespace bj = boost::json;

ClashPolicy clashPolicy(std::int64_t code) {
  if (code == 1) return ClashPolicy::fail;
  if (code == 3) return ClashPolicy::overwrite;
  return ClashPolicy::rename;
}

bool validName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameBytes || name == "." || name == ".." || !isValidUtf8(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F || c == '/' || c == '\\';
  });
}

// ---- tree -----------------------------------------------------------------------

const NodeRec* State::node(const std::string& id) const {
  auto it = nodes.find(id);
  return it == nodes.end() ? nullptr : &it->second;
}

NodeRec* State::node(const std::string& id) {
  auto it = nodes.find(id);
  return it == nodes.end() ? nullptr : &it->second;
}

NodeRec* State::ownedNode(const UserRec& user, const std::string& id) {
  NodeRec* n = node(id == "root" ? user.rootId : id);
  return n && n->ownerId == user.userId ? n : nullptr;
}

NodeRec* State::folderOf(const UserRec& user, const std::string& id) {
  NodeRec* n = ownedNode(user, id);
  return n && n->folder ? n : nullptr;
}

NodeRec* State::childNamed(const std::string& parentId, const std::string& name) {
  auto it = children.find(parentId);
  if (it == children.end()) return nullptr;
  for (const auto& childId : it->second) {
    NodeRec* child = node(childId);
    if (child && child->name == name) return child;
  }
  return nullptr;
}

std::string State::freeName(const std::string& parentId, const std::string& wanted) {
  if (!childNamed(parentId, wanted)) return wanted;
  const auto dot = wanted.rfind('.');
  const bool hasExt = dot != std::string::npos && dot > 0;
  const std::string_view stem = std::string_view(wanted).substr(0, hasExt ? dot : wanted.size());
  const std::string_view ext = hasExt ? std::string_view(wanted).substr(dot) : std::string_view();
  for (int n = 1;; ++n) {
    // A name that would grow past the limit gives up the end of its stem,
    // then the end of its extension, whole characters at a time.
    const std::string mark = " (" + std::to_string(n) + ")";
    const std::string_view keptExt = utf8Prefix(ext, kMaxNameBytes - mark.size());
    const std::string_view keptStem = utf8Prefix(stem, kMaxNameBytes - mark.size() - keptExt.size());
    std::string candidate = std::string(keptStem) + mark + std::string(keptExt);
    if (!childNamed(parentId, candidate)) return candidate;
  }
}

void State::insert(NodeRec n) {
  const std::string id = n.id;
  const std::string parent = n.parentId;
  if (!n.folder) {
    auto u = users.find(n.ownerId);
    if (u != users.end()) u->second.spaceUsed += n.size;
  }
  nodes[id] = std::move(n);
  if (!parent.empty()) children[parent].insert(id);
}

void State::erase(const std::string& id) {
  const NodeRec* top = node(id);
  if (!top) return;
  std::vector<std::string> doomed{id};
  walkBelow(id, [&](const NodeRec& n) {
    doomed.push_back(n.id);
    return true;
  });
  if (!top->parentId.empty()) {
    auto siblings = children.find(top->parentId);
    if (siblings != children.end()) siblings->second.erase(id);
  }
  for (const auto& gone : doomed) {
    auto it = nodes.find(gone);
    if (it == nodes.end()) continue;
    const NodeRec& n = it->second;
    if (!n.folder) {
      auto u = users.find(n.ownerId);
      if (u != users.end()) u->second.spaceUsed -= n.size;
      auto b = blobs.find(n.sha256);
      if (b != blobs.end()) --b->second.refs;  // the owner drops unreferenced content
    }
    for (auto& [user, starred] : stars) starred.erase(gone);
    children.erase(gone);
    nodes.erase(it);
  }
}

void State::move(NodeRec& n, const std::string& newParentId) {
  auto siblings = children.find(n.parentId);
  if (siblings != children.end()) siblings->second.erase(n.id);
  n.parentId = newParentId;
  children[newParentId].insert(n.id);
}

bool State::isInside(const std::string& id, const std::string& ancestorId) const {
  const NodeRec* n = node(id);
  // Bounded by the number of nodes: a chain can be no longer without a cycle.
  for (std::size_t steps = 0; n && steps <= nodes.size(); ++steps) {
    if (n->id == ancestorId) return true;
    if (n->parentId.empty()) return false;
    n = node(n->parentId);
  }
  return false;
}

std::vector<const NodeRec*> State::chain(const NodeRec& n) const {
  std::vector<const NodeRec*> out;
  const NodeRec* cur = &n;
  for (std::size_t steps = 0; cur && steps <= nodes.size(); ++steps) {
    out.push_back(cur);
    if (cur->parentId.empty()) break;
    cur = node(cur->parentId);
  }
  std::reverse(out.begin(), out.end());
  return out;
}

std::string State::namePath(const NodeRec& n) const {
  std::string out;
  for (const NodeRec* c : chain(n)) {
    if (c->parentId.empty()) continue;  // the root has no name in paths
    out += "/" + c->name;
  }
  return out.empty() ? "/" : out;
}

std::string State::idPath(const NodeRec& n) const {
  std::string out;
  for (const NodeRec* c : chain(n)) out += "/" + c->id;
  return out;
}

// ---- content ---------------------------------------------------------------------

void State::addRef(const std::string& sha256, std::shared_ptr<Blob> blob) {
  auto& entry = blobs[sha256];
  if (!entry.blob) entry.blob = std::move(blob);
  ++entry.refs;
}

std::shared_ptr<Blob> State::blobOf(const std::string& sha256) const {
  auto it = blobs.find(sha256);
  return it == blobs.end() ? nullptr : it->second.blob;
}

void State::touch(const std::string& userId, const std::string& fileId, std::int64_t operateType, Millis now) {
  auto& list = access[userId];
  list.erase(std::remove_if(list.begin(), list.end(), [&](const AccessRec& a) { return a.fileId == fileId; }),
             list.end());
  list.insert(list.begin(), AccessRec{fileId, now, operateType});
  if (list.size() > 100) list.resize(100);
}

void State::rebuildIndexes() {
  children.clear();
  for (auto& [id, b] : blobs) b.refs = 0;
  for (auto& [id, u] : users) u.spaceUsed = 0;
  for (const auto& [id, n] : nodes) {
    if (!n.parentId.empty()) children[n.parentId].insert(id);
    if (n.folder) continue;
    auto u = users.find(n.ownerId);
    if (u != users.end()) u->second.spaceUsed += n.size;
    auto b = blobs.find(n.sha256);
    if (b != blobs.end()) ++b->second.refs;
  }
}

// ---- on disk ----------------------------------------------------------------------
//
// The saved state is one JSON document written through Boost.JSON's conversions of
// the records described below. Derived members (space used, child index, reference
// counts, received parts) are left out and rebuilt when the state is read back.

BOOST_DESCRIBE_STRUCT(Order, (), (packageId, activateTime, endTime))
BOOST_DESCRIBE_STRUCT(UserRec, (),
                      (userId, innerId, name, authCodeHash, containerId, rootId, capacity, deptId, mobile, role,
                       status, createTime, orders))
BOOST_DESCRIBE_STRUCT(NodeRec, (),
                      (id, ownerId, parentId, name, folder, size, sha256, mimeType, fileType, description, hidden,
                       createdTime, editedTime))
BOOST_DESCRIBE_STRUCT(SharePerm, (), (preview, edit, download))
BOOST_DESCRIBE_STRUCT(ShareRec, (),
                      (shareId, shortUrl, ownerId, fileIds, scope, deptIds, groupIds, userIds, permission,
                       extractCode, expireTime, expireAt, comment, validDays, expiredType, createTime, updateTime,
                       viewCnt, downloadCnt, saveCnt))
BOOST_DESCRIBE_STRUCT(JobFile, (), (fileId, filePath, newFileId, newFilePath, status, resultCode, resultDesc))
BOOST_DESCRIBE_STRUCT(JobRec, (),
                      (jobId, userId, taskType, actionType, destFolderId, createTime, duration, endTime, cancelled,
                       applied, files))
BOOST_DESCRIBE_STRUCT(PartPlan, (), (number, size, offset, hashCtx))
BOOST_DESCRIBE_STRUCT(UploadRec, (),
                      (uploadId, fileId, userId, parentId, name, length, sha256, mimeType, fileType, description,
                       autoRename, hidden, createTime, parts))
BOOST_DESCRIBE_STRUCT(AccessRec, (), (fileId, time, operateType))
BOOST_DESCRIBE_STRUCT(Department, (), (id, parentId, name))

namespace {

constexpr std::int64_t kStateVersion = 2;

// Upload ids name folders of the part store: nothing that could leave it.
bool safeId(const std::string& id) {
  if (id.empty() || id.size() > 64) return false;
  return std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
  });
}

// Every node's chain of parents must end at a root folder: a parent that is
// missing or not a folder, or a chain that comes back on itself, is an error.
std::string treeProblem(const State& s) {
  // For each node, the walk up the tree that reached it first. Meeting a
  // node of the current walk again is a cycle; meeting one of an earlier
  // walk joins a chain already known to end at a root.
  std::unordered_map<std::string_view, std::size_t> reachedBy;
  reachedBy.reserve(s.nodes.size());
  std::size_t walk = 0;
  for (const auto& [id, start] : s.nodes) {
    ++walk;
    for (const NodeRec* n = &start;;) {
      const auto [seen, first] = reachedBy.emplace(n->id, walk);
      if (!first) {
        if (seen->second == walk) return "the folders above \"" + n->id + "\" form a cycle";
        break;
      }
      if (n->parentId.empty()) break;
      const NodeRec* parent = s.node(n->parentId);
      if (!parent) return "the parent \"" + n->parentId + "\" of \"" + n->id + "\" does not exist";
      if (!parent->folder) return "the parent \"" + n->parentId + "\" of \"" + n->id + "\" is not a folder";
      n = parent;
    }
  }
  return {};
}

template <class T>
T member(const bj::object& root, std::string_view key) {
  const bj::value* v = root.if_contains(key);
  if (!v) throw std::invalid_argument("\"" + std::string(key) + "\" is missing");
  try {
    return bj::value_to<T>(*v);
  } catch (const std::exception& e) {
    throw std::invalid_argument("\"" + std::string(key) + "\" does not read: " + e.what());
  }
}

}  // namespace

std::string saveState(const State& s) {
  std::vector<std::string> blobs;
  for (const auto& [sha, b] : s.blobs) {
    if (b.refs > 0) blobs.push_back(sha);
  }
  const bj::object root{{"version", kStateVersion},
                        {"secret", s.secret},
                        {"nextInnerId", s.nextInnerId},
                        {"partsReceived", s.partsReceived},
                        {"users", bj::value_from(s.users)},
                        {"tokens", bj::value_from(s.tokens)},
                        {"nodes", bj::value_from(s.nodes)},
                        {"blobs", bj::value_from(blobs)},
                        {"uploads", bj::value_from(s.uploads)},
                        {"shares", bj::value_from(s.shares)},
                        {"stars", bj::value_from(s.stars)},
                        {"jobs", bj::value_from(s.jobs)},
                        {"access", bj::value_from(s.access)},
                        {"departments", bj::value_from(s.departments)}};
  return bj::serialize(root);
}

bool loadState(const std::string& text, State& s, Storage& storage, std::string& error) {
  boost::system::error_code ec;
  const bj::value doc = bj::parse(text, ec);
  if (ec || !doc.is_object()) {
    error = "the saved state is not a JSON object";
    return false;
  }
  const bj::object& root = doc.as_object();
  const bj::value* version = root.if_contains("version");
  if (!version || !version->is_int64() || version->as_int64() != kStateVersion) {
    error = "the saved state has an unknown version";
    return false;
  }
  State loaded;
  try {
    loaded.secret = member<std::string>(root, "secret");
    loaded.nextInnerId = member<std::int64_t>(root, "nextInnerId");
    loaded.partsReceived = member<std::uint64_t>(root, "partsReceived");
    loaded.users = member<decltype(loaded.users)>(root, "users");
    loaded.tokens = member<decltype(loaded.tokens)>(root, "tokens");
    loaded.nodes = member<decltype(loaded.nodes)>(root, "nodes");
    loaded.shares = member<decltype(loaded.shares)>(root, "shares");
    loaded.stars = member<decltype(loaded.stars)>(root, "stars");
    loaded.jobs = member<decltype(loaded.jobs)>(root, "jobs");
    loaded.access = member<decltype(loaded.access)>(root, "access");
    loaded.departments = member<decltype(loaded.departments)>(root, "departments");
    // Content and parts come back from the store; a record whose bytes are gone
    // (or whose name could point outside the store) is not restored.
    for (const auto& sha : member<std::vector<std::string>>(root, "blobs")) {
      if (!isSha256Hex(sha)) continue;
      if (auto blob = storage.openBlob(sha)) loaded.blobs[sha].blob = std::move(blob);
    }
    for (auto& [id, up] : member<std::map<std::string, UploadRec>>(root, "uploads")) {
      if (!safeId(id) || up.uploadId != id) continue;
      for (const auto& p : up.parts) {
        auto blob = storage.openPart(id, p.number);
        if (blob && blob->size() == static_cast<std::uint64_t>(p.size)) up.received[p.number] = std::move(blob);
      }
      loaded.uploads.emplace(id, std::move(up));
    }
  } catch (const std::exception& e) {
    error = std::string("the saved state does not read: ") + e.what();
    return false;
  }
  std::erase_if(loaded.users, [](const auto& kv) { return kv.first != kv.second.userId; });
  std::erase_if(loaded.nodes, [](const auto& kv) { return kv.first != kv.second.id; });
  if (std::string problem = treeProblem(loaded); !problem.empty()) {
    error = "the saved file tree is broken: " + problem;
    return false;
  }
  s = std::move(loaded);
  s.rebuildIndexes();
  return true;
}

}  // namespace quillbox::emulator
