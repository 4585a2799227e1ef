#include "services/user/UserImpl.hpp"

#include "services/user/UserOperations.hpp"

namespace quillbox::services::user {

void UserImpl::getToken(std::optional<AuthCodeBean> bean, std::function<void(NetworkResult<UserAuthResp>)> onCallback) {
  run<user::getToken>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getSpace(std::optional<GetSpaceBean> bean, std::function<void(NetworkResult<GetSpaceResp>)> onCallback) {
  run<user::getSpace>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getUserById(std::optional<GetUserByIdBean> bean,
                           std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) {
  run<user::getUserById>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getUserList(std::optional<GetUserListBean> bean,
                           std::function<void(NetworkResult<GetuserListResponse>)> onCallback) {
  run<user::getUserList>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::services::user
