#include "Client.hpp"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "Output.hpp"
#include "Profile.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

/// What an error status means to the user, and what to do about it.
struct StatusWords {
  std::string_view meaning;
  std::string_view advice;  // empty: nothing to do
};

StatusWords wordsFor(long status) {
  switch (status) {
    case 400: return {"the server refused the request", ""};
    case 401: return {"the access token is not valid", "sign in again with quillbox login"};
    case 403: return {"access refused", ""};
    case 404: return {"not found", ""};
    case 409: return {"conflict", ""};
    case 410: return {"gone", ""};
    case 408:
    case 504: return {"the server did not finish in time", "try again later"};
    case 429:
    case 503: return {"the service is busy", "try again later"};
    case 502: return {"the service is unavailable", "try again later"};
    default:
      return {status >= 500 ? "the server failed" : "the server refused the request", ""};
  }
}

bool sameWords(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

/// "not found (404): no such share": the status, and the server's code and
/// message when they say more than the status does.
std::string statusText(const CallFailure& f) {
  const StatusWords words = wordsFor(f.httpStatus);
  std::string text(words.meaning);
  text += " (" + std::to_string(f.httpStatus);
  const bool envelope = f.code != -1;  // else the message is the SDK's "response status code = N"
  if (envelope && f.code != f.httpStatus) text += ", code " + std::to_string(f.code);
  text += ")";
  if (envelope && !f.message.empty() && !sameWords(f.message, words.meaning)) text += ": " + f.message;
  if (!words.advice.empty()) text += "; " + std::string(words.advice);
  return text;
}

}  // namespace

std::string failureText(const CallFailure& f, std::string_view host, std::string_view what) {
  const std::string at(host);
  switch (f.kind) {
    case FailureKind::httpStatus:
      return statusText(f);
    case FailureKind::connect:
    case FailureKind::nameResolution:
    case FailureKind::tls:
      return "cannot reach " + at + ": " + std::string(describe(f.kind));
    case FailureKind::timeout:
      return at + ": timed out; try again later";
    case FailureKind::reset:
      return at + ": the connection was lost before the answer arrived; try again later";
    case FailureKind::cancelled:
      return std::string(what) + ": cancelled";
    case FailureKind::invalidRequest:
      return std::string(what) + ": the request to " + at + " could not be made (" + f.message + ")";
    case FailureKind::undecodable:
      return std::string(what) + ": unexpected answer from " + at + " (" + f.message + ")";
    default: {
      std::string text = std::string(what) + ": " + (f.message.empty() ? "failed" : f.message);
      if (f.code != -1) text += " (code " + std::to_string(f.code) + ")";
      return text;
    }
  }
}

std::string shortCodeOf(const std::string& link) {
  std::string code = link;
  if (const auto q = code.find_first_of("?#"); q != std::string::npos) code.erase(q);
  while (!code.empty() && code.back() == '/') code.pop_back();
  if (const auto slash = code.rfind('/'); slash != std::string::npos) code.erase(0, slash + 1);
  return code;
}

std::optional<std::string> hostOfLink(const std::string& link) {
  const auto scheme = link.find("://");
  if (scheme == std::string::npos || scheme == 0) return std::nullopt;
  const auto pathStart = link.find_first_of("/?#", scheme + 3);
  if (pathStart == scheme + 3) return std::nullopt;
  return link.substr(0, pathStart);
}

std::string withOptionNames(std::string message,
                            std::initializer_list<std::pair<std::string_view, std::string_view>> keys) {
  const auto wordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (const auto& [key, option] : keys) {
    for (std::size_t at = message.find(key); at != std::string::npos; at = message.find(key, at)) {
      const std::size_t end = at + key.size();
      if ((at > 0 && wordChar(message[at - 1])) || (end < message.size() && wordChar(message[end]))) {
        at = end;
        continue;
      }
      message.replace(at, key.size(), option);
      at += option.size();
    }
  }
  return message;
}

std::int64_t clashCode(const std::string& policy) {
  if (policy == "fail") return 1;
  if (policy == "overwrite") return 3;
  return 2;  // rename
}

namespace {

// One per process and never destroyed: the SDK's threads may still log
// through it while the program ends.
Console* sharedConsole() {
  static Console* const console = new Console(stderr, ::isatty(STDERR_FILENO) == 1);
  return console;
}

// What --quiet leaves of progress and notes: nothing.
Console* silentConsole() {
  static std::FILE* const sink = std::fopen("/dev/null", "w");
  static Console* const console = sink ? new Console(sink, false) : sharedConsole();
  return console;
}

}  // namespace

