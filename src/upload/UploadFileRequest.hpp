#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/util/ProgressListener.hpp"
#include "request/BaseReq.hpp"
#include "transport/PartTransfer.hpp"

namespace quillbox::upload {

/// The request of one part: a PUT of the part's bytes to its pre-signed URL
/// (`url`, used exactly as given; `params` stay absent).
class UploadFileRequest final : public request::RequestCore {
 public:
  explicit UploadFileRequest(transport::PartBody bytes) : bytes(std::move(bytes)) { method = HTTPMethod::put; }

  int buildParams() override { return 0; }

  /// Sends the part and waits for the end of the PUT. `started` receives the
  /// PUT's id as soon as it is running, so that it can be aborted. Returns
  /// code 0 "success" or code -1 with the reason ("method invalid",
  /// "url invalid", "upload error", or the transport's text).
  BaseResponse upload(const std::function<void(transport::CurlLoop::Id)>& started = {});

  std::optional<transport::PartBody> bytes;
  std::shared_ptr<ProgressListener> progressListener;
  std::optional<std::string> hash;
};

}  // namespace quillbox::upload
