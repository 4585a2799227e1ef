#pragma once

#include "quillbox/services/favor/FavorRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class GetStarFilesRequest final : public BaseReq<GetStarFilesResponse> {
 public:
  explicit GetStarFilesRequest(std::optional<GetStarFilesBean> b) : bean(std::move(b)) {}
  std::optional<GetStarFilesBean> bean;
  int buildParams() override;
};

class GetStarBatchRequest final : public BaseReq<GetStarBatchResponse> {
 public:
  explicit GetStarBatchRequest(std::optional<GetStarBatchBean> b) : bean(std::move(b)) {}
  std::optional<GetStarBatchBean> bean;
  int buildParams() override;
};

}  // namespace quillbox::request
