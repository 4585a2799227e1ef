#pragma once
// What every command shares: the global options, the connection settings
// (flags, then the environment, then the saved profile), the SDK's service
// calls turned into plain blocking calls, failures as exceptions that main()
// turns into one line on standard error and an exit status, and the
// resolution of "/folder/file" paths to ids.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <future>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <quillbox/quillbox.hpp>
#include <quillbox/upload/FileType.hpp>

#include "ExitCodes.hpp"
#include "Progress.hpp"

namespace quillbox::cli {

/// A failure reported as one line on standard error, and the exit status.
/// The line is "quillbox: <message>", or, for a failed service call,
/// "quillbox <command the user ran>: <message>".
class CliError : public std::runtime_error {
 public:
  explicit CliError(std::string message, int exitCode = kExitFailure, bool aboutCommand = false)
      : std::runtime_error(std::move(message)), exitCode_(exitCode), aboutCommand_(aboutCommand) {}
  int exitCode() const { return exitCode_; }
  /// Whether the line names the command the user ran.
  bool aboutCommand() const { return aboutCommand_; }

 private:
  int exitCode_;
  bool aboutCommand_;
};

/// How a service call failed, as the SDK reported it.
struct CallFailure {
  std::int64_t code = -1;
  std::string message;
  FailureKind kind = FailureKind::other;
  long httpStatus = 0;  ///< of the answer; 0 when none arrived
};

/// Why a service call to `host` (the step `what` of a command) failed, in
/// words for the user: what went wrong and, when there is something to do,
/// what ("the access token is not valid (401); sign in again with quillbox
/// login", "cannot reach http://h: host name not found"). The server's code
/// and message follow when they add something.
std::string failureText(const CallFailure& failure, std::string_view host, std::string_view what);

struct GlobalOptions {
  std::optional<std::string> host;
  std::optional<std::string> token;
  bool json = false;
  bool verbose = false;
  bool quiet = false;  ///< results and errors only
  bool utc = false;    ///< times in UTC rather than the local time zone
  /// Seconds a service call may take, its retries included; the library's
  /// default when absent.
  std::optional<int> timeout;
};

/// A folder looked up, or made, by name in another.
struct FolderFound {
  std::string id;
  std::string name;  ///< as stored
  bool created = false;
};

/// A file or folder the user named, by id or by "/path".
struct Resolved {
  std::string id;
  std::string name;            ///< known when it was found by path
  std::optional<bool> folder;  ///< known when it was found by path
};

/// Fetches the pages of a listing from `cursor` on: one page, or every page to
/// the end when `all` is set. Returns the last page answered, carrying the
/// items of every page fetched and the cursor where the listing stopped.
template <class Page, class Item, class Fetch>
Page collectPages(bool all, std::optional<std::string> cursor, Fetch fetch,
                  std::optional<std::vector<Item>> Page::*items, std::optional<std::string> Page::*next) {
  Page last;
  std::vector<Item> collected;
  do {
    Page page = fetch(cursor);
    if (auto& got = page.*items) std::move(got->begin(), got->end(), std::back_inserter(collected));
    cursor = page.*next;
    last = std::move(page);
  } while (all && cursor && !cursor->empty());
  last.*items = std::move(collected);
  last.*next = cursor;
  return last;
}

class Client;
/// A note on standard error, when a listing has more pages: where the next
/// page starts.
void printNextPage(Client& client, const std::optional<std::string>& next);

class Client {
 public:
  Client();

  GlobalOptions& options() { return options_; }
  bool json() const { return options_.json; }
  /// Progress and notes on standard error; silent with --quiet.
  Console& console();
  bool quiet() const { return options_.quiet; }
  /// A server's time as the user asked to see it (local zone, or --utc).
  std::string time(const std::string& iso) const;
  std::optional<std::string> time(const std::optional<std::string>& iso) const;
  std::ostream& out() { return std::cout; }

  /// Shows the SDK's diagnostic lines on standard error when -v is given,
  /// and silences them otherwise. Called once the options are parsed.
  void installLogSink();

  /// The facade with host and token set from the flags, the environment or
  /// the profile. Throws CliError (usage) when the host, or a needed token,
  /// is missing.
  CloudInstance& cloud(bool needToken = true);
  /// The server address as it will be used, for messages.
  std::string host();

