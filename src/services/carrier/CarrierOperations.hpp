#pragma once

#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "services/Operation.hpp"

/// The carrier service's operations: method and route of each; they take no record.
namespace quillbox::services::carrier {

inline constexpr Operation<NoRecord, GetstandPackagesResponse> standardPackages{
    .method = HTTPMethod::get, .route = "carrier/standard/packages"};

inline constexpr Operation<NoRecord, GetStandPackagesOrdersResponse> standardPackagesOrders{
    .method = HTTPMethod::get, .route = "carrier/standard/packages/orders"};

}  // namespace quillbox::services::carrier
