#include "download/TransferDownload.hpp"

namespace quillbox::download {

std::shared_ptr<Cancelable> startDownload(std::string url, std::string /*fileId*/, std::filesystem::path localPath,
                                          std::function<void(double)> progress,
                                          std::function<void(DownloadResult)> completion,
                                          std::shared_ptr<transport::DownloadLoops> transport, RetryPolicy retry) {
  auto downloader = std::make_shared<ResumableDownloader>(std::move(url), std::move(localPath),
                                                          std::string(kDownloadSessionIdentifier), std::move(transport));
  downloader->setRetryPolicy(retry);
  downloader->start(std::move(progress), std::move(completion));
  return downloader;
}

}  // namespace quillbox::download
