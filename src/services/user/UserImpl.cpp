#include "services/user/UserImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/user/UserRequests.hpp"

namespace quillbox::request {

void UserImpl::getToken(std::optional<AuthCodeBean> bean, std::function<void(NetworkResult<UserAuthResp>)> onCallback) {
  runRequest<UserAuthReq>(settings_, std::move(bean), std::move(onCallback), 1);
}

void UserImpl::getSpace(std::optional<GetSpaceBean> bean, std::function<void(NetworkResult<GetSpaceResp>)> onCallback) {
  runRequest<GetSpaceReq>(settings_, std::move(bean), std::move(onCallback), 0);
}

void UserImpl::getUserById(std::optional<GetUserByIdBean> bean,
                           std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) {
  runRequest<GetUserByIdReq>(settings_, std::move(bean), std::move(onCallback), 0);
}

void UserImpl::getUserList(std::optional<GetUserListBean> bean,
                           std::function<void(NetworkResult<GetuserListResponse>)> onCallback) {
  runRequest<GetUserListReq>(settings_, std::move(bean), std::move(onCallback), 0);
}

}  // namespace quillbox::request
