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
///
/// Not an aggregate (it declares constructors): build it field by field, `PageInfo r; r.pageSize = ...;`.
struct PageInfo {
  /// Page size: entries per page. Always on the wire.
  std::int64_t pageSize = 0;
  /// The cursor returned by the previous page.
  std::optional<std::string> pageCursor;

  /// Every optional field absent and every required one at its default.
  PageInfo() = default;
  /// Sets every field, in declaration order.
  PageInfo(std::int64_t pageSize, std::optional<std::string> pageCursor)
      : pageSize(pageSize), pageCursor(std::move(pageCursor)) {}

  /// Equal when every field is equal.
  friend bool operator==(const PageInfo&, const PageInfo&) = default;
};

/// Sort order of a folder listing, as numeric codes.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileSortInfo r; r.sortType = ...;`.
struct FileSortInfo {
  /// Sort key code (the service's code; see the emulator's table in docs).
  std::optional<std::int64_t> sortType;
  /// Sort direction code (the service's code; see the emulator's table in docs).
  std::optional<std::int64_t> sortDirection;

  /// Every optional field absent and every required one at its default.
  FileSortInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FileSortInfo&, const FileSortInfo&) = default;
};

/// Sort order of a search, as text codes.
///
/// Not an aggregate (it declares constructors): build it field by field, `SortInfo r; r.sortType = ...;`.
struct SortInfo {
  /// Sort key code (the service's code; see the emulator's table in docs).
  std::optional<std::string> sortType;
  /// Sort direction code (the service's code; see the emulator's table in docs).
  std::optional<std::string> sortDirection;

  /// Every optional field absent and every required one at its default.
  SortInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const SortInfo&, const SortInfo&) = default;
};

/// Criteria of a search.
///
/// Not an aggregate (it declares constructors): build it field by field, `Filter r; r.keyWord = ...;`.
struct Filter {
  /// Search word.
  std::optional<std::string> keyWord;
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Parent folder.
  std::optional<std::string> parentFolder;
  /// File type.
  std::optional<std::string> fileType;
  /// Update time range, in the service's text form.
  std::optional<std::string> updateTimeRange;
  /// Owner.
  std::optional<std::string> ownerId;

  /// Every optional field absent and every required one at its default.
  Filter() = default;

  /// Equal when every field is equal.
  friend bool operator==(const Filter&, const Filter&) = default;
};

/// One attribute of a smart folder.
///
/// Not an aggregate (it declares constructors): build it field by field, `SmartFolderAttr r; r.name = ...;`.
struct SmartFolderAttr {
  /// Name.
  std::optional<std::string> name;
  /// Type (the service's code).
  std::optional<std::int64_t> type;
  /// Sort position.
  std::optional<std::int64_t> sort;
  /// Value.
  std::optional<std::string> value;

  /// Every optional field absent and every required one at its default.
  SmartFolderAttr() = default;

  /// Equal when every field is equal.
  friend bool operator==(const SmartFolderAttr&, const SmartFolderAttr&) = default;
};

/// One part of an upload. The server adds `uploadUrl` and `partId`;
/// `partNumber`, `partSize` and `partOffset` are always on the wire.
///
/// Not an aggregate (it declares constructors): build it field by field, `MultiPartInfo r; r.partNumber = ...;`.
struct MultiPartInfo {
  /// Part number. Always on the wire.
  std::int64_t partNumber = 0;
  std::int64_t partSize = 0;    ///< bytes
  std::int64_t partOffset = 0;  ///< offset of the part in the file
  /// Hash context words of the part.
  std::optional<std::vector<std::uint32_t>> hashCtx;
  /// Where to upload the part (set by the server).
  std::optional<std::string> uploadUrl;
  /// Part id (set by the server).
  std::optional<std::string> partId;

