#pragma once

#include "quillbox/upload/Sha256Result.hpp"
#include "request/JsonCodec.hpp"

QUILLBOX_DECLARE_RECORD_CODEC(PartInfo)
QUILLBOX_DECLARE_RECORD_CODEC(Sha256Result)
QUILLBOX_DECLARE_RECORD_CODEC(FilePartInfo)
