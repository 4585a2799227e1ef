#pragma once

#include "quillbox/services/carrier/ICarrier.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::carrier {

/// ICarrier over the operations of CarrierOperations.hpp.
class CarrierImpl final : public ICarrier {
 public:
  explicit CarrierImpl(const request::Settings& settings) : settings_(settings) {}
  void standardPackages(std::function<void(NetworkResult<GetstandPackagesResponse>)> onCallback) override;
  void standardPackagesOrders(std::function<void(NetworkResult<GetStandPackagesOrdersResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::carrier
