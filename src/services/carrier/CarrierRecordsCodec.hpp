#pragma once

#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/JsonCodec.hpp"

QUILLBOX_DECLARE_RECORD_CODEC(DrivePackageInfo)
QUILLBOX_DECLARE_RECORD_CODEC(OrderedPackageInfo)
QUILLBOX_DECLARE_RECORD_CODEC(OrderInfo)
QUILLBOX_DECLARE_RECORD_CODEC(GetstandPackagesResponse)
QUILLBOX_DECLARE_RECORD_CODEC(GetStandPackagesOrdersResponse)
