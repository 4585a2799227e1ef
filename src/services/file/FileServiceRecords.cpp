#include "services/file/FileServiceRecordsCodec.hpp"

namespace quillbox::json {

template <>
struct Record<PageInfo> {
  static constexpr auto fields = std::tuple{
      field("pageSize", &PageInfo::pageSize),
      field("pageCursor", &PageInfo::pageCursor),
  };
};

template <>
struct Record<FileSortInfo> {
  static constexpr auto fields = std::tuple{
      field("sortType", &FileSortInfo::sortType),
      field("sortDirection", &FileSortInfo::sortDirection),
  };
};

template <>
struct Record<SortInfo> {
  static constexpr auto fields = std::tuple{
      field("sortType", &SortInfo::sortType),
      field("sortDirection", &SortInfo::sortDirection),
  };
};

template <>
struct Record<Filter> {
  static constexpr auto fields = std::tuple{
      field("keyWord", &Filter::keyWord),
      field("containerId", &Filter::containerId),
      field("parentFolder", &Filter::parentFolder),
      field("fileType", &Filter::fileType),
      field("updateTimeRange", &Filter::updateTimeRange),
      field("ownerId", &Filter::ownerId),
  };
};

template <>
struct Record<SmartFolderAttr> {
  static constexpr auto fields = std::tuple{
      field("name", &SmartFolderAttr::name),
      field("type", &SmartFolderAttr::type),
      field("sort", &SmartFolderAttr::sort),
      field("value", &SmartFolderAttr::value),
  };
};

template <>
struct Record<MultiPartInfo> {
  static constexpr auto fields = std::tuple{
      field("partNumber", &MultiPartInfo::partNumber),
      field("partSize", &MultiPartInfo::partSize),
      field("partOffset", &MultiPartInfo::partOffset),
      field("hashCtx", &MultiPartInfo::hashCtx),
      field("uploadUrl", &MultiPartInfo::uploadUrl),
      field("partId", &MultiPartInfo::partId),
  };
};

template <>
struct Record<FileIdInfo> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FileIdInfo::fileId),
      field("containerId", &FileIdInfo::containerId),
  };
};

template <>
struct Record<FilesListBean> {
  static constexpr auto fields = std::tuple{
      field("type", &FilesListBean::type),
      field("pageInfo", &FilesListBean::pageInfo),
      field("sortInfo", &FilesListBean::sortInfo),
      field("containerId", &FilesListBean::containerId),
      field("parentFileId", &FilesListBean::parentFileId),
      field("fileType", &FilesListBean::fileType),
      field("hidden", &FilesListBean::hidden),
      field("imageProcess", &FilesListBean::imageProcess),
  };
};

template <>
struct Record<FilesSearchBean> {
  static constexpr auto fields = std::tuple{
      field("searchType", &FilesSearchBean::searchType),
      field("pageInfo", &FilesSearchBean::pageInfo),
      field("filter", &FilesSearchBean::filter),
      field("sortInfo", &FilesSearchBean::sortInfo),
      field("recycled", &FilesSearchBean::recycled),
      field("recursived", &FilesSearchBean::recursived),
      field("imageProcess", &FilesSearchBean::imageProcess),
  };
};

template <>
struct Record<FilesPathBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FilesPathBean::fileId),
      field("containerId", &FilesPathBean::containerId),
  };
};

template <>
struct Record<FilesStatsDirBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FilesStatsDirBean::fileId),
      field("containerId", &FilesStatsDirBean::containerId),
      field("recursive", &FilesStatsDirBean::recursive),
  };
};

template <>
struct Record<GetFileDetailBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &GetFileDetailBean::fileId),
      field("containerId", &GetFileDetailBean::containerId),
      field("imageProcess", &GetFileDetailBean::imageProcess),
  };
};

template <>
struct Record<GetAccessFilesBean> {
  static constexpr auto fields = std::tuple{
      field("imageProcess", &GetAccessFilesBean::imageProcess),
  };
};

template <>
struct Record<GetDownloadUrlBean> {
  static constexpr auto fields = std::tuple{
      field("containerId", &GetDownloadUrlBean::containerId),
      field("fileIds", &GetDownloadUrlBean::fileIds),
  };
};

template <>
struct Record<CreateDirectoryBean> {
  static constexpr auto fields = std::tuple{
      field("createdTime", &CreateDirectoryBean::createdTime),
      field("description", &CreateDirectoryBean::description),
      field("mimeType", &CreateDirectoryBean::mimeType),
      field("editedTime", &CreateDirectoryBean::editedTime),
      field("fileName", &CreateDirectoryBean::fileName),
      field("fileType", &CreateDirectoryBean::fileType),
      field("parentFolder", &CreateDirectoryBean::parentFolder),
      field("containerId", &CreateDirectoryBean::containerId),
      field("renameMode", &CreateDirectoryBean::renameMode),
      field("hidden", &CreateDirectoryBean::hidden),
      field("smartFolderAttr", &CreateDirectoryBean::smartFolderAttr),
  };
};

