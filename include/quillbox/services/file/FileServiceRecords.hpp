#pragma once
// Records of the file service: listing, searching and describing files,
// folder statistics and paths, recently accessed files, download addresses,
// folders, renaming, and the create / part address / complete steps of an
// upload.
//
// Response records take their own fields in order followed by the envelope
// (`code`, `msg`, `httpCode`), and also the envelope alone.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/services/records/FileRecords.hpp"

namespace quillbox {

// ---- parts of requests ----------------------------------------------------------

/// A page of a listing or search: its size and the cursor returned with the
/// previous page.
struct PageInfo {
  std::int64_t pageSize = 0;
  std::optional<std::string> pageCursor;

  PageInfo() = default;
  PageInfo(std::int64_t pageSize, std::optional<std::string> pageCursor)
      : pageSize(pageSize), pageCursor(std::move(pageCursor)) {}

  friend bool operator==(const PageInfo&, const PageInfo&) = default;
};

/// Sort order of a folder listing, as numeric codes.
struct FileSortInfo {
  std::optional<std::int64_t> sortType;
  std::optional<std::int64_t> sortDirection;

  FileSortInfo() = default;

  friend bool operator==(const FileSortInfo&, const FileSortInfo&) = default;
};

/// Sort order of a search, as text codes.
struct SortInfo {
  std::optional<std::string> sortType;
  std::optional<std::string> sortDirection;

  SortInfo() = default;

  friend bool operator==(const SortInfo&, const SortInfo&) = default;
};

/// Criteria of a search.
struct Filter {
  std::optional<std::string> keyWord;
  std::optional<std::string> containerId;
  std::optional<std::string> parentFolder;
  std::optional<std::string> fileType;
  std::optional<std::string> updateTimeRange;
  std::optional<std::string> ownerId;

  Filter() = default;

  friend bool operator==(const Filter&, const Filter&) = default;
};

/// One attribute of a smart folder.
struct SmartFolderAttr {
  std::optional<std::string> name;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> sort;
  std::optional<std::string> value;

  SmartFolderAttr() = default;

  friend bool operator==(const SmartFolderAttr&, const SmartFolderAttr&) = default;
};

/// One part of an upload. The server adds `uploadUrl` and `partId`;
/// `partNumber`, `partSize` and `partOffset` are always on the wire.
struct MultiPartInfo {
  std::int64_t partNumber = 0;
  std::int64_t partSize = 0;    ///< bytes
  std::int64_t partOffset = 0;  ///< offset of the part in the file
  std::optional<std::vector<std::uint32_t>> hashCtx;
  std::optional<std::string> uploadUrl;
  std::optional<std::string> partId;

  MultiPartInfo() = default;
  MultiPartInfo(std::int64_t partNumber, std::int64_t partSize, std::int64_t partOffset,
                std::optional<std::vector<std::uint32_t>> hashCtx, std::optional<std::string> uploadUrl,
                std::optional<std::string> partId)
      : partNumber(partNumber),
        partSize(partSize),
        partOffset(partOffset),
        hashCtx(std::move(hashCtx)),
        uploadUrl(std::move(uploadUrl)),
        partId(std::move(partId)) {}

  friend bool operator==(const MultiPartInfo&, const MultiPartInfo&) = default;
};

/// A file and the container that holds it.
struct FileIdInfo {
  std::optional<std::string> fileId;
  std::optional<std::string> containerId;

  FileIdInfo() = default;
  FileIdInfo(std::optional<std::string> fileId, std::optional<std::string> containerId)
      : fileId(std::move(fileId)), containerId(std::move(containerId)) {}

  friend bool operator==(const FileIdInfo&, const FileIdInfo&) = default;
};

// ---- request beans ----------------------------------------------------------------

/// List a folder. `type` must be present; it is also the last path segment.
struct FilesListBean {
  std::optional<std::string> type;
  std::optional<PageInfo> pageInfo;
  std::optional<FileSortInfo> sortInfo;
  std::optional<std::string> containerId;
  std::optional<std::string> parentFileId;
  std::optional<std::string> fileType;
  bool hidden = false;
  std::optional<std::string> imageProcess;

