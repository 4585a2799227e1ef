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
struct AuthCodeBean {
  std::optional<std::string> authCode;

  AuthCodeBean() = default;

  friend bool operator==(const AuthCodeBean&, const AuthCodeBean&) = default;
};

/// The space to describe. Its fields travel in the path (`ownerId`) and the
/// query (`type`, `containerId`), never as a JSON body.
struct GetSpaceBean {
  std::optional<std::string> type;
  std::optional<std::string> ownerId;
  std::optional<std::string> containerId;

  GetSpaceBean() = default;
  GetSpaceBean(std::optional<std::string> type, std::optional<std::string> ownerId,
               std::optional<std::string> containerId)
      : type(std::move(type)), ownerId(std::move(ownerId)), containerId(std::move(containerId)) {}

  friend bool operator==(const GetSpaceBean&, const GetSpaceBean&) = default;
};

/// The user to look up; `userId` must be present (it is the last path segment).
struct GetUserByIdBean {
  std::optional<std::string> userId;

  GetUserByIdBean() = default;

  friend bool operator==(const GetUserByIdBean&, const GetUserByIdBean&) = default;
};

/// A page of the users of a department. Every field is a query item;
/// `isDirect` must be present.
struct GetUserListBean {
  std::optional<std::string> deptId;
  std::optional<bool> isDirect;
  std::optional<std::string> offset;  ///< decimal text
  std::optional<std::string> limit;   ///< decimal text
  std::optional<std::string> keyWord;

  GetUserListBean() = default;

  friend bool operator==(const GetUserListBean&, const GetUserListBean&) = default;
};

// ---- parts of the answers ----------------------------------------------------

/// The carrier's view of the signed-in user.
struct OrgUserInfo {
  std::optional<std::string> carrierUserId;
  std::optional<std::string> carrierUserName;
  std::optional<std::string> carrierUserGrade;
  std::optional<std::string> carrierUserStatus;
  std::optional<std::string> carrierMobile;
  std::optional<std::string> carrierPayType;

  OrgUserInfo() = default;
  OrgUserInfo(std::optional<std::string> carrierUserId, std::optional<std::string> carrierUserName,
              std::optional<std::string> carrierUserGrade, std::optional<std::string> carrierUserStatus,
              std::optional<std::string> carrierMobile, std::optional<std::string> carrierPayType)
      : carrierUserId(std::move(carrierUserId)),
        carrierUserName(std::move(carrierUserName)),
        carrierUserGrade(std::move(carrierUserGrade)),
        carrierUserStatus(std::move(carrierUserStatus)),
        carrierMobile(std::move(carrierMobile)),
        carrierPayType(std::move(carrierPayType)) {}

  friend bool operator==(const OrgUserInfo&, const OrgUserInfo&) = default;
};

/// One user's space: its owner, capacity and use, and its root folders.
struct SpaceInfo {
  std::optional<std::string> tenantId;
  std::optional<std::string> creator;
  std::optional<std::string> createTime;
  std::optional<std::string> modifier;
  std::optional<std::string> updateTime;
  std::optional<std::string> ownerId;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> status;
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> spaceUsed;  ///< bytes
  std::optional<std::string> containerId;
  std::optional<std::string> rootFileId;
  std::optional<std::string> bizRootFileId;
  std::optional<std::string> bizSboxFileId;

  SpaceInfo() = default;
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

  friend bool operator==(const SpaceInfo&, const SpaceInfo&) = default;
};

/// One user of the organisation.
struct UserInfo {
  std::optional<std::int64_t> id;
  std::optional<std::string> name;
  std::optional<std::string> userId;
  std::optional<std::int64_t> deptId;
  std::optional<std::string> deptName;
  std::optional<std::string> mobile;
  std::optional<std::int64_t> role;
  std::optional<std::int64_t> status;

  UserInfo() = default;

  friend bool operator==(const UserInfo&, const UserInfo&) = default;
};

// ---- responses ----------------------------------------------------------------

/// Answer to `getToken`. The service does not keep the token: the host sets
/// it on the client.
struct UserAuthResp : BaseResponse {
  std::optional<std::string> accessToken;
  std::optional<std::int64_t> innerUserId;
  std::optional<OrgUserInfo> data;

  using BaseResponse::BaseResponse;
  UserAuthResp() = default;
  UserAuthResp(std::optional<std::int64_t> code, std::optional<std::string> msg, std::optional<std::int64_t> httpCode,
               std::optional<std::string> accessToken, std::optional<std::int64_t> innerUserId,
               std::optional<OrgUserInfo> data)
      : BaseResponse(code, std::move(msg), httpCode),
        accessToken(std::move(accessToken)),
        innerUserId(innerUserId),
        data(std::move(data)) {}

  friend bool operator==(const UserAuthResp&, const UserAuthResp&) = default;
};

/// Answer to `getSpace`.
struct GetSpaceResp : BaseResponse {
  std::optional<SpaceInfo> data;

  using BaseResponse::BaseResponse;
  GetSpaceResp() = default;
  GetSpaceResp(std::optional<SpaceInfo> data, std::optional<std::int64_t> code, std::optional<std::string> msg,
               std::optional<std::int64_t> httpCode)
      : BaseResponse(code, std::move(msg), httpCode), data(std::move(data)) {}

  friend bool operator==(const GetSpaceResp&, const GetSpaceResp&) = default;
};

/// Answer to `getUserById`.
struct GetUsersByIdResponse : BaseResponse {
  std::optional<UserInfo> data;

  using BaseResponse::BaseResponse;
  GetUsersByIdResponse() = default;

  friend bool operator==(const GetUsersByIdResponse&, const GetUsersByIdResponse&) = default;
};

/// Answer to `getUserList`: one page of users and the number matching.
struct GetuserListResponse : BaseResponse {
  std::optional<std::vector<UserInfo>> list;
  std::optional<std::int64_t> total;

  using BaseResponse::BaseResponse;
  GetuserListResponse() = default;
  GetuserListResponse(std::optional<std::vector<UserInfo>> list, std::optional<std::int64_t> total)
      : list(std::move(list)), total(total) {}

  friend bool operator==(const GetuserListResponse&, const GetuserListResponse&) = default;
};

// ---- devices (decoded only) ------------------------------------------------------

/// What a device says about itself.
struct BaseDeviceBean {
  std::optional<std::string> machineCode;
  std::optional<std::string> deviceName;
  std::optional<std::string> deviceOS;

  BaseDeviceBean() = default;

  friend bool operator==(const BaseDeviceBean&, const BaseDeviceBean&) = default;
};

/// A device registered for the user; `deviceId` and `createTime` are required.
struct DeviceBean : BaseDeviceBean {
  std::int64_t deviceId = 0;
  std::string createTime;

  DeviceBean() = default;

  friend bool operator==(const DeviceBean&, const DeviceBean&) = default;
};

/// The user's registered devices.
struct GetDevicesResponse : BaseResponse {
  std::optional<std::vector<DeviceBean>> data;

  GetDevicesResponse() = default;

  friend bool operator==(const GetDevicesResponse&, const GetDevicesResponse&) = default;
};

}  // namespace quillbox
