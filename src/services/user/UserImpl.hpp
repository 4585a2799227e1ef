#pragma once

#include "quillbox/services/user/IUser.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::user {

/// IUser over the operations of UserOperations.hpp.
class UserImpl final : public IUser {
 public:
  explicit UserImpl(const request::Settings& settings) : settings_(settings) {}
  void getToken(std::optional<AuthCodeBean> bean, std::function<void(NetworkResult<UserAuthResp>)> onCallback) override;
  void getSpace(std::optional<GetSpaceBean> bean, std::function<void(NetworkResult<GetSpaceResp>)> onCallback) override;
  void getUserById(std::optional<GetUserByIdBean> bean,
                   std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) override;
  void getUserList(std::optional<GetUserListBean> bean,
                   std::function<void(NetworkResult<GetuserListResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::user
