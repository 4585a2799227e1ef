#include "emulator/Core.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include "emulator/Crypto.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"

namespace quillbox::emulator {

namespace fs = std::filesystem;

// ---- life -----------------------------------------------------------------------

Core::Core(ServiceConfig settings, Storage& store) : config(std::move(settings)), storage(store) {
  bool loaded = false;
  if (config.dataDir) {
    makePrivateFolder(*config.dataDir);
    const fs::path file = *config.dataDir / "state.json";
    if (fs::exists(file)) {
      // An older run may have left it readable by others.
      fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
      std::ifstream in(file, std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      if (!loadState(text.str(), state, storage, error)) {
        throw std::runtime_error(file.string() + ": " + error);
      }
      loaded = true;
    }
  }
  if (!loaded) seed();
  if (state.secret.empty()) state.secret = randomHex(32);
  if (config.dataDir) {
    if (!loaded) writeState(saveState(state));
    flusher_ = std::thread([this] { flusherLoop(); });
  }
}

Core::~Core() {
  if (flusher_.joinable()) {
    {
      std::lock_guard lock(flushMutex_);
      stopping_ = true;
    }
    flushWake_.notify_all();
    flusher_.join();
    flush();
  }
}

void Core::setBaseUrl(std::string url) {
  std::lock_guard lock(mutex);
  config.baseUrl = std::move(url);
}

Millis Core::now() const {
  if (config.clock) return config.clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Core::markDirty() {
  if (!config.dataDir) return;
  {
    std::lock_guard lock(flushMutex_);
    dirty_ = true;
  }
  flushWake_.notify_all();
}

void Core::flush() {
  if (!config.dataDir) return;
  std::string text;
  {
    std::lock_guard lock(mutex);
    text = saveState(state);
  }
  writeState(text);
}

void Core::flusherLoop() {
  std::unique_lock lock(flushMutex_);
  while (!stopping_) {
    flushWake_.wait(lock, [&] { return dirty_ || stopping_; });
    if (stopping_) break;
    // Gather the changes of a short while into one write.
    flushWake_.wait_for(lock, std::chrono::milliseconds(50), [&] { return stopping_; });
    dirty_ = false;
    lock.unlock();
    flush();
    lock.lock();
  }
}

void Core::writeState(const std::string& text) {
  // Written whole beside the old one, then renamed over it: a reader (or a
  // crash) sees the old state or the new one, never a mix. Owner-only from
  // the first byte, also when a temporary file was left behind wider.
  const fs::path file = *config.dataDir / "state.json";
  const fs::path temp = *config.dataDir / "state.json.tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;
  bool good = ::fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; good && done < text.size();) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    good = put > 0;
    if (good) done += static_cast<std::size_t>(put);
  }
  good = ::fsync(fd) == 0 && good;
  good = ::close(fd) == 0 && good;
  std::error_code ignored;
  if (!good) {
    fs::remove(temp, ignored);
    return;
  }
  fs::rename(temp, file, ignored);
}

// ---- lookups ----------------------------------------------------------------------

const UserRec& Core::caller(const HttpRequest& req) {
  const UserRec& u = requireUser(req);
  settleJobs();
  return u;
}

const UserRec& Core::requireUser(const HttpRequest& req) {
  std::string_view token = req.authorization;
  if (token.starts_with("Bearer ")) token.remove_prefix(7);
  if (token.empty()) throw ApiError{401, "the Authorization header with an access token is required"};
  auto it = state.tokens.find(std::string(token));
  if (it == state.tokens.end()) throw ApiError{401, "the access token is not valid"};
  auto u = state.users.find(it->second);
  if (u == state.users.end()) throw ApiError{401, "the access token is not valid"};
  return u->second;
}

NodeRec& Core::requireNode(const UserRec& u, const std::string& id) {
  if (id.empty()) throw ApiError{400, "a file id is required"};
  NodeRec* n = state.ownedNode(u, id);
  if (!n) throw ApiError{404, "no such file: " + id};
  return *n;
}

NodeRec& Core::requireFolder(const UserRec& u, const std::string& id) {
  NodeRec& n = requireNode(u, id);
  if (!n.folder) throw ApiError{400, "not a folder: " + id};
  return n;
}

void Core::checkContainer(const UserRec& u, const std::optional<std::string>& containerId) {
  if (containerId && !containerId->empty() && *containerId != u.containerId) {
    throw ApiError{404, "no such container: " + *containerId};
  }
}

std::string Core::newId(std::string_view prefix) { return std::string(prefix) + randomHex(8); }

std::string Core::sign(std::string_view kind, std::string_view id, std::int64_t expires) const {
  std::string message;
  message.reserve(kind.size() + id.size() + 24);
  message.append(kind).append("\n").append(id).append("\n").append(std::to_string(expires));
  return hmacSha256Hex(state.secret, message);
}

std::string Core::downloadUrl(const NodeRec& n) const {
  const std::int64_t expires = now() / 1000 + config.linkTtl.count();
  return config.baseUrl + std::string(kDownloadPrefix) + n.id + "?expires=" + std::to_string(expires) +
         "&signature=" + sign("download", n.id, expires);
}

std::string Core::partUrl(const std::string& uploadId, std::int64_t partNumber) const {
  const std::int64_t expires = now() / 1000 + config.linkTtl.count();
  const std::string partId = uploadId + "." + std::to_string(partNumber);
  return config.baseUrl + std::string(kUploadPrefix) + uploadId + "/" + std::to_string(partNumber) +
         "?expires=" + std::to_string(expires) + "&signature=" + sign("part", partId, expires);
}

std::vector<DownloadLink> Core::contentLinks(const std::string& url) {
  DownloadLink link;
  link.usage = "content";
  link.downloadLink = url;
  link.version = 1;
  return {link};
}

std::vector<DownloadLink> Core::links(const NodeRec& n) const {
  if (n.folder) return {};
  return contentLinks(downloadUrl(n));
}

std::string Core::resolveClash(const std::string& parentId, const std::string& name, ClashPolicy policy,
                                  const std::string& selfId) {
  NodeRec* other = state.childNamed(parentId, name);
  if (!other || other->id == selfId) return name;
  switch (policy) {
    case ClashPolicy::fail: throw ApiError{409, "\"" + name + "\" already exists in this folder"};
    case ClashPolicy::rename: return state.freeName(parentId, name);
    case ClashPolicy::overwrite: break;
  }
  if (other->folder) throw ApiError{409, "\"" + name + "\" is a folder and cannot be replaced"};
  state.erase(other->id);
  dropUnusedBlobs();
  return name;
}

void Core::dropUnusedBlobs() {
  for (auto it = state.blobs.begin(); it != state.blobs.end();) {
    if (it->second.refs <= 0) {
      storage.removeBlob(it->first);
      it = state.blobs.erase(it);
    } else {
      ++it;
    }
  }
}

std::string Core::copyTree(const UserRec& u, const NodeRec& src, const std::string& parentId,
                              const std::string& name) {
  // What to copy, a folder before what it holds; taken whole before the
  // first copy goes in, so the copies are never copied again.
  std::vector<NodeRec> sources{src};
  if (src.folder) {
    state.walkBelow(src.id, [&](const NodeRec& n) {
      sources.push_back(n);
      return true;
    });
  }
  std::unordered_map<std::string, std::string> copyOf;  // source id -> id of its copy
  const Millis time = now();
  for (std::size_t i = 0; i < sources.size(); ++i) {
    NodeRec copy = std::move(sources[i]);
    const std::string sourceId = copy.id;
    copy.id = newId("f");
    copy.ownerId = u.userId;
    if (i == 0) {
      copy.parentId = parentId;
      copy.name = name;
    } else {
      copy.parentId = copyOf.at(copy.parentId);
    }
    copy.createdTime = copy.editedTime = time;
    if (!copy.folder) state.addRef(copy.sha256, state.blobOf(copy.sha256));
    copyOf.emplace(sourceId, copy.id);
    state.insert(std::move(copy));
  }
  return copyOf.at(src.id);
}

// ---- users ---------------------------------------------------------------------

UserRec& Core::createUser(std::string name, std::string authCodeHash, std::int64_t deptId, std::int64_t role) {
  UserRec u;
  u.userId = newId("u");
  u.innerId = state.nextInnerId++;
  u.name = std::move(name);
  u.authCodeHash = std::move(authCodeHash);
  u.containerId = newId("c");
  u.rootId = newId("r");
  u.capacity = config.capacity;
  u.deptId = deptId;
  u.mobile = "1390000" + std::to_string(1000 + u.innerId % 9000);
  u.role = role;
  u.status = 0;
  u.createTime = now();
  u.orders.push_back({"basic", u.createTime, u.createTime + kYear});
  NodeRec root;
  root.id = u.rootId;
  root.ownerId = u.userId;
  root.name = "root";
  root.folder = true;
  root.mimeType = "inode/directory";
  root.fileType = "10";
  root.createdTime = root.editedTime = u.createTime;
  const std::string id = u.userId;
  state.users[id] = std::move(u);
  state.insert(std::move(root));
  return state.users[id];
}

void Core::seed() {
  state.departments = {{100, 0, "Quillbox"}, {101, 100, "Engineering"}, {102, 100, "Sales"}, {103, 101, "Platform"}};
  // A small directory of people who never sign in, so that user lists have content.
  createUser("Ada Lovelace", {}, 101, 1);
  createUser("Grace Hopper", {}, 101, 0);
  createUser("Katherine Johnson", {}, 103, 0);
  createUser("Edsger Dijkstra", {}, 103, 0);
  createUser("Margaret Hamilton", {}, 102, 1);
  createUser("Alan Turing", {}, 102, 0);
}

// ---- jobs ------------------------------------------------------------------------

std::int64_t Core::jobStatus(const JobRec& j) const {
  if (j.cancelled) return kCancelled;
  if (j.applied) {
    const bool anyDone = std::any_of(j.files.begin(), j.files.end(), [](const JobFile& f) { return f.status == "2"; });
    return anyDone || j.files.empty() ? kSucceeded : kFailed;
  }
  const Millis elapsed = now() - j.createTime;
  return elapsed < j.duration / 10 ? kWaiting : kRunning;
}

void Core::settleJobs() {
  const Millis t = now();
  for (auto& [id, j] : state.jobs) {
    if (j.applied || j.cancelled || t < j.createTime + j.duration) continue;
    applyJob(j);
  }
}

void Core::applyJob(JobRec& j) {
  j.applied = true;
  j.endTime = j.createTime + j.duration;
  auto owner = state.users.find(j.userId);
  if (owner == state.users.end()) return;
  UserRec& u = owner->second;
  const NodeRec* dest = state.folderOf(u, j.destFolderId);
  const ClashPolicy policy = clashPolicy(j.actionType);
  for (auto& f : j.files) {
    auto failWith = [&](const char* code, std::string desc) {
      f.status = "3";
      f.resultCode = code;
      f.resultDesc = std::move(desc);
    };
    NodeRec* src = state.ownedNode(u, f.fileId);
    if (!dest) {
      failWith("404", "the destination folder no longer exists");
      continue;
    }
    if (!src || src->parentId.empty()) {
      failWith("404", "no such file");
      continue;
    }
    if (src->folder && state.isInside(dest->id, src->id)) {
      failWith("400", "a folder cannot go inside itself");
      continue;
    }
    if (j.taskType == kCopy) {
      std::int64_t bytes = 0;
      std::vector<const NodeRec*> stack{src};
      while (!stack.empty()) {
        const NodeRec* n = stack.back();
        stack.pop_back();
        bytes += n->folder ? 0 : n->size;
        auto kids = state.children.find(n->id);
        if (kids == state.children.end()) continue;
        for (const auto& k : kids->second) {
          if (const NodeRec* c = state.node(k)) stack.push_back(c);
        }
      }
      if (bytes > u.capacity - u.spaceUsed) {
        failWith("507", "not enough space");
        continue;
      }
    }
    try {
      const std::string destId = dest->id;
      const std::string srcId = src->id;
      const NodeRec snapshot = *src;
      // A copy never replaces its own source: it takes a free name instead.
      const NodeRec* clash = state.childNamed(destId, snapshot.name);
      const ClashPolicy effective =
          j.taskType == kCopy && clash && clash->id == srcId && policy == ClashPolicy::overwrite ? ClashPolicy::rename
                                                                                                 : policy;
      const std::string name = resolveClash(destId, snapshot.name, effective, j.taskType == kMove ? srcId : "");
      std::string newId;
      if (j.taskType == kCopy) {
        newId = copyTree(u, snapshot, destId, name);
      } else {
        NodeRec* moving = state.node(srcId);
        if (!moving) {
          failWith("404", "no such file");
          continue;
        }
        moving->name = name;
        state.move(*moving, destId);
        newId = srcId;
      }
      f.status = "2";
      f.resultCode = "0";
      f.resultDesc = "success";
      f.newFileId = newId;
      if (const NodeRec* made = state.node(newId)) f.newFilePath = state.namePath(*made);
      dest = state.folderOf(u, j.destFolderId);
    } catch (const ApiError& e) {
      failWith(e.status == 409 ? "409" : "400", e.msg);
      dest = state.folderOf(u, j.destFolderId);
    }
  }
  markDirty();
}

}  // namespace quillbox::emulator
