#pragma once

#include "quillbox/download/ITransfer.hpp"

namespace quillbox::request {

/// The transfer service: each call starts a transfer of its own; the service
/// itself keeps nothing.
class TransferImpl final : public ITransfer {
 public:
  std::shared_ptr<Cancelable> downloadFile(std::string url, std::string fileId, std::filesystem::path localPath,
                                           std::function<void(double)> progress,
                                           std::function<void(DownloadResult)> completion) override;
};

}  // namespace quillbox::request
