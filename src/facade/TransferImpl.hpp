#pragma once

#include "quillbox/download/ITransfer.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "request/Settings.hpp"

namespace quillbox::request {

/// The transfer service: each call starts a transfer of its own; the service
/// itself keeps nothing.
class TransferImpl final : public ITransfer {
 public:
  /// Uploads go through `files` and read the token and container from
  /// `settings`.
  TransferImpl(IFile& files, const Settings& settings) : files_(files), settings_(settings) {}

  std::shared_ptr<Cancelable> downloadFile(std::string url, std::string fileId, std::filesystem::path localPath,
                                           std::function<void(double)> progress,
                                           std::function<void(DownloadResult)> completion) override;
  std::shared_ptr<Cancelable> uploadFile(std::string cloudPath, std::filesystem::path file, std::string fileId,
                                         std::int64_t autoRename, std::shared_ptr<ISliceFile> sliceFile,
                                         std::function<void(UploadProcessResult)> onCallback) override;

 private:
  IFile& files_;
  const Settings& settings_;
};

}  // namespace quillbox::request
