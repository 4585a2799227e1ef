#pragma once

#include <filesystem>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/download/DownloadResult.hpp"
#include "quillbox/upload/ISliceFile.hpp"
#include "quillbox/upload/UploadProcessResult.hpp"

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
  /// both on a thread of the download's own, never on the caller's. A
  /// transfer that breaks off or meets a passing failure resumes by itself
  /// under the client's retry policy (see RetryPolicy and
  /// ResumableDownloader). `fileId` is accepted and not used. The handle may
  /// be dropped: the download runs on until it reports its outcome.
  virtual std::shared_ptr<Cancelable> downloadFile(std::string url, std::string fileId,
                                                   std::filesystem::path localPath,
                                                   std::function<void(double)> progress,
                                                   std::function<void(DownloadResult)> completion) = 0;

  /// Uploads `file` into the folder `cloudPath`. `sliceFile` describes the
  /// file (hash and proposed parts) and is called once, on this thread,
  /// before anything is sent; the create request is started before this
  /// returns. `onCallback` then receives progress, one onItemFinish per part
  /// and exactly one onSuccess or onFailure (-1006 "file invaild"), cancelled
  /// or not. A failure found before the create request may be reported on
  /// this thread, before the call returns; everything else arrives on the
  /// SDK's main queue. `autoRename` is sent as the create request's
  /// "autoRename"; `fileId` is not used. The handle may be dropped: the
  /// upload runs on until it reports its outcome.
  virtual std::shared_ptr<Cancelable> uploadFile(std::string cloudPath, std::filesystem::path file, std::string fileId,
                                                 std::int64_t autoRename, std::shared_ptr<ISliceFile> sliceFile,
                                                 std::function<void(UploadProcessResult)> onCallback) = 0;
};

}  // namespace quillbox