  /// Every optional field absent and every required one at its default.
  MultiPartInfo() = default;
  /// Sets every field, in declaration order.
  MultiPartInfo(std::int64_t partNumber, std::int64_t partSize, std::int64_t partOffset,
                std::optional<std::vector<std::uint32_t>> hashCtx, std::optional<std::string> uploadUrl,
                std::optional<std::string> partId)
      : partNumber(partNumber),
        partSize(partSize),
        partOffset(partOffset),
        hashCtx(std::move(hashCtx)),
        uploadUrl(std::move(uploadUrl)),
        partId(std::move(partId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const MultiPartInfo&, const MultiPartInfo&) = default;
};

/// A file and the container that holds it.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileIdInfo r; r.fileId = ...;`.
struct FileIdInfo {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Container holding the files.
  std::optional<std::string> containerId;

  /// Every optional field absent and every required one at its default.
  FileIdInfo() = default;
  /// Sets every field, in declaration order.
  FileIdInfo(std::optional<std::string> fileId, std::optional<std::string> containerId)
      : fileId(std::move(fileId)), containerId(std::move(containerId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileIdInfo&, const FileIdInfo&) = default;
};

// ---- request beans ----------------------------------------------------------------

/// List a folder. `type` must be present; it is also the last path segment.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesListBean r;
/// r.type = ...;`.
struct FilesListBean {
  /// Listing kind; also the last path segment, must be present.
  std::optional<std::string> type;
  /// Page size and cursor.
  std::optional<PageInfo> pageInfo;
  /// Sort order.
  std::optional<FileSortInfo> sortInfo;
  /// Container to list.
  std::optional<std::string> containerId;
  /// Folder to list.
  std::optional<std::string> parentFileId;
  /// File type filter.
  std::optional<std::string> fileType;
  /// Hidden flag. Always on the wire; false by default.
  bool hidden = false;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  FilesListBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesListBean&, const FilesListBean&) = default;
};

/// Search files.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesSearchBean r;
/// r.searchType = ...;`.
struct FilesSearchBean {
  /// Search kind.
  std::optional<std::string> searchType;
  /// Page size and cursor.
  std::optional<PageInfo> pageInfo;
  /// Search criteria.
  std::optional<Filter> filter;
  /// Sort order.
  std::optional<SortInfo> sortInfo;
  /// Recycle-bin flag. Always on the wire; false by default.
  bool recycled = false;
  /// Recursive flag. Always on the wire; false by default.
  bool recursived = false;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  FilesSearchBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesSearchBean&, const FilesSearchBean&) = default;
};

/// The path of a file; sent as query items.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesPathBean r;
/// r.fileId = ...;`.
struct FilesPathBean {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Container holding the files.
  std::optional<std::string> containerId;

  /// Every optional field absent and every required one at its default.
  FilesPathBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesPathBean&, const FilesPathBean&) = default;
};

/// Statistics of a folder; sent as query items.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesStatsDirBean
/// r; r.fileId = ...;`.
struct FilesStatsDirBean {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Whether the statistics include every level below the folder; sent as "recursive=true" or
  /// "recursive=false", true by default.
  bool recursive = true;

  /// Every optional field absent and every required one at its default.
  FilesStatsDirBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesStatsDirBean&, const FilesStatsDirBean&) = default;
};

/// One file in detail. `fileId` must be present; it is also in the path.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetFileDetailBean
/// r; r.fileId = ...;`.
struct GetFileDetailBean {
  /// Id of the file; also used in the path.
  std::optional<std::string> fileId;
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  GetFileDetailBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetFileDetailBean&, const GetFileDetailBean&) = default;
};

/// Recently accessed files; sent as a query item.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetAccessFilesBean
/// r; r.imageProcess = ...;`.
struct GetAccessFilesBean {
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  GetAccessFilesBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetAccessFilesBean&, const GetAccessFilesBean&) = default;
};

/// Download addresses of files.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetDownloadUrlBean
/// r; r.containerId = ...;`.
struct GetDownloadUrlBean {
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Ids of the files.
  std::optional<std::vector<std::string>> fileIds;

  /// Every optional field absent and every required one at its default.
  GetDownloadUrlBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetDownloadUrlBean&, const GetDownloadUrlBean&) = default;
};