Client::Client() : console_(sharedConsole()) {}

std::string Client::time(const std::string& iso) const { return timeText(iso, options_.utc); }
std::optional<std::string> Client::time(const std::optional<std::string>& iso) const {
  return iso ? std::optional(time(*iso)) : std::nullopt;
}

Console& Client::console() { return options_.quiet ? *silentConsole() : *console_; }

void Client::installLogSink() {
  if (!options_.verbose) {
    quillbox::setLogSink(nullptr);  // silent: the SDK formats no line at all
    return;
  }
  quillbox::setLogSink([console = console_](std::string_view line) { console->line(std::string("  | ") + std::string(line)); });
}

CloudInstance& Client::cloud(bool needToken) {
  if (!instance_) {
    if (options_.timeout) {
      CloudInstance::Options limits;
      limits.callDeadline = std::chrono::seconds(*options_.timeout);
      // Never destroyed, like the shared client: SDK threads may still be
      // finishing while the program ends. Held by a static, so that it stays
      // reachable to the end (a leak checker sees it as the shared one).
      static CloudInstance* const own = new CloudInstance(limits);
      instance_ = own;
    } else {
      instance_ = &CloudInstance::shared();
    }
  }
  CloudInstance& cloud = *instance_;
  if (configured_ && (haveToken_ || !needToken)) return cloud;

  if (options_.token && *options_.token == "-") options_.token = readSecret(options_.token, "QUILLBOX_TOKEN", std::cin);
  std::optional<Profile> profile;
  const Setting hostFlagOrEnv = pickSetting(options_.host, "QUILLBOX_HOST", std::nullopt);
  const Setting tokenFlagOrEnv = pickSetting(options_.token, "QUILLBOX_TOKEN", std::nullopt);
  if (!hostFlagOrEnv.value || !tokenFlagOrEnv.value) profile = loadProfile(profilePath());
  const Setting host =
      pickSetting(options_.host, "QUILLBOX_HOST", profile ? std::optional(profile->host) : std::nullopt);
  const Setting token = pickSetting(options_.token, "QUILLBOX_TOKEN",
                                    profile && !profileTokenElsewhere_ ? std::optional(profile->token) : std::nullopt);
  if (!host.value) {
    throw CliError("no server address: pass --host URL, set QUILLBOX_HOST, or sign in with quillbox login",
                   kExitRefused);
  }
  host_ = *host.value;
  while (!host_.empty() && host_.back() == '/') host_.pop_back();
  if (needToken && !token.value) {
    throw CliError("not signed in: run quillbox login, or pass --token / set QUILLBOX_TOKEN", kExitRefused);
  }
  cloud.setHost(host_);
  cloud.setToken(token.value);
  configured_ = true;
  haveToken_ = token.value.has_value();
  return cloud;
}

CloudInstance& Client::visitorCloud(const std::string& link) {
  if (!pickSetting(options_.host, "QUILLBOX_HOST", std::nullopt).value) {
    if (auto host = hostOfLink(link)) {
      // The saved token goes only to the server it came from.
      const auto profile = loadProfile(profilePath());
      std::string saved = profile ? profile->host : "";
      while (!saved.empty() && saved.back() == '/') saved.pop_back();
      profileTokenElsewhere_ = saved != *host;
      options_.host = *host;
    }
  }
  return cloud(false);
}

std::string Client::shareIdOf(const std::string& idCodeOrLink) {
  const bool link = idCodeOrLink.find('/') != std::string::npos;
  const std::string code = shortCodeOf(idCodeOrLink);
  std::optional<std::string> found;
  GetShareBean bean;
  bean.pageSize = 100;
  check(forEachEntry(cloud().getShareImpl(), &IShare::getShares, bean,
                     [&](ShareByMeLink& s) {
                       if (s.shareId == idCodeOrLink || s.shortUrl == code) found = s.shareId;
                       return !found;
                     }),
        "share");
  if (found) return *found;
  if (link) throw CliError("no share link of yours is " + idCodeOrLink, kExitNotFound);
  return idCodeOrLink;  // an id the listing did not show: the server decides
}

std::string Client::host() {
  cloud(false);
  return host_;
}

const SpaceInfo& Client::space() {
  if (!space_) {
    GetSpaceBean bean;
    const GetSpaceResp resp = call(cloud().getUserImpl(), &IUser::getSpace, bean, "space");
    if (!resp.data) throw CliError("space: the answer has no space");
    space_ = *resp.data;
  }
  return *space_;
}

