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
///
/// Not an aggregate (it declares constructors): build it field by field, `DrivePackageInfo r; r.packageId = ...;`.
struct DrivePackageInfo {
  /// Package id.
  std::optional<std::string> packageId;
  /// Package name.
  std::optional<std::string> name;
  /// Package type.
  std::optional<std::int64_t> type;
  /// Storage capacity.
  std::optional<std::int64_t> capacity;
  /// Status.
  std::optional<std::int64_t> status;
  /// Price, as text.
  std::optional<std::string> price;
  /// Promotional price, as text.
  std::optional<std::string> promotionPrice;
  /// Country.
  std::optional<std::string> countryCode;
  /// Currency.
  std::optional<std::string> currencyCode;

  /// Every optional field absent and every required one at its default.
  DrivePackageInfo() = default;
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const DrivePackageInfo&, const DrivePackageInfo&) = default;
};

/// A package the user has ordered, with its validity.
///
/// Not an aggregate (it declares constructors): build it field by field, `OrderedPackageInfo r; r.activateTime =
/// ...;`.
struct OrderedPackageInfo {
  /// Activation time.
  std::optional<std::string> activateTime;
  /// End of validity.
  std::optional<std::string> endTime;
  /// Package id.
  std::optional<std::string> packageId;
  /// Package name.
  std::optional<std::string> name;
  /// Package type.
  std::optional<std::int64_t> type;
  /// Storage capacity.
  std::optional<std::int64_t> capacity;
  /// Status.
  std::optional<std::int64_t> status;
  /// Price, as text.
  std::optional<std::string> price;
  /// Country.
  std::optional<std::string> countryCode;
  /// Currency.
  std::optional<std::string> currencyCode;

  /// Every optional field absent and every required one at its default.
  OrderedPackageInfo() = default;
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const OrderedPackageInfo&, const OrderedPackageInfo&) = default;
};

/// An order of a package. Unlike the package records it has required
/// fields (`type`, `capacity`, `status`, `price`, `promotionPrice`), and its
/// prices are numbers.
///
/// Not an aggregate (it declares constructors): build it field by field, `OrderInfo r; r.name = ...;`.
struct OrderInfo {
  /// Name.
  std::optional<std::string> name;
  /// Type (the service's code).
  std::int64_t type = 0;
  /// Capacity of the package.
  std::int64_t capacity = 0;
  /// Status (the service's code).
  std::int64_t status = 0;
  /// Price of the package. Always on the wire.
  float price = 0;
  /// Promotional price of the package. Always on the wire.
  float promotionPrice = 0;
  /// Country.
  std::optional<std::string> countryCode;
  /// Currency.
  std::optional<std::string> currencyCode;
  /// Time the package became active.
  std::optional<std::string> activateTime;
  /// End time.
  std::optional<std::string> endTime;
  /// Id of the package.
  std::optional<std::string> packageId;

  /// Every optional field absent and every required one at its default.
  OrderInfo() = default;
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const OrderInfo&, const OrderInfo&) = default;
};

/// Answer to `standardPackages`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetstandPackagesResponse r; r.data = ...;`.
struct GetstandPackagesResponse : BaseResponse {
  /// Packages on offer.
  std::optional<std::vector<DrivePackageInfo>> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetstandPackagesResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetstandPackagesResponse&, const GetstandPackagesResponse&) = default;
};

/// Answer to `standardPackagesOrders`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetStandPackagesOrdersResponse r; r.data = ...;`.
struct GetStandPackagesOrdersResponse : BaseResponse {
  /// Packages the user holds.
  std::optional<std::vector<OrderedPackageInfo>> data;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetStandPackagesOrdersResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetStandPackagesOrdersResponse&, const GetStandPackagesOrdersResponse&) = default;
};

}  // namespace quillbox