  FilesListBean() = default;

  friend bool operator==(const FilesListBean&, const FilesListBean&) = default;
};

/// Search files.
struct FilesSearchBean {
  std::optional<std::string> searchType;
  std::optional<PageInfo> pageInfo;
  std::optional<Filter> filter;
  std::optional<SortInfo> sortInfo;
  bool recycled = false;
  bool recursived = false;
  std::optional<std::string> imageProcess;

  FilesSearchBean() = default;

  friend bool operator==(const FilesSearchBean&, const FilesSearchBean&) = default;
};

/// The path of a file; sent as query items.
struct FilesPathBean {
  std::optional<std::string> fileId;
  std::optional<std::string> containerId;

  FilesPathBean() = default;

  friend bool operator==(const FilesPathBean&, const FilesPathBean&) = default;
};

/// Statistics of a folder; sent as query items.
struct FilesStatsDirBean {
  std::optional<std::string> fileId;
  std::optional<std::string> containerId;
  bool recursive = true;

  FilesStatsDirBean() = default;

  friend bool operator==(const FilesStatsDirBean&, const FilesStatsDirBean&) = default;
};

/// One file in detail. `fileId` must be present; it is also in the path.
struct GetFileDetailBean {
  std::optional<std::string> fileId;
  std::optional<std::string> containerId;
  std::optional<std::string> imageProcess;

  GetFileDetailBean() = default;

  friend bool operator==(const GetFileDetailBean&, const GetFileDetailBean&) = default;
};

/// Recently accessed files; sent as a query item.
struct GetAccessFilesBean {
  std::optional<std::string> imageProcess;

  GetAccessFilesBean() = default;

  friend bool operator==(const GetAccessFilesBean&, const GetAccessFilesBean&) = default;
};

/// Download addresses of files.
struct GetDownloadUrlBean {
  std::optional<std::string> containerId;
  std::optional<std::vector<std::string>> fileIds;

  GetDownloadUrlBean() = default;

  friend bool operator==(const GetDownloadUrlBean&, const GetDownloadUrlBean&) = default;
};

/// Create a folder.
struct CreateDirectoryBean {
  std::optional<std::string> createdTime;
  std::optional<std::string> description;
  std::optional<std::string> mimeType;
  std::optional<std::string> editedTime;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::string> containerId;
  std::int64_t renameMode = 2;  ///< what to do on a name clash
  bool hidden = false;
  std::optional<std::vector<SmartFolderAttr>> smartFolderAttr;

  CreateDirectoryBean() = default;

  friend bool operator==(const CreateDirectoryBean&, const CreateDirectoryBean&) = default;
};

/// Rename a file. `fileId` must be present; it is also in the path.
struct FilesRenameBean {
  std::optional<std::string> fileId;
  std::optional<std::string> containerId;
  std::optional<std::string> name;  ///< the new name
  std::int64_t renameMode = 2;

  FilesRenameBean() = default;

  friend bool operator==(const FilesRenameBean&, const FilesRenameBean&) = default;
};

/// Create the file of an upload. The upload process fills it.
struct FilesCreateBean {
  std::optional<std::string> createdTime;
  std::optional<std::string> description;
  std::optional<std::string> mimeType;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::string> sha256;  ///< of the whole file
  std::int64_t length = 0;            ///< file size in bytes
  std::optional<std::string> uploadMode;
  std::int64_t uploadType = 1;
  std::int64_t autoRename = 2;  ///< name-clash policy
  std::optional<std::vector<MultiPartInfo>> multiParts;
  std::optional<std::string> containerId;
  std::optional<std::string> preHash;
  std::optional<std::string> proofCode;  ///< proof of possession for a rapid upload
  bool hidden = false;

  FilesCreateBean() = default;

  friend bool operator==(const FilesCreateBean&, const FilesCreateBean&) = default;
};

/// Fresh upload addresses for some parts of an upload.
struct GetUploadUrlBean {
  std::optional<std::string> fileId;
  std::optional<std::vector<MultiPartInfo>> multiParts;

