#pragma once
// The handlers of the service, one class per area. Each lists its routes in
// addRoutes() beside its handlers (in Service<Area>.cpp) and reaches the
// shared state through Core. Handlers run with the lock held unless their
// route says otherwise.

#include <cstdint>
#include <memory>
#include <string>

#include "emulator/Core.hpp"
#include "emulator/Router.hpp"

namespace quillbox {
struct UserInfo;
struct JobInfo;
struct JobDetailInfo;
struct CommonShareLink;
}  // namespace quillbox

namespace quillbox::emulator {

class FaultRegistry;

/// Sign-in, spaces, the user directory and the carrier's packages.
class UsersApi {
 public:
  explicit UsersApi(Core& core) : core_(core) {}
  void addRoutes(RouteTable& api);

 private:
  HttpResponse signIn(const HttpRequest& req);
  HttpResponse getSpace(const UserRec& u, const std::string& ownerId, const Query& q);
  HttpResponse getUserById(const std::string& userId);
  HttpResponse getUserList(const Query& q);
  HttpResponse packages();
  HttpResponse packageOrders(const UserRec& u);
  UserInfo userInfo(const UserRec& u) const;

  Core& core_;
};

/// Listings, search, details, folders, renames, and creating and completing uploads.
class FilesApi {
 public:
  explicit FilesApi(Core& core) : core_(core) {}
  void addRoutes(RouteTable& api);

 private:
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
  /// Puts the file an upload describes into its folder under `name`, with its content.
  void addUploadedFile(const UploadRec& up, const std::string& name, std::shared_ptr<Blob> content);

  Core& core_;
};

/// Shares: creating, listing, changing and cancelling them, and their landing pages.
class SharesApi {
 public:
  explicit SharesApi(Core& core) : core_(core) {}
  void addRoutes(RouteTable& api);
  void addLandingRoutes(RouteTable& landing);

 private:
  HttpResponse getShares(const UserRec& u, const Query& q);
  HttpResponse createShare(const UserRec& u, const HttpRequest& req);
  HttpResponse cancelShare(const UserRec& u, const HttpRequest& req);
  HttpResponse shareDetail(const UserRec& u, const std::string& shareId);
  HttpResponse modifyShare(const UserRec& u, const std::string& shareId, const HttpRequest& req);
  HttpResponse shareFiles(const UserRec& u, const HttpRequest& req);
  HttpResponse shareLanding(const Segments& seg);  // takes the lock itself
  CommonShareLink visitorLink(const ShareRec& s, const UserRec& visitor) const;
  std::int64_t shareStatus(const ShareRec& s) const;
  std::string shareDisplayName(const ShareRec& s) const;

  Core& core_;
};

/// Stars, and background jobs that copy or move files over time.
class JobsApi {
 public:
  explicit JobsApi(Core& core) : core_(core) {}
  void addRoutes(RouteTable& api);

 private:
  HttpResponse starFiles(const UserRec& u, const Query& q);
  HttpResponse starBatch(const UserRec& u, const HttpRequest& req);
  HttpResponse getJobs(const UserRec& u, const Query& q);
  HttpResponse createJob(const UserRec& u, const HttpRequest& req);
  HttpResponse cancelJob(const UserRec& u, const HttpRequest& req);
  HttpResponse jobDetail(const UserRec& u, const std::string& jobId);
  JobInfo jobInfo(const JobRec& j) const;
  JobDetailInfo jobDetailInfo(const JobRec& j) const;
  std::int64_t jobProgress(const JobRec& j) const;

  Core& core_;
};

/// Part uploads to the addresses files/create hands out, and downloads by link.
/// The handlers take the lock themselves, around the bookkeeping only.
class TransferApi {
 public:
  explicit TransferApi(Core& core) : core_(core) {}
  void addRoutes(RouteTable& upload, RouteTable& download);

 private:
  BodyPlan planPart(const HttpRequest& head);
  HttpResponse putPart(HttpRequest& req);
  HttpResponse download(const HttpRequest& req);

  Core& core_;
};

/// The control endpoints under "/_emulator/": faults, the request log, counts.
class ControlApi {
 public:
  ControlApi(Core& core, FaultRegistry& faults) : core_(core), faults_(faults) {}
  void addRoutes(RouteTable& control);

 private:
  HttpResponse stats();

  Core& core_;
  FaultRegistry& faults_;
};

}  // namespace quillbox::emulator
