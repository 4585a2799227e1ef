#pragma once
// Records of the user service: sign-in, space, user lookup and user lists,
// plus the device records of the same area.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"

namespace quillbox {

// ---- request beans ----------------------------------------------------------

/// Sign-in by an authorisation code the host obtained. `authCode` must be
/// present for `getToken`.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `AuthCodeBean r;
/// r.authCode = ...;`.
struct AuthCodeBean {
  /// Authorisation code obtained by the host application; must be present for `getToken`.
  std::optional<std::string> authCode;

  /// Every optional field absent and every required one at its default.
  AuthCodeBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const AuthCodeBean&, const AuthCodeBean&) = default;
};

/// The space to describe. Its fields travel in the path (`ownerId`) and the
/// query (`type`, `containerId`), never as a JSON body.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetSpaceBean r;
/// r.type = ...;`.
struct GetSpaceBean {
  /// Space type, sent as query item `type`.
  std::optional<std::string> type;
  /// Owner whose space is asked for; last path segment.
  std::optional<std::string> ownerId;
  /// Container, sent as query item `containerId`.
  std::optional<std::string> containerId;

  /// Every optional field absent and every required one at its default.
  GetSpaceBean() = default;
  /// Sets every field, in declaration order.
  GetSpaceBean(std::optional<std::string> type, std::optional<std::string> ownerId,
               std::optional<std::string> containerId)
      : type(std::move(type)), ownerId(std::move(ownerId)), containerId(std::move(containerId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetSpaceBean&, const GetSpaceBean&) = default;
};

/// The user to look up; `userId` must be present (it is the last path segment).
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetUserByIdBean r;
/// r.userId = ...;`.
struct GetUserByIdBean {
  /// User to look up; last path segment; must be present.
  std::optional<std::string> userId;

  /// Every optional field absent and every required one at its default.
  GetUserByIdBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetUserByIdBean&, const GetUserByIdBean&) = default;
};

/// A page of the users of a department. Every field is a query item;
/// `isDirect` must be present.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetUserListBean r;
/// r.deptId = ...;`.
struct GetUserListBean {
  /// Department whose users are listed.
  std::optional<std::string> deptId;
  /// Direct-membership flag, sent as "true" or "false"; must be present.
  std::optional<bool> isDirect;
  std::optional<std::string> offset;  ///< decimal text
  std::optional<std::string> limit;   ///< decimal text
  /// Search word.
  std::optional<std::string> keyWord;

  /// Every optional field absent and every required one at its default.
  GetUserListBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetUserListBean&, const GetUserListBean&) = default;
};

// ---- parts of the answers ----------------------------------------------------

/// The carrier's view of the signed-in user.
///
/// Not an aggregate (it declares constructors): build it field by field, `OrgUserInfo r; r.carrierUserId = ...;`.
struct OrgUserInfo {
  /// User id at the carrier.
  std::optional<std::string> carrierUserId;
  /// User name at the carrier.
  std::optional<std::string> carrierUserName;
  /// Grade.
  std::optional<std::string> carrierUserGrade;
  /// Status.
  std::optional<std::string> carrierUserStatus;
  /// Mobile number.
  std::optional<std::string> carrierMobile;
  /// Payment type.
  std::optional<std::string> carrierPayType;

  /// Every optional field absent and every required one at its default.
  OrgUserInfo() = default;
  /// Sets every field, in declaration order.
  OrgUserInfo(std::optional<std::string> carrierUserId, std::optional<std::string> carrierUserName,
              std::optional<std::string> carrierUserGrade, std::optional<std::string> carrierUserStatus,
              std::optional<std::string> carrierMobile, std::optional<std::string> carrierPayType)
      : carrierUserId(std::move(carrierUserId)),
        carrierUserName(std::move(carrierUserName)),
        carrierUserGrade(std::move(carrierUserGrade)),
        carrierUserStatus(std::move(carrierUserStatus)),
        carrierMobile(std::move(carrierMobile)),
        carrierPayType(std::move(carrierPayType)) {}

  /// Equal when every field is equal.
  friend bool operator==(const OrgUserInfo&, const OrgUserInfo&) = default;
};

/// One user's space: its owner, capacity and use, and its root folders.
///
/// Not an aggregate (it declares constructors): build it field by field, `SpaceInfo r; r.tenantId = ...;`.
struct SpaceInfo {
  /// Tenant.
  std::optional<std::string> tenantId;
  /// Creating user.
  std::optional<std::string> creator;
  /// Creation time.
  std::optional<std::string> createTime;
  /// Last modifying user.
  std::optional<std::string> modifier;
  /// Last update time.
  std::optional<std::string> updateTime;
  /// Owner.
  std::optional<std::string> ownerId;
  /// Space type.
  std::optional<std::int64_t> type;
  /// Space status.
  std::optional<std::int64_t> status;
  /// Total capacity.
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> spaceUsed;  ///< bytes
  /// Container that holds the space's files.
  std::optional<std::string> containerId;
  /// Id of the root folder.
  std::optional<std::string> rootFileId;
  /// Id of the business root file.
  std::optional<std::string> bizRootFileId;
  /// Id of the business sbox file.
  std::optional<std::string> bizSboxFileId;

