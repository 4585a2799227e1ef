#pragma once

#include <functional>
#include <optional>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"

namespace quillbox {

/// Files and folders: listing, search, details, statistics, paths, recent
/// accesses, download addresses, folder creation, renaming and the steps of
/// an upload. Callbacks as for every service (see IFavor).
class IFile {
 public:
  virtual ~IFile() = default;

  /// GET /quillbox/ose/v1/access
  virtual void getAccessFiles(std::optional<GetAccessFilesBean> bean,
                              std::function<void(NetworkResult<GetAccessResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/directory
  virtual void createDirectory(std::optional<CreateDirectoryBean> bean,
                               std::function<void(NetworkResult<CreateDirectoryResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/complete
  virtual void fileComplete(std::optional<FilesCompleteBean> bean,
                            std::function<void(NetworkResult<BaseResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/rename/{fileId}
  virtual void fileRename(std::optional<FilesRenameBean> bean,
                          std::function<void(NetworkResult<BaseResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/create
  virtual void filesCreate(std::optional<FilesCreateBean> bean,
                           std::function<void(NetworkResult<FilesCreateResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/search
  virtual void fileSearch(std::optional<FilesSearchBean> bean,
                          std::function<void(NetworkResult<FileSearchResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/{type}
  virtual void filesList(std::optional<FilesListBean> bean,
                         std::function<void(NetworkResult<FilesListResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/files/path
  virtual void filesPath(std::optional<FilesPathBean> bean,
                         std::function<void(NetworkResult<FilesPathResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/files/statsDir
  virtual void filesStatsDir(std::optional<FilesStatsDirBean> bean,
                             std::function<void(NetworkResult<FilesStatsDirResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/download
  virtual void getDownloadUrl(std::optional<GetDownloadUrlBean> bean,
                              std::function<void(NetworkResult<GetDownloadUrlResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/{fileId}/detail
  virtual void getFileDetail(std::optional<GetFileDetailBean> bean,
                             std::function<void(NetworkResult<GetFileDetailResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/files/multipart/uploadUrl
  virtual void getUploadUrl(std::optional<GetUploadUrlBean> bean,
                            std::function<void(NetworkResult<GetUploadUrlResponse>)> onCallback) = 0;
};

}  // namespace quillbox
