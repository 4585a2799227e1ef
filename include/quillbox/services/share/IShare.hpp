#pragma once

#include <functional>
#include <optional>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/share/ShareRecords.hpp"

namespace quillbox {

/// Share links: the caller's own links (list, create, cancel, read and
/// change one) and the files behind a link as a visitor sees them.
/// Callbacks as for every service (see IFavor).
class IShare {
 public:
  virtual ~IShare() = default;

  /// GET /quillbox/ose/v1/share
  virtual void getShares(std::optional<GetShareBean> bean,
                         std::function<void(NetworkResult<GetShareResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/share
  virtual void createShare(std::optional<CreateShareBean> bean,
                           std::function<void(NetworkResult<CreateShareResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/share/cancel
  virtual void cancelShare(std::optional<CancelShareBean> bean,
                           std::function<void(NetworkResult<CancelShareResponse>)> onCallback) = 0;
  /// GET /quillbox/ose/v1/share/{shareId}
  virtual void getShareDetail(std::optional<GetShareDetailBean> bean,
                              std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) = 0;
  /// PUT /quillbox/ose/v1/share/{shareId}
  virtual void modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                                 std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) = 0;
  /// POST /quillbox/ose/v1/share/files
  virtual void getShareFiles(std::optional<GetShareFilesBean> bean,
                             std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) = 0;
};

}  // namespace quillbox
