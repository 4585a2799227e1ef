// Moving files and folders: upload (with the SDK's default hasher, so
// content the drive already has is not sent again; several files at once)
// and download (one file resumable: Ctrl-C or a failure keeps a resume token next to the
// destination for `--continue`; a folder with -r, several files at once).

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include "Batch.hpp"
#include "Commands.hpp"
#include "Interrupt.hpp"
#include "Output.hpp"
#include "Profile.hpp"
#include "Terminal.hpp"
#include "TransferJobs.hpp"
#include "Tree.hpp"

namespace quillbox::cli {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kTick = 100ms;
constexpr std::string_view kResumeSuffix = ".quillbox-resume";

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// A file name the server gave, made safe to use as a local name.
std::string localName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return "download";
  }
  return name;
}

// ---- download -----------------------------------------------------------------

struct DownloadOpts {
  std::optional<std::string> file, url, share, code, name, output;
  bool resume = false, noVerify = false, force = false, recursive = false;
  int transfers = 4;
};

// What the download's own thread hands to the main thread.
struct DownloadOutcome {
  std::mutex mutex;
  std::optional<DownloadResult> result;
};

int runDownload(Client& client, const DownloadOpts& o) {
  std::string url, name;
  std::optional<std::string> fileId, expectedSha;
  std::optional<std::int64_t> size;
  if (o.file) {
    const Resolved r = client.resolve(*o.file);
    fileId = r.id;
    GetFileDetailBean detailBean;
    detailBean.fileId = r.id;
    const auto detail = client.call(client.cloud().getFileImpl(), &IFile::getFileDetail, detailBean, "download");
    if (isFolder(detail.fileType, detail.mimeType)) {
      throw CliError("download: " + *o.file + " is a folder; add -r to download it with what it holds", kExitUsage);
    }
    name = detail.fileName.value_or(r.id);
    size = detail.size;
    if (detail.sha256 && !detail.sha256->empty()) expectedSha = lower(*detail.sha256);
    GetDownloadUrlBean linkBean;
    linkBean.fileIds = std::vector<std::string>{r.id};
    const auto links = client.call(client.cloud().getFileImpl(), &IFile::getDownloadUrl, linkBean, "download");
    const auto entries = links.downloads.value_or(std::vector<DownloadInfoResponse>{});
    if (entries.empty()) throw CliError("download: the answer has no link for " + r.id);
    const DownloadInfoResponse& e = entries.front();
    if (e.code.value_or("0") != "0" || !e.url || e.url->empty()) {
      throw CliError("download: [" + e.code.value_or("?") + "] " + e.msg.value_or("no download link"));
    }
    url = *e.url;
  } else if (o.share) {
    // As a visitor: the file behind a share link.
    GetShareFilesBean bean;
    bean.shortUrl = shortCodeOf(*o.share);
    bean.qbstoken = readSecret(o.code, "QUILLBOX_SHARE_CODE", std::cin);
    bean.pageSize = 1000;
    const auto shared =
        client.call(client.visitorCloud(*o.share).getShareImpl(), &IShare::getShareFiles, bean, "download");
    std::vector<ShareFile> files;
    for (const auto& f : shared.files.value_or(std::vector<ShareFile>{})) {
      if (isFolder(f.fileType, std::nullopt)) continue;
      if (o.name && f.fileName != *o.name) continue;
      files.push_back(f);
    }
    if (files.empty()) {
      throw CliError(o.name ? "download: the link holds no file named " + *o.name : "download: the link holds no file");
    }
    if (files.size() > 1) {
      throw CliError("download: the link holds " + std::to_string(files.size()) + " files; pick one with --name",
                     kExitUsage);
    }
    const ShareFile& f = files.front();
    fileId = f.id;
    name = f.fileName.value_or("download");
    size = f.size;
    std::optional<std::string> link;
    for (const auto& l : f.downloadLinks.value_or(std::vector<DownloadLink>{})) {
      if (!link && l.downloadLink && !l.downloadLink->empty()) link = l.downloadLink;
    }
    if (!link) throw CliError("download: the link does not allow downloading " + name);
    url = *link;
  } else {
    url = *o.url;
    std::string path = url.substr(0, url.find_first_of("?#"));
    name = path.substr(path.rfind('/') + 1);
  }

  if (o.output && *o.output == "-") {
    return writeToStandardOutput(client, url, name, size, o.noVerify ? std::nullopt : expectedSha);
  }

  // The name the drive (or the link) gives may not replace a local file:
  // only a file the user named with -o is replaced, or any with --force.
  const bool intoFolder = o.output && fs::is_directory(*o.output);
  fs::path dest = o.output ? fs::path(*o.output) : fs::path(localName(name));
  if (intoFolder) dest /= localName(name);
  dest = fs::absolute(dest);
  std::error_code statError;
  if ((!o.output || intoFolder) && !o.force && fs::exists(fs::symlink_status(dest, statError))) {
    throw CliError("download: " + dest.native() +
                   " already exists; choose another name with -o FILE, or replace it with --force");
  }
  const fs::path tokenFile = sideFile(dest, kResumeSuffix);

  ResumableDownloader downloader(url, dest, "quillbox-cli");
  // A transfer that breaks off resumes by itself, as the client's calls are
  // sent again.
  downloader.setRetryPolicy(CloudInstance::shared().retryPolicy());
  // The downloader checks the body as it arrives and leaves the destination
  // as it was when the content is not the one the drive describes.
  const bool verify = expectedSha && !o.noVerify;
  if (verify) {
    if (auto problem = downloader.setExpectedSha256(*expectedSha)) {
      throw CliError("download: cannot check the SHA-256 the drive reports (" + problem->message +
                     "); --no-verify downloads without the check");
    }
  }
  bool resumed = false;
  const auto saved = readSmallFile(tokenFile, 1 << 20);
  if (saved) {
    const std::vector<std::uint8_t> bytes(saved->begin(), saved->end());
    const auto problem = downloader.setResumeData(bytes);
    if (o.resume && !problem) {
      resumed = true;
    } else {
      if (o.resume) {
        client.console().line("quillbox: cannot resume (" + problem->message + "); starting from the beginning");
      } else if (!problem) {
        client.console().line("quillbox: dropping the interrupted download of " + dest.native() +
                              " (use --continue to resume it)");
        downloader.cancel();  // removes the partial file the token names
      }
      fs::remove(tokenFile);
    }
  } else if (o.resume) {
    client.console().line("quillbox: nothing to resume for " + dest.native() + "; starting from the beginning");
  }

  auto meter = std::make_shared<ProgressMeter>(client.console(), name, size);
  if (resumed) meter->averageFromFirstUpdate();
  auto outcome = std::make_shared<DownloadOutcome>();
  InterruptScope interrupt;
  client.console().line((resumed ? "Resuming " : "Downloading ") + name + (size ? " (" + humanSize(*size) + ")" : "") +
                        " to " + dest.native());
  downloader.start([meter](double fraction) { meter->updateFraction(fraction); },
                   [outcome](DownloadResult result) {
                     {
                       std::lock_guard lock(outcome->mutex);
                       outcome->result.emplace(std::move(result));
                     }
                     InterruptScope::wake();
                   });

  std::optional<DownloadResult> result;
  bool interrupted = false;
  while (!result) {
    interrupt.wait(kTick);
    meter->tick();
    {
      std::lock_guard lock(outcome->mutex);
      if (outcome->result) result = std::move(outcome->result);
    }
    if (!result && interrupt.interrupted() && !interrupted) {
      downloader.pause();
      // A transfer that finished just before the signal reports normally.
      if (downloader.state() == DownloadState::paused) {
        interrupted = true;
        break;
      }
    }
  }

  // Keeps what arrived for `--continue`: writes the resume token next to the
  // destination and says how to go on; nothing when no byte had arrived.
  auto keepForContinue = [&]() -> std::optional<std::string> {
    const auto data = downloader.resumeData();
    if (!data) return std::nullopt;
    writePrivateFile(tokenFile, std::string(data->begin(), data->end()));
    const std::string again = o.file    ? "quillbox download " + *o.file
                              : o.share ? "quillbox download --share " + *o.share
                                        : "quillbox download --url URL";
    return "resume with: " + again + " -o " + dest.native() + " --continue";
  };

  if (interrupted) {
    meter->finish("interrupted");
    if (auto hint = keepForContinue()) throw CliError("download interrupted; " + *hint, kExitInterrupted);
    downloader.cancel();
    throw CliError("download interrupted before any byte arrived", kExitInterrupted);
  }

  if (!result->isSuccess()) {
    const DownloadError& e = result->error();
    meter->finish("failed");
    if (e.kind == DownloadError::Kind::verification) {
      downloader.cancel();  // what arrived is not the file: nothing to resume
      std::error_code ignored;
      fs::remove(tokenFile, ignored);
      const std::string what = e.message.starts_with("SHA-256 mismatch") ? e.message : "SHA-256 mismatch: " + e.message;
      throw CliError("download: " + what + " (the drive says " + expectedSha.value_or("?") + "); " + dest.native() +
                     " was not changed");
    }
    // Whatever the failure, what arrived is kept when it can be resumed.
    const auto hint = keepForContinue();
    if (!hint) {
      std::error_code ignored;
      fs::remove(tokenFile, ignored);  // a token read at the start may name nothing now
    }
    // The code is libcurl's or the system's number unless it is a status:
    // only a status is shown, and the exit status follows how it failed.
    const bool status = e.kind == DownloadError::Kind::httpStatus;
    const int exit = status ? exitCodeForHttpStatus(e.code)
                            : e.kind == DownloadError::Kind::transport ? kExitTemporary : kExitFailure;
    throw CliError("download: " + (status ? "HTTP " + std::to_string(e.code) + ": " : std::string()) + e.message +
                       (hint ? "; what arrived is kept, " + *hint : std::string()),
                   exit);
  }
  std::error_code ignored;
  fs::remove(tokenFile, ignored);
  if (size) meter->update(*size);
  meter->finish("done");

  const std::int64_t bytes = static_cast<std::int64_t>(fs::file_size(dest));
  if (client.json()) {
    boost::json::object j;
    if (fileId) j["fileId"] = *fileId;
    j["fileName"] = name;
    j["path"] = dest.native();
    j["size"] = bytes;
    if (verify) j["sha256"] = *expectedSha;
    j["verified"] = verify;
    j["resumed"] = resumed;
    printJson(client.out(), j);
  } else {
    client.out() << "Saved " << forTerminal(dest.native()) << " (" << humanSize(bytes) << ")";
    if (verify) client.out() << ", SHA-256 " << forTerminal(*expectedSha) << " verified";
    client.out() << "\n";
  }
  return kExitOk;
}

