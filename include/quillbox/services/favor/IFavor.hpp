#pragma once

#include <functional>
#include <optional>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"

namespace quillbox {

/// Starred files: list them, star or unstar several at once.
///
/// Like every service operation, each call returns at once and calls its
/// callback exactly once: on the calling thread when the request cannot be
/// built (code -1, "params build faild"), otherwise later on an SDK callback
/// thread.
class IFavor {
 public:
  virtual ~IFavor() = default;

  /// GET /quillbox/ose/v1/star/files
  virtual void getStarFiles(std::optional<GetStarFilesBean> bean,
                            std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/star/batch
  virtual void getStarBatch(std::optional<GetStarBatchBean> bean,
                            std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) = 0;
};

}  // namespace quillbox
