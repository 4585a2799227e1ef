#pragma once

#include "quillbox/request/BaseResponse.hpp"
#include "request/JsonCodec.hpp"

QUILLBOX_DECLARE_RECORD_CODEC(BaseResponse)
