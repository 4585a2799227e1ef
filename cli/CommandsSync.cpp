// sync: makes a drive folder like a local one, or a local folder like a drive
// one, in one direction. A file whose size and SHA-256 are the same on both
// sides is left alone: the drive's hash comes from its listing, a local hash
// from the hash cache while the file's size and mtime are unchanged, so an
// unchanged tree costs one listing per folder and one stat per file.

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include <quillbox/upload/Sha256SliceFile.hpp>

#include "Batch.hpp"
#include "Commands.hpp"
#include "HashCache.hpp"
#include "Interrupt.hpp"
#include "Output.hpp"
#include "TransferJobs.hpp"
#include "Tree.hpp"

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDrivePrefix = "drive:";

struct SyncOpts {
  std::string source, destination;
  bool dryRun = false, remove = false;
  std::vector<std::string> includes, excludes;
  int transfers = 4;
};

/// One step of the plan, as --dry-run shows it.
struct Step {
  std::string action;  // "mkdir", "upload", "replace", "download", "delete"
  std::string rel;
  std::string why;  // "new", "size differs", "content differs"
};

struct Sides {
  fs::path local;
  std::string drive;  // an id or a /path
  bool up = false;    // local -> drive
};

bool localFolder(const std::string& arg) {
  std::error_code ec;
  return fs::is_directory(arg, ec);
}

// "drive:" marks the drive side; else the side that is a local folder is the
// local one; else (a local folder yet to be made) the side written as /path
// is the drive's.
Sides whichSide(const SyncOpts& o) {
  const bool srcDrive = o.source.starts_with(kDrivePrefix), dstDrive = o.destination.starts_with(kDrivePrefix);
  const auto strip = [](const std::string& s) { return s.substr(kDrivePrefix.size()); };
  if (srcDrive != dstDrive) {
    return srcDrive ? Sides{o.destination, strip(o.source), false} : Sides{o.source, strip(o.destination), true};
  }
  if (!srcDrive) {
    const bool srcLocal = localFolder(o.source), dstLocal = localFolder(o.destination);
    if (srcLocal && !dstLocal) return {o.source, o.destination, true};
    if (dstLocal && !srcLocal) return {o.destination, o.source, false};
    if (!srcLocal && !dstLocal && o.source.starts_with("/") != o.destination.starts_with("/")) {
      return o.source.starts_with("/") ? Sides{o.destination, o.source, false} : Sides{o.source, o.destination, true};
    }
  }
  throw CliError("sync: cannot tell which side is the drive; write it as drive:/path (e.g. quillbox sync DIR "
                 "drive:/backup)",
                 kExitUsage);
}

