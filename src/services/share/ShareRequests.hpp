#pragma once

#include "quillbox/services/share/ShareRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class GetShareRequest final : public BaseReq<GetShareResponse> {
 public:
  explicit GetShareRequest(std::optional<GetShareBean> b) : bean(std::move(b)) {}
  std::optional<GetShareBean> bean;
  int buildParams() override;
};

class CreateShareRequest final : public BaseReq<CreateShareResponse> {
 public:
  explicit CreateShareRequest(std::optional<CreateShareBean> b) : bean(std::move(b)) {}
  std::optional<CreateShareBean> bean;
  int buildParams() override;
};

class CancelShareRequest final : public BaseReq<CancelShareResponse> {
 public:
  explicit CancelShareRequest(std::optional<CancelShareBean> b) : _bean(std::move(b)) {}
  std::optional<CancelShareBean> _bean;
  int buildParams() override;
};

class GetShareDetailRequest final : public BaseReq<GetShareDetailResponse> {
 public:
  explicit GetShareDetailRequest(std::optional<GetShareDetailBean> b) : bean(std::move(b)) {}
  std::optional<GetShareDetailBean> bean;
  int buildParams() override;
};

class ModifyShareDetailRequest final : public BaseReq<ModifyShareDetailResponse> {
 public:
  explicit ModifyShareDetailRequest(std::optional<ModifyShareDetailBean> b) : bean(std::move(b)) {}
  std::optional<ModifyShareDetailBean> bean;
  int buildParams() override;
};

class GetShareFilesRequest final : public BaseReq<GetShareFilesResponse> {
 public:
  explicit GetShareFilesRequest(std::optional<GetShareFilesBean> b) : bean(std::move(b)) {}
  std::optional<GetShareFilesBean> bean;
  int buildParams() override;
};

}  // namespace quillbox::request
