#include "services/file/FileImpl.hpp"

#include "services/file/FileOperations.hpp"

namespace quillbox::services::file {

void FileImpl::getAccessFiles(std::optional<GetAccessFilesBean> bean,
                              std::function<void(NetworkResult<GetAccessResponse>)> onCallback) {
  run<file::getAccessFiles>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::createDirectory(std::optional<CreateDirectoryBean> bean,
                               std::function<void(NetworkResult<CreateDirectoryResponse>)> onCallback) {
  run<file::createDirectory>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::fileComplete(std::optional<FilesCompleteBean> bean,
                            std::function<void(NetworkResult<BaseResponse>)> onCallback) {
  run<file::fileComplete>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::fileRename(std::optional<FilesRenameBean> bean,
                          std::function<void(NetworkResult<BaseResponse>)> onCallback) {
  run<file::fileRename>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::filesCreate(std::optional<FilesCreateBean> bean,
                           std::function<void(NetworkResult<FilesCreateResponse>)> onCallback) {
  run<file::filesCreate>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::fileSearch(std::optional<FilesSearchBean> bean,
                          std::function<void(NetworkResult<FileSearchResponse>)> onCallback) {
  run<file::fileSearch>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::filesList(std::optional<FilesListBean> bean,
                         std::function<void(NetworkResult<FilesListResponse>)> onCallback) {
  run<file::filesList>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::filesPath(std::optional<FilesPathBean> bean,
                         std::function<void(NetworkResult<FilesPathResponse>)> onCallback) {
  run<file::filesPath>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::filesStatsDir(std::optional<FilesStatsDirBean> bean,
                             std::function<void(NetworkResult<FilesStatsDirResponse>)> onCallback) {
  run<file::filesStatsDir>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::getDownloadUrl(std::optional<GetDownloadUrlBean> bean,
                              std::function<void(NetworkResult<GetDownloadUrlResponse>)> onCallback) {
  run<file::getDownloadUrl>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::getFileDetail(std::optional<GetFileDetailBean> bean,
                             std::function<void(NetworkResult<GetFileDetailResponse>)> onCallback) {
  run<file::getFileDetail>(settings_, std::move(bean), std::move(onCallback));
}

void FileImpl::getUploadUrl(std::optional<GetUploadUrlBean> bean,
                            std::function<void(NetworkResult<GetUploadUrlResponse>)> onCallback) {
  run<file::getUploadUrl>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::services::file
