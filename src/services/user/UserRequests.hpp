#pragma once

#include "quillbox/services/user/UserRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class UserAuthReq final : public BaseReq<UserAuthResp> {
 public:
  explicit UserAuthReq(std::optional<AuthCodeBean> b) : bean(std::move(b)) {}
  std::optional<AuthCodeBean> bean;
  int buildParams() override;
};

class GetSpaceReq final : public BaseReq<GetSpaceResp> {
 public:
  explicit GetSpaceReq(std::optional<GetSpaceBean> b) : getSpaceBean(std::move(b)) {}
  std::optional<GetSpaceBean> getSpaceBean;
  int buildParams() override;
};

class GetUserByIdReq final : public BaseReq<GetUsersByIdResponse> {
 public:
  explicit GetUserByIdReq(std::optional<GetUserByIdBean> b) : bean(std::move(b)) {}
  std::optional<GetUserByIdBean> bean;
  int buildParams() override;
};

class GetUserListReq final : public BaseReq<GetuserListResponse> {
 public:
  explicit GetUserListReq(std::optional<GetUserListBean> b) : bean(std::move(b)) {}
  std::optional<GetUserListBean> bean;
  int buildParams() override;
};

}  // namespace quillbox::request
