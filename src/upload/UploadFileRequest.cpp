#include "upload/UploadFileRequest.hpp"

#include <exception>

namespace quillbox::upload {

BaseResponse UploadFileRequest::upload(const std::function<void(util::CurlLoop::Id)>& started) {
  if (method != HTTPMethod::put) return BaseResponse(-1, "method invalid", std::nullopt);
  try {
    auto waiter = request::HttpHelper::shared().putUploadFile(requestPath(), bytes.value_or(request::UploadBody{}),
                                                              hash.value_or(""), progressListener);
    if (started && waiter->id() != 0) started(waiter->id());
    return waiter->await();
  } catch (const std::exception&) {
    return BaseResponse(-1, "upload error", std::nullopt);
  }
}

}  // namespace quillbox::upload