  /// Runs one service operation and waits for its answer. A failure, or a
  /// 2xx answer whose envelope carries a non-zero code, throws CliError with
  /// the server's code and message.
  template <class Service, class Bean, class Response>
  Response call(Service& service,
                void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>), Bean bean,
                std::string_view what) {
    std::promise<NetworkResult<Response>> promise;
    auto future = promise.get_future();
    (service.*op)(std::move(bean), [&promise](NetworkResult<Response> r) { promise.set_value(std::move(r)); });
    return checked(future.get(), what);
  }
  /// The same for the operations that take no request record.
  template <class Service, class Response>
  Response call(Service& service, void (Service::*op)(std::function<void(NetworkResult<Response>)>),
                std::string_view what) {
    std::promise<NetworkResult<Response>> promise;
    auto future = promise.get_future();
    (service.*op)([&promise](NetworkResult<Response> r) { promise.set_value(std::move(r)); });
    return checked(future.get(), what);
  }

  /// The user's space (asked once per run).
  const SpaceInfo& space();
  /// The root folder of the user's space.
  std::string rootFolderId();

  /// An id as given, or a "/a/b" path walked from the root folder, or the
  /// root folder for "/" and for an empty argument.
  Resolved resolve(const std::string& arg);
  /// Like resolve(), for arguments that must be folders.
  std::string resolveFolder(const std::optional<std::string>& arg);

  /// The folder `name` in the folder `parentId`. `onClash` says what to do
  /// when it exists: "reuse" (or "overwrite") it, "fail", or "rename" (make
  /// another with a free name). Throws CliError when a file has the name.
  FolderFound folderIn(const std::string& parentId, const std::string& name, const std::string& onClash = "reuse");

  /// The facade for a visitor of a share link: the host from --host or
  /// QUILLBOX_HOST, else from the link itself, else the profile; the token
  /// when there is one, but none is needed.
  CloudInstance& visitorCloud(const std::string& link);

  /// The id of one of the user's share links, given its id, its short code
  /// or the whole link.
  std::string shareIdOf(const std::string& idCodeOrLink);

  /// Every entry of a folder, all pages.
  std::vector<FileListMetadata> listAll(const std::string& folderId);

  /// Throws CliError for a walk through a listing that failed.
  void check(const PagingOutcome& outcome, std::string_view what);

  /// The command as the user ran it, for messages: "quillbox", its command
  /// words and their arguments (options left out).
  const std::string& commandLine() const { return commandLine_; }
  void setCommandLine(std::string line) { commandLine_ = std::move(line); }

 private:
  /// The CliError of a failed service call: its text, its exit status.
  [[noreturn]] void fail(const CallFailure& failure, std::string_view what, int exitCode);

  template <class Response>
  Response checked(NetworkResult<Response> result, std::string_view what) {
    if (!result.isSuccess()) {
      fail({result.code(), result.message(), result.kind(), result.httpStatus()}, what,
           exitCodeForFailure(result.kind(), result.httpStatus()));
    }
    Response value = std::move(result).value();
    // A 2xx answer whose envelope refuses: the server's codes follow the
    // HTTP statuses.
    if (value.code && *value.code != 0) {
      fail({*value.code, value.msg.value_or(""), FailureKind::other, 0}, what, exitCodeForHttpStatus(*value.code));
    }
    return value;
  }

  GlobalOptions options_;
  Console* console_;  // lives as long as the process: SDK threads may still log at exit
  bool configured_ = false;
  bool haveToken_ = false;
  bool profileTokenElsewhere_ = false;  // the profile's token is for another server than the one in use
  std::string host_;
  CloudInstance* instance_ = nullptr;
  std::string commandLine_ = "quillbox";
  std::optional<SpaceInfo> space_;
};

/// Whether a listing entry is a folder, by its type code or MIME type.
bool isFolder(const std::optional<std::string>& fileType, const std::optional<std::string>& mimeType);

/// A share link's short code, from the code itself or from a whole link
/// ".../s/CODE".
std::string shortCodeOf(const std::string& link);
/// The server address of a whole link ("https://drive.example.com/s/CODE"
/// gives "https://drive.example.com"); nothing for a bare code.
std::optional<std::string> hostOfLink(const std::string& link);

/// `message` with each server key of `keys` (a whole word) replaced by the
/// option the user typed, e.g. {"expireTime", "--expire"}.
std::string withOptionNames(std::string message,
                            std::initializer_list<std::pair<std::string_view, std::string_view>> keys);

/// Runs `f`; a failure's message names the options the user typed rather
/// than the server's keys (see withOptionNames).
template <class F>
auto namingOptions(std::initializer_list<std::pair<std::string_view, std::string_view>> keys, F&& f) {
  try {
    return f();
  } catch (const CliError& e) {
    throw CliError(withOptionNames(e.what(), keys), e.exitCode(), e.aboutCommand());
  }
}

/// The clash policies the server knows, by the names the commands take.
std::int64_t clashCode(const std::string& policy);

}  // namespace quillbox::cli
