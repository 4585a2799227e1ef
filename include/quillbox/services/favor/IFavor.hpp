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

  /// A page of the user's starred files.
  ///
  /// `GET /quillbox/ose/v1/star/files?pageSize&pageCursor&sortType&sortDirection&imageProcess`; zeros, empty
  /// texts and absent items are left out.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getStarFiles(std::optional<GetStarFilesBean> bean,
                            std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) = 0;
  /// Stars or unstars several files at once.
  ///
  /// `POST /quillbox/ose/v1/star/batch`; the record is the body. The answer has one result per file and an
  /// overall status.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getStarBatch(std::optional<GetStarBatchBean> bean,
                            std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) = 0;
};

}  // namespace quillbox
