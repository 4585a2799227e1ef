#include "TransferJobs.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <future>

#include <quillbox/download/ResumableDownloader.hpp>
#include <quillbox/upload/Sha256SliceFile.hpp>
#include <quillbox/upload/UploadProcessResult.hpp>

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

/// Why an upload failed, for the user: the step and how it failed, and what
/// to do about it when something can be done.
std::string uploadFailureText(const UploadFailureCause& cause) {
  std::string text = describe(cause);
  const std::int64_t status = cause.httpStatus;
  switch (cause.kind) {
    case FailureKind::connect:
    case FailureKind::nameResolution:
    case FailureKind::timeout:
    case FailureKind::reset:
      return text + "; run the command again";
    case FailureKind::httpStatus:
      // The statuses that say "not now" rather than "not this".
      return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504
                 ? text + "; run the command again"
                 : text;
    case FailureKind::localFile:
      return text + "; check that the file is there and readable";
    default:
      return cause.stage == UploadStage::complete ? text + "; run the command again" : text;
  }
}

/// The file's description as computed earlier in the run, or the SDK's
/// default hasher's; remembers the hash for the caller. Called on the thread
/// that calls uploadFile.
class JobSliceFile final : public ISliceFile {
 public:
  explicit JobSliceFile(std::optional<Sha256Result> known) : known_(std::move(known)) {}
  std::optional<std::string> calcSha256(const fs::path& file) override {
    std::optional<Sha256Result> described = known_ ? known_ : Sha256SliceFile().describe(file);
    if (!described) return std::nullopt;
    hash = lower(described->hash);
    return toJson(*described);
  }
  std::optional<std::string> hash;

 private:
  std::optional<Sha256Result> known_;
};

// Delivers the first final outcome only.
template <class T>
struct Once {
  std::mutex mutex;
  std::promise<T> promise;
  bool set = false;
  void deliver(T value) {
    std::lock_guard lock(mutex);
    if (set) return;
    set = true;
    promise.set_value(std::move(value));
  }
};

std::string parentRel(const std::string& rel) {
  const auto slash = rel.rfind('/');
  return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

}  // namespace

void prepareTransfers(Client& client) {
  client.cloud();  // the settings are fixed here, before the workers use them
}

std::int64_t clashPolicyCode(const std::string& policy) {
  if (policy == "fail") return 1;
  if (policy == "replace" || policy == "overwrite") return 3;
  return 2;
}

BatchItem uploadItem(Client& client, UploadJob& job, HashCache* cache) {
  prepareTransfers(client);
  BatchItem item;
  item.label = job.label;
  item.size = job.size;
  item.run = [&client, &job, cache](BatchSlot& slot) -> BatchOutcome {
    auto outcome = std::make_shared<Once<UploadProcessResult>>();
    auto future = outcome->promise.get_future();
    auto slice = std::make_shared<JobSliceFile>(job.described);
    // Progress events all come before the final outcome, which this thread
    // waits for: the slot outlives every use the callback makes of it.
    auto handle = client.cloud().getTransferImpl().uploadFile(
        job.folderId, job.path, std::string(), job.policy, slice, [outcome, &slot](UploadProcessResult event) {
          if (const auto* p = std::get_if<uploadResult::onProgress>(&event)) {
            slot.progress(p->bytes);
          } else if (std::holds_alternative<uploadResult::onSuccess>(event) ||
                     std::holds_alternative<uploadResult::onFailure>(event)) {
            outcome->deliver(std::move(event));
          }
        });
    job.described.reset();  // no longer needed; a large tree holds many
    if (slice->hash) {
      job.sha256 = slice->hash;
      if (cache) cache->record(job.path, job.size, job.mtimeNs, *slice->hash);
    }
    if (handle && !slot.hold(handle)) handle->cancel();
    const UploadProcessResult result = future.get();
    slot.release();
    if (const auto* success = std::get_if<uploadResult::onSuccess>(&result)) {
      job.result = success->msg;
      return {BatchOutcome::Kind::done, success->msg};
    }
    if (slot.stopping()) return {BatchOutcome::Kind::cancelled, "cancelled"};
    // Every failed upload has the one code -1006; its cause says why.
    return {BatchOutcome::Kind::failed, uploadFailureText(std::get<uploadResult::onFailure>(result).cause)};
  };
  return item;
}