  GetUploadUrlBean() = default;

  friend bool operator==(const GetUploadUrlBean&, const GetUploadUrlBean&) = default;
};

/// Complete an upload.
struct FilesCompleteBean {
  std::optional<std::string> fileId;
  std::optional<std::string> sha256;

  FilesCompleteBean() = default;

  friend bool operator==(const FilesCompleteBean&, const FilesCompleteBean&) = default;
};

// ---- parts of answers ------------------------------------------------------------------

/// Folder statistics; the numbers are text.
struct StatsData {
  std::optional<std::string> totalSize;
  std::optional<std::string> subDirCount;
  std::optional<std::string> subFileCount;

  StatsData() = default;

  friend bool operator==(const StatsData&, const StatsData&) = default;
};

/// The file of a recent access.
struct AccessiFileInfo {
  std::optional<std::string> id;
  std::optional<std::string> containerId;
  std::optional<std::string> containerName;
  std::optional<std::int64_t> containerType;
  std::optional<std::string> teamId;
  std::optional<std::string> name;
  std::optional<std::string> collaborator;
  std::optional<std::string> collaboratorId;
  std::optional<std::string> collaborateTime;
  std::optional<std::int64_t> collaborateType;
  std::optional<std::string> fileType;
  std::optional<bool> favorite;
  std::optional<std::string> fileSuffix;
  std::optional<std::string> mimeType;
  std::optional<std::vector<DownloadLink>> downloadLinks;
  std::optional<UserCapabilities> userCapabilities;

  AccessiFileInfo() = default;

  friend bool operator==(const AccessiFileInfo&, const AccessiFileInfo&) = default;
};

/// One recent access to a file.
struct RecentlyAccess {
  std::optional<std::string> operateTime;
  std::optional<std::int64_t> operateType;
  std::optional<AccessiFileInfo> file;
  std::optional<std::int64_t> status;

  RecentlyAccess() = default;

  friend bool operator==(const RecentlyAccess&, const RecentlyAccess&) = default;
};

/// The download address of one requested file, with its own code and
/// message. Not an envelope: all its fields are text.
struct DownloadInfoResponse {
  std::optional<std::string> fileId;
  std::optional<std::string> fileName;
  std::optional<std::string> url;
  std::optional<std::string> code;
  std::optional<std::string> msg;

  DownloadInfoResponse() = default;
  DownloadInfoResponse(std::optional<std::string> fileId, std::optional<std::string> fileName,
                       std::optional<std::string> url, std::optional<std::string> code,
                       std::optional<std::string> msg)
      : fileId(std::move(fileId)),
        fileName(std::move(fileName)),
        url(std::move(url)),
        code(std::move(code)),
        msg(std::move(msg)) {}

  friend bool operator==(const DownloadInfoResponse&, const DownloadInfoResponse&) = default;
};

// ---- responses ----------------------------------------------------------------------------

/// Answer to `filesList`.
struct FilesListResponse : BaseResponse {
  std::optional<std::vector<FileListMetadata>> files;
  std::optional<std::string> category;
  std::optional<std::string> nextCursor;
  std::optional<bool> searchCompleted;

  using BaseResponse::BaseResponse;
  FilesListResponse() = default;
  FilesListResponse(std::optional<std::vector<FileListMetadata>> files, std::optional<std::string> category,
                    std::optional<std::string> nextCursor, std::optional<bool> searchCompleted,
                    std::optional<std::int64_t> code, std::optional<std::string> msg,
                    std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        files(std::move(files)),
        category(std::move(category)),
        nextCursor(std::move(nextCursor)),
        searchCompleted(searchCompleted) {}

  friend bool operator==(const FilesListResponse&, const FilesListResponse&) = default;
};

/// Answer to `fileSearch`. Each hit carries "size" as text.
struct FileSearchResponse : BaseResponse {
  std::optional<std::vector<FileBean>> files;
  std::optional<std::int64_t> total;
  std::optional<std::string> nextPageCursor;

