// Moving whole files: upload (with the SDK's default hasher, so content the
// drive already has is not sent again) and download (resumable: Ctrl-C
// keeps a resume token next to the destination for `--continue`).

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include <quillbox/upload/Sha256Result.hpp>
#include <quillbox/upload/Sha256SliceFile.hpp>
#include <quillbox/upload/UploadProcessResult.hpp>

#include "Commands.hpp"
#include "Interrupt.hpp"
#include "Output.hpp"
#include "Profile.hpp"
#include "Terminal.hpp"

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
  bool resume = false, noVerify = false, force = false;
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
    if (isFolder(detail.fileType, detail.mimeType)) throw CliError("download: " + *o.file + " is a folder");
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

  if (interrupted) {
    meter->finish("interrupted");
    if (auto data = downloader.resumeData()) {
      writePrivateFile(tokenFile, std::string(data->begin(), data->end()));
      const std::string again = o.file    ? "quillbox download " + *o.file
                                : o.share ? "quillbox download --share " + *o.share
                                          : "quillbox download --url URL";
      throw CliError("download interrupted; resume with: " + again + " -o " + dest.native() + " --continue",
                     kExitInterrupted);
    }
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
    std::string hint;
    if (auto data = downloader.resumeData()) {
      writePrivateFile(tokenFile, std::string(data->begin(), data->end()));
      hint = " (what arrived is kept: add --continue to resume)";
    }
    throw CliError("download: [" + std::to_string(e.code) + "] " + e.message + hint);
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

void addDownload(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<DownloadOpts>();
  CLI::App* cmd = app.add_subcommand("download", "Download a file, with progress; Ctrl-C keeps what arrived");
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
  cmd->callback([&client, &action, o] {
    if (!o->file && !o->url && !o->share) throw CLI::ValidationError("download", "give a FILE_ID, --url or --share");
    action = [&client, o] { return runDownload(client, *o); };
  });
}

// ---- upload -------------------------------------------------------------------

/// The SDK's default hasher, remembering what it said about the file so
/// that the upload's result can be matched with the listing afterwards.
class RecordingSliceFile final : public ISliceFile {
 public:
  std::optional<std::string> calcSha256(const fs::path& file) override {
    auto text = inner_.calcSha256(file);
    if (text) {
      if (auto decoded = fromJson<Sha256Result>(*text)) {
        std::lock_guard lock(mutex_);
        hash_ = lower(decoded.value().hash);
      }
    }
    return text;
  }
  std::optional<std::string> hash() const {
    std::lock_guard lock(mutex_);
    return hash_;
  }

 private:
  Sha256SliceFile inner_;
  mutable std::mutex mutex_;
  std::optional<std::string> hash_;
};

// What the SDK's lines about a failed upload step contain.
const std::vector<std::string> kUploadFailureMarkers = {"failure code = ", "failed",        "IOException", "失败",
                                                        "sha256 nil",      "length is nil", "null"};

struct UploadOpts {
  std::vector<std::string> files;
  std::optional<std::string> to;
  std::string onClash = "rename";
};

// What the upload's callback hands to the main thread. The handle is kept
// apart (in UploadStart): the upload holds its callback until it ends, and a
// callback that held the handle would keep the upload alive for ever.
struct UploadEvents {
  std::mutex mutex;
  std::optional<UploadProcessResult> outcome;  // onSuccess or onFailure
};

// What the thread that starts the upload hands to the main thread.
struct UploadStart {
  std::mutex mutex;
  std::shared_ptr<Cancelable> handle;
  std::optional<std::string> error;  // uploadFile itself threw
  bool started = false;              // uploadFile has returned
};

struct UploadDone {
  fs::path path;
  std::int64_t size = 0;
  std::optional<std::string> sha256;
  std::string result;  // "success", "rapid success", "exist success"
  std::optional<FileListMetadata> entry;
};

// The entry the upload made (or found): same content, the local name when
// the server kept it, else the newest.
std::optional<FileListMetadata> findUploaded(Client& client, const std::string& folderId, const std::string& name,
                                             const std::optional<std::string>& sha256) {
  std::optional<FileListMetadata> best;
  for (auto& e : client.listAll(folderId)) {
    if (isFolder(e.fileType, e.mimeType)) continue;
    const bool sameContent = sha256 && e.sha256 && lower(*e.sha256) == *sha256;
    if (!sameContent) continue;
    if (e.fileName == name) return e;
    if (!best || e.createdTime.value_or("") > best->createdTime.value_or("")) best = e;
  }
  return best;
}

int runUpload(Client& client, const UploadOpts& o) {
  for (const auto& f : o.files) {
    std::error_code ec;
    if (!fs::is_regular_file(f, ec)) throw CliError("upload: " + f + " is not a readable file", kExitUsage);
  }
  const std::string folderId = client.resolveFolder(o.to);
  ITransfer& transfer = client.cloud().getTransferImpl();
  std::vector<UploadDone> done;
  std::string failures;
  std::size_t failed = 0;
  InterruptScope interrupt;

  bool skipped = false;
  for (const auto& f : o.files) {
    if (interrupt.interrupted()) {  // Ctrl-C came as the previous upload finished anyway
      skipped = true;
      break;
    }
    const fs::path path = fs::absolute(f);
    const std::string name = path.filename().native();
    const auto size = static_cast<std::int64_t>(fs::file_size(path));
    auto hasher = std::make_shared<RecordingSliceFile>();
    auto meter = std::make_shared<ProgressMeter>(client.console(), name, size);
    auto events = std::make_shared<UploadEvents>();
    auto start = std::make_shared<UploadStart>();
    const std::uint64_t mark = client.diagnosticsMark();
    client.console().status("hashing " + name + " (" + humanSize(size) + ") ...");

    // uploadFile hashes the file before it returns; it runs on a thread of
    // its own so that Ctrl-C is answered at once even for a large file.
    std::thread starter([&transfer, &folderId, path, autoRename = clashCode(o.onClash), hasher, meter, events, start] {
      std::shared_ptr<Cancelable> handle;
      std::optional<std::string> error;
      try {
        handle = transfer.uploadFile(folderId, path, std::string(), autoRename, hasher,
                                     [meter, events](UploadProcessResult event) {
                                       if (const auto* p = std::get_if<uploadResult::onProgress>(&event)) {
                                         meter->setTotal(p->total);
                                         meter->update(p->bytes);
                                         return;
                                       }
                                       if (std::holds_alternative<uploadResult::onSuccess>(event) ||
                                           std::holds_alternative<uploadResult::onFailure>(event)) {
                                         {
                                           std::lock_guard lock(events->mutex);
                                           events->outcome = std::move(event);
                                         }
                                         InterruptScope::wake();
                                       }
                                     });
      } catch (const std::exception& e) {
        error = e.what();
      }
      {
        std::lock_guard lock(start->mutex);
        start->handle = std::move(handle);
        start->error = std::move(error);
        start->started = true;
      }
      InterruptScope::wake();
    });

    std::optional<UploadProcessResult> outcome;
    bool cancelled = false, announced = false;
    while (!outcome) {
      interrupt.wait(kTick);
      std::shared_ptr<Cancelable> handle;
      bool started = false;
      {
        std::lock_guard lock(events->mutex);
        if (events->outcome) outcome = events->outcome;
      }
      {
        std::lock_guard lock(start->mutex);
        if (start->error && !outcome) outcome = uploadResult::onFailure{-1, *start->error};
        handle = start->handle;
        started = start->started;
      }
      if (started && !announced) {
        announced = true;
        if (!outcome) client.console().clearStatus();
      }
      if (interrupt.interrupted() && !cancelled) {
        if (!started) {
          // Still hashing: nothing has been sent, so there is nothing to undo.
          client.console().clearStatus();
          client.console().line("quillbox: upload interrupted while hashing " + name);
          std::fflush(stdout);
          std::_Exit(kExitInterrupted);
        }
        if (handle) handle->cancel();
        cancelled = true;
      }
      if (started) meter->tick();
    }
    starter.join();

    const auto* success = std::get_if<uploadResult::onSuccess>(&*outcome);
    if (cancelled && !success) {
      meter->finish("interrupted");
      throw CliError("upload of " + f + " interrupted; nothing was kept, run the upload again to start over",
                     kExitInterrupted);
    }
    if (!success) {
      const auto& failure = std::get<uploadResult::onFailure>(*outcome);
      meter->finish("failed");
      ++failed;
      if (!failures.empty()) failures += "; ";
      failures += f + " [" + std::to_string(failure.errCode) + "] " + failure.errMsg;
      // The SDK reports every failed upload with one fixed code; the first
      // complaint it logged names the cause, with the server's code and message.
      if (auto cause = client.firstDiagnosticSince(mark, kUploadFailureMarkers)) failures += " (" + *cause + ")";
      continue;
    }
    UploadDone d;
    d.path = path;
    d.size = size;
    d.sha256 = hasher->hash();
    d.result = success->msg;
    if (d.result == "success") {
      meter->update(size);
      meter->finish("uploaded");
    } else {
      client.console().clearStatus();
      client.console().line(
          name + ": " +
          (d.result == "rapid success"
               ? "rapid upload - the drive already had this content, nothing was sent"
               : std::string(d.result == "exist success" ? "already in the folder with this content" : d.result)));
    }
    d.entry = findUploaded(client, folderId, name, d.sha256);
    done.push_back(std::move(d));
  }

  if (client.json()) {
    boost::json::array uploads;
    for (const auto& d : done) {
      boost::json::object u;
      u["path"] = d.path.native();
      u["size"] = d.size;
      if (d.sha256) u["sha256"] = *d.sha256;
      u["result"] = d.result;
      u["rapid"] = d.result == "rapid success";
      u["exist"] = d.result == "exist success";
      if (d.entry) {
        if (d.entry->id) u["fileId"] = *d.entry->id;
        if (d.entry->fileName) u["fileName"] = *d.entry->fileName;
      }
      uploads.push_back(std::move(u));
    }
    boost::json::object j;
    j["folderId"] = folderId;
    j["uploads"] = std::move(uploads);
    printJson(client.out(), j);
  } else if (!done.empty()) {
    Table t{{"FILE", "SIZE", "RESULT", "NAME", "ID"}, {}, {false, true}};
    for (const auto& d : done) {
      const std::string result = d.result == "rapid success"   ? "rapid upload"
                                 : d.result == "exist success" ? "already there"
                                                               : "uploaded";
      t.add({d.path.filename().native(), humanSize(d.size), result,
             d.entry ? orDash(d.entry->fileName) : std::string("-"), d.entry ? orDash(d.entry->id) : std::string("-")});
    }
    printTable(client.out(), t);
  }
  if (skipped) {
    throw CliError(
        "upload interrupted; " + std::to_string(o.files.size() - done.size() - failed) + " files were not uploaded",
        kExitInterrupted);
  }
  if (failed > 0) {
    throw CliError("upload: " + std::to_string(failed) + " of " + std::to_string(o.files.size()) +
                   " files failed: " + failures);
  }
  return kExitOk;
}

void addUpload(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<UploadOpts>();
  CLI::App* cmd = app.add_subcommand("upload", "Upload files, with progress; content the drive has is not sent again");
  cmd->add_option("FILE", o->files, "Local files")->required();
  cmd->add_option("--to", o->to, "Destination folder (id or /path; default: your root folder)");
  cmd->add_option("--on-clash", o->onClash, "When the name is taken: rename, fail or overwrite")
      ->check(CLI::IsMember({"rename", "fail", "overwrite"}))
      ->capture_default_str();
  cmd->callback([&client, &action, o] { action = [&client, o] { return runUpload(client, *o); }; });
}

}  // namespace

void addTransferCommands(CLI::App& app, Client& client, Action& action) {
  addUpload(app, client, action);
  addDownload(app, client, action);
}

}  // namespace quillbox::cli