std::string Client::rootFolderId() {
  const SpaceInfo& s = space();
  if (!s.rootFileId || s.rootFileId->empty()) throw CliError("space: the answer names no root folder");
  return *s.rootFileId;
}

void printNextPage(Client& client, const std::optional<std::string>& next) {
  if (next && !next->empty()) client.console().line("quillbox: there is more: add --cursor " + forTerminal(*next));
}

void Client::fail(const CallFailure& failure, std::string_view what, int exitCode) {
  throw CliError(failureText(failure, host_, what), exitCode, /*aboutCommand=*/true);
}

void Client::check(const PagingOutcome& outcome, std::string_view what) {
  if (outcome.status != PagingOutcome::Status::failed) return;
  // A page refused in a 2xx envelope: the server's codes follow the HTTP statuses.
  const int exitCode = outcome.kind == FailureKind::other && outcome.code != -1
                           ? exitCodeForHttpStatus(outcome.code)
                           : exitCodeForFailure(outcome.kind, outcome.httpStatus);
  fail({outcome.code, outcome.message, outcome.kind, outcome.httpStatus}, what, exitCode);
}

std::vector<FileListMetadata> Client::listAll(const std::string& folderId) {
  FilesListBean bean;
  bean.type = "list";
  bean.parentFileId = folderId;
  bean.pageInfo = PageInfo(1000, std::nullopt);
  std::vector<FileListMetadata> entries;
  check(forEachEntry(cloud().getFileImpl(), &IFile::filesList, bean,
                     [&entries](FileListMetadata& e) {
                       entries.push_back(std::move(e));
                       return true;
                     }),
        "list " + folderId);
  return entries;
}

Resolved Client::resolve(const std::string& arg) {
  if (arg.empty() || arg == "/") return {rootFolderId(), "/", true};
  if (arg.front() != '/') return {arg, {}, std::nullopt};
  Resolved at{rootFolderId(), "/", true};
  std::string walked;
  std::size_t start = 1;
  while (start <= arg.size()) {
    const std::size_t slash = arg.find('/', start);
    const std::string name = arg.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    start = slash == std::string::npos ? arg.size() + 1 : slash + 1;
    if (name.empty()) continue;
    if (at.folder == false) throw CliError(walked + " is not a folder");
    walked += "/" + name;
    const auto entries = listAll(at.id);
    const FileListMetadata* found = nullptr;
    for (const auto& e : entries) {
      if (e.fileName != name || !e.id) continue;
      // With a folder and a file of one name, a path that goes on means the folder.
      if (!found || (start <= arg.size() && isFolder(e.fileType, e.mimeType))) found = &e;
    }
    if (!found) throw CliError("no such file or folder: " + walked, kExitNotFound);
    at = {*found->id, name, isFolder(found->fileType, found->mimeType)};
  }
  return at;
}

FolderFound Client::folderIn(const std::string& parentId, const std::string& name, const std::string& onClash) {
  const bool reuse = onClash == "reuse" || onClash == "overwrite";
  for (const auto& e : listAll(parentId)) {
    if (e.fileName != name || !e.id) continue;
    if (!isFolder(e.fileType, e.mimeType)) {
      if (onClash == "rename") continue;
      throw CliError("mkdir: " + name + " exists and is a file, not a folder");
    }
    if (reuse) return {*e.id, name, false};
    if (onClash == "fail") throw CliError("mkdir: " + name + " exists (--on-clash reuse uses it)");
  }
  CreateDirectoryBean bean;
  bean.fileName = name;
  bean.parentFolder = std::vector<std::string>{parentId};
  // A folder made meanwhile by someone else is used rather than doubled.
  bean.renameMode = reuse ? clashCode("overwrite") : clashCode(onClash);
  const auto made = call(cloud().getFileImpl(), &IFile::createDirectory, bean, "mkdir");
  if (!made.id || made.id->empty()) throw CliError("mkdir: the answer names no folder");
  return {*made.id, made.fileName.value_or(name), true};
}

std::string Client::resolveFolder(const std::optional<std::string>& arg) {
  const Resolved r = resolve(arg.value_or(""));
  if (r.folder == false) throw CliError(arg.value_or("") + " is not a folder");
  return r.id;
}

bool isFolder(const std::optional<std::string>& fileType, const std::optional<std::string>& mimeType) {
  return (fileType && *fileType == categoryCode(FileType::folder)) || (mimeType && *mimeType == "inode/directory");
}

}  // namespace quillbox::cli
