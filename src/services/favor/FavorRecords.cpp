#include "quillbox/services/favor/FavorRecords.hpp"

#include "request/BaseResponseCodec.hpp"
#include "services/favor/FavorRecordsCodec.hpp"

namespace quillbox::json {

bool decodeValue(const bj::value& v, GetStarBatchResponse::BatchStatus& out, DecodeContext& ctx) {
  using S = GetStarBatchResponse::BatchStatus;
  std::int64_t raw = 0;
  if (!decodeValue(v, raw, ctx)) return false;
  switch (raw) {
    case 0: out = S::allSuccess; break;
    case 1: out = S::partialSuccess; break;
    case 2: out = S::allFailed; break;
    default: out = S::unknown; break;
  }
  return true;
}

bool encodeValue(GetStarBatchResponse::BatchStatus in, bj::value& out, EncodeContext& ctx) {
  return encodeValue(static_cast<std::int64_t>(in), out, ctx);
}

template <>
struct Record<GetStarFilesBean> {
  using B = GetStarFilesBean;
  static constexpr auto fields = std::tuple{
      field("pageSize", &B::pageSize),
      field("pageCursor", &B::pageCursor),
      field("sortType", &B::sortType),
      field("sortDirection", &B::sortDirection),
      field("fileType", &B::fileType),
      field("imageProcess", &B::imageProcess),
  };
};

template <>
struct Record<GetStarFilesResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("starFileList", &GetStarFilesResponse::starFileList),
      field("autoDeleted", &GetStarFilesResponse::autoDeleted),
      field("nextCursor", &GetStarFilesResponse::nextCursor),
  };
};

template <>
struct Record<StarFileRequest> {
  static constexpr auto fields = std::tuple{
      field("containerId", &StarFileRequest::containerId),
      field("fileId", &StarFileRequest::fileId),
  };
};

template <>
struct Record<GetStarBatchBean> {
  static constexpr auto fields = std::tuple{
      field("starred", &GetStarBatchBean::starred),
      field("subRequestList", &GetStarBatchBean::subRequestList),
  };
};

template <>
struct Record<SubResponse> {
  static constexpr auto fields = std::tuple{
      field("fileId", &SubResponse::fileId),
      field("code", &SubResponse::code),
      field("message", &SubResponse::message),
  };
};

template <>
struct Record<GetStarBatchResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("subResponseList", &GetStarBatchResponse::subResponseList),
      field("status", &GetStarBatchResponse::status),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(GetStarFilesBean)
QUILLBOX_RECORD_CODEC(GetStarFilesResponse)
QUILLBOX_RECORD_CODEC(StarFileRequest)
QUILLBOX_RECORD_CODEC(GetStarBatchBean)
QUILLBOX_RECORD_CODEC(SubResponse)
QUILLBOX_RECORD_CODEC(GetStarBatchResponse)