/// Create a folder.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CreateDirectoryBean
/// r; r.createdTime = ...;`.
struct CreateDirectoryBean {
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Description.
  std::optional<std::string> description;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Edit time.
  std::optional<std::string> editedTime;
  /// Folder name.
  std::optional<std::string> fileName;
  /// File type code.
  std::optional<std::string> fileType;
  /// Parent folder ids.
  std::optional<std::vector<std::string>> parentFolder;
  /// Container.
  std::optional<std::string> containerId;
  /// What to do on a name clash (the service's code; see the emulator's table in docs). Always on the wire; 2 by
  /// default.
  std::int64_t renameMode = 2;
  /// Hidden flag. Always on the wire; false by default.
  bool hidden = false;
  /// Smart-folder attributes.
  std::optional<std::vector<SmartFolderAttr>> smartFolderAttr;

  /// Every optional field absent and every required one at its default.
  CreateDirectoryBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const CreateDirectoryBean&, const CreateDirectoryBean&) = default;
};

/// Rename a file. `fileId` must be present; it is also in the path.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesRenameBean r;
/// r.fileId = ...;`.
struct FilesRenameBean {
  /// Id of the file; must be present, also used in the path.
  std::optional<std::string> fileId;
  /// Container holding the files.
  std::optional<std::string> containerId;
  std::optional<std::string> name;  ///< the new name
  /// What to do on a name clash (the service's code; see the emulator's table in docs). Always on the wire; 2 by
  /// default.
  std::int64_t renameMode = 2;

  /// Every optional field absent and every required one at its default.
  FilesRenameBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesRenameBean&, const FilesRenameBean&) = default;
};

/// Create the file of an upload. The upload process fills it; a host that drives the steps itself
/// fills it the same way.
///
/// Not an aggregate (it declares constructors): build it field by field, `FilesCreateBean r;
/// r.createdTime = ...;`.
struct FilesCreateBean {
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Description.
  std::optional<std::string> description;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// File name.
  std::optional<std::string> fileName;
  /// File type code.
  std::optional<std::string> fileType;
  /// Parent folder ids.
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::string> sha256;  ///< of the whole file
  std::int64_t length = 0;            ///< file size in bytes
  /// Upload mode.
  std::optional<std::string> uploadMode;
  /// Upload type (the service's code). Always on the wire; 1 by default.
  std::int64_t uploadType = 1;
  /// Name-clash policy (the service's code; see the emulator's table in docs). Always on the wire; 2 by
  /// default.
  std::int64_t autoRename = 2;
  /// The planned parts.
  std::optional<std::vector<MultiPartInfo>> multiParts;
  /// Container.
  std::optional<std::string> containerId;
  /// Pre-hash of the content (answered by "matchedPreHash").
  std::optional<std::string> preHash;
  std::optional<std::string> proofCode;  ///< proof of possession for a rapid upload
  /// Hidden flag. Always on the wire; false by default.
  bool hidden = false;

  /// Every optional field absent and every required one at its default.
  FilesCreateBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesCreateBean&, const FilesCreateBean&) = default;
};

/// Fresh upload addresses for some parts of an upload.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetUploadUrlBean r;
/// r.fileId = ...;`.
struct GetUploadUrlBean {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// The parts whose addresses are wanted.
  std::optional<std::vector<MultiPartInfo>> multiParts;

  /// Every optional field absent and every required one at its default.
  GetUploadUrlBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetUploadUrlBean&, const GetUploadUrlBean&) = default;
};

/// Complete an upload.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FilesCompleteBean
/// r; r.fileId = ...;`.
struct FilesCompleteBean {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// SHA-256 of the whole content, as lower-case hex.
  std::optional<std::string> sha256;

  /// Every optional field absent and every required one at its default.
  FilesCompleteBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FilesCompleteBean&, const FilesCompleteBean&) = default;
};

// ---- parts of answers ------------------------------------------------------------------

