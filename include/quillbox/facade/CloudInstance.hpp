#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "quillbox/request/RetryPolicy.hpp"

namespace quillbox {

class ITransfer;
class IUser;
class IFile;
class IShare;
class IFavor;
class IJob;
class ICarrier;

/// A client of the service: its connection settings, the service objects,
/// and the threads and connections its calls run on.
///
/// shared() is the process-wide default client, created on first use and
/// never destroyed. A host that talks to several hosts, or as several users,
/// at once constructs a client for each: every client has its own settings,
/// connections, callback threads and upload queues, and sees only its own.
///
/// Set host() (scheme, host name and optional port, without a trailing "/")
/// and, after signing in, token(); every request reads both once, when it
/// starts, so a change affects only later requests. Settings may be read and
/// written from any thread.
///
/// Threads the host's callbacks run on (never the transport's I/O thread,
/// never the thread that made the call):
/// - service callbacks (IUser, IFile, IShare, IFavor, IJob, ICarrier): one of
///   the client's callback threads, a small pool shared by all its calls;
/// - upload events (ITransfer::uploadFile): the client's upload thread, one
///   serial thread, in the order they happen; only a failure found while the
///   file is being hashed reaches the host on the calling thread, before
///   uploadFile returns;
/// - download events (ITransfer::downloadFile): the client's download callback
///   threads, in order for each download (see ResumableDownloader).
/// Starting a call takes no callback thread: the request is built on the
/// calling thread and handed straight to the client's I/O thread.
class CloudInstance {
 public:
  /// Limits of the client's connections.
  struct Options {
    /// Time allowed to set up a connection (DNS, TCP, TLS).
    std::chrono::seconds connectTimeout{60};
    /// A request that moves no byte, or a part upload that moves less than
    /// one byte a second, for this long once connected fails.
    std::chrono::seconds stallTimeout{60};
    /// The longest a service call may take, all its attempts and the waits
    /// between them included: when it passes, the call fails with a
    /// time-out ("request error " and libcurl's text) and is not sent again.
    /// Part uploads and downloads have no such limit; they keep only the
    /// stall rule, so that a large transfer is never cut.
    std::chrono::milliseconds callDeadline{std::chrono::seconds(120)};
    /// When service calls and part uploads are sent again and downloads
    /// resumed (see RetryPolicy); setRetryPolicy() changes it later.
    RetryPolicy retry;
    /// Connections the client keeps open to one host at once for its calls
    /// and part uploads; further ones wait in line for a free connection.
    /// Over HTTP/1.1 that is also how many calls are answered at once; a
    /// host that speaks HTTP/2 carries many calls on each. 0 for no limit.
    long maxHostConnections = 16;
  };

  /// The process-wide default client (default Options).
  static CloudInstance& shared();

  /// A client of its own, with no host and no token yet.
  CloudInstance();
  /// A client of its own with the given connection limits.
  explicit CloudInstance(Options options);
  /// Cancels every call and upload of this client still in flight and
  /// returns once each has called its callback (exactly once, with a
  /// failure: "request error cancelled" for service calls). Never destroy a
  /// client from inside one of its own callbacks.
  ~CloudInstance();

  CloudInstance(const CloudInstance&) = delete;
  CloudInstance& operator=(const CloudInstance&) = delete;

  /// The authorization code the host stored; the SDK does not read it.
  std::optional<std::string> authCode() const;
  /// Stores (or, with std::nullopt, clears) the authorization code.
  void setAuthCode(std::optional<std::string> value);

  /// The access token, sent verbatim as the "Authorization" header of every
  /// service request.
  std::optional<std::string> token() const;
  /// Sets (or clears) the access token; requests started later send it.
  void setToken(std::optional<std::string> value);

  /// The container of new uploads.
  std::optional<std::string> contentId() const;
  /// Sets (or clears) the container of new uploads.
  void setContentId(std::optional<std::string> value);

  /// The base address of the service; absent counts as empty.
  std::optional<std::string> host() const;
  /// Sets (or clears) the base address; requests started later use it.
  void setHost(std::optional<std::string> value);

  /// The inner user the host stored; the SDK does not read it.
  std::optional<std::string> innerUser() const;
  /// Stores (or clears) the inner user.
  void setInnerUser(std::optional<std::string> value);

  /// The application name the host stored ("Your-App-Name" at first);
  /// requests always send their own fixed "User-Agent".
  std::string userAgent() const;
  /// Replaces the stored application name.
  void updateUserAgent(std::string text);

  /// The retry policy of service calls, part uploads and downloads.
  RetryPolicy retryPolicy() const;
  /// Replaces the retry policy; calls and downloads started later follow it
  /// (RetryPolicy::none() to send every call once).
  void setRetryPolicy(RetryPolicy policy);

  // Each accessor returns the same object on every call; it lives as long
  // as the client.

  /// Users, sign-in and space.
  IUser& getUserImpl();
  /// Files and folders.
  IFile& getFileImpl();
  /// Share links.
  IShare& getShareImpl();
  /// Starred files.
  IFavor& getFavorImpl();
  /// Background jobs.
  IJob& getJobImpl();
  /// Carrier packages and their orders.
  ICarrier& getCarrierImpl();
  /// Uploads and downloads.
  ITransfer& getTransferImpl();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillbox
