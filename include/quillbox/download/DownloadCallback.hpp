#pragma once

#include <cstdint>
#include <string>

namespace quillbox {

/// A listener a host may implement for its own download bookkeeping. The SDK
/// itself reports downloads through the two callbacks given to
/// ITransfer::downloadFile and never calls this interface.
class DownloadCallback {
 public:
  virtual ~DownloadCallback() = default;
  /// `bytes` of `total` have arrived.
  virtual void onProgress(std::int64_t bytes, std::int64_t total) = 0;
  /// The download failed with `errCode` and `errMsg`.
  virtual void onFailure(std::int64_t errCode, std::string errMsg) = 0;
  /// The download finished with `code` and `msg`.
  virtual void onSuccess(std::int64_t code, std::string msg) = 0;
};

}  // namespace quillbox