/// Folder statistics; the numbers are text.
///
/// Not an aggregate (it declares constructors): build it field by field, `StatsData r; r.totalSize = ...;`.
struct StatsData {
  /// Total size in bytes, as decimal text.
  std::optional<std::string> totalSize;
  /// Number of sub-folders, as decimal text.
  std::optional<std::string> subDirCount;
  /// Number of files, as decimal text.
  std::optional<std::string> subFileCount;

  /// Every optional field absent and every required one at its default.
  StatsData() = default;

  /// Equal when every field is equal.
  friend bool operator==(const StatsData&, const StatsData&) = default;
};

/// The file of a recent access.
///
/// Not an aggregate (it declares constructors): build it field by field, `AccessiFileInfo r; r.id = ...;`.
struct AccessiFileInfo {
  /// File id.
  std::optional<std::string> id;
  /// Container.
  std::optional<std::string> containerId;
  /// Container name.
  std::optional<std::string> containerName;
  /// Container type.
  std::optional<std::int64_t> containerType;
  /// Team.
  std::optional<std::string> teamId;
  /// File name.
  std::optional<std::string> name;
  /// Collaborator name.
  std::optional<std::string> collaborator;
  /// Collaborator id.
  std::optional<std::string> collaboratorId;
  /// Time of collaboration.
  std::optional<std::string> collaborateTime;
  /// Kind of collaboration.
  std::optional<std::int64_t> collaborateType;
  /// File type.
  std::optional<std::string> fileType;
  /// Starred.
  std::optional<bool> favorite;
  /// Suffix.
  std::optional<std::string> fileSuffix;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Download links.
  std::optional<std::vector<DownloadLink>> downloadLinks;
  /// What the caller may do.
  std::optional<UserCapabilities> userCapabilities;

  /// Every optional field absent and every required one at its default.
  AccessiFileInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const AccessiFileInfo&, const AccessiFileInfo&) = default;
};

/// One recent access to a file.
///
/// Not an aggregate (it declares constructors): build it field by field, `RecentlyAccess r; r.operateTime = ...;`.
struct RecentlyAccess {
  /// Time of the access.
  std::optional<std::string> operateTime;
  /// Kind of access (the service's code; see the emulator's table in docs).
  std::optional<std::int64_t> operateType;
  /// The file accessed.
  std::optional<AccessiFileInfo> file;
  /// Status (the service's code).
  std::optional<std::int64_t> status;

  /// Every optional field absent and every required one at its default.
  RecentlyAccess() = default;

  /// Equal when every field is equal.
  friend bool operator==(const RecentlyAccess&, const RecentlyAccess&) = default;
};

/// The download address of one requested file, with its own code and
/// message. Not an envelope: all its fields are text.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `DownloadInfoResponse r; r.fileId = ...;`.
struct DownloadInfoResponse {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// File name.
  std::optional<std::string> fileName;
  /// Address.
  std::optional<std::string> url;
  /// The service's code.
  std::optional<std::string> code;
  /// The service's message.
  std::optional<std::string> msg;

  /// Every optional field absent and every required one at its default.
  DownloadInfoResponse() = default;
  /// Sets every field, in declaration order.
  DownloadInfoResponse(std::optional<std::string> fileId, std::optional<std::string> fileName,
                       std::optional<std::string> url, std::optional<std::string> code,
                       std::optional<std::string> msg)
      : fileId(std::move(fileId)),
        fileName(std::move(fileName)),
        url(std::move(url)),
        code(std::move(code)),
        msg(std::move(msg)) {}

  /// Equal when every field is equal.
  friend bool operator==(const DownloadInfoResponse&, const DownloadInfoResponse&) = default;
};

// ---- responses ----------------------------------------------------------------------------

