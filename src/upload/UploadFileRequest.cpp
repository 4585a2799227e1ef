#include "upload/UploadFileRequest.hpp"

#include <exception>

#include "transport/Transport.hpp"

namespace quillbox::upload {

BaseResponse UploadFileRequest::upload(const std::function<void(transport::CurlLoop::Id)>& started) {
  if (method != HTTPMethod::put) return BaseResponse(-1, "method invalid", std::nullopt);
  try {
    auto waiter = transport::Transport::shared().putPart(requestPath(), bytes.value_or(transport::PartBody{}),
                                                              hash.value_or(""), progressListener);
    if (started && waiter->id() != 0) started(waiter->id());
    return waiter->await();
  } catch (const std::exception&) {
    return BaseResponse(-1, "upload error", std::nullopt);
  }
}

}  // namespace quillbox::upload
