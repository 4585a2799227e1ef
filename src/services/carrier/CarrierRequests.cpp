#include "services/carrier/CarrierRequests.hpp"

#include <string>

#include "request/Dispatch.hpp"

namespace quillbox::request {

int StandPackageRequest::buildParams() {
  url = std::string(kApiPrefix) + "carrier/standard/packages";
  params = std::string();
  body.reset();
  return 0;
}

int StandPackagesOrdersRequest::buildParams() {
  url = std::string(kApiPrefix) + "carrier/standard/packages/orders";
  params = std::string();
  body.reset();
  return 0;
}

}  // namespace quillbox::request
