#include "services/carrier/CarrierImpl.hpp"

#include "services/carrier/CarrierOperations.hpp"

namespace quillbox::services::carrier {

void CarrierImpl::standardPackages(std::function<void(NetworkResult<GetstandPackagesResponse>)> onCallback) {
  run<carrier::standardPackages>(settings_, std::move(onCallback));
}

void CarrierImpl::standardPackagesOrders(
    std::function<void(NetworkResult<GetStandPackagesOrdersResponse>)> onCallback) {
  run<carrier::standardPackagesOrders>(settings_, std::move(onCallback));
}

}  // namespace quillbox::services::carrier
