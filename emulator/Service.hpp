#pragma once
// The open service as the emulator serves it: the thirty operations under
// "/quillbox/ose/v1/", part uploads to the addresses it hands out, downloads
// by link, and the control endpoints under "/_emulator/".

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "emulator/Http.hpp"
#include "emulator/Router.hpp"
#include "emulator/State.hpp"
#include "emulator/Storage.hpp"

namespace quillbox {
struct BaseResponse;
struct DownloadLink;
struct FileListMetadata;
struct FileBean;
struct StarFileInfo;
struct ShareFileInfo;
struct ShareFile;
struct User;
struct UserCapabilities;
struct UserInfo;
struct JobInfo;
struct JobDetailInfo;
struct TaskInfo;
struct CommonShareLink;
struct PageInfo;
}  // namespace quillbox

namespace quillbox::emulator {

class FaultRegistry;

/// A failure of a request, answered as the envelope {"code": status, "msg": msg}.
struct ApiError {
  unsigned status;
  std::string msg;
};

struct ServiceConfig {
  std::string baseUrl;                       // prefix of the addresses handed out
  std::int64_t capacity = 10LL << 30;        // bytes per user
  std::chrono::seconds linkTtl{3600};        // life of part and download addresses
  Millis jobDuration = 2000;                 // how long a job runs
  std::function<Millis()> clock;             // wall clock in ms; the system clock when empty
  std::optional<std::filesystem::path> dataDir;  // state.json is kept there
};

class Service final : public HttpHandler {
 public:
  /// Loads the saved state from the data folder when there is one.
  /// Throws std::runtime_error when the saved state cannot be read.
  Service(ServiceConfig config, Storage& storage, FaultRegistry& faults);
  ~Service() override;  // saves the state
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  void setBaseUrl(std::string url);
  /// Writes the state to the data folder now (nothing without one).
  void flush();

  BodyPlan plan(const HttpRequest& head) override;
  HttpResponse handle(HttpRequest& request) override;
  bool faultable(std::string_view path) const override;

 private:
  // ---- routing: each area lists its routes beside its handlers ----
  struct Area;
  void buildRoutes();
  const Area* areaOf(std::string_view path) const;
  void addUserRoutes(RouteTable& api);
  void addFileRoutes(RouteTable& api);
  void addShareRoutes(RouteTable& api);
  void addJobRoutes(RouteTable& api);
  void addTransferRoutes(RouteTable& upload, RouteTable& download);
  void addControlRoutes(RouteTable& control);
  void addShareLandingRoutes(RouteTable& landing);
  /// The signed-in user of a request (401 otherwise), with the jobs brought up to date.
  const UserRec& caller(const HttpRequest& req);

  // ---- control ----
  HttpResponse stats();
  HttpResponse shareLanding(const Segments& seg);

  // ---- user and carrier ----
  HttpResponse signIn(const HttpRequest& req);
  HttpResponse getSpace(const UserRec& u, const std::string& ownerId, const Query& q);
  HttpResponse getUserById(const std::string& userId);
  HttpResponse getUserList(const Query& q);
  HttpResponse packages();
  HttpResponse packageOrders(const UserRec& u);

  // ---- files ----
  HttpResponse filesList(const UserRec& u, const std::string& type, const HttpRequest& req);
  HttpResponse fileSearch(const UserRec& u, const HttpRequest& req);
  HttpResponse filesPath(const UserRec& u, const Query& q);
  HttpResponse filesStatsDir(const UserRec& u, const Query& q);
  HttpResponse fileDetail(const UserRec& u, const std::string& fileId, const HttpRequest& req);
  HttpResponse accessFiles(const UserRec& u);
  HttpResponse downloadUrls(const UserRec& u, const HttpRequest& req);
  HttpResponse createDirectory(const UserRec& u, const HttpRequest& req);
  HttpResponse rename(const UserRec& u, const std::string& fileId, const HttpRequest& req);
  HttpResponse filesCreate(const UserRec& u, const HttpRequest& req);
  HttpResponse uploadUrls(const UserRec& u, const HttpRequest& req);
  HttpResponse complete(HttpRequest& req);  // takes the lock itself

  // ---- transfers ----
  BodyPlan planPart(const HttpRequest& head);
  HttpResponse putPart(HttpRequest& req);
  HttpResponse download(const HttpRequest& req);