template <>
struct Record<FilesRenameBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FilesRenameBean::fileId),
      field("containerId", &FilesRenameBean::containerId),
      field("name", &FilesRenameBean::name),
      field("renameMode", &FilesRenameBean::renameMode),
  };
};

template <>
struct Record<FilesCreateBean> {
  static constexpr auto fields = std::tuple{
      field("createdTime", &FilesCreateBean::createdTime),
      field("description", &FilesCreateBean::description),
      field("mimeType", &FilesCreateBean::mimeType),
      field("fileName", &FilesCreateBean::fileName),
      field("fileType", &FilesCreateBean::fileType),
      field("parentFolder", &FilesCreateBean::parentFolder),
      field("sha256", &FilesCreateBean::sha256),
      field("length", &FilesCreateBean::length),
      field("uploadMode", &FilesCreateBean::uploadMode),
      field("uploadType", &FilesCreateBean::uploadType),
      field("autoRename", &FilesCreateBean::autoRename),
      field("multiParts", &FilesCreateBean::multiParts),
      field("containerId", &FilesCreateBean::containerId),
      field("preHash", &FilesCreateBean::preHash),
      field("proofCode", &FilesCreateBean::proofCode),
      field("hidden", &FilesCreateBean::hidden),
  };
};

template <>
struct Record<GetUploadUrlBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &GetUploadUrlBean::fileId),
      field("multiParts", &GetUploadUrlBean::multiParts),
  };
};

template <>
struct Record<FilesCompleteBean> {
  static constexpr auto fields = std::tuple{
      field("fileId", &FilesCompleteBean::fileId),
      field("sha256", &FilesCompleteBean::sha256),
  };
};

template <>
struct Record<StatsData> {
  static constexpr auto fields = std::tuple{
      field("totalSize", &StatsData::totalSize),
      field("subDirCount", &StatsData::subDirCount),
      field("subFileCount", &StatsData::subFileCount),
  };
};

template <>
struct Record<AccessiFileInfo> {
  static constexpr auto fields = std::tuple{
      field("id", &AccessiFileInfo::id),
      field("containerId", &AccessiFileInfo::containerId),
      field("containerName", &AccessiFileInfo::containerName),
      field("containerType", &AccessiFileInfo::containerType),
      field("teamId", &AccessiFileInfo::teamId),
      field("name", &AccessiFileInfo::name),
      field("collaborator", &AccessiFileInfo::collaborator),
      field("collaboratorId", &AccessiFileInfo::collaboratorId),
      field("collaborateTime", &AccessiFileInfo::collaborateTime),
      field("collaborateType", &AccessiFileInfo::collaborateType),
      field("fileType", &AccessiFileInfo::fileType),
      field("favorite", &AccessiFileInfo::favorite),
      field("fileSuffix", &AccessiFileInfo::fileSuffix),
      field("mimeType", &AccessiFileInfo::mimeType),
      field("downloadLinks", &AccessiFileInfo::downloadLinks),
      field("userCapabilities", &AccessiFileInfo::userCapabilities),
  };
};

template <>
struct Record<RecentlyAccess> {
  static constexpr auto fields = std::tuple{
      field("operateTime", &RecentlyAccess::operateTime),
      field("operateType", &RecentlyAccess::operateType),
      field("file", &RecentlyAccess::file),
      field("status", &RecentlyAccess::status),
  };
};

template <>
struct Record<DownloadInfoResponse> {
  static constexpr auto fields = std::tuple{
      field("fileId", &DownloadInfoResponse::fileId),
      field("fileName", &DownloadInfoResponse::fileName),
      field("url", &DownloadInfoResponse::url),
      field("code", &DownloadInfoResponse::code),
      field("msg", &DownloadInfoResponse::msg),
  };
};

template <>
struct Record<FilesListResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("files", &FilesListResponse::files),
      field("category", &FilesListResponse::category),
      field("nextCursor", &FilesListResponse::nextCursor),
      field("searchCompleted", &FilesListResponse::searchCompleted),
  };
};

template <>
struct Record<FileSearchResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("files", &FileSearchResponse::files),
      field("total", &FileSearchResponse::total),
      field("nextPageCursor", &FileSearchResponse::nextPageCursor),
  };
};

template <>
struct Record<FilesPathResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("fileIdPath", &FilesPathResponse::fileIdPath),
      field("namePath", &FilesPathResponse::namePath),
  };
};

template <>
struct Record<FilesStatsDirResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &FilesStatsDirResponse::data),
  };
};