BatchItem downloadItem(Client& client, DownloadJob& job, HashCache* cache) {
  prepareTransfers(client);
  BatchItem item;
  item.label = job.label;
  item.size = job.size;
  item.run = [&client, &job, cache](BatchSlot& slot) -> BatchOutcome {
    std::error_code ec;
    if (!job.replace && fs::exists(fs::symlink_status(job.dest, ec))) {
      return {BatchOutcome::Kind::failed, job.dest.native() + " already exists (--force replaces it)"};
    }
    GetDownloadUrlBean bean;
    bean.fileIds = std::vector<std::string>{job.fileId};
    const auto links = client.call(client.cloud().getFileImpl(), &IFile::getDownloadUrl, bean, "download link");
    const auto entries = links.downloads.value_or(std::vector<DownloadInfoResponse>{});
    if (entries.empty() || entries.front().code.value_or("0") != "0" || !entries.front().url ||
        entries.front().url->empty()) {
      const std::string code = entries.empty() ? "?" : entries.front().code.value_or("?");
      const std::string msg = entries.empty() ? "no download link" : entries.front().msg.value_or("no download link");
      return {BatchOutcome::Kind::failed, "[" + code + "] " + msg};
    }
    auto downloader = std::make_shared<ResumableDownloader>(*entries.front().url, job.dest, "quillbox-cli");
    downloader->setRetryPolicy(client.cloud().retryPolicy());  // resumes by itself as the client's calls retry
    if (job.sha256) {
      if (auto problem = downloader->setExpectedSha256(*job.sha256)) return {BatchOutcome::Kind::failed, problem->message};
    }
    auto outcome = std::make_shared<Once<DownloadResult>>();
    auto future = outcome->promise.get_future();
    const auto size = static_cast<double>(job.size);
    // Every progress call of a start comes before its completion, which this
    // thread waits for.
    downloader->start([&slot, size](double f) {
      if (f >= 0) slot.progress(static_cast<std::int64_t>(std::llround(std::min(f, 1.0) * size)));
    },
                      [outcome](DownloadResult r) { outcome->deliver(std::move(r)); });
    if (!slot.hold(downloader)) downloader->cancel();
    const DownloadResult result = future.get();
    slot.release();
    if (!result.isSuccess()) {
      downloader->cancel();  // a batch does not resume: drop what arrived
      if (slot.stopping()) return {BatchOutcome::Kind::cancelled, "cancelled"};
      const DownloadError& e = result.error();
      return {BatchOutcome::Kind::failed, "[" + std::to_string(e.code) + "] " + e.message};
    }
    struct stat info {};
    if (cache && job.sha256 && ::stat(job.dest.c_str(), &info) == 0) {
      cache->record(job.dest, static_cast<std::int64_t>(info.st_size),
                    static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec, *job.sha256);
    }
    return {BatchOutcome::Kind::done, "downloaded"};
  };
  return item;
}

namespace {

// A new folder; a name taken meanwhile fails rather than replacing anything.
std::string makeFolder(Client& client, const std::string& parentId, const std::string& name) {
  CreateDirectoryBean bean;
  bean.fileName = name;
  bean.parentFolder = std::vector<std::string>{parentId};
  bean.renameMode = 1;
  const auto resp = client.call(client.cloud().getFileImpl(), &IFile::createDirectory, bean, "mkdir " + name);
  if (!resp.id || resp.id->empty()) throw CliError("mkdir " + name + ": the answer has no folder id");
  return *resp.id;
}

}  // namespace

