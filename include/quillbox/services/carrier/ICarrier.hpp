#pragma once

#include <functional>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/carrier/CarrierRecords.hpp"

namespace quillbox {

/// The carrier's storage packages: those on offer and those the user holds.
/// These operations take no record, so they never fail before sending.
/// Callbacks as for every service (see IFavor).
class ICarrier {
 public:
  virtual ~ICarrier() = default;

  /// The carrier's storage packages on offer.
  ///
  /// `GET /quillbox/ose/v1/carrier/standard/packages`.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void standardPackages(std::function<void(NetworkResult<GetstandPackagesResponse>)> onCallback) = 0;
  /// The storage packages the user has ordered.
  ///
  /// `GET /quillbox/ose/v1/carrier/standard/packages/orders`.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void standardPackagesOrders(
      std::function<void(NetworkResult<GetStandPackagesOrdersResponse>)> onCallback) = 0;
};

}  // namespace quillbox
