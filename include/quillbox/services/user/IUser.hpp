#pragma once

#include <functional>
#include <optional>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/user/UserRecords.hpp"

namespace quillbox {

/// The signed-in user: sign-in by authorisation code, the user's space, and
/// the organisation's users. Callbacks as for every service (see IFavor).
class IUser {
 public:
  virtual ~IUser() = default;

  /// POST /quillbox/ose/v1/carrier/standard/user/auth
  virtual void getToken(std::optional<AuthCodeBean> bean,
                        std::function<void(NetworkResult<UserAuthResp>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/space/{ownerId}?type={type}[&containerId={containerId}]
  virtual void getSpace(std::optional<GetSpaceBean> bean,
                        std::function<void(NetworkResult<GetSpaceResp>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/users/{userId}
  virtual void getUserById(std::optional<GetUserByIdBean> bean,
                           std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/userList
  virtual void getUserList(std::optional<GetUserListBean> bean,
                           std::function<void(NetworkResult<GetuserListResponse>)> onCallback) = 0;
};

}  // namespace quillbox