std::string counted(std::size_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string parentRel(const std::string& rel) {
  const auto slash = rel.rfind('/');
  return slash == std::string::npos ? std::string() : rel.substr(0, slash);
}

/// Local files whose hash is needed, read `width` at a time: the cache's
/// hash, or the file's description read now (its hash then remembered; the
/// description serves an upload that follows). Absent: unreadable.
class LocalHashes {
 public:
  LocalHashes(HashCache& cache, const std::vector<const LocalEntry*>& files, int width) {
    std::vector<const LocalEntry*> unknown;
    for (const LocalEntry* e : files) {
      if (auto known = cache.lookup(e->path, e->size, e->mtimeNs)) {
        hashes_[e->rel] = std::move(known);
      } else {
        unknown.push_back(e);
      }
    }
    std::vector<std::optional<Sha256Result>> read(unknown.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < std::min<int>(width, static_cast<int>(unknown.size())); ++t) {
      threads.emplace_back([&] {
        for (std::size_t i = next++; i < unknown.size(); i = next++) read[i] = Sha256SliceFile().describe(unknown[i]->path);
      });
    }
    for (auto& t : threads) t.join();
    for (std::size_t i = 0; i < unknown.size(); ++i) {
      const LocalEntry& e = *unknown[i];
      if (!read[i]) {
        hashes_[e.rel] = std::nullopt;
        continue;
      }
      std::string hash = read[i]->hash;
      std::transform(hash.begin(), hash.end(), hash.begin(), [](unsigned char c) { return std::tolower(c); });
      cache.record(e.path, e.size, e.mtimeNs, hash);
      hashes_[e.rel] = hash;
      described_[e.rel] = std::move(read[i]);
    }
  }
  std::optional<std::string> hash(const std::string& rel) const {
    const auto it = hashes_.find(rel);
    return it == hashes_.end() ? std::nullopt : it->second;
  }
  std::optional<Sha256Result> takeDescription(const std::string& rel) {
    const auto it = described_.find(rel);
    return it == described_.end() ? std::nullopt : std::move(it->second);
  }

 private:
  std::map<std::string, std::optional<std::string>> hashes_;
  std::map<std::string, std::optional<Sha256Result>> described_;
};

/// The drive folder at `arg`, made (with its parents) when it is missing,
/// unless this is a dry run: then nullopt.
std::optional<std::string> driveFolder(Client& client, const std::string& arg, bool dryRun) {
  if (!arg.starts_with("/")) return client.resolveFolder(arg);
  std::string id = client.rootFolderId();
  std::size_t start = 1;
  bool making = false;
  while (start <= arg.size()) {
    const std::size_t slash = std::min(arg.find('/', start), arg.size());
    const std::string name = arg.substr(start, slash - start);
    start = slash + 1;
    if (name.empty()) continue;
    if (!making) {
      const FileListMetadata* found = nullptr;
      const auto entries = client.listAll(id);
      for (const auto& e : entries) {
        if (e.fileName == name && e.id && isFolder(e.fileType, e.mimeType)) found = &e;
      }
      if (found) {
        id = *found->id;
        continue;
      }
      making = true;
    }
    if (dryRun) return std::nullopt;
    id = ensureFolder(client, id, name);
  }
  return id;
}

void printPlan(Client& client, const std::vector<Step>& steps) {
  if (client.json()) return;
  Table t{{"ACTION", "PATH", "WHY"}, {}, {}};
  for (const auto& s : steps) t.add({s.action, s.rel, s.why});
  if (!steps.empty()) printTable(client.out(), t);
}

void printJsonReport(Client& client, const Sides& sides, const SyncOpts& o, const std::vector<Step>& steps,
                     std::size_t unchanged, const BatchReport* report, const std::vector<std::string>& labels) {
  if (!client.json()) return;
  boost::json::array actions, failed;
  for (const auto& s : steps) actions.push_back(boost::json::object{{"action", s.action}, {"path", s.rel}, {"why", s.why}});
  if (report) {
    for (std::size_t i = 0; i < report->outcomes.size(); ++i) {
      if (report->outcomes[i].kind == BatchOutcome::Kind::failed) {
        failed.push_back(boost::json::object{{"path", labels[i]}, {"error", report->outcomes[i].detail}});
      }
    }
  }
  boost::json::object j;
  j["direction"] = sides.up ? "upload" : "download";
  j["local"] = sides.local.native();
  j["drive"] = sides.drive;
  j["dryRun"] = o.dryRun;
  j["actions"] = std::move(actions);
  j["unchanged"] = unchanged;
  j["failed"] = std::move(failed);
  printJson(client.out(), j);
}

int syncUp(Client& client, const SyncOpts& o, const Sides& sides, const PathFilter& filter) {
  prepareTransfers(client);
  if (o.remove) {
    throw CliError("sync: --delete removes only local files: the drive has no delete operation, so files cannot be "
                   "removed from it",
                   kExitUsage);
  }
  const fs::path root = fs::absolute(sides.local).lexically_normal();
  HashCache cache = HashCache::openDefault();
  LocalTree local = scanLocal(root, filter);
  for (const auto& why : local.skipped) client.console().line("skipped: " + why);
  if (filter.narrowed()) {  // with --include, only the folders that lead to a file taken
    std::set<std::string> needed;
    for (const auto& e : local.entries) {
      for (std::string p = e.folder ? std::string() : parentRel(e.rel); !p.empty(); p = parentRel(p)) needed.insert(p);
    }
    std::erase_if(local.entries, [&needed](const LocalEntry& e) { return e.folder && !needed.count(e.rel); });
  }
  const std::optional<std::string> top = driveFolder(client, sides.drive, o.dryRun);
  const RemoteTree remote = top ? walkRemote(client, *top, filter) : RemoteTree{};
  std::map<std::string, const RemoteEntry*> there;
  for (const auto& e : remote.entries) there.emplace(e.rel, &e);

  std::vector<const LocalEntry*> sameSize;
  for (const auto& e : local.entries) {
    const auto it = there.find(e.rel);
    if (!e.folder && it != there.end() && !it->second->folder && it->second->size == e.size) sameSize.push_back(&e);
  }
  LocalHashes hashes(cache, sameSize, o.transfers);

  std::vector<Step> steps;
  std::deque<UploadJob> jobs;
  std::size_t unchanged = 0;
  std::vector<std::string> conflicts;
  for (const auto& e : local.entries) {
    const auto it = there.find(e.rel);
    const RemoteEntry* r = it == there.end() ? nullptr : it->second;
    if (e.folder) {
      if (!r) steps.push_back({"mkdir", e.rel, "new"});
      continue;
    }
    if (r && r->folder) {
      conflicts.push_back(e.rel + ": the drive has a folder of that name");
      continue;
    }
    UploadJob job;
    std::string why = "new";
    if (r && r->size != e.size) {
      why = "size differs";
    } else if (r) {
      const auto hash = hashes.hash(e.rel);
      job.described = hashes.takeDescription(e.rel);
      if (hash && r->sha256 && *hash == *r->sha256) {
        ++unchanged;
        continue;
      }
      why = hash ? "content differs" : "cannot be read";
    }
    steps.push_back({r ? "replace" : "upload", e.rel, why});
    job.path = e.path;
    job.label = e.rel;
    job.name = e.path.filename().native();
    job.size = e.size;
    job.mtimeNs = e.mtimeNs;
    job.policy = 3;  // a changed file replaces the drive's
    jobs.push_back(std::move(job));
  }
  std::size_t extras = 0;
  std::set<std::string> here;
  for (const auto& e : local.entries) here.insert(e.rel);
  for (const auto& e : remote.entries) extras += !e.folder && !here.count(e.rel);
  for (const auto& c : conflicts) client.console().line("conflict: " + c);
  if (extras > 0) {
    client.console().line("note: left on the drive (it has no delete operation): " + counted(extras, "file") +
                          " not in the local folder");
  }

  if (o.dryRun) {
    printPlan(client, steps);
    printJsonReport(client, sides, o, steps, unchanged, nullptr, {});
    client.console().line("dry run: " + counted(steps.size(), "change") + ", " + counted(unchanged, "file") +
                          " unchanged; nothing was sent");
    cache.save();
    return conflicts.empty() ? kExitOk : kExitFailure;
  }

  const auto ids = ensureFolders(client, *top, local, remote, false);
  std::vector<BatchItem> items;
  std::vector<std::string> labels;
  for (auto& job : jobs) {
    job.folderId = ids.at(parentRel(job.label));
    items.push_back(uploadItem(client, job, &cache));
    labels.push_back(job.label);
  }
  InterruptScope interrupt;
  const BatchReport report = runBatch(client.console(), items, o.transfers, interrupt);
  cache.pruneBelow(root);
  cache.save();
  printJsonReport(client, sides, o, steps, unchanged, &report, labels);
  client.console().line(batchSummary("Uploaded", report) + ", " + std::to_string(unchanged) + " unchanged");
  if (!conflicts.empty() && report.failed == 0 && !report.interrupted) {
    throw CliError("sync: " + counted(conflicts.size(), "file") + " not synced: " + conflicts.front());
  }
  return finishBatch("sync", report, [&labels](std::size_t i) { return labels[i]; });
}

int syncDown(Client& client, const SyncOpts& o, const Sides& sides, const PathFilter& filter) {
  prepareTransfers(client);
  const fs::path root = fs::absolute(sides.local).lexically_normal();
  const std::string top = client.resolveFolder(sides.drive);
  const RemoteTree remote = walkRemote(client, top, filter);
  for (const auto& why : remote.skipped) client.console().line("skipped: " + why);
  HashCache cache = HashCache::openDefault();
  std::error_code ec;
  const LocalTree local = fs::is_directory(root, ec) ? scanLocal(root, filter) : LocalTree{};
  std::map<std::string, const LocalEntry*> here;
  for (const auto& e : local.entries) here.emplace(e.rel, &e);

  std::vector<const LocalEntry*> sameSize;
  for (const auto& r : remote.entries) {
    const auto it = here.find(r.rel);
    if (!r.folder && it != here.end() && !it->second->folder && it->second->size == r.size) sameSize.push_back(it->second);
  }
  LocalHashes hashes(cache, sameSize, o.transfers);

  std::vector<Step> steps;
  std::deque<DownloadJob> jobs;
  std::size_t unchanged = 0;
  std::vector<std::string> conflicts;
  std::set<std::string> there;
  for (const auto& r : remote.entries) {
    there.insert(r.rel);
    const auto it = here.find(r.rel);
    const LocalEntry* l = it == here.end() ? nullptr : it->second;
    if (r.folder) {
      if (l && !l->folder) conflicts.push_back(r.rel + ": a local file stands where the drive has a folder");
      if (!l && !filter.narrowed()) steps.push_back({"mkdir", r.rel, "new"});
      continue;
    }
    if (l && l->folder) {
      conflicts.push_back(r.rel + ": a local folder stands where the drive has a file");
      continue;
    }
    std::string why = "new";
    if (l && l->size != r.size) {
      why = "size differs";
    } else if (l) {
      const auto hash = hashes.hash(r.rel);
      if (hash && r.sha256 && *hash == *r.sha256) {
        ++unchanged;
        continue;
      }
      why = !r.sha256 ? "the drive gives no hash" : hash ? "content differs" : "cannot be read";
    }
    steps.push_back({l ? "replace" : "download", r.rel, why});
    jobs.push_back({r.id, r.rel, root / r.rel, r.size, r.sha256, true});
  }
  std::vector<const LocalEntry*> extras;
  for (const auto& e : local.entries) {
    if (!there.count(e.rel)) extras.push_back(&e);
  }
  for (const auto& c : conflicts) client.console().line("conflict: " + c);
  if (o.remove) {
    for (const auto* e : extras) steps.push_back({"delete", e->rel, "not on the drive"});
  } else if (!extras.empty()) {
    client.console().line("note: left in place (--delete removes them): " + counted(extras.size(), "local path") +
                          " not on the drive");
  }

  if (o.dryRun) {
    printPlan(client, steps);
    printJsonReport(client, sides, o, steps, unchanged, nullptr, {});
    client.console().line("dry run: " + counted(steps.size(), "change") + ", " + counted(unchanged, "file") +
                          " unchanged; nothing was changed");
    cache.save();
    return conflicts.empty() ? kExitOk : kExitFailure;
  }

  fs::create_directories(root, ec);
  if (ec) throw CliError("sync: cannot make " + root.native() + ": " + ec.message());
  for (const auto& s : steps) {
    if (s.action != "mkdir") continue;
    fs::create_directories(root / s.rel, ec);
    if (ec) throw CliError("sync: cannot make " + (root / s.rel).native() + ": " + ec.message());
  }
  std::vector<BatchItem> items;
  std::vector<std::string> labels;
  for (auto& job : jobs) {
    items.push_back(downloadItem(client, job, &cache));
    labels.push_back(job.label);
  }
  InterruptScope interrupt;
  const BatchReport report = runBatch(client.console(), items, o.transfers, interrupt);
  std::size_t removed = 0;
  if (o.remove && !report.interrupted) {
    // Files first, then folders deepest first, and only those left empty (an
    // excluded file inside keeps its folder).
    for (auto it = extras.rbegin(); it != extras.rend(); ++it) {
      const LocalEntry& e = **it;
      if (e.folder && !fs::is_empty(e.path, ec)) continue;
      if (fs::remove(e.path, ec)) {
        ++removed;
      } else if (ec) {
        client.console().line("cannot delete " + e.rel + ": " + ec.message());
      }
    }
  }
  cache.pruneBelow(root);
  cache.save();
  printJsonReport(client, sides, o, steps, unchanged, &report, labels);
  client.console().line(batchSummary("Downloaded", report) + ", " + std::to_string(unchanged) + " unchanged" +
                        (o.remove ? ", " + std::to_string(removed) + " deleted" : std::string()));
  if (!conflicts.empty() && report.failed == 0 && !report.interrupted) {
    throw CliError("sync: " + counted(conflicts.size(), "file") + " not synced: " + conflicts.front());
  }
  return finishBatch("sync", report, [&labels](std::size_t i) { return labels[i]; });
}

}  // namespace

