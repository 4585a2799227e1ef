#pragma once
// One file's upload or download as an item of a batch (Batch.hpp), on the
// SDK's public transfer API, and what upload, download -r and sync share:
// creating the drive folders a local tree needs, and finding the name the
// drive stored an upload under.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <quillbox/upload/Sha256Result.hpp>

#include "Batch.hpp"
#include "Client.hpp"
#include "HashCache.hpp"
#include "Tree.hpp"

namespace quillbox::cli {

/// Called before a command lists or moves files: fixes the settings (the
/// workers then share them). Without -v the SDK is silent (see
/// Client::installLogSink), so it formats no line for every request and
/// answer, which would cost a tree of small files dearly.
void prepareTransfers(Client& client);

/// Clash policies by the names the commands take: rename (a free name like
/// "a (1).txt"), fail, replace (overwrite is the same).
std::int64_t clashPolicyCode(const std::string& policy);

struct UploadJob {
  std::filesystem::path path;
  std::string label;     ///< as the user knows it
  std::string folderId;  ///< where it goes
  std::string name;      ///< the name it asks for
  std::int64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::int64_t policy = 2;
  std::optional<Sha256Result> described;  ///< computed earlier in this run
  // Filled in by the upload:
  std::optional<std::string> sha256;
  std::string result;  ///< "success", "rapid success" or "exist success"
  std::optional<std::string> storedName, fileId;
};

/// The batch item that uploads `job` (kept alive by the caller until the
/// batch ends). With a cache, the hash is recorded for the file's size and
/// mtime as they were before it was read.
BatchItem uploadItem(Client& client, UploadJob& job, HashCache* cache);

struct DownloadJob {
  std::string fileId;
  std::string label;
  std::filesystem::path dest;
  std::int64_t size = 0;
  std::optional<std::string> sha256;  ///< checked as the body arrives when known
  bool replace = false;               ///< may replace an existing local file
};

/// The batch item that downloads `job`: it asks for the file's download
/// link, fetches it next to the destination and moves it over the
/// destination only once it is complete and matches its SHA-256.
BatchItem downloadItem(Client& client, DownloadJob& job, HashCache* cache);

/// Ids of the drive folders for every folder of `local`, below the drive
/// folder `top` whose content is `remote`: the folders that exist are
/// reused, the others made (never over anything) (parents first; none made on a dry run, where
/// their ids are left empty). Throws CliError when a file stands where a
/// folder goes. Keys are relative paths; "" is `top`.
std::map<std::string, std::string> ensureFolders(Client& client, const std::string& top, const LocalTree& local,
                                                 const RemoteTree& remote, bool dryRun);

/// The folder `name` in `parentId`, made when missing; returns its id.
/// Throws CliError when a file has the name.
std::string ensureFolder(Client& client, const std::string& parentId, const std::string& name);

/// Fills each uploaded job's stored name and id from one listing of each
/// folder that received a file; `before` holds the ids each folder had
/// before the uploads.
void findStoredNames(Client& client, std::vector<UploadJob*>& jobs,
                     const std::map<std::string, std::set<std::string>>& before);

/// The exit status of a finished batch: 0 when every file went through;
/// otherwise throws CliError naming each file that failed (or saying how
/// far an interrupted batch got).
int finishBatch(const std::string& verb, const BatchReport& report,
                const std::function<std::string(std::size_t)>& labelOf);

}  // namespace quillbox::cli
