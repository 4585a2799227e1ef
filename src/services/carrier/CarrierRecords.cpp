#include "services/carrier/CarrierRecordsCodec.hpp"

namespace quillbox::json {

template <>
struct Record<DrivePackageInfo> {
  static constexpr auto fields = std::tuple{
      field("packageId", &DrivePackageInfo::packageId),
      field("name", &DrivePackageInfo::name),
      field("type", &DrivePackageInfo::type),
      field("capacity", &DrivePackageInfo::capacity),
      field("status", &DrivePackageInfo::status),
      field("price", &DrivePackageInfo::price),
      field("promotionPrice", &DrivePackageInfo::promotionPrice),
      field("countryCode", &DrivePackageInfo::countryCode),
      field("currencyCode", &DrivePackageInfo::currencyCode),
  };
};

template <>
struct Record<OrderedPackageInfo> {
  static constexpr auto fields = std::tuple{
      field("activateTime", &OrderedPackageInfo::activateTime),
      field("endTime", &OrderedPackageInfo::endTime),
      field("packageId", &OrderedPackageInfo::packageId),
      field("name", &OrderedPackageInfo::name),
      field("type", &OrderedPackageInfo::type),
      field("capacity", &OrderedPackageInfo::capacity),
      field("status", &OrderedPackageInfo::status),
      field("price", &OrderedPackageInfo::price),
      field("countryCode", &OrderedPackageInfo::countryCode),
      field("currencyCode", &OrderedPackageInfo::currencyCode),
  };
};

template <>
struct Record<OrderInfo> {
  static constexpr auto fields = std::tuple{
      field("name", &OrderInfo::name),
      field("type", &OrderInfo::type),
      field("capacity", &OrderInfo::capacity),
      field("status", &OrderInfo::status),
      field("price", &OrderInfo::price),
      field("promotionPrice", &OrderInfo::promotionPrice),
      field("countryCode", &OrderInfo::countryCode),
      field("currencyCode", &OrderInfo::currencyCode),
      field("activateTime", &OrderInfo::activateTime),
      field("endTime", &OrderInfo::endTime),
      field("packageId", &OrderInfo::packageId),
  };
};

template <>
struct Record<GetstandPackagesResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &GetstandPackagesResponse::data),
  };
};

template <>
struct Record<GetStandPackagesOrdersResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("data", &GetStandPackagesOrdersResponse::data),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(DrivePackageInfo)
QUILLBOX_RECORD_CODEC(OrderedPackageInfo)
QUILLBOX_RECORD_CODEC(OrderInfo)
QUILLBOX_RECORD_CODEC(GetstandPackagesResponse)
QUILLBOX_RECORD_CODEC(GetStandPackagesOrdersResponse)