  using BaseResponse::BaseResponse;
  FileSearchResponse() = default;
  FileSearchResponse(std::optional<std::vector<FileBean>> files, std::optional<std::int64_t> total,
                     std::optional<std::string> nextPageCursor, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        files(std::move(files)),
        total(total),
        nextPageCursor(std::move(nextPageCursor)) {}

  friend bool operator==(const FileSearchResponse&, const FileSearchResponse&) = default;
};

/// Answer to `filesPath`.
struct FilesPathResponse : BaseResponse {
  std::optional<std::string> fileIdPath;
  std::optional<std::string> namePath;

  using BaseResponse::BaseResponse;
  FilesPathResponse() = default;
  FilesPathResponse(std::optional<std::string> fileIdPath, std::optional<std::string> namePath,
                    std::optional<std::int64_t> code, std::optional<std::string> msg,
                    std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        fileIdPath(std::move(fileIdPath)),
        namePath(std::move(namePath)) {}

  friend bool operator==(const FilesPathResponse&, const FilesPathResponse&) = default;
};

/// Answer to `filesStatsDir`.
struct FilesStatsDirResponse : BaseResponse {
  std::optional<StatsData> data;

  using BaseResponse::BaseResponse;
  FilesStatsDirResponse() = default;
  FilesStatsDirResponse(std::optional<StatsData> data, std::optional<std::int64_t> code,
                        std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const FilesStatsDirResponse&, const FilesStatsDirResponse&) = default;
};

/// Answer to `getFileDetail`: one file in detail form. It stands alone
/// rather than extending BaseFileBean, and its "size" is a number.
struct GetFileDetailResponse : BaseResponse {
  std::optional<std::string> id;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::string> mimeType;
  std::optional<bool> recycled;
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::map<std::string, std::string>> properties;
  std::optional<std::vector<std::string>> containers;
  std::optional<std::string> createdTime;
  std::optional<std::string> editedTime;
  std::optional<std::vector<User>> owners;
  std::optional<User> lastEditor;
  std::optional<std::string> fileSuffix;
  std::optional<std::int64_t> size;  ///< bytes
  std::optional<std::vector<AttachmentMetadata>> attachments;
  std::optional<UserCapabilities> userCapabilities;
  std::optional<std::string> sha256;
  std::optional<std::vector<DownloadLink>> downloadLinks;

  using BaseResponse::BaseResponse;
  GetFileDetailResponse() = default;
  GetFileDetailResponse(std::optional<std::string> id, std::optional<std::string> fileName,
                        std::optional<std::string> fileType, std::optional<std::string> mimeType,
                        std::optional<bool> recycled, std::optional<std::vector<std::string>> parentFolder,
                        std::optional<std::map<std::string, std::string>> properties,
                        std::optional<std::vector<std::string>> containers, std::optional<std::string> createdTime,
                        std::optional<std::string> editedTime, std::optional<std::vector<User>> owners,
                        std::optional<User> lastEditor, std::optional<std::string> fileSuffix,
                        std::optional<std::int64_t> size, std::optional<std::vector<AttachmentMetadata>> attachments,
                        std::optional<UserCapabilities> userCapabilities, std::optional<std::string> sha256,
                        std::optional<std::vector<DownloadLink>> downloadLinks, std::optional<std::int64_t> code,
                        std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        id(std::move(id)),
        fileName(std::move(fileName)),
        fileType(std::move(fileType)),
        mimeType(std::move(mimeType)),
        recycled(recycled),
        parentFolder(std::move(parentFolder)),
        properties(std::move(properties)),
        containers(std::move(containers)),
        createdTime(std::move(createdTime)),
        editedTime(std::move(editedTime)),
        owners(std::move(owners)),
        lastEditor(std::move(lastEditor)),
        fileSuffix(std::move(fileSuffix)),
        size(size),
        attachments(std::move(attachments)),
        userCapabilities(std::move(userCapabilities)),
        sha256(std::move(sha256)),
        downloadLinks(std::move(downloadLinks)) {}

  friend bool operator==(const GetFileDetailResponse&, const GetFileDetailResponse&) = default;
};

/// Answer to `getAccessFiles`.
struct GetAccessResponse : BaseResponse {
  std::optional<std::vector<RecentlyAccess>> list;

