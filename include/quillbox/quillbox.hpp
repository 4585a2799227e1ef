#pragma once
// The Quillbox SDK: include this one header.

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/JSONValue.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/favor/IFavor.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "quillbox/services/records/FileRecords.hpp"
#include "quillbox/util/Log.hpp"
