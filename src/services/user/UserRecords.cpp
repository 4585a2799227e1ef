#include "services/user/UserRecordsCodec.hpp"

namespace quillbox::json {

template <>
struct Record<AuthCodeBean> {
  static constexpr auto fields = std::tuple{
      field("authCode", &AuthCodeBean::authCode),
  };
};

template <>
struct Record<GetSpaceBean> {
  static constexpr auto fields = std::tuple{
      field("type", &GetSpaceBean::type),
      field("ownerId", &GetSpaceBean::ownerId),
      field("containerId", &GetSpaceBean::containerId),
  };
};

template <>
struct Record<GetUserByIdBean> {
  static constexpr auto fields = std::tuple{
      field("userId", &GetUserByIdBean::userId),
  };
};

template <>
struct Record<GetUserListBean> {
  static constexpr auto fields = std::tuple{
      field("deptId", &GetUserListBean::deptId),
      field("isDirect", &GetUserListBean::isDirect),
      field("offset", &GetUserListBean::offset),
      field("limit", &GetUserListBean::limit),
      field("keyWord", &GetUserListBean::keyWord),
  };
};

template <>
struct Record<OrgUserInfo> {
  static constexpr auto fields = std::tuple{
      field("carrierUserId", &OrgUserInfo::carrierUserId),
      field("carrierUserName", &OrgUserInfo::carrierUserName),
      field("carrierUserGrade", &OrgUserInfo::carrierUserGrade),
      field("carrierUserStatus", &OrgUserInfo::carrierUserStatus),
      field("carrierMobile", &OrgUserInfo::carrierMobile),
      field("carrierPayType", &OrgUserInfo::carrierPayType),
  };
};

template <>
struct Record<SpaceInfo> {
  static constexpr auto fields = std::tuple{
      field("tenantId", &SpaceInfo::tenantId),
      field("creator", &SpaceInfo::creator),
      field("createTime", &SpaceInfo::createTime),
      field("modifier", &SpaceInfo::modifier),
      field("updateTime", &SpaceInfo::updateTime),
      field("ownerId", &SpaceInfo::ownerId),
      field("type", &SpaceInfo::type),
      field("status", &SpaceInfo::status),
      field("capacity", &SpaceInfo::capacity),
      field("spaceUsed", &SpaceInfo::spaceUsed),
      field("containerId", &SpaceInfo::containerId),
      field("rootFileId", &SpaceInfo::rootFileId),
      field("bizRootFileId", &SpaceInfo::bizRootFileId),
      field("bizSboxFileId", &SpaceInfo::bizSboxFileId),
  };
};

template <>
struct Record<UserInfo> {
  static constexpr auto fields = std::tuple{
      field("id", &UserInfo::id),
      field("name", &UserInfo::name),
      field("userId", &UserInfo::userId),
      field("deptId", &UserInfo::deptId),
      field("deptName", &UserInfo::deptName),
      field("mobile", &UserInfo::mobile),
      field("role", &UserInfo::role),
      field("status", &UserInfo::status),
  };
};

template <>
struct Record<UserAuthResp> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("accessToken", &UserAuthResp::accessToken),
      field("innerUserId", &UserAuthResp::innerUserId),
      field("data", &UserAuthResp::data),
  };
};

template <>
struct Record<GetSpaceResp> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &GetSpaceResp::data),
  };
};

template <>
struct Record<GetUsersByIdResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &GetUsersByIdResponse::data),
  };
};

template <>
struct Record<GetuserListResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("list", &GetuserListResponse::list),
      field("total", &GetuserListResponse::total),
  };
};

template <>
struct Record<BaseDeviceBean> {
  static constexpr auto fields = std::tuple{
      field("machineCode", &BaseDeviceBean::machineCode),
      field("deviceName", &BaseDeviceBean::deviceName),
      field("deviceOS", &BaseDeviceBean::deviceOS),
  };
};

template <>
struct Record<DeviceBean> {
  using Base = BaseDeviceBean;
  static constexpr auto fields = std::tuple{
      field("deviceId", &DeviceBean::deviceId),
      field("createTime", &DeviceBean::createTime),
  };
};

template <>
struct Record<GetDevicesResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &GetDevicesResponse::data),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(AuthCodeBean)
QUILLBOX_RECORD_CODEC(GetSpaceBean)
QUILLBOX_RECORD_CODEC(GetUserByIdBean)
QUILLBOX_RECORD_CODEC(GetUserListBean)
QUILLBOX_RECORD_CODEC(OrgUserInfo)
QUILLBOX_RECORD_CODEC(SpaceInfo)
QUILLBOX_RECORD_CODEC(UserInfo)
QUILLBOX_RECORD_CODEC(UserAuthResp)
QUILLBOX_RECORD_CODEC(GetSpaceResp)
QUILLBOX_RECORD_CODEC(GetUsersByIdResponse)
QUILLBOX_RECORD_CODEC(GetuserListResponse)
QUILLBOX_RECORD_CODEC(BaseDeviceBean)
QUILLBOX_RECORD_CODEC(DeviceBean)
QUILLBOX_RECORD_CODEC(GetDevicesResponse)