  using BaseResponse::BaseResponse;
  GetAccessResponse() = default;
  explicit GetAccessResponse(std::optional<std::vector<RecentlyAccess>> list) : list(std::move(list)) {}

  friend bool operator==(const GetAccessResponse&, const GetAccessResponse&) = default;
};

/// Answer to `getDownloadUrl`: one entry per requested file.
struct GetDownloadUrlResponse : BaseResponse {
  std::optional<std::int64_t> batchCode;
  std::optional<std::vector<DownloadInfoResponse>> downloads;

  using BaseResponse::BaseResponse;
  GetDownloadUrlResponse() = default;
  GetDownloadUrlResponse(std::optional<std::int64_t> batchCode,
                         std::optional<std::vector<DownloadInfoResponse>> downloads, std::optional<std::int64_t> code,
                         std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), batchCode(batchCode), downloads(std::move(downloads)) {}

  friend bool operator==(const GetDownloadUrlResponse&, const GetDownloadUrlResponse&) = default;
};

/// Answer to `createDirectory`: the new folder.
struct CreateDirectoryResponse : BaseResponse {
  std::optional<std::string> id;
  std::optional<std::string> fileName;
  std::optional<std::string> mimeType;

  using BaseResponse::BaseResponse;
  CreateDirectoryResponse() = default;
  CreateDirectoryResponse(std::optional<std::string> id, std::optional<std::string> fileName,
                          std::optional<std::string> mimeType, std::optional<std::int64_t> code,
                          std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        id(std::move(id)),
        fileName(std::move(fileName)),
        mimeType(std::move(mimeType)) {}

  friend bool operator==(const CreateDirectoryResponse&, const CreateDirectoryResponse&) = default;
};

/// Answer to `filesCreate`: either the upload is already done (`rapidUpload`,
/// `exist`) or `multiParts` holds the parts to upload with their addresses.
struct FilesCreateResponse : BaseResponse {
  std::optional<std::string> fileId;
  std::optional<bool> rapidUpload;
  std::optional<std::string> containerId;
  std::optional<std::string> fileName;
  std::optional<std::string> uploadId;
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<bool> exist;
  std::optional<std::vector<MultiPartInfo>> multiParts;
  std::optional<bool> matchedPreHash;

  using BaseResponse::BaseResponse;
  FilesCreateResponse() = default;
  FilesCreateResponse(std::optional<std::string> fileId, std::optional<bool> rapidUpload,
                      std::optional<std::string> containerId, std::optional<std::string> fileName,
                      std::optional<std::string> uploadId, std::optional<std::vector<std::string>> parentFolder,
                      std::optional<bool> exist, std::optional<std::vector<MultiPartInfo>> multiParts,
                      std::optional<bool> matchedPreHash, std::optional<std::int64_t> code,
                      std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        fileId(std::move(fileId)),
        rapidUpload(rapidUpload),
        containerId(std::move(containerId)),
        fileName(std::move(fileName)),
        uploadId(std::move(uploadId)),
        parentFolder(std::move(parentFolder)),
        exist(exist),
        multiParts(std::move(multiParts)),
        matchedPreHash(matchedPreHash) {}

  friend bool operator==(const FilesCreateResponse&, const FilesCreateResponse&) = default;
};

/// Answer to `getUploadUrl`: the parts with fresh "uploadUrl" values.
struct GetUploadUrlResponse : BaseResponse {
  std::optional<std::vector<MultiPartInfo>> multiParts;

  using BaseResponse::BaseResponse;
  GetUploadUrlResponse() = default;
  GetUploadUrlResponse(std::optional<std::vector<MultiPartInfo>> multiParts, std::optional<std::int64_t> code,
                       std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), multiParts(std::move(multiParts)) {}

  friend bool operator==(const GetUploadUrlResponse&, const GetUploadUrlResponse&) = default;
};

}  // namespace quillbox
