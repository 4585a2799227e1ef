#include "quillbox/request/BaseResponse.hpp"

#include "request/JsonCodec.hpp"

namespace quillbox::json {
template <>
struct Record<BaseResponse> {
  static constexpr auto fields = std::tuple{
      field("code", &BaseResponse::code),
      field("msg", &BaseResponse::msg),
      field("httpCode", &BaseResponse::httpCode),
  };
};
}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(BaseResponse)
