#pragma once

#include "quillbox/services/file/IFile.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::file {

/// IFile over the operations of FileOperations.hpp.
class FileImpl final : public IFile {
 public:
  explicit FileImpl(const request::Settings& settings) : settings_(settings) {}
  void getAccessFiles(std::optional<GetAccessFilesBean> bean,
                      std::function<void(NetworkResult<GetAccessResponse>)> onCallback) override;
  void createDirectory(std::optional<CreateDirectoryBean> bean,
                       std::function<void(NetworkResult<CreateDirectoryResponse>)> onCallback) override;
  void fileComplete(std::optional<FilesCompleteBean> bean,
                    std::function<void(NetworkResult<BaseResponse>)> onCallback) override;
  void fileRename(std::optional<FilesRenameBean> bean,
                  std::function<void(NetworkResult<BaseResponse>)> onCallback) override;
  void filesCreate(std::optional<FilesCreateBean> bean,
                   std::function<void(NetworkResult<FilesCreateResponse>)> onCallback) override;
  void fileSearch(std::optional<FilesSearchBean> bean,
                  std::function<void(NetworkResult<FileSearchResponse>)> onCallback) override;
  void filesList(std::optional<FilesListBean> bean,
                 std::function<void(NetworkResult<FilesListResponse>)> onCallback) override;
  void filesPath(std::optional<FilesPathBean> bean,
                 std::function<void(NetworkResult<FilesPathResponse>)> onCallback) override;
  void filesStatsDir(std::optional<FilesStatsDirBean> bean,
                     std::function<void(NetworkResult<FilesStatsDirResponse>)> onCallback) override;
  void getDownloadUrl(std::optional<GetDownloadUrlBean> bean,
                      std::function<void(NetworkResult<GetDownloadUrlResponse>)> onCallback) override;
  void getFileDetail(std::optional<GetFileDetailBean> bean,
                     std::function<void(NetworkResult<GetFileDetailResponse>)> onCallback) override;
  void getUploadUrl(std::optional<GetUploadUrlBean> bean,
                    std::function<void(NetworkResult<GetUploadUrlResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::file