// ---- download -r ---------------------------------------------------------------

int runDownloadTree(Client& client, const DownloadOpts& o) {
  prepareTransfers(client);
  const Resolved r = client.resolve(*o.file);
  std::string name = r.name;
  const bool root = r.id == client.rootFolderId();
  if (!r.folder) {
    GetFileDetailBean detailBean;
    detailBean.fileId = r.id;
    const auto detail = client.call(client.cloud().getFileImpl(), &IFile::getFileDetail, detailBean, "download");
    if (!isFolder(detail.fileType, detail.mimeType)) throw CliError("download: " + *o.file + " is not a folder");
    name = detail.fileName.value_or(r.id);
  } else if (!*r.folder) {
    throw CliError("download: " + *o.file + " is not a folder; without -r it is downloaded as a file", kExitUsage);
  }
  // The folder itself goes into the output folder; the root's content does.
  const fs::path outDir = fs::absolute(o.output.value_or("."));
  if (!root && !safeLocalName(name)) throw CliError("download: the folder's name " + name + " cannot be a local name");
  const fs::path top = root ? outDir : outDir / name;
  const RemoteTree remote = walkRemote(client, r.id, PathFilter{});
  for (const auto& why : remote.skipped) client.console().line("skipped: " + why);
  std::error_code ec;
  fs::create_directories(top, ec);
  if (ec) throw CliError("download: cannot make " + top.native() + ": " + ec.message());
  std::deque<DownloadJob> jobs;
  std::size_t folders = 0;
  for (const auto& e : remote.entries) {
    if (e.folder) {
      ++folders;
      fs::create_directories(top / e.rel, ec);
      if (ec) throw CliError("download: cannot make " + (top / e.rel).native() + ": " + ec.message());
      continue;
    }
    jobs.push_back({e.id, (root ? "" : name + "/") + e.rel, top / e.rel, e.size, e.sha256, o.force});
  }
  std::vector<BatchItem> items;
  for (auto& job : jobs) items.push_back(downloadItem(client, job, nullptr));
  InterruptScope interrupt;
  const BatchReport report = runBatch(client.console(), items, o.transfers, interrupt);
  client.console().line(batchSummary("Downloaded", report) + " into " + top.native() + " (" + std::to_string(folders) +
                        " folders below it)");

  if (client.json()) {
    boost::json::array done, failed;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      boost::json::object j;
      j["path"] = jobs[i].dest.native();
      j["fileId"] = jobs[i].fileId;
      if (report.outcomes[i].kind == BatchOutcome::Kind::done) {
        j["size"] = jobs[i].size;
        if (jobs[i].sha256) j["sha256"] = *jobs[i].sha256;
        j["verified"] = jobs[i].sha256.has_value();
        done.push_back(std::move(j));
      } else if (report.outcomes[i].kind == BatchOutcome::Kind::failed) {
        j["error"] = report.outcomes[i].detail;
        failed.push_back(std::move(j));
      }
    }
    boost::json::object j;
    j["folder"] = top.native();
    j["downloads"] = std::move(done);
    j["failed"] = std::move(failed);
    printJson(client.out(), j);
  }
  return finishBatch("download", report, [&jobs](std::size_t i) { return jobs[i].label; });
}