  // ---- shares ----
  HttpResponse getShares(const UserRec& u, const Query& q);
  HttpResponse createShare(const UserRec& u, const HttpRequest& req);
  HttpResponse cancelShare(const UserRec& u, const HttpRequest& req);
  HttpResponse shareDetail(const UserRec& u, const std::string& shareId);
  HttpResponse modifyShare(const UserRec& u, const std::string& shareId, const HttpRequest& req);
  HttpResponse shareFiles(const UserRec& u, const HttpRequest& req);

  // ---- stars and jobs ----
  HttpResponse starFiles(const UserRec& u, const Query& q);
  HttpResponse starBatch(const UserRec& u, const HttpRequest& req);
  HttpResponse getJobs(const UserRec& u, const Query& q);
  HttpResponse createJob(const UserRec& u, const HttpRequest& req);
  HttpResponse cancelJob(const UserRec& u, const HttpRequest& req);
  HttpResponse jobDetail(const UserRec& u, const std::string& jobId);

  // ---- helpers (called with the lock held) ----
  Millis now() const;
  const UserRec& requireUser(const HttpRequest& req);
  NodeRec& requireNode(const UserRec& u, const std::string& id);
  NodeRec& requireFolder(const UserRec& u, const std::string& id);
  void checkContainer(const UserRec& u, const std::optional<std::string>& containerId);
  std::string newId(std::string_view prefix);
  std::string sign(std::string_view kind, std::string_view id, std::int64_t expires) const;
  std::string downloadUrl(const NodeRec& n) const;
  std::string partUrl(const std::string& uploadId, std::int64_t partNumber) const;
  static std::vector<DownloadLink> contentLinks(const std::string& url);
  std::vector<DownloadLink> links(const NodeRec& n) const;
  bool starredBy(const UserRec& u, const NodeRec& n) const;
  template <class Entry>
  void fillEntry(Entry& e, const UserRec& u, const NodeRec& n) const;
  User userRecord(const UserRec& owner, bool me) const;
  UserCapabilities capabilities(bool owner) const;
  FileListMetadata listEntry(const UserRec& u, const NodeRec& n) const;
  FileBean searchHit(const UserRec& u, const NodeRec& n) const;
  StarFileInfo starEntry(const UserRec& u, const NodeRec& n, Millis starred) const;
  ShareFileInfo shareFileInfo(const NodeRec& n) const;
  ShareFile shareFile(const NodeRec& n, bool withLinks) const;
  UserInfo userInfo(const UserRec& u) const;
  CommonShareLink visitorLink(const ShareRec& s, const UserRec& visitor) const;
  std::int64_t shareStatus(const ShareRec& s) const;
  std::string shareDisplayName(const ShareRec& s) const;
  JobInfo jobInfo(const JobRec& j) const;
  JobDetailInfo jobDetailInfo(const JobRec& j) const;
  std::int64_t jobStatus(const JobRec& j) const;
  std::int64_t jobProgress(const JobRec& j) const;
  void settleJobs();
  void applyJob(JobRec& j);
  /// Makes `name` free in `parentId` by `policy`: the name to use, or an
  /// error (clash with `fail`, or a folder in the way of `overwrite`).
  std::string resolveClash(const std::string& parentId, const std::string& name, ClashPolicy policy,
                           const std::string& selfId = {});
  std::string copyTree(const UserRec& u, const NodeRec& src, const std::string& parentId, const std::string& name);
  void dropUnusedBlobs();
  /// Puts the file an upload describes into its folder under `name`, with its content.
  void addUploadedFile(const UploadRec& up, const std::string& name, std::shared_ptr<Blob> content);
  UserRec& createUser(std::string name, std::string authCodeHash, std::int64_t deptId, std::int64_t role);
  void seed();
  void markDirty();

  // ---- persistence ----
  void flusherLoop();
  void writeState(const std::string& text);

  ServiceConfig config_;
  Storage& storage_;
  FaultRegistry& faults_;
  mutable std::mutex mutex_;  // guards state_ and config_.baseUrl
  State state_;
  std::uint64_t requests_ = 0;
  std::vector<std::unique_ptr<Area>> areas_;

  std::mutex flushMutex_;
  std::condition_variable flushWake_;
  bool dirty_ = false;
  bool stopping_ = false;
  std::thread flusher_;
};

}  // namespace quillbox::emulator
