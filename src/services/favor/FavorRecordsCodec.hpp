#pragma once
// Codecs of the favourite records, for the files that nest them.

#include "quillbox/services/favor/FavorRecords.hpp"
#include "request/JsonCodec.hpp"
#include "services/records/FileRecordsCodec.hpp"

namespace quillbox::json {
/// Reads any integer: 0, 1 and 2 are the known outcomes, every other is `unknown`.
bool decodeValue(const bj::value& v, GetStarBatchResponse::BatchStatus& out, DecodeContext& ctx);
/// Writes the status's integer value (-1 for `unknown`).
bool encodeValue(GetStarBatchResponse::BatchStatus in, bj::value& out, EncodeContext& ctx);
}  // namespace quillbox::json

QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetStarFilesBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetStarFilesResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::StarFileRequest)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetStarBatchBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::SubResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetStarBatchResponse)