void addDownload(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<DownloadOpts>();
  CLI::App* cmd = app.add_subcommand("download", "Download a file, with progress; Ctrl-C or a failure keeps what arrived");
  auto* file = cmd->add_option("FILE_ID", o->file, "File id or /path");
  auto* url = cmd->add_option("--url", o->url, "Download this address instead (e.g. one printed by quillbox link)");
  auto* share = cmd->add_option("--share", o->share, "Download the file behind this share link (or its short code)");
  file->excludes(url)->excludes(share);
  url->excludes(share);
  cmd->add_option("--code", o->code, std::string("With --share: the link's extract code") + kShareCodeHelp)
      ->needs(share);
  cmd->add_option("--name", o->name, "With --share: which file, when the link holds several")->needs(share);
  cmd->add_option("-o,--output", o->output, "Where to save it: a file, or a folder to save it in (default: its name)");
  cmd->add_flag("--continue,-c", o->resume, "Resume an interrupted download of the same destination");
  cmd->add_flag("--no-verify", o->noVerify, "Do not check the SHA-256 the drive reports");
  cmd->add_flag("--force", o->force,
                "Replace an existing local file of the name the drive gives (without it, only a file named with -o "
                "is replaced)");
  auto* recursive = cmd->add_flag("-r,--recursive", o->recursive,
                                  "Download a folder with everything in it, empty folders included, as a folder of "
                                  "that name in the output folder (-o; default: the current folder)");
  recursive->excludes(url)->excludes(share);
  cmd->add_option("--transfers", o->transfers, "With -r: files fetched at once")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    if (!o->file && !o->url && !o->share) throw CLI::ValidationError("download", "give a FILE_ID, --url or --share");
    if (o->recursive && o->resume) throw CLI::ValidationError("download", "--continue resumes one file, not a folder");
    action = [&client, o] { return o->recursive ? runDownloadTree(client, *o) : runDownload(client, *o); };
  });
}

