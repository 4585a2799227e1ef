#include "facade/TransferImpl.hpp"

#include "download/TransferDownload.hpp"
#include "transport/Transport.hpp"
#include "upload/UploadProcessTask.hpp"

namespace quillbox::facade {

std::shared_ptr<Cancelable> TransferImpl::downloadFile(std::string url, std::string fileId,
                                                       std::filesystem::path localPath,
                                                       std::function<void(double)> progress,
                                                       std::function<void(DownloadResult)> completion) {
  return download::startDownload(std::move(url), std::move(fileId), std::move(localPath), std::move(progress),
                                 std::move(completion), downloadLoops(), engine_.settings.retryPolicy());
}

std::shared_ptr<transport::DownloadLoops> TransferImpl::downloadLoops() {
  std::lock_guard lock(mutex_);
  if (!downloadLoops_) downloadLoops_ = transport::DownloadLoops::make(engine_.settings.transport().options());
  return downloadLoops_;
}

std::shared_ptr<Cancelable> TransferImpl::uploadFile(std::string cloudPath, std::filesystem::path file,
                                                     std::string fileId, std::int64_t autoRename,
                                                     std::shared_ptr<ISliceFile> sliceFile,
                                                     std::function<void(UploadProcessResult)> onCallback) {
  return upload::startUpload(engine_, std::move(file), std::move(cloudPath), std::move(fileId), autoRename,
                             std::move(sliceFile), std::move(onCallback));
}

}  // namespace quillbox::facade