  /// Every optional field absent and every required one at its default.
  SpaceInfo() = default;
  /// Sets every field, in declaration order.
  SpaceInfo(std::optional<std::string> tenantId, std::optional<std::string> creator,
            std::optional<std::string> createTime, std::optional<std::string> modifier,
            std::optional<std::string> updateTime, std::optional<std::string> ownerId,
            std::optional<std::int64_t> type, std::optional<std::int64_t> status,
            std::optional<std::int64_t> capacity, std::optional<std::int64_t> spaceUsed,
            std::optional<std::string> containerId, std::optional<std::string> rootFileId,
            std::optional<std::string> bizRootFileId, std::optional<std::string> bizSboxFileId)
      : tenantId(std::move(tenantId)),
        creator(std::move(creator)),
        createTime(std::move(createTime)),
        modifier(std::move(modifier)),
        updateTime(std::move(updateTime)),
        ownerId(std::move(ownerId)),
        type(type),
        status(status),
        capacity(capacity),
        spaceUsed(spaceUsed),
        containerId(std::move(containerId)),
        rootFileId(std::move(rootFileId)),
        bizRootFileId(std::move(bizRootFileId)),
        bizSboxFileId(std::move(bizSboxFileId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const SpaceInfo&, const SpaceInfo&) = default;
};

/// One user of the organisation.
///
/// Not an aggregate (it declares constructors): build it field by field, `UserInfo r; r.id = ...;`.
struct UserInfo {
  /// Numeric user id.
  std::optional<std::int64_t> id;
  /// Display name.
  std::optional<std::string> name;
  /// User id.
  std::optional<std::string> userId;
  /// Department id.
  std::optional<std::int64_t> deptId;
  /// Department name.
  std::optional<std::string> deptName;
  /// Mobile number.
  std::optional<std::string> mobile;
  /// Role.
  std::optional<std::int64_t> role;
  /// Status.
  std::optional<std::int64_t> status;

  /// Every optional field absent and every required one at its default.
  UserInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const UserInfo&, const UserInfo&) = default;
};

// ---- responses ----------------------------------------------------------------

/// Answer to `getToken`. The service does not keep the token: the host sets
/// it on the client.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `UserAuthResp r; r.accessToken = ...;`.
struct UserAuthResp : BaseResponse {
  /// Access token for later calls; the service does not store it.
  std::optional<std::string> accessToken;
  /// The service's inner user id.
  std::optional<std::int64_t> innerUserId;
  /// The carrier's view of the user.
  std::optional<OrgUserInfo> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  UserAuthResp() = default;
  /// Sets every field, in declaration order.
  UserAuthResp(std::optional<std::int64_t> code, std::optional<std::string> msg, std::optional<std::int64_t> httpCode,
               std::optional<std::string> accessToken, std::optional<std::int64_t> innerUserId,
               std::optional<OrgUserInfo> data)
      : BaseResponse(code, std::move(msg), httpCode),
        accessToken(std::move(accessToken)),
        innerUserId(innerUserId),
        data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const UserAuthResp&, const UserAuthResp&) = default;
};

/// Answer to `getSpace`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetSpaceResp r; r.data = ...;`.
struct GetSpaceResp : BaseResponse {
  /// The space.
  std::optional<SpaceInfo> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetSpaceResp() = default;
  /// Its own fields in declaration order, then the envelope.
  GetSpaceResp(std::optional<SpaceInfo> data, std::optional<std::int64_t> code, std::optional<std::string> msg,
               std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetSpaceResp&, const GetSpaceResp&) = default;
};

/// Answer to `getUserById`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetUsersByIdResponse r; r.data = ...;`.
struct GetUsersByIdResponse : BaseResponse {
  /// The user.
  std::optional<UserInfo> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetUsersByIdResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetUsersByIdResponse&, const GetUsersByIdResponse&) = default;
};

/// Answer to `getUserList`: one page of users and the number matching.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetuserListResponse r; r.list = ...;`.
struct GetuserListResponse : BaseResponse {
  /// The page of users.
  std::optional<std::vector<UserInfo>> list;
  /// Number of users matching.
  std::optional<std::int64_t> total;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetuserListResponse() = default;
  /// Sets every field, in declaration order.
  GetuserListResponse(std::optional<std::vector<UserInfo>> list, std::optional<std::int64_t> total)
      : list(std::move(list)), total(total) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetuserListResponse&, const GetuserListResponse&) = default;
};

// ---- devices (decoded only) ------------------------------------------------------

/// What a device says about itself.
///
/// The server fills it in. Not an aggregate (it declares constructors): build it field by field, `BaseDeviceBean r;
/// r.machineCode = ...;`.
struct BaseDeviceBean {
  /// Machine code of the device.
  std::optional<std::string> machineCode;
  /// Device name.
  std::optional<std::string> deviceName;
  /// Operating system of the device.
  std::optional<std::string> deviceOS;

  /// Every optional field absent and every required one at its default.
  BaseDeviceBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const BaseDeviceBean&, const BaseDeviceBean&) = default;
};

/// A device registered for the user; `deviceId` and `createTime` are required.
///
/// The server fills it in. Not an aggregate (it declares constructors): build it field by field, `DeviceBean r;
/// r.deviceId = ...;`.
struct DeviceBean : BaseDeviceBean {
  /// Id of the device. Always on the wire.
  std::int64_t deviceId = 0;
  /// Creation time. Always on the wire.
  std::string createTime;

  /// Every optional field absent and every required one at its default.
  DeviceBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const DeviceBean&, const DeviceBean&) = default;
};

/// The user's registered devices.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetDevicesResponse r; r.data = ...;`.
struct GetDevicesResponse : BaseResponse {
  /// The answer's payload.
  std::optional<std::vector<DeviceBean>> data;

  /// Every optional field absent and every required one at its default.
  GetDevicesResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetDevicesResponse&, const GetDevicesResponse&) = default;
};

}  // namespace quillbox