/// Answer to `filesList`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `FilesListResponse r; r.files = ...;`.
struct FilesListResponse : BaseResponse {
  /// The entries of this page.
  std::optional<std::vector<FileListMetadata>> files;
  /// Category of the listing.
  std::optional<std::string> category;
  /// Cursor of the next page.
  std::optional<std::string> nextCursor;
  /// Whether the search has finished.
  std::optional<bool> searchCompleted;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  FilesListResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  FilesListResponse(std::optional<std::vector<FileListMetadata>> files, std::optional<std::string> category,
                    std::optional<std::string> nextCursor, std::optional<bool> searchCompleted,
                    std::optional<std::int64_t> code, std::optional<std::string> msg,
                    std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        files(std::move(files)),
        category(std::move(category)),
        nextCursor(std::move(nextCursor)),
        searchCompleted(searchCompleted) {}

  /// Equal when every field is equal.
  friend bool operator==(const FilesListResponse&, const FilesListResponse&) = default;
};

/// Answer to `fileSearch`. Each hit carries "size" as text.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `FileSearchResponse r; r.files = ...;`.
struct FileSearchResponse : BaseResponse {
  /// The entries of this page.
  std::optional<std::vector<FileBean>> files;
  /// Total number of hits.
  std::optional<std::int64_t> total;
  /// Cursor of the next page; absent on the last page.
  std::optional<std::string> nextPageCursor;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  FileSearchResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  FileSearchResponse(std::optional<std::vector<FileBean>> files, std::optional<std::int64_t> total,
                     std::optional<std::string> nextPageCursor, std::optional<std::int64_t> code,
                     std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        files(std::move(files)),
        total(total),
        nextPageCursor(std::move(nextPageCursor)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileSearchResponse&, const FileSearchResponse&) = default;
};

/// Answer to `filesPath`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `FilesPathResponse r; r.fileIdPath = ...;`.
struct FilesPathResponse : BaseResponse {
  /// Path of ids.
  std::optional<std::string> fileIdPath;
  /// Path of names.
  std::optional<std::string> namePath;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  FilesPathResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  FilesPathResponse(std::optional<std::string> fileIdPath, std::optional<std::string> namePath,
                    std::optional<std::int64_t> code, std::optional<std::string> msg,
                    std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        fileIdPath(std::move(fileIdPath)),
        namePath(std::move(namePath)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FilesPathResponse&, const FilesPathResponse&) = default;
};

/// Answer to `filesStatsDir`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `FilesStatsDirResponse r; r.data = ...;`.
struct FilesStatsDirResponse : BaseResponse {
  /// The answer's payload.
  std::optional<StatsData> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  FilesStatsDirResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  FilesStatsDirResponse(std::optional<StatsData> data, std::optional<std::int64_t> code,
                        std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FilesStatsDirResponse&, const FilesStatsDirResponse&) = default;
};

/// Answer to `getFileDetail`: one file in detail form. It stands alone
/// rather than extending BaseFileBean, and its "size" is a number.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetFileDetailResponse r; r.id = ...;`.
struct GetFileDetailResponse : BaseResponse {
  /// File id.
  std::optional<std::string> id;
  /// File name.
  std::optional<std::string> fileName;
  /// File type.
  std::optional<std::string> fileType;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// In the recycle bin.
  std::optional<bool> recycled;
  /// Parent folder ids.
  std::optional<std::vector<std::string>> parentFolder;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;
  /// Containers holding the file.
  std::optional<std::vector<std::string>> containers;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Last edit time.
  std::optional<std::string> editedTime;
  /// Owners.
  std::optional<std::vector<User>> owners;
  /// Last editor.
  std::optional<User> lastEditor;
  /// Suffix.
  std::optional<std::string> fileSuffix;
  std::optional<std::int64_t> size;  ///< bytes
  /// Attachments, detail form.
  std::optional<std::vector<AttachmentMetadata>> attachments;
  /// What the caller may do.
  std::optional<UserCapabilities> userCapabilities;
  /// SHA-256 of the content.
  std::optional<std::string> sha256;
  /// Download links.
  std::optional<std::vector<DownloadLink>> downloadLinks;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetFileDetailResponse() = default;
  /// Its own fields in declaration order, then the envelope.
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

