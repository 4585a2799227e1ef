#pragma once
// What every command shares: the global options, the connection settings
// (flags, then the environment, then the saved profile), the SDK's service
// calls turned into plain blocking calls, failures as exceptions that main()
// turns into one line on standard error and an exit status, and the
// resolution of "/folder/file" paths to ids.

#include <algorithm>
#include <cstdint>
#include <functional>
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

#include "Progress.hpp"

namespace quillbox::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;        // the server or the transfer said no
constexpr int kExitUsage = 2;          // bad arguments or missing settings
constexpr int kExitInterrupted = 130;  // Ctrl-C, as shells report it

/// A failure reported as "quillbox: <message>" and the exit status.
class CliError : public std::runtime_error {
 public:
  explicit CliError(std::string message, int exitCode = kExitFailure)
      : std::runtime_error(std::move(message)), exitCode_(exitCode) {}
  int exitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

/// "what: [code] message", the form of every failed service call.
std::string failureText(std::string_view what, std::int64_t code, std::string_view message);

struct GlobalOptions {
  std::optional<std::string> host;
  std::optional<std::string> token;
  bool json = false;
  bool verbose = false;
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
/// "(more: --cursor C)" under a table, when a listing has more pages.
void printNextPage(Client& client, const std::optional<std::string>& next);

class Client {
 public:
  Client();

  GlobalOptions& options() { return options_; }
  bool json() const { return options_.json; }
  Console& console() { return *console_; }
  std::ostream& out() { return std::cout; }

  /// Keeps the SDK's recent diagnostic lines, and shows them on standard
  /// error when -v is given. Called once the options are parsed.
  void installLogSink();
  /// A mark in the diagnostic lines: the lines after it are those logged later.
  std::uint64_t diagnosticsMark() const;
  /// The first line logged after `mark` that contains one of `markers`.
  std::optional<std::string> firstDiagnosticSince(std::uint64_t mark, const std::vector<std::string>& markers) const;

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

  /// Every entry of a folder, all pages.
  std::vector<FileListMetadata> listAll(const std::string& folderId);

 private:
  template <class Response>
  Response checked(NetworkResult<Response> result, std::string_view what) {
    if (!result.isSuccess()) throw CliError(failureText(what, result.code(), result.message()));
    Response value = std::move(result).value();
    if (value.code && *value.code != 0) {
      throw CliError(failureText(what, *value.code, value.msg.value_or("")));
    }
    return value;
  }

  GlobalOptions options_;
  Console* console_;  // lives as long as the process: SDK threads may still log at exit
  bool configured_ = false;
  bool haveToken_ = false;
  std::string host_;
  std::optional<SpaceInfo> space_;

  struct Diagnostics;
  std::shared_ptr<Diagnostics> diagnostics_;
};

/// Whether a listing entry is a folder, by its type code or MIME type.
bool isFolder(const std::optional<std::string>& fileType, const std::optional<std::string>& mimeType);

/// A share link's short code, from the code itself or from a whole link
/// ".../s/CODE".
std::string shortCodeOf(const std::string& link);

/// The clash policies the server knows, by the names the commands take.
std::int64_t clashCode(const std::string& policy);

}  // namespace quillbox::cli