// ---- upload -------------------------------------------------------------------

struct UploadOpts {
  std::vector<std::string> files;
  std::optional<std::string> to;
  std::string onClash = "rename";
  bool recursive = false;
  int transfers = 4;
};

int runUpload(Client& client, const UploadOpts& o) {
  for (const auto& f : o.files) {
    std::error_code ec;
    if (fs::is_directory(f, ec)) {
      if (!o.recursive) throw CliError("upload: " + f + " is a folder; add -r to upload it with what it holds", kExitUsage);
    } else if (!fs::is_regular_file(f, ec)) {
      throw CliError("upload: " + f + " is not a readable file", kExitUsage);
    }
  }
  prepareTransfers(client);
  const std::string folderId = client.resolveFolder(o.to);
  const std::int64_t policy = clashPolicyCode(o.onClash);
  std::deque<UploadJob> jobs;  // stable addresses: the batch refers to them
  std::map<std::string, std::set<std::string>> before;  // ids in each folder before
  std::map<std::string, std::set<std::string>> takenNames;
  std::size_t folders = 0;
  bool plainFiles = false;
  for (const auto& f : o.files) {
    const fs::path path = fs::absolute(f).lexically_normal();
    std::error_code ec;
    if (fs::is_directory(path, ec)) continue;
    plainFiles = true;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw CliError("upload: " + f + " is not a readable file", kExitUsage);
    UploadJob job;
    job.path = path;
    job.label = f;
    job.folderId = folderId;
    job.name = path.filename().native();
    job.size = static_cast<std::int64_t>(info.st_size);
    job.policy = policy;
    jobs.push_back(std::move(job));
  }
  if (plainFiles) {
    for (const auto& e : client.listAll(folderId)) {
      if (e.id) before[folderId].insert(*e.id);
      if (e.fileName) takenNames[folderId].insert(*e.fileName);
    }
  }
  for (const auto& f : o.files) {
    fs::path root = fs::absolute(f).lexically_normal();
    std::error_code ec;
    if (!fs::is_directory(root, ec)) continue;
    if (root.filename().empty()) root = root.parent_path();  // "dir/" names dir
    const std::string name = root.filename().native();
    if (name.empty() || root == root.root_path()) throw CliError("upload: " + f + " has no name to give the folder");
    std::string shown = f;
    while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    const LocalTree local = scanLocal(root, PathFilter{});
    for (const auto& why : local.skipped) client.console().line("skipped: " + why);
    const std::string topId = ensureFolder(client, folderId, name);
    const RemoteTree remote = walkRemote(client, topId, PathFilter{});
    for (const auto& e : remote.entries) {
      before[e.parentId].insert(e.id);
      takenNames[e.parentId].insert(e.name);
    }
    const auto ids = ensureFolders(client, topId, local, remote, false);
    folders += ids.size();
    for (const auto& e : local.entries) {
      if (e.folder) continue;
      UploadJob job;
      job.path = e.path;
      job.label = shown + "/" + e.rel;
      const auto slash = e.rel.rfind('/');
      job.folderId = ids.at(slash == std::string::npos ? std::string() : e.rel.substr(0, slash));
      job.name = e.path.filename().native();
      job.size = e.size;
      job.mtimeNs = e.mtimeNs;
      job.policy = policy;
      jobs.push_back(std::move(job));
    }
  }

  std::vector<BatchItem> items;
  for (auto& job : jobs) items.push_back(uploadItem(client, job, nullptr));
  InterruptScope interrupt;
  const BatchReport report = runBatch(client.console(), items, o.transfers, interrupt);

  std::vector<UploadJob*> uploaded;
  for (auto& job : jobs) uploaded.push_back(&job);
  findStoredNames(client, uploaded, before);
  for (const auto& job : jobs) {
    if (job.result.empty() || !job.storedName || *job.storedName == job.name) continue;
    const auto taken = takenNames.find(job.folderId);
    const bool clash = taken != takenNames.end() && taken->second.count(job.name) > 0;
    client.console().line(job.label + ": stored as " + *job.storedName + ": " +
                          (clash ? job.name + " exists; use --on-clash replace to overwrite"
                                 : "the drive chose another name"));
  }
  if (o.recursive || jobs.size() > 1) {
    client.console().line(batchSummary("Uploaded", report) +
                          (folders > 0 ? " (" + std::to_string(folders) + " folders)" : std::string()));
  }

  if (client.json()) {
    boost::json::array uploads, failed;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const UploadJob& d = jobs[i];
      boost::json::object u;
      u["path"] = d.path.native();
      if (report.outcomes[i].kind == BatchOutcome::Kind::failed) {
        u["error"] = report.outcomes[i].detail;
        failed.push_back(std::move(u));
        continue;
      }
      if (d.result.empty()) continue;
      u["size"] = d.size;
      if (d.sha256) u["sha256"] = *d.sha256;
      u["result"] = d.result;
      u["rapid"] = d.result == "rapid success";
      u["exist"] = d.result == "exist success";
      if (d.fileId) u["fileId"] = *d.fileId;
      if (d.storedName) u["fileName"] = *d.storedName;
      u["renamed"] = d.storedName && *d.storedName != d.name;
      uploads.push_back(std::move(u));
    }
    boost::json::object j;
    j["folderId"] = folderId;
    j["uploads"] = std::move(uploads);
    j["failed"] = std::move(failed);
    printJson(client.out(), j);
  } else if (!o.recursive && report.done > 0) {
    Table t{{"FILE", "SIZE", "RESULT", "NAME", "ID"}, {}, {false, true}};
    for (const auto& d : jobs) {
      if (d.result.empty()) continue;
      const std::string result = d.result == "rapid success"   ? "rapid upload"
                                 : d.result == "exist success" ? "already there"
                                                               : "uploaded";
      t.add({d.path.filename().native(), humanSize(d.size), result, orDash(d.storedName), orDash(d.fileId)});
    }
    printTable(client.out(), t);
  }
  return finishBatch("upload", report, [&jobs](std::size_t i) { return jobs[i].label; });
}

