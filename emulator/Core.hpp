#pragma once
// What every area of the service shares: the drive's state under one lock,
// the clock, the saving of the state to the data folder, and the lookups and
// signed addresses the handlers build their answers from.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "emulator/Http.hpp"
#include "emulator/State.hpp"
#include "emulator/Storage.hpp"

namespace quillbox {
struct DownloadLink;
}  // namespace quillbox

namespace quillbox::emulator {

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

class Core {
 public:
  /// Loads the saved state from the data folder when there is one.
  /// Throws std::runtime_error when the saved state cannot be read.
  Core(ServiceConfig config, Storage& storage);
  ~Core();  // saves the state
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  ServiceConfig config;  // baseUrl is guarded by `mutex`
  Storage& storage;
  mutable std::mutex mutex;  // guards everything below and config.baseUrl
  State state;
  std::uint64_t requests = 0;  // API requests served

  void setBaseUrl(std::string url);
  /// Writes the state to the data folder now (nothing without one).
  void flush();
  /// The state changed: it is written soon (with a data folder).
  void markDirty();

  // ---- called with the lock held ----
  Millis now() const;
  /// The signed-in user of a request (401 otherwise), with the jobs brought up to date.
  const UserRec& caller(const HttpRequest& req);
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
  /// Makes `name` free in `parentId` by `policy`: the name to use, or an
  /// error (clash with `fail`, or a folder in the way of `overwrite`).
  std::string resolveClash(const std::string& parentId, const std::string& name, ClashPolicy policy,
                           const std::string& selfId = {});
  std::string copyTree(const UserRec& u, const NodeRec& src, const std::string& parentId, const std::string& name);
  void dropUnusedBlobs();
  UserRec& createUser(std::string name, std::string authCodeHash, std::int64_t deptId, std::int64_t role);
  /// Jobs run in the background of the requests: each request first applies
  /// the jobs whose time has come.
  void settleJobs();
  std::int64_t jobStatus(const JobRec& j) const;

 private:
  void applyJob(JobRec& j);
  void seed();
  void flusherLoop();
  void writeState(const std::string& text);

  std::mutex flushMutex_;
  std::condition_variable flushWake_;
  bool dirty_ = false;
  bool stopping_ = false;
  std::thread flusher_;
};

}  // namespace quillbox::emulator
