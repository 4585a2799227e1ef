#pragma once

#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

class StandPackageRequest final : public BaseReq<GetstandPackagesResponse> {
 public:
  int buildParams() override;
};

class StandPackagesOrdersRequest final : public BaseReq<GetStandPackagesOrdersResponse> {
 public:
  int buildParams() override;
};

}  // namespace quillbox::request
