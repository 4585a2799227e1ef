#include "services/carrier/CarrierImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/carrier/CarrierRequests.hpp"

namespace quillbox::request {

void CarrierImpl::standardPackages(std::function<void(NetworkResult<GetstandPackagesResponse>)> onCallback) {
  runBeanlessRequest<StandPackageRequest>(settings_, std::move(onCallback));
}

void CarrierImpl::standardPackagesOrders(
    std::function<void(NetworkResult<GetStandPackagesOrdersResponse>)> onCallback) {
  runBeanlessRequest<StandPackagesOrdersRequest>(settings_, std::move(onCallback));
}

}  // namespace quillbox::request
