#include "facade/TransferImpl.hpp"

#include "download/TransferDownload.hpp"

namespace quillbox::request {

std::shared_ptr<Cancelable> TransferImpl::downloadFile(std::string url, std::string fileId,
                                                       std::filesystem::path localPath,
                                                       std::function<void(double)> progress,
                                                       std::function<void(DownloadResult)> completion) {
  return download::startDownload(std::move(url), std::move(fileId), std::move(localPath), std::move(progress),
                                 std::move(completion));
}

}  // namespace quillbox::request
