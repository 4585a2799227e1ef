#include "services/user/UserImpl.hpp"

#include "services/user/UserOperations.hpp"

namespace quillbox::request {

void UserImpl::getToken(std::optional<AuthCodeBean> bean, std::function<void(NetworkResult<UserAuthResp>)> onCallback) {
  services::run<services::user::getToken>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getSpace(std::optional<GetSpaceBean> bean, std::function<void(NetworkResult<GetSpaceResp>)> onCallback) {
  services::run<services::user::getSpace>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getUserById(std::optional<GetUserByIdBean> bean,
                           std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) {
  services::run<services::user::getUserById>(settings_, std::move(bean), std::move(onCallback));
}

void UserImpl::getUserList(std::optional<GetUserListBean> bean,
                           std::function<void(NetworkResult<GetuserListResponse>)> onCallback) {
  services::run<services::user::getUserList>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::request
