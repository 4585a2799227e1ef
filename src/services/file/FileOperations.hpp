#pragma once

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "services/Operation.hpp"

/// The file service's operations: method, route and wire rule of each.
namespace quillbox::services::file {

/// Adds `name` when `value` is present and not empty.
inline void addIfSet(request::QueryBuilder& query, std::string_view name, const std::optional<std::string>& value) {
  if (value && !value->empty()) query.add(name, *value);
}

inline constexpr Operation<GetAccessFilesBean, GetAccessResponse> getAccessFiles{
    .method = HTTPMethod::get,
    .route = "access",
    .rule =
        [](const GetAccessFilesBean& b, Wire& w) {
          if (b.imageProcess) w.query = request::QueryBuilder().add("imageProcess", *b.imageProcess).str();
          return true;
        },
    // Without a record the list is asked for without a query.
    .needsRecord = false,
};

inline constexpr Operation<CreateDirectoryBean, CreateDirectoryResponse> createDirectory{
    .method = HTTPMethod::post, .route = "directory", .rule = recordAsBody};

inline constexpr Operation<FilesCompleteBean, BaseResponse> fileComplete{
    .method = HTTPMethod::post, .route = "files/complete", .rule = recordAsBody};

inline constexpr Operation<FilesRenameBean, BaseResponse> fileRename{
    .method = HTTPMethod::post,
    .route = "files/rename/{}",
    .rule = [](const FilesRenameBean& b, Wire& w) { return w.placeId(b.fileId) && w.sendAsBody(b); },
};

inline constexpr Operation<FilesCreateBean, FilesCreateResponse> filesCreate{
    .method = HTTPMethod::post, .route = "files/create", .rule = recordAsBody};

inline constexpr Operation<FilesSearchBean, FileSearchResponse> fileSearch{
    .method = HTTPMethod::post, .route = "files/search", .rule = recordAsBody};

inline constexpr Operation<FilesListBean, FilesListResponse> filesList{
    .method = HTTPMethod::post,
    .route = "files/{}",
    // The listing kind is the last path segment and also stays in the body.
    .rule = [](const FilesListBean& b, Wire& w) { return w.placeId(b.type) && w.sendAsBody(b); },
};

inline constexpr Operation<FilesPathBean, FilesPathResponse> filesPath{
    .method = HTTPMethod::get,
    .route = "files/path",
    .rule =
        [](const FilesPathBean& b, Wire& w) {
          request::QueryBuilder query;
          addIfSet(query, "fileId", b.fileId);
          addIfSet(query, "containerId", b.containerId);
          w.query = query.str();
          return true;
        },
};

inline constexpr Operation<FilesStatsDirBean, FilesStatsDirResponse> filesStatsDir{
    .method = HTTPMethod::get,
    .route = "files/statsDir",
    .rule =
        [](const FilesStatsDirBean& b, Wire& w) {
          request::QueryBuilder query;
          addIfSet(query, "fileId", b.fileId);
          addIfSet(query, "containerId", b.containerId);
          query.add("recursive", b.recursive);
          w.query = query.str();
          return true;
        },
};

inline constexpr Operation<GetDownloadUrlBean, GetDownloadUrlResponse> getDownloadUrl{
    .method = HTTPMethod::post, .route = "files/download", .rule = recordAsBody};

inline constexpr Operation<GetFileDetailBean, GetFileDetailResponse> getFileDetail{
    .method = HTTPMethod::post,
    .route = "files/{}/detail",
    .rule = [](const GetFileDetailBean& b, Wire& w) { return w.placeId(b.fileId) && w.sendAsBody(b); },
};

inline constexpr Operation<GetUploadUrlBean, GetUploadUrlResponse> getUploadUrl{
    .method = HTTPMethod::post, .route = "files/multipart/uploadUrl", .rule = recordAsBody};

}  // namespace quillbox::services::file
