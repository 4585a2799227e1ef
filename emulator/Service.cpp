#include "emulator/Service.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include <boost/json.hpp>

#include "emulator/Crypto.hpp"
#include "emulator/Faults.hpp"
#include "emulator/ServiceUtil.hpp"
#include "emulator/Text.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/job/JobRecords.hpp"
#include "quillbox/services/share/ShareRecords.hpp"
#include "quillbox/services/user/UserRecords.hpp"

namespace quillbox::emulator {

namespace fs = std::filesystem;
namespace bj = boost::json;

namespace {

constexpr std::string_view kApiPrefix = "/quillbox/ose/v1/";
constexpr std::string_view kControlPrefix = "/_emulator/";
constexpr std::string_view kUploadPrefix = "/_upload/";
constexpr std::string_view kDownloadPrefix = "/_download/";
constexpr std::string_view kSharePrefix = "/s/";

// Splits "a/b/c" into decoded segments; a raw "." or ".." segment is refused.
// Decoded text is made valid UTF-8: handlers quote it in their answers.
Segments segmentsOf(std::string_view rest) {
  Segments out;
  std::size_t start = 0;
  while (true) {
    const auto slash = rest.find('/', start);
    const std::string_view raw = rest.substr(start, slash == std::string_view::npos ? rest.npos : slash - start);
    if (raw == "." || raw == "..") throw ApiError{400, "dot segments are not allowed in paths"};
    auto decoded = percentDecode(raw);
    if (!decoded) throw ApiError{400, "malformed percent-encoding in the path"};
    out.push_back(toValidUtf8(*decoded));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return out;
}

Query queryOf(std::string_view query) {
  Query out;
  std::size_t start = 0;
  while (start <= query.size() && !query.empty()) {
    const auto amp = query.find('&', start);
    const std::string_view item = query.substr(start, amp == std::string_view::npos ? query.npos : amp - start);
    if (!item.empty()) {
      const auto eq = item.find('=');
      auto key = percentDecode(item.substr(0, eq));
      auto value = percentDecode(eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1));
      if (!key || !value) throw ApiError{400, "malformed percent-encoding in the query"};
      out[toValidUtf8(*key)] = toValidUtf8(*value);
    }
    if (amp == std::string_view::npos) break;
    start = amp + 1;
  }
  return out;
}

HttpResponse jsonResponse(unsigned status, std::string body) {
  HttpResponse r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

}  // namespace

// ---- life -----------------------------------------------------------------------

Service::Service(ServiceConfig config, Storage& storage, FaultRegistry& faults)
    : config_(std::move(config)), storage_(storage), faults_(faults) {
  buildRoutes();
  bool loaded = false;
  if (config_.dataDir) {
    makePrivateFolder(*config_.dataDir);
    const fs::path file = *config_.dataDir / "state.json";
    if (fs::exists(file)) {
      // An older run may have left it readable by others.
      fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
      std::ifstream in(file, std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      if (!loadState(text.str(), state_, storage_, error)) {
        throw std::runtime_error(file.string() + ": " + error);
      }
      loaded = true;
    }
  }
  if (!loaded) seed();
  if (state_.secret.empty()) state_.secret = randomHex(32);
  if (config_.dataDir) {
    if (!loaded) writeState(saveState(state_));
    flusher_ = std::thread([this] { flusherLoop(); });
  }
}

Service::~Service() {
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

void Service::setBaseUrl(std::string url) {
  std::lock_guard lock(mutex_);
  config_.baseUrl = std::move(url);
}

Millis Service::now() const {
  if (config_.clock) return config_.clock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void Service::markDirty() {
  if (!config_.dataDir) return;
  {
    std::lock_guard lock(flushMutex_);
    dirty_ = true;
  }
  flushWake_.notify_all();
}

void Service::flush() {
  if (!config_.dataDir) return;
  std::string text;
  {
    std::lock_guard lock(mutex_);
    text = saveState(state_);
  }
  writeState(text);
}

void Service::flusherLoop() {
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

void Service::writeState(const std::string& text) {
  // Written whole beside the old one, then renamed over it: a reader (or a
  // crash) sees the old state or the new one, never a mix. Owner-only from
  // the first byte, also when a temporary file was left behind wider.
  const fs::path file = *config_.dataDir / "state.json";
  const fs::path temp = *config_.dataDir / "state.json.tmp";
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

// ---- routing ----------------------------------------------------------------------

// Where a path leads: the area by its prefix, then the route in the area's table.
struct Service::Area {
  std::string_view prefix;
  bool decode = true;    // percent-decode the segments (else the handler parses the path)
  bool query = false;    // read the query items
  bool locked = false;   // an unknown route is answered under the lock and counted
  bool control = false;  // its misses say "no such control endpoint"
  RouteTable routes;
};

void Service::buildRoutes() {
  auto area = [this](std::string_view prefix, bool decode, bool query, bool locked, bool control) -> RouteTable& {
    auto a = std::make_unique<Area>();
    a->prefix = prefix;
    a->decode = decode;
    a->query = query;
    a->locked = locked;
    a->control = control;
    areas_.push_back(std::move(a));
    return areas_.back()->routes;
  };
  RouteTable& api = area(kApiPrefix, true, true, true, false);
  addUserRoutes(api);
  addFileRoutes(api);
  addShareRoutes(api);
  addJobRoutes(api);
  RouteTable& upload = area(kUploadPrefix, false, false, false, false);
  RouteTable& download = area(kDownloadPrefix, false, false, false, false);
  addTransferRoutes(upload, download);
  addControlRoutes(area(kControlPrefix, true, false, false, true));
  addShareLandingRoutes(area(kSharePrefix, true, false, false, false));
}

const Service::Area* Service::areaOf(std::string_view path) const {
  for (const auto& a : areas_) {
    if (path.starts_with(a->prefix)) return a.get();
  }
  return nullptr;
}

const UserRec& Service::caller(const HttpRequest& req) {
  const UserRec& u = requireUser(req);
  settleJobs();
  return u;
}

bool Service::faultable(std::string_view path) const { return !path.starts_with(kControlPrefix); }

BodyPlan Service::plan(const HttpRequest& head) {
  // Matched on the raw segments: a plan must not fail on a bad escape (the
  // handler reports that).
  const Area* area = areaOf(head.path);
  if (!area) return {};
  const auto match = area->routes.find(head.method, splitPath(std::string_view(head.path).substr(area->prefix.size())));
  if (!match.route) return {};
  if (match.route->plan) return match.route->plan(head);
  BodyPlan plan;
  plan.heavy = match.route->heavy;
  return plan;
}

HttpResponse Service::handle(HttpRequest& req) {
  try {
    const Area* area = areaOf(req.path);
    if (!area) throw ApiError{404, "no such endpoint: " + req.method + " " + req.path};
    const std::string_view rest = std::string_view(req.path).substr(area->prefix.size());
    Call call{req, area->decode ? segmentsOf(rest) : splitPath(rest), area->query ? queryOf(req.query) : Query()};
    const auto match = area->routes.find(req.method, call.seg);
    std::unique_lock lock(mutex_, std::defer_lock);
    if (match.route ? match.route->locked : area->locked) {
      lock.lock();
      ++requests_;
    }
    switch (match.outcome) {
      case RouteTable::Outcome::found: return match.route->handle(call);
      case RouteTable::Outcome::noMethod: throw ApiError{405, "method " + req.method + " is not allowed here"};
      case RouteTable::Outcome::noPath: break;
    }
    if (area->control) throw ApiError{404, "no such control endpoint: " + req.path};
    throw ApiError{404, "no such endpoint: " + req.method + " " + req.path};
  } catch (const ApiError& e) {
    return errorResponse(e.status, e.msg);
  } catch (const JsonEncodeError& e) {
    return errorResponse(500, std::string("cannot encode the answer: ") + e.what());
  }
}

// ---- control ------------------------------------------------------------------------

void Service::addControlRoutes(RouteTable& t) {
  auto json = [](std::string body) { return [body](Call&) { return jsonResponse(200, body); }; };
  t.add({"", "health", json(R"({"status":"ok"})")});
  t.add({"GET", "faults", [this](Call&) { return jsonResponse(200, faults_.describe()); }});
  t.add({"DELETE", "faults", [this](Call&) {
           bj::object o;
           o["cleared"] = faults_.clear();
           return jsonResponse(200, bj::serialize(o));
         }});
  t.add({"POST", "faults", [this](Call& c) {
           auto parsed = Fault::parse(c.req.body);
           if (auto* error = std::get_if<std::string>(&parsed)) throw ApiError{400, *error};
           auto fault = std::get<Fault>(std::move(parsed));
           const std::string kind(kindName(fault.kind));
           bj::object o;
           o["id"] = faults_.arm(std::move(fault));
           o["kind"] = kind;
           return jsonResponse(201, bj::serialize(o));
         }});
  t.add({"DELETE", "faults/*", [this](Call& c) {
           std::uint64_t id = 0;
           try {
             id = std::stoull(c.seg[1]);
           } catch (const std::exception&) {
             throw ApiError{400, "fault ids are numbers"};
           }
           if (!faults_.remove(id)) throw ApiError{404, "no such fault: " + c.seg[1]};
           return jsonResponse(200, R"({"removed":true})");
         }});
  t.add({"GET", "requests", [this](Call&) { return jsonResponse(200, faults_.describeRequests()); }});
  t.add({"DELETE", "requests", [this](Call&) {
           faults_.clearRequests();
           return jsonResponse(200, R"({"cleared":true})");
         }});
  t.add({"GET", "stats", [this](Call&) { return stats(); }});
}

HttpResponse Service::stats() {
  std::lock_guard lock(mutex_);
  std::int64_t files = 0, folders = 0;
  for (const auto& [id, n] : state_.nodes) (n.folder ? folders : files) += 1;
  std::int64_t blobs = 0;
  for (const auto& [sha, b] : state_.blobs) blobs += b.refs > 0 ? 1 : 0;
  bj::object o;
  o["users"] = state_.users.size();
  o["tokens"] = state_.tokens.size();
  o["files"] = files;
  o["folders"] = folders;
  o["blobs"] = blobs;
  o["pendingUploads"] = state_.uploads.size();
  o["partsReceived"] = state_.partsReceived;
  o["shares"] = state_.shares.size();
  o["jobs"] = state_.jobs.size();
  o["apiRequests"] = requests_;
  return jsonResponse(200, bj::serialize(o));
}

// ---- helpers ----------------------------------------------------------------------

const UserRec& Service::requireUser(const HttpRequest& req) {
  std::string_view token = req.authorization;
  if (token.starts_with("Bearer ")) token.remove_prefix(7);
  if (token.empty()) throw ApiError{401, "the Authorization header with an access token is required"};
  auto it = state_.tokens.find(std::string(token));
  if (it == state_.tokens.end()) throw ApiError{401, "the access token is not valid"};
  auto u = state_.users.find(it->second);
  if (u == state_.users.end()) throw ApiError{401, "the access token is not valid"};
  return u->second;
}

NodeRec& Service::requireNode(const UserRec& u, const std::string& id) {
  if (id.empty()) throw ApiError{400, "a file id is required"};
  NodeRec* n = state_.ownedNode(u, id);
  if (!n) throw ApiError{404, "no such file: " + id};
  return *n;
}

NodeRec& Service::requireFolder(const UserRec& u, const std::string& id) {
  NodeRec& n = requireNode(u, id);
  if (!n.folder) throw ApiError{400, "not a folder: " + id};
  return n;
}

void Service::checkContainer(const UserRec& u, const std::optional<std::string>& containerId) {
  if (containerId && !containerId->empty() && *containerId != u.containerId) {
    throw ApiError{404, "no such container: " + *containerId};
  }
}

std::string Service::newId(std::string_view prefix) { return std::string(prefix) + randomHex(8); }

std::string Service::sign(std::string_view kind, std::string_view id, std::int64_t expires) const {
  std::string message;
  message.reserve(kind.size() + id.size() + 24);
  message.append(kind).append("\n").append(id).append("\n").append(std::to_string(expires));
  return hmacSha256Hex(state_.secret, message);
}

std::string Service::downloadUrl(const NodeRec& n) const {
  const std::int64_t expires = now() / 1000 + config_.linkTtl.count();
  return config_.baseUrl + std::string(kDownloadPrefix) + n.id + "?expires=" + std::to_string(expires) +
         "&signature=" + sign("download", n.id, expires);
}

std::string Service::partUrl(const std::string& uploadId, std::int64_t partNumber) const {
  const std::int64_t expires = now() / 1000 + config_.linkTtl.count();
  const std::string partId = uploadId + "." + std::to_string(partNumber);
  return config_.baseUrl + std::string(kUploadPrefix) + uploadId + "/" + std::to_string(partNumber) +
         "?expires=" + std::to_string(expires) + "&signature=" + sign("part", partId, expires);
}

std::vector<DownloadLink> Service::contentLinks(const std::string& url) {
  DownloadLink link;
  link.usage = "content";
  link.downloadLink = url;
  link.version = 1;
  return {link};
}

std::vector<DownloadLink> Service::links(const NodeRec& n) const {
  if (n.folder) return {};
  return contentLinks(downloadUrl(n));
}

User Service::userRecord(const UserRec& owner, bool me) const {
  return User(std::string("user"), me, std::string(me ? "owner" : "viewer"), owner.userId, owner.name);
}

UserCapabilities Service::capabilities(bool owner) const {
  UserCapabilities c;
  c.viewPermission = true;
  c.downloadPermission = true;
  c.listChildNodePermission = true;
  c.copyPermission = owner;
  c.addChildNodePermission = owner;
  c.deletePermission = owner;
  c.editPermission = owner;
  c.removeChildNodePermission = owner;
  c.renameFilePermission = owner;
  c.shareFilePermission = owner;
  c.uploadPermission = owner;
  return c;
}

namespace {

const UserRec& ownerOf(const State& s, const NodeRec& n) {
  static const UserRec nobody;
  auto it = s.users.find(n.ownerId);
  return it == s.users.end() ? nobody : it->second;
}

Attachment fullAttachment(const NodeRec& n, const std::string& url) {
  SliceObject object;
  object.id = n.sha256;
  object.number = 1;
  object.start = 0;
  object.sha256 = n.sha256;
  object.length = n.size;
  object.bucket = "emulator";
  object.createdTime = isoTime(n.createdTime);
  object.modifiedTime = isoTime(n.editedTime);
  EndpointURL endpoint;
  endpoint.url = url;
  endpoint.method = "GET";
  object.downloadUrl = endpoint;
  Resource resource;
  resource.id = n.sha256;
  resource.hash = n.sha256;
  resource.length = n.size;
  resource.sha256 = n.sha256;
  resource.type = 0;
  resource.state = 0;
  resource.sliceSize = n.size;
  resource.createdTime = isoTime(n.createdTime);
  resource.modifiedTime = isoTime(n.editedTime);
  resource.object = object;
  Asset asset;
  asset.id = n.id + ".v1";
  asset.versionId = "1";
  asset.version = 1;
  asset.mimeType = n.mimeType;
  asset.state = 0;
  asset.createdTime = isoTime(n.createdTime);
  asset.modifiedTime = isoTime(n.editedTime);
  asset.lastModifyingUser = n.ownerId;
  asset.resource = resource;
  return Attachment(std::string("content"), n.sha256, n.sha256, n.id + ".v1", n.size, std::string("1"), n.mimeType,
                    isoTime(n.createdTime), isoTime(n.editedTime), std::nullopt, asset);
}

}  // namespace

// The fields every kind of file entry shares (listing, search hit, star).
template <class Entry>
void Service::fillEntry(Entry& e, const UserRec& u, const NodeRec& n) const {
  const UserRec& owner = ownerOf(state_, n);
  const bool mine = owner.userId == u.userId;
  e.id = n.id;
  e.fileName = n.name;
  e.fileType = n.fileType;
  e.mimeType = n.mimeType;
  e.recycled = false;
  e.parentFolder = std::vector<std::string>{n.parentId};
  e.owners = std::vector<User>{userRecord(owner, mine)};
  e.lastEditor = userRecord(owner, mine);
  e.userCapabilities = capabilities(mine);
  e.createdTime = isoTime(n.createdTime);
  e.editedTime = isoTime(n.editedTime);
}

// The file detail (ServiceFiles.cpp) is filled here too.
template void Service::fillEntry(GetFileDetailResponse&, const UserRec&, const NodeRec&) const;

bool Service::starredBy(const UserRec& u, const NodeRec& n) const {
  auto stars = state_.stars.find(u.userId);
  return stars != state_.stars.end() && stars->second.count(n.id) > 0;
}

FileListMetadata Service::listEntry(const UserRec& u, const NodeRec& n) const {
  FileListMetadata e;
  fillEntry(e, u, n);
  e.favorite = starredBy(u, n);
  e.idPath = state_.idPath(n);
  e.containers = std::vector<std::string>{ownerOf(state_, n).containerId};
  e.hidden = n.hidden;
  e.directlyRecycled = false;
  if (!n.folder) {
    const std::string url = downloadUrl(n);
    e.fileSuffix = suffixOf(n.name);
    e.sha256 = n.sha256;
    e.size = n.size;
    e.downloadLinks = contentLinks(url);
    FileListAttachment attachment(std::string("content"), n.sha256, n.sha256);
    attachment.asset = FileListAsset(
        n.mimeType, FileListResource(FileListSliceObject(n.sha256, 0, EndpointURLMetadata(url, std::string("GET")),
                                                         std::nullopt)));
    e.attachments = std::vector<FileListAttachment>{attachment};
  }
  return e;
}

FileBean Service::searchHit(const UserRec& u, const NodeRec& n) const {
  const UserRec& owner = ownerOf(state_, n);
  FileBean e;
  fillEntry(e, u, n);
  e.favorite = starredBy(u, n);
  e.idPath = state_.idPath(n);
  e.updateTime = isoTime(n.editedTime);
  e.namePath = state_.namePath(n);
  e.containerId = owner.containerId;
  e.containerType = "personal";
  e.owner = owner.name;
  e.ownerId = owner.userId;
  if (!n.folder) {
    const std::string url = downloadUrl(n);
    e.fileSuffix = suffixOf(n.name);
    e.sha256 = n.sha256;
    e.size = std::to_string(n.size);
    e.downloadLinks = contentLinks(url);
    e.attachments = std::vector<Attachment>{fullAttachment(n, url)};
  }
  return e;
}

StarFileInfo Service::starEntry(const UserRec& u, const NodeRec& n, Millis starred) const {
  const UserRec& owner = ownerOf(state_, n);
  StarFileInfo e;
  fillEntry(e, u, n);
  e.category = n.folder ? "folder" : "file";
  e.favorite = true;
  e.containers = std::vector<std::string>{owner.containerId};
  e.editedByMe = owner.userId == u.userId;
  e.starredTime = isoTime(starred);
  e.filePath = state_.namePath(n);
  e.spaceType = "personal";
  e.invalid = 0;
  e.hidden = n.hidden;
  if (!n.folder) {
    const std::string url = downloadUrl(n);
    const auto dot = n.name.find('.');
    e.fullFileSuffix = dot == std::string::npos || dot == 0 ? std::string() : n.name.substr(dot + 1);
    e.fileSuffix = suffixOf(n.name);
    e.size = n.size;
    e.sha256 = n.sha256;
    e.attachments = std::vector<Attachment>{fullAttachment(n, url)};
    e.downloadLinks = contentLinks(url);
  }
  return e;
}

ShareFileInfo Service::shareFileInfo(const NodeRec& n) const {
  ShareFileInfo f(n.id, n.name, n.fileType, n.folder ? std::nullopt : std::optional<std::int64_t>(n.size),
                  std::vector<std::string>{n.parentId},
                  n.folder ? std::nullopt : std::optional<std::string>(suffixOf(n.name)),
                  std::vector<std::string>{ownerOf(state_, n).containerId}, std::nullopt);
  f.mimeType = n.mimeType;
  f.recycled = false;
  return f;
}

ShareFile Service::shareFile(const NodeRec& n, bool withLinks) const {
  std::optional<std::vector<DownloadLink>> downloads;
  if (withLinks && !n.folder) downloads = links(n);
  ShareFile f(n.id, n.name, n.fileType, n.folder ? std::nullopt : std::optional<std::int64_t>(n.size),
              std::vector<std::string>{n.parentId},
              n.folder ? std::nullopt : std::optional<std::string>(suffixOf(n.name)),
              std::vector<std::string>{ownerOf(state_, n).containerId}, downloads);
  f.editedTime = isoTime(n.editedTime);
  return f;
}

std::string Service::resolveClash(const std::string& parentId, const std::string& name, ClashPolicy policy,
                                  const std::string& selfId) {
  NodeRec* other = state_.childNamed(parentId, name);
  if (!other || other->id == selfId) return name;
  switch (policy) {
    case ClashPolicy::fail: throw ApiError{409, "\"" + name + "\" already exists in this folder"};
    case ClashPolicy::rename: return state_.freeName(parentId, name);
    case ClashPolicy::overwrite: break;
  }
  if (other->folder) throw ApiError{409, "\"" + name + "\" is a folder and cannot be replaced"};
  state_.erase(other->id);
  dropUnusedBlobs();
  return name;
}

void Service::dropUnusedBlobs() {
  for (auto it = state_.blobs.begin(); it != state_.blobs.end();) {
    if (it->second.refs <= 0) {
      storage_.removeBlob(it->first);
      it = state_.blobs.erase(it);
    } else {
      ++it;
    }
  }
}

std::string Service::copyTree(const UserRec& u, const NodeRec& src, const std::string& parentId,
                              const std::string& name) {
  // What to copy, a folder before what it holds; taken whole before the
  // first copy goes in, so the copies are never copied again.
  std::vector<NodeRec> sources{src};
  if (src.folder) {
    state_.walkBelow(src.id, [&](const NodeRec& n) {
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
    if (!copy.folder) state_.addRef(copy.sha256, state_.blobOf(copy.sha256));
    copyOf.emplace(sourceId, copy.id);
    state_.insert(std::move(copy));
  }
  return copyOf.at(src.id);
}

}  // namespace quillbox::emulator