void addUpload(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<UploadOpts>();
  CLI::App* cmd = app.add_subcommand(
      "upload", "Upload files (and with -r folders), with progress; content the drive has is not sent again");
  cmd->add_option("FILE", o->files, "Local files, or folders with -r")->required();
  cmd->add_option("--to", o->to, "Destination folder (id or /path; default: your root folder)");
  cmd->add_flag("-r,--recursive", o->recursive,
                "Upload folders with everything in them, empty folders included: DIR becomes DEST/DIR (an existing "
                "folder of that name is reused)");
  cmd->add_option("--on-clash", o->onClash,
                  "When a file of the name is there with other content: rename (store it under a free name), fail, "
                  "or replace it")
      ->check(CLI::IsMember({"rename", "fail", "replace", "overwrite"}))
      ->capture_default_str();
  cmd->add_option("--transfers", o->transfers, "Files sent at once")->check(CLI::Range(1, 64))->capture_default_str();
  cmd->callback([&client, &action, o] { action = [&client, o] { return runUpload(client, *o); }; });
}

}  // namespace

void addTransferCommands(CLI::App& app, Client& client, Action& action) {
  addUpload(app, client, action);
  addDownload(app, client, action);
  addSyncCommand(app, client, action);
}

}  // namespace quillbox::cli
