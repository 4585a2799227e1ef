#include "services/carrier/CarrierImpl.hpp"

#include "services/carrier/CarrierOperations.hpp"

namespace quillbox::request {

void CarrierImpl::standardPackages(std::function<void(NetworkResult<GetstandPackagesResponse>)> onCallback) {
  services::run<services::carrier::standardPackages>(settings_, std::move(onCallback));
}

void CarrierImpl::standardPackagesOrders(
    std::function<void(NetworkResult<GetStandPackagesOrdersResponse>)> onCallback) {
  services::run<services::carrier::standardPackagesOrders>(settings_, std::move(onCallback));
}

}  // namespace quillbox::request