std::string ensureFolder(Client& client, const std::string& parentId, const std::string& name) {
  for (const auto& e : client.listAll(parentId)) {
    if (e.fileName != name || !e.id) continue;
    if (!isFolder(e.fileType, e.mimeType)) throw CliError(name + ": the drive has a file of that name where a folder goes");
    return *e.id;
  }
  return makeFolder(client, parentId, name);
}

std::map<std::string, std::string> ensureFolders(Client& client, const std::string& top, const LocalTree& local,
                                                 const RemoteTree& remote, bool dryRun) {
  std::map<std::string, const RemoteEntry*> there;
  for (const auto& e : remote.entries) there.emplace(e.rel, &e);
  std::map<std::string, std::string> ids{{"", top}};
  for (const auto& e : local.entries) {
    if (!e.folder) continue;
    if (const auto it = there.find(e.rel); it != there.end()) {
      if (!it->second->folder) throw CliError(e.rel + ": the drive has a file of that name where the folder goes");
      ids[e.rel] = it->second->id;
      continue;
    }
    const std::string& parentId = ids[parentRel(e.rel)];
    ids[e.rel] = dryRun || parentId.empty() ? std::string() : makeFolder(client, parentId, e.path.filename().native());
  }
  return ids;
}

void findStoredNames(Client& client, std::vector<UploadJob*>& jobs,
                     const std::map<std::string, std::set<std::string>>& before) {
  std::map<std::string, std::vector<UploadJob*>> byFolder;
  for (UploadJob* j : jobs) {
    if (!j->result.empty() && j->sha256) byFolder[j->folderId].push_back(j);
  }
  for (auto& [folderId, folderJobs] : byFolder) {
    const auto entries = client.listAll(folderId);
    std::set<std::string> claimed;
    const auto shaOf = [](const FileListMetadata& e) { return e.sha256 ? lower(*e.sha256) : std::string(); };
    // The name asked for, with the content sent...
    for (UploadJob* j : folderJobs) {
      for (const auto& e : entries) {
        if (e.id && e.fileName == j->name && shaOf(e) == *j->sha256 && !isFolder(e.fileType, e.mimeType)) {
          j->storedName = e.fileName;
          j->fileId = e.id;
          claimed.insert(*e.id);
          break;
        }
      }
    }
    // ...else a new entry with that content: the name the drive chose.
    const auto old = before.find(folderId);
    for (UploadJob* j : folderJobs) {
      if (j->fileId) continue;
      const FileListMetadata* best = nullptr;
      for (const auto& e : entries) {
        if (!e.id || claimed.count(*e.id) || shaOf(e) != *j->sha256 || isFolder(e.fileType, e.mimeType)) continue;
        if (old != before.end() && old->second.count(*e.id)) continue;
        if (!best || e.createdTime.value_or("") > best->createdTime.value_or("")) best = &e;
      }
      if (best) {
        j->storedName = best->fileName;
        j->fileId = best->id;
        claimed.insert(*best->id);
      }
    }
  }
}

int finishBatch(const std::string& verb, const BatchReport& report,
                const std::function<std::string(std::size_t)>& labelOf) {
  if (report.interrupted) {
    throw CliError(verb + " interrupted; " + std::to_string(report.done) + " of " +
                       std::to_string(report.outcomes.size()) + " files done",
                   kExitInterrupted);
  }
  if (report.failed == 0) return kExitOk;
  std::string names;
  for (std::size_t i = 0; i < report.outcomes.size(); ++i) {
    if (report.outcomes[i].kind != BatchOutcome::Kind::failed) continue;
    // One file: what was run and why it failed, as one sentence.
    if (report.outcomes.size() == 1) throw CliError(verb + " " + labelOf(i) + ": " + report.outcomes[i].detail);
    if (!names.empty()) names += "; ";
    names += labelOf(i) + ": " + report.outcomes[i].detail;
  }
  throw CliError(verb + ": " + std::to_string(report.failed) + " of " + std::to_string(report.outcomes.size()) +
                 " files failed: " + names);
}

}  // namespace quillbox::cli
