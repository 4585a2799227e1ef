#pragma once

#include <memory>
#include <mutex>

#include "quillbox/download/ITransfer.hpp"
#include "transport/DownloadLoops.hpp"
#include "upload/UploadEngine.hpp"

namespace quillbox::facade {

/// The transfer service: each call starts a transfer of its own. Downloads
/// run on the client's download loops, made with the client's transport
/// options on the first download.
class TransferImpl final : public ITransfer {
 public:
  /// Uploads run on `engine`, whose pieces must outlive this.
  explicit TransferImpl(upload::UploadEngine engine) : engine_(engine) {}

  std::shared_ptr<Cancelable> downloadFile(std::string url, std::string fileId, std::filesystem::path localPath,
                                           std::function<void(double)> progress,
                                           std::function<void(DownloadResult)> completion) override;
  std::shared_ptr<Cancelable> uploadFile(std::string cloudPath, std::filesystem::path file, std::string fileId,
                                         std::int64_t autoRename, std::shared_ptr<ISliceFile> sliceFile,
                                         std::function<void(UploadProcessResult)> onCallback) override;

 private:
  std::shared_ptr<transport::DownloadLoops> downloadLoops();

  upload::UploadEngine engine_;
  std::mutex mutex_;  // guards downloadLoops_
  std::shared_ptr<transport::DownloadLoops> downloadLoops_;
};

}  // namespace quillbox::facade
