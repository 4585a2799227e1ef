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

  /// Signs in with an authorisation code and answers the access token.
  ///
  /// `POST /quillbox/ose/v1/carrier/standard/user/auth`; the record is the body. `authCode` is required. The
  /// token is not stored: the host sets it with `CloudInstance::setToken`.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getToken(std::optional<AuthCodeBean> bean,
                        std::function<void(NetworkResult<UserAuthResp>)> onCallback) = 0;
  /// The user's storage space: capacity, use and root folders.
  ///
  /// `GET /quillbox/ose/v1/space/{ownerId}?type={type}[&containerId={containerId}]`. An absent owner leaves the
  /// last segment empty; "type=" is always sent.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getSpace(std::optional<GetSpaceBean> bean,
                        std::function<void(NetworkResult<GetSpaceResp>)> onCallback) = 0;
  /// One user of the organisation.
  ///
  /// `GET /quillbox/ose/v1/users/{userId}`. `userId` is required and not empty.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getUserById(std::optional<GetUserByIdBean> bean,
                           std::function<void(NetworkResult<GetUsersByIdResponse>)> onCallback) = 0;
  /// A page of the organisation's users, by department or search word.
  ///
  /// `GET /quillbox/ose/v1/userList?deptId&isDirect&offset&limit&keyWord,` in that order; empty items are left
  /// out. `isDirect` is required.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getUserList(std::optional<GetUserListBean> bean,
                           std::function<void(NetworkResult<GetuserListResponse>)> onCallback) = 0;
};

}  // namespace quillbox
