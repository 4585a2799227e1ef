#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/download/DownloadResult.hpp"

namespace quillbox {

/// Moving whole files between the host and the drive.
class ITransfer {
 public:
  virtual ~ITransfer() = default;

  /// Downloads `url` (normally a download link from the file service) into
  /// `localPath`, creating missing directories and replacing an existing file.
  /// No SDK headers and no token are sent with the request. Returns once the
  /// transfer has been started; `progress` receives fractions (negative while
  /// the total size is unknown) and then `completion` is called exactly once,
  /// both on a thread of the download's own, never on the caller's. `fileId`
  /// is accepted and not used. The handle may be dropped: the download runs
  /// on until it reports its outcome.
  virtual std::shared_ptr<Cancelable> downloadFile(std::string url, std::string fileId,
                                                   std::filesystem::path localPath,
                                                   std::function<void(double)> progress,
                                                   std::function<void(DownloadResult)> completion) = 0;
};

}  // namespace quillbox
