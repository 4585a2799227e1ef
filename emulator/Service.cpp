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
std::vector<std::string> segmentsOf(std::string_view rest) {
  std::vector<std::string> out;
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

std::map<std::string, std::string, std::less<>> queryOf(std::string_view query) {
  std::map<std::string, std::string, std::less<>> out;
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

bool Service::faultable(std::string_view path) const { return !path.starts_with(kControlPrefix); }

BodyPlan Service::plan(const HttpRequest& head) {
  BodyPlan plan;
  if (head.path.starts_with(kUploadPrefix)) return planPart(head);
  if (head.path == "/quillbox/ose/v1/files/complete" && head.method == "POST") plan.heavy = true;
  return plan;
}

HttpResponse Service::handle(HttpRequest& req) {
  try {
    const std::string_view path = req.path;
    if (path.starts_with(kApiPrefix)) {
      const Segments seg = segmentsOf(path.substr(kApiPrefix.size()));
      const Query q = queryOf(req.query);
      if (seg.size() == 2 && seg[0] == "files" && seg[1] == "complete" && req.method == "POST") return complete(req);
      std::lock_guard lock(mutex_);
      ++requests_;
      return api(req, seg, q);
    }
    if (path.starts_with(kUploadPrefix)) return putPart(req);
    if (path.starts_with(kDownloadPrefix)) return download(req);
    if (path.starts_with(kControlPrefix)) return control(req, segmentsOf(path.substr(kControlPrefix.size())));
    if (path.starts_with(kSharePrefix)) return shareLanding(segmentsOf(path.substr(kSharePrefix.size())));
    throw ApiError{404, "no such endpoint: " + req.method + " " + req.path};
  } catch (const ApiError& e) {
    return errorResponse(e.status, e.msg);
  } catch (const JsonEncodeError& e) {
    return errorResponse(500, std::string("cannot encode the answer: ") + e.what());
  }
}

HttpResponse Service::api(HttpRequest& req, const Segments& s, const Query& q) {
  const std::string& m = req.method;
  auto need = [&](std::string_view method) {
    if (m != method) throw ApiError{405, "method " + m + " is not allowed here"};
  };
  auto user = [&]() -> const UserRec& {
    const UserRec& u = requireUser(req);
    settleJobs();
    return u;
  };
  auto is = [&](std::initializer_list<std::string_view> parts) {
    if (s.size() != parts.size()) return false;
    std::size_t i = 0;
    for (std::string_view p : parts) {
      if (p != "*" && s[i] != p) return false;
      ++i;
    }
    return true;
  };

  // user and carrier
  if (is({"carrier", "standard", "user", "auth"})) {
    need("POST");
    return signIn(req);
  }
  if (is({"carrier", "standard", "packages"})) {
    need("GET");
    user();
    return packages();
  }
  if (is({"carrier", "standard", "packages", "orders"})) {
    need("GET");
    return packageOrders(user());
  }
  if (is({"space", "*"})) {
    need("GET");
    return getSpace(user(), s[1], q);
  }
  if (is({"users", "*"})) {
    need("GET");
    user();
    return getUserById(s[1]);
  }
  if (is({"userList"})) {
    need("GET");
    user();
    return getUserList(q);
  }
  // files
  if (is({"files", "rename", "*"})) {
    need("POST");
    return rename(user(), s[2], req);
  }
  if (is({"files", "*", "detail"})) {
    need("POST");
    return fileDetail(user(), s[1], req);
  }
  if (is({"files", "multipart", "uploadUrl"})) {
    need("POST");
    return uploadUrls(user(), req);
  }
  if (is({"files", "search"})) {
    need("POST");
    return fileSearch(user(), req);
  }
  if (is({"files", "path"})) {
    need("GET");
    return filesPath(user(), q);
  }
  if (is({"files", "statsDir"})) {
    need("GET");
    return filesStatsDir(user(), q);
  }
  if (is({"files", "download"})) {
    need("POST");
    return downloadUrls(user(), req);
  }
  if (is({"files", "create"})) {
    need("POST");
    return filesCreate(user(), req);
  }
  if (is({"files", "complete"})) throw ApiError{405, "method " + m + " is not allowed here"};
  if (is({"files", "*"})) {
    need("POST");
    return filesList(user(), s[1], req);
  }
  if (is({"access"})) {
    need("GET");
    return accessFiles(user());
  }
  if (is({"directory"})) {
    need("POST");
    return createDirectory(user(), req);
  }
  // shares
  if (is({"share"})) {
    if (m == "GET") return getShares(user(), q);
    need("POST");
    return createShare(user(), req);
  }
  if (is({"share", "cancel"})) {
    need("POST");
    return cancelShare(user(), req);
  }
  if (is({"share", "files"})) {
    need("POST");
    return shareFiles(user(), req);
  }
  if (is({"share", "*"})) {
    if (m == "GET") return shareDetail(user(), s[1]);
    need("PUT");
    return modifyShare(user(), s[1], req);
  }
  // stars and jobs
  if (is({"star", "files"})) {
    need("GET");
    return starFiles(user(), q);
  }
  if (is({"star", "batch"})) {
    need("POST");
    return starBatch(user(), req);
  }
  if (is({"jobs"})) {
    if (m == "GET") return getJobs(user(), q);
    need("POST");
    return createJob(user(), req);
  }
  if (is({"cancel"})) {
    need("POST");
    return cancelJob(user(), req);
  }
  if (s.size() == 1 && !s[0].empty() && m == "GET") return jobDetail(user(), s[0]);
  throw ApiError{404, "no such endpoint: " + m + " " + req.path};
}

// ---- control ------------------------------------------------------------------------

HttpResponse Service::control(HttpRequest& req, const Segments& s) {
  const std::string& m = req.method;
  if (s.size() == 1 && s[0] == "health") return jsonResponse(200, R"({"status":"ok"})");
  if (s.size() == 1 && s[0] == "faults") {
    if (m == "GET") return jsonResponse(200, faults_.describe());
    if (m == "DELETE") {
      bj::object o;
      o["cleared"] = faults_.clear();
      return jsonResponse(200, bj::serialize(o));
    }
    if (m == "POST") {
      auto parsed = Fault::parse(req.body);
      if (auto* error = std::get_if<std::string>(&parsed)) throw ApiError{400, *error};
      auto fault = std::get<Fault>(std::move(parsed));
      const std::string kind(kindName(fault.kind));
      bj::object o;
      o["id"] = faults_.arm(std::move(fault));
      o["kind"] = kind;
      return jsonResponse(201, bj::serialize(o));
    }
    throw ApiError{405, "method " + m + " is not allowed here"};
  }
  if (s.size() == 2 && s[0] == "faults") {
    if (m != "DELETE") throw ApiError{405, "method " + m + " is not allowed here"};
    std::uint64_t id = 0;
    try {
      id = std::stoull(s[1]);
    } catch (const std::exception&) {
      throw ApiError{400, "fault ids are numbers"};
    }
    if (!faults_.remove(id)) throw ApiError{404, "no such fault: " + s[1]};
    return jsonResponse(200, R"({"removed":true})");
  }
  if (s.size() == 1 && s[0] == "requests") {
    if (m == "GET") return jsonResponse(200, faults_.describeRequests());
    if (m == "DELETE") {
      faults_.clearRequests();
      return jsonResponse(200, R"({"cleared":true})");
    }
    throw ApiError{405, "method " + m + " is not allowed here"};
  }
  if (s.size() == 1 && s[0] == "stats") {
    if (m != "GET") throw ApiError{405, "method " + m + " is not allowed here"};
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
  throw ApiError{404, "no such control endpoint: " + req.path};
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