void addSyncCommand(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<SyncOpts>();
  CLI::App* cmd = app.add_subcommand(
      "sync", "Make one folder like another, one way: a local folder to a drive folder or the other way round");
  cmd->add_option("SOURCE", o->source, "The folder to copy from: a local folder, or a drive folder")->required();
  cmd->add_option("DESTINATION", o->destination, "The folder to make like it")->required();
  cmd->footer(
      "One side is on the drive: an id or a /path, or any of them written as drive:/path when both could be local. "
      "Files whose size and SHA-256 match are left alone; others are sent and replace the destination's. Folders "
      "are made as needed, empty ones too.");
  cmd->add_flag("-n,--dry-run", o->dryRun, "Show what would be done; change nothing");
  cmd->add_flag("--delete", o->remove,
                "When the drive is the source: delete local files and folders that are not on the drive (not "
                "possible the other way: the drive has no delete operation)");
  cmd->add_option("--exclude", o->excludes,
                  "Leave out paths matching this glob (*, **, ?, [a-z]); without a / it is matched against each name, "
                  "so a folder's whole content goes with it. Repeatable");
  cmd->add_option("--include", o->includes,
                  "Take only files matching one of these globs (without a / against the file's name). Repeatable");
  cmd->add_option("--transfers", o->transfers, "Files sent at once")->check(CLI::Range(1, 64))->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const Sides sides = whichSide(*o);
      const PathFilter filter{o->includes, o->excludes};
      return sides.up ? syncUp(client, *o, sides, filter) : syncDown(client, *o, sides, filter);
    };
  });
}

}  // namespace quillbox::cli