template <>
struct Record<GetFileDetailResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("id", &GetFileDetailResponse::id),
      field("fileName", &GetFileDetailResponse::fileName),
      field("fileType", &GetFileDetailResponse::fileType),
      field("mimeType", &GetFileDetailResponse::mimeType),
      field("recycled", &GetFileDetailResponse::recycled),
      field("parentFolder", &GetFileDetailResponse::parentFolder),
      field("properties", &GetFileDetailResponse::properties),
      field("containers", &GetFileDetailResponse::containers),
      field("createdTime", &GetFileDetailResponse::createdTime),
      field("editedTime", &GetFileDetailResponse::editedTime),
      field("owners", &GetFileDetailResponse::owners),
      field("lastEditor", &GetFileDetailResponse::lastEditor),
      field("fileSuffix", &GetFileDetailResponse::fileSuffix),
      field("size", &GetFileDetailResponse::size),
      field("attachments", &GetFileDetailResponse::attachments),
      field("userCapabilities", &GetFileDetailResponse::userCapabilities),
      field("sha256", &GetFileDetailResponse::sha256),
      field("downloadLinks", &GetFileDetailResponse::downloadLinks),
  };
};

template <>
struct Record<GetAccessResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("list", &GetAccessResponse::list),
  };
};

template <>
struct Record<GetDownloadUrlResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("batchCode", &GetDownloadUrlResponse::batchCode),
      field("downloads", &GetDownloadUrlResponse::downloads),
  };
};

template <>
struct Record<CreateDirectoryResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("id", &CreateDirectoryResponse::id),
      field("fileName", &CreateDirectoryResponse::fileName),
      field("mimeType", &CreateDirectoryResponse::mimeType),
  };
};

template <>
struct Record<FilesCreateResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("fileId", &FilesCreateResponse::fileId),
      field("rapidUpload", &FilesCreateResponse::rapidUpload),
      field("containerId", &FilesCreateResponse::containerId),
      field("fileName", &FilesCreateResponse::fileName),
      field("uploadId", &FilesCreateResponse::uploadId),
      field("parentFolder", &FilesCreateResponse::parentFolder),
      field("exist", &FilesCreateResponse::exist),
      field("multiParts", &FilesCreateResponse::multiParts),
      field("matchedPreHash", &FilesCreateResponse::matchedPreHash),
  };
};

template <>
struct Record<GetUploadUrlResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("multiParts", &GetUploadUrlResponse::multiParts),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(PageInfo)
QUILLBOX_RECORD_CODEC(FileSortInfo)
QUILLBOX_RECORD_CODEC(SortInfo)
QUILLBOX_RECORD_CODEC(Filter)
QUILLBOX_RECORD_CODEC(SmartFolderAttr)
QUILLBOX_RECORD_CODEC(MultiPartInfo)
QUILLBOX_RECORD_CODEC(FileIdInfo)
QUILLBOX_RECORD_CODEC(FilesListBean)
QUILLBOX_RECORD_CODEC(FilesSearchBean)
QUILLBOX_RECORD_CODEC(FilesPathBean)
QUILLBOX_RECORD_CODEC(FilesStatsDirBean)
QUILLBOX_RECORD_CODEC(GetFileDetailBean)
QUILLBOX_RECORD_CODEC(GetAccessFilesBean)
QUILLBOX_RECORD_CODEC(GetDownloadUrlBean)
QUILLBOX_RECORD_CODEC(CreateDirectoryBean)
QUILLBOX_RECORD_CODEC(FilesRenameBean)
QUILLBOX_RECORD_CODEC(FilesCreateBean)
QUILLBOX_RECORD_CODEC(GetUploadUrlBean)
QUILLBOX_RECORD_CODEC(FilesCompleteBean)
QUILLBOX_RECORD_CODEC(StatsData)
QUILLBOX_RECORD_CODEC(AccessiFileInfo)
QUILLBOX_RECORD_CODEC(RecentlyAccess)
QUILLBOX_RECORD_CODEC(DownloadInfoResponse)
QUILLBOX_RECORD_CODEC(FilesListResponse)
QUILLBOX_RECORD_CODEC(FileSearchResponse)
QUILLBOX_RECORD_CODEC(FilesPathResponse)
QUILLBOX_RECORD_CODEC(FilesStatsDirResponse)
QUILLBOX_RECORD_CODEC(GetFileDetailResponse)
QUILLBOX_RECORD_CODEC(GetAccessResponse)
QUILLBOX_RECORD_CODEC(GetDownloadUrlResponse)
QUILLBOX_RECORD_CODEC(CreateDirectoryResponse)
QUILLBOX_RECORD_CODEC(FilesCreateResponse)
QUILLBOX_RECORD_CODEC(GetUploadUrlResponse)
