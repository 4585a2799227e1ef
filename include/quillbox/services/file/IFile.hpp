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

  /// The files the user accessed recently.
  ///
  /// `GET /quillbox/ose/v1/access[?imageProcess=...]`. The record may be absent: then nothing is in the query.
  /// @param bean The request record (filled by the host), or std::nullopt.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getAccessFiles(std::optional<GetAccessFilesBean> bean,
                              std::function<void(NetworkResult<GetAccessResponse>)> onCallback) = 0;
  /// Creates a folder.
  ///
  /// `POST /quillbox/ose/v1/directory`; the record is the body. `renameMode` says what happens on a name clash
  /// (the service's code).
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void createDirectory(std::optional<CreateDirectoryBean> bean,
                               std::function<void(NetworkResult<CreateDirectoryResponse>)> onCallback) = 0;
  /// Completes an upload once every part is stored; the server checks the declared SHA-256.
  ///
  /// `POST /quillbox/ose/v1/files/complete`; the record is the body. The answer is the bare envelope.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void fileComplete(std::optional<FilesCompleteBean> bean,
                            std::function<void(NetworkResult<BaseResponse>)> onCallback) = 0;
  /// Renames a file or folder.
  ///
  /// `POST /quillbox/ose/v1/files/rename/{fileId}`; the record is the body. `fileId` is required and not empty.
  /// The answer is the bare envelope: a refusal inside a 200 answer is in its `code` and `msg`.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void fileRename(std::optional<FilesRenameBean> bean,
                          std::function<void(NetworkResult<BaseResponse>)> onCallback) = 0;
  /// Starts an upload: creates the file and answers the parts to send, or finishes at once as a rapid upload.
  ///
  /// `POST /quillbox/ose/v1/files/create`; the record is the body. The upload engine (`ITransfer::uploadFile`)
  /// calls it for the host.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void filesCreate(std::optional<FilesCreateBean> bean,
                           std::function<void(NetworkResult<FilesCreateResponse>)> onCallback) = 0;
  /// Searches files by name and criteria, a page at a time.
  ///
  /// `POST /quillbox/ose/v1/files/search`; the record is the body.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void fileSearch(std::optional<FilesSearchBean> bean,
                          std::function<void(NetworkResult<FileSearchResponse>)> onCallback) = 0;
  /// Lists a folder, a page at a time.
  ///
  /// `POST /quillbox/ose/v1/files/{type}`; the record is the body. `type` is required and not empty: it is the
  /// listing kind (the service's code; see the emulator's table in docs) and also stays in the body.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void filesList(std::optional<FilesListBean> bean,
                         std::function<void(NetworkResult<FilesListResponse>)> onCallback) = 0;
  /// The path of a file, as ids and as names.
  ///
  /// `GET /quillbox/ose/v1/files/path?fileId&containerId`; empty items are left out.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void filesPath(std::optional<FilesPathBean> bean,
                         std::function<void(NetworkResult<FilesPathResponse>)> onCallback) = 0;
  /// Size and counts of a folder's contents.
  ///
  /// `GET /quillbox/ose/v1/files/statsDir?fileId&containerId&recursive`; empty items are left out, `recursive` is
  /// always sent.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void filesStatsDir(std::optional<FilesStatsDirBean> bean,
                             std::function<void(NetworkResult<FilesStatsDirResponse>)> onCallback) = 0;
  /// Download addresses for one or more files.
  ///
  /// `POST /quillbox/ose/v1/files/download`; the record is the body. Each file gets its own entry, with its own
  /// code and message.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getDownloadUrl(std::optional<GetDownloadUrlBean> bean,
                              std::function<void(NetworkResult<GetDownloadUrlResponse>)> onCallback) = 0;
  /// One file in detail: attachments, capabilities, download links.
  ///
  /// `POST /quillbox/ose/v1/files/{fileId}/detail`; the record is the body. `fileId` is required and not empty.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getFileDetail(std::optional<GetFileDetailBean> bean,
                             std::function<void(NetworkResult<GetFileDetailResponse>)> onCallback) = 0;
  /// Fresh upload addresses for parts of an upload in progress.
  ///
  /// `POST /quillbox/ose/v1/files/multipart/uploadUrl`; the record is the body.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getUploadUrl(std::optional<GetUploadUrlBean> bean,
                            std::function<void(NetworkResult<GetUploadUrlResponse>)> onCallback) = 0;
};

}  // namespace quillbox
