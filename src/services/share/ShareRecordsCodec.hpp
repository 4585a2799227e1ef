#pragma once

#include "quillbox/services/share/ShareRecords.hpp"
#include "request/BaseResponseCodec.hpp"
#include "request/JsonCodec.hpp"
#include "services/records/FileRecordsCodec.hpp"

namespace quillbox::json {
// The visitor's access level travels as "READ", "WRITE" or "ADMIN".
bool decodeValue(const bj::value& v, CommonShareLink::SharePermission& out, DecodeContext& ctx);
bool encodeValue(CommonShareLink::SharePermission in, bj::value& out, EncodeContext& ctx);
}  // namespace quillbox::json

QUILLBOX_DECLARE_RECORD_CODEC(SharePermission)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareBean)
QUILLBOX_DECLARE_RECORD_CODEC(CreateShareBean)
QUILLBOX_DECLARE_RECORD_CODEC(CancelShareBean)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareDetailBean)
QUILLBOX_DECLARE_RECORD_CODEC(ModifyShareDetailBean)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareFilesBean)
QUILLBOX_DECLARE_RECORD_CODEC(DeptInfo)
QUILLBOX_DECLARE_RECORD_CODEC(GroupInfo)
QUILLBOX_DECLARE_RECORD_CODEC(BaseUserInfo)
QUILLBOX_DECLARE_RECORD_CODEC(BaseShareFile)
QUILLBOX_DECLARE_RECORD_CODEC(ShareFileInfo)
QUILLBOX_DECLARE_RECORD_CODEC(ShareFile)
QUILLBOX_DECLARE_RECORD_CODEC(BaseShareLink)
QUILLBOX_DECLARE_RECORD_CODEC(ShareLink)
QUILLBOX_DECLARE_RECORD_CODEC(ShareByMeLink)
QUILLBOX_DECLARE_RECORD_CODEC(ShareByMeLinkDetail)
QUILLBOX_DECLARE_RECORD_CODEC(ShareLinkModify)
QUILLBOX_DECLARE_RECORD_CODEC(ShareWithMeLink)
QUILLBOX_DECLARE_RECORD_CODEC(ShareWithMeLinkDetail)
QUILLBOX_DECLARE_RECORD_CODEC(CommonShareLink)
QUILLBOX_DECLARE_RECORD_CODEC(ShareSubResponse)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareResponse)
QUILLBOX_DECLARE_RECORD_CODEC(CreateShareResponse)
QUILLBOX_DECLARE_RECORD_CODEC(CancelShareResponse)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareDetailResponse)
QUILLBOX_DECLARE_RECORD_CODEC(ModifyShareDetailResponse)
QUILLBOX_DECLARE_RECORD_CODEC(GetShareFilesResponse)
