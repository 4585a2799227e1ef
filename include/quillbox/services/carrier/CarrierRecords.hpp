#pragma once
// Records of the carrier service: the storage packages on offer and the
// packages the user holds.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"

namespace quillbox {

/// A storage package the carrier offers. Prices are text.
struct DrivePackageInfo {
  std::optional<std::string> packageId;
  std::optional<std::string> name;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> status;
  std::optional<std::string> price;
  std::optional<std::string> promotionPrice;
  std::optional<std::string> countryCode;
  std::optional<std::string> currencyCode;

  DrivePackageInfo() = default;
  DrivePackageInfo(std::optional<std::string> packageId, std::optional<std::string> name,
                   std::optional<std::int64_t> type, std::optional<std::int64_t> capacity,
                   std::optional<std::int64_t> status, std::optional<std::string> price,
                   std::optional<std::string> promotionPrice, std::optional<std::string> countryCode,
                   std::optional<std::string> currencyCode)
      : packageId(std::move(packageId)),
        name(std::move(name)),
        type(type),
        capacity(capacity),
        status(status),
        price(std::move(price)),
        promotionPrice(std::move(promotionPrice)),
        countryCode(std::move(countryCode)),
        currencyCode(std::move(currencyCode)) {}

  friend bool operator==(const DrivePackageInfo&, const DrivePackageInfo&) = default;
};

/// A package the user has ordered, with its validity.
struct OrderedPackageInfo {
  std::optional<std::string> activateTime;
  std::optional<std::string> endTime;
  std::optional<std::string> packageId;
  std::optional<std::string> name;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> capacity;
  std::optional<std::int64_t> status;
  std::optional<std::string> price;
  std::optional<std::string> countryCode;
  std::optional<std::string> currencyCode;

  OrderedPackageInfo() = default;
  OrderedPackageInfo(std::optional<std::string> activateTime, std::optional<std::string> endTime,
                     std::optional<std::string> packageId, std::optional<std::string> name,
                     std::optional<std::int64_t> type, std::optional<std::int64_t> capacity,
                     std::optional<std::int64_t> status, std::optional<std::string> price,
                     std::optional<std::string> countryCode, std::optional<std::string> currencyCode)
      : activateTime(std::move(activateTime)),
        endTime(std::move(endTime)),
        packageId(std::move(packageId)),
        name(std::move(name)),
        type(type),
        capacity(capacity),
        status(status),
        price(std::move(price)),
        countryCode(std::move(countryCode)),
        currencyCode(std::move(currencyCode)) {}

  friend bool operator==(const OrderedPackageInfo&, const OrderedPackageInfo&) = default;
};

/// An order of a package. Unlike the package records it has required
/// fields (`type`, `capacity`, `status`, `price`, `promotionPrice`), and its
/// prices are numbers.
struct OrderInfo {
  std::optional<std::string> name;
  std::int64_t type = 0;
  std::int64_t capacity = 0;
  std::int64_t status = 0;
  float price = 0;
  float promotionPrice = 0;
  std::optional<std::string> countryCode;
  std::optional<std::string> currencyCode;
  std::optional<std::string> activateTime;
  std::optional<std::string> endTime;
  std::optional<std::string> packageId;

  OrderInfo() = default;
  OrderInfo(std::optional<std::string> name, std::int64_t type, std::int64_t capacity, std::int64_t status,
            float price, float promotionPrice, std::optional<std::string> countryCode,
            std::optional<std::string> currencyCode, std::optional<std::string> activateTime,
            std::optional<std::string> endTime, std::optional<std::string> packageId)
      : name(std::move(name)),
        type(type),
        capacity(capacity),
        status(status),
        price(price),
        promotionPrice(promotionPrice),
        countryCode(std::move(countryCode)),
        currencyCode(std::move(currencyCode)),
        activateTime(std::move(activateTime)),
        endTime(std::move(endTime)),
        packageId(std::move(packageId)) {}

  friend bool operator==(const OrderInfo&, const OrderInfo&) = default;
};

/// Answer to `standardPackages`.
struct GetstandPackagesResponse : BaseResponse {
  std::optional<std::vector<DrivePackageInfo>> data;

  using BaseResponse::BaseResponse;
  GetstandPackagesResponse() = default;

  friend bool operator==(const GetstandPackagesResponse&, const GetstandPackagesResponse&) = default;
};

/// Answer to `standardPackagesOrders`.
struct GetStandPackagesOrdersResponse : BaseResponse {
  std::optional<std::vector<OrderedPackageInfo>> data;

  using BaseResponse::BaseResponse;
  GetStandPackagesOrdersResponse() = default;

  friend bool operator==(const GetStandPackagesOrdersResponse&, const GetStandPackagesOrdersResponse&) = default;
};

}  // namespace quillbox
