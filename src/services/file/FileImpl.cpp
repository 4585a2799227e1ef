#include "services/file/FileImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/file/FileRequests.hpp"

namespace quillbox::request {

void FileImpl::getAccessFiles(std::optional<GetAccessFilesBean> bean,
                              std::function<void(NetworkResult<GetAccessResponse>)> onCallback) {
  runRequest<GetAccessReq>(settings_, std::move(bean), std::move(onCallback), 0);
}

void FileImpl::createDirectory(std::optional<CreateDirectoryBean> bean,
                               std::function<void(NetworkResult<CreateDirectoryResponse>)> onCallback) {
  runRequest<CreateDirectoryRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::fileComplete(std::optional<FilesCompleteBean> bean,
                            std::function<void(NetworkResult<BaseResponse>)> onCallback) {
  runRequest<FileCompleteRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::fileRename(std::optional<FilesRenameBean> bean,
                          std::function<void(NetworkResult<BaseResponse>)> onCallback) {
  runRequest<FileRenameRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::filesCreate(std::optional<FilesCreateBean> bean,
                           std::function<void(NetworkResult<FilesCreateResponse>)> onCallback) {
  runRequest<FilesCreateRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::fileSearch(std::optional<FilesSearchBean> bean,
                          std::function<void(NetworkResult<FileSearchResponse>)> onCallback) {
  runRequest<FileSearchRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::filesList(std::optional<FilesListBean> bean,
                         std::function<void(NetworkResult<FilesListResponse>)> onCallback) {
  runRequest<FilesListRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::filesPath(std::optional<FilesPathBean> bean,
                         std::function<void(NetworkResult<FilesPathResponse>)> onCallback) {
  runRequest<FilesPathRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void FileImpl::filesStatsDir(std::optional<FilesStatsDirBean> bean,
                             std::function<void(NetworkResult<FilesStatsDirResponse>)> onCallback) {
  runRequest<FilesStatsDirRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void FileImpl::getDownloadUrl(std::optional<GetDownloadUrlBean> bean,
                              std::function<void(NetworkResult<GetDownloadUrlResponse>)> onCallback) {
  runRequest<GetDownloadUrlRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::getFileDetail(std::optional<GetFileDetailBean> bean,
                             std::function<void(NetworkResult<GetFileDetailResponse>)> onCallback) {
  runRequest<GetFileDetailRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void FileImpl::getUploadUrl(std::optional<GetUploadUrlBean> bean,
                            std::function<void(NetworkResult<GetUploadUrlResponse>)> onCallback) {
  runRequest<GetUploadUrlRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

}  // namespace quillbox::request
