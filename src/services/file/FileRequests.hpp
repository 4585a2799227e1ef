#pragma once

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class GetAccessReq final : public BaseReq<GetAccessResponse> {
 public:
  explicit GetAccessReq(std::optional<GetAccessFilesBean> b) : bean(std::move(b)) {}
  std::optional<GetAccessFilesBean> bean;
  int buildParams() override;
};

class CreateDirectoryRequest final : public BaseReq<CreateDirectoryResponse> {
 public:
  explicit CreateDirectoryRequest(std::optional<CreateDirectoryBean> b) : bean(std::move(b)) {}
  std::optional<CreateDirectoryBean> bean;
  int buildParams() override;
};

class FileCompleteRequest final : public BaseReq<BaseResponse> {
 public:
  explicit FileCompleteRequest(std::optional<FilesCompleteBean> b) : bean(std::move(b)) {}
  std::optional<FilesCompleteBean> bean;
  int buildParams() override;
};

class FileRenameRequest final : public BaseReq<BaseResponse> {
 public:
  explicit FileRenameRequest(std::optional<FilesRenameBean> b) : bean(std::move(b)) {}
  std::optional<FilesRenameBean> bean;
  int buildParams() override;
};

class FilesCreateRequest final : public BaseReq<FilesCreateResponse> {
 public:
  explicit FilesCreateRequest(std::optional<FilesCreateBean> b) : bean(std::move(b)) {}
  std::optional<FilesCreateBean> bean;
  int buildParams() override;
};

class FileSearchRequest final : public BaseReq<FileSearchResponse> {
 public:
  explicit FileSearchRequest(std::optional<FilesSearchBean> b) : bean(std::move(b)) {}
  std::optional<FilesSearchBean> bean;
  int buildParams() override;
};

class FilesListRequest final : public BaseReq<FilesListResponse> {
 public:
  explicit FilesListRequest(std::optional<FilesListBean> b) : bean(std::move(b)) {}
  std::optional<FilesListBean> bean;
  int buildParams() override;
};

class FilesPathRequest final : public BaseReq<FilesPathResponse> {
 public:
  explicit FilesPathRequest(std::optional<FilesPathBean> b) : bean(std::move(b)) {}
  std::optional<FilesPathBean> bean;
  int buildParams() override;
};

class FilesStatsDirRequest final : public BaseReq<FilesStatsDirResponse> {
 public:
  explicit FilesStatsDirRequest(std::optional<FilesStatsDirBean> b) : bean(std::move(b)) {}
  std::optional<FilesStatsDirBean> bean;
  int buildParams() override;
};

class GetDownloadUrlRequest final : public BaseReq<GetDownloadUrlResponse> {
 public:
  explicit GetDownloadUrlRequest(std::optional<GetDownloadUrlBean> b) : bean(std::move(b)) {}
  std::optional<GetDownloadUrlBean> bean;
  int buildParams() override;
};

class GetFileDetailRequest final : public BaseReq<GetFileDetailResponse> {
 public:
  explicit GetFileDetailRequest(std::optional<GetFileDetailBean> b) : bean(std::move(b)) {}
  std::optional<GetFileDetailBean> bean;
  int buildParams() override;
};

class GetUploadUrlRequest final : public BaseReq<GetUploadUrlResponse> {
 public:
  explicit GetUploadUrlRequest(std::optional<GetUploadUrlBean> b) : bean(std::move(b)) {}
  std::optional<GetUploadUrlBean> bean;
  int buildParams() override;
};

}  // namespace quillbox::request