  /// Equal when every field is equal.
  friend bool operator==(const GetFileDetailResponse&, const GetFileDetailResponse&) = default;
};

/// Answer to `getAccessFiles`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetAccessResponse r; r.list = ...;`.
struct GetAccessResponse : BaseResponse {
  /// The entries.
  std::optional<std::vector<RecentlyAccess>> list;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetAccessResponse() = default;
  /// Sets every field, in declaration order.
  explicit GetAccessResponse(std::optional<std::vector<RecentlyAccess>> list) : list(std::move(list)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetAccessResponse&, const GetAccessResponse&) = default;
};

/// Answer to `getDownloadUrl`: one entry per requested file.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetDownloadUrlResponse r; r.batchCode = ...;`.
struct GetDownloadUrlResponse : BaseResponse {
  /// Code of the whole batch (the service's code).
  std::optional<std::int64_t> batchCode;
  /// One entry per requested file: its address, code and message.
  std::optional<std::vector<DownloadInfoResponse>> downloads;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetDownloadUrlResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  GetDownloadUrlResponse(std::optional<std::int64_t> batchCode,
                         std::optional<std::vector<DownloadInfoResponse>> downloads, std::optional<std::int64_t> code,
                         std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), batchCode(batchCode), downloads(std::move(downloads)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetDownloadUrlResponse&, const GetDownloadUrlResponse&) = default;
};

/// Answer to `createDirectory`: the new folder.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `CreateDirectoryResponse r; r.id = ...;`.
struct CreateDirectoryResponse : BaseResponse {
  /// Id.
  std::optional<std::string> id;
  /// File name.
  std::optional<std::string> fileName;
  /// MIME type.
  std::optional<std::string> mimeType;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  CreateDirectoryResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  CreateDirectoryResponse(std::optional<std::string> id, std::optional<std::string> fileName,
                          std::optional<std::string> mimeType, std::optional<std::int64_t> code,
                          std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode),
        id(std::move(id)),
        fileName(std::move(fileName)),
        mimeType(std::move(mimeType)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CreateDirectoryResponse&, const CreateDirectoryResponse&) = default;
};

/// Answer to `filesCreate`: either the upload is already done (`rapidUpload`,
/// `exist`) or `multiParts` holds the parts to upload with their addresses.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `FilesCreateResponse r; r.fileId = ...;`.
struct FilesCreateResponse : BaseResponse {
  /// Id of the created file.
  std::optional<std::string> fileId;
  /// The upload was completed as a rapid upload.
  std::optional<bool> rapidUpload;
  /// Container.
  std::optional<std::string> containerId;
  /// Final file name.
  std::optional<std::string> fileName;
  /// Upload id.
  std::optional<std::string> uploadId;
  /// Parent folder ids.
  std::optional<std::vector<std::string>> parentFolder;
  /// True when the file already exists.
  std::optional<bool> exist;
  /// Parts to upload, with their upload addresses.
  std::optional<std::vector<MultiPartInfo>> multiParts;
  /// The pre-hash matched a stored file.
  std::optional<bool> matchedPreHash;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  FilesCreateResponse() = default;
  /// Its own fields in declaration order, then the envelope.
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

  /// Equal when every field is equal.
  friend bool operator==(const FilesCreateResponse&, const FilesCreateResponse&) = default;
};

/// Answer to `getUploadUrl`: the parts with fresh "uploadUrl" values.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetUploadUrlResponse r; r.multiParts = ...;`.
struct GetUploadUrlResponse : BaseResponse {
  /// The parts with fresh "uploadUrl" values.
  std::optional<std::vector<MultiPartInfo>> multiParts;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetUploadUrlResponse() = default;
  /// Its own fields in declaration order, then the envelope.
  GetUploadUrlResponse(std::optional<std::vector<MultiPartInfo>> multiParts, std::optional<std::int64_t> code,
                       std::optional<std::string> msg, std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), multiParts(std::move(multiParts)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetUploadUrlResponse&, const GetUploadUrlResponse&) = default;
};

}  // namespace quillbox
