#pragma once

#include <memory>
#include <optional>
#include <string>

namespace quillbox {

class ITransfer;
class IUser;
class IFile;
class IShare;
class IFavor;
class IJob;
class ICarrier;

/// The SDK's entry point: the connection settings and the service objects.
///
/// There is one instance per process (shared()), created on first use and
/// never destroyed. Set host() (scheme, host name and optional port, without
/// a trailing "/") and, after signing in, token(); every request reads both
/// once, when it starts, so a change affects only later requests. Settings
/// may be read and written from any thread.
class CloudInstance {
 public:
  static CloudInstance& shared();

  CloudInstance(const CloudInstance&) = delete;
  CloudInstance& operator=(const CloudInstance&) = delete;

  /// Kept for the host; the SDK does not read it.
  std::optional<std::string> authCode() const;
  void setAuthCode(std::optional<std::string> value);
  /// Sent verbatim as the "Authorization" header of every service request.
  std::optional<std::string> token() const;
  void setToken(std::optional<std::string> value);
  /// Container of new uploads.
  std::optional<std::string> contentId() const;
  void setContentId(std::optional<std::string> value);
  /// Base address of the service; absent counts as empty.
  std::optional<std::string> host() const;
  void setHost(std::optional<std::string> value);
  /// Kept for the host; the SDK does not read it.
  std::optional<std::string> innerUser() const;
  void setInnerUser(std::optional<std::string> value);
  /// Kept for the host ("Your-App-Name" at first); requests always send
  /// their own fixed "User-Agent".
  std::string userAgent() const;
  void updateUserAgent(std::string text);

  /// Each accessor returns the same object on every call.
  IUser& getUserImpl();
  IFile& getFileImpl();
  IShare& getShareImpl();
  IFavor& getFavorImpl();
  IJob& getJobImpl();
  ICarrier& getCarrierImpl();
  ITransfer& getTransferImpl();

 private:
  CloudInstance();
  ~CloudInstance();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillbox
