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

  /// A page of the user's own share links.
  ///
  /// `GET /quillbox/ose/v1/share?pageSize&pageCursor&sortType&sortDirection&displayName&imageProcess`; zeros,
  /// empty texts and absent items are left out.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getShares(std::optional<GetShareBean> bean,
                         std::function<void(NetworkResult<GetShareResponse>)> onCallback) = 0;
  /// Creates a share link for files.
  ///
  /// `POST /quillbox/ose/v1/share`; the record is the body.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void createShare(std::optional<CreateShareBean> bean,
                           std::function<void(NetworkResult<CreateShareResponse>)> onCallback) = 0;
  /// Cancels share links.
  ///
  /// `POST /quillbox/ose/v1/share/cancel`; the record is the body. `shareIds` is required (an empty list is sent
  /// as it is). The answer has one result per link.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void cancelShare(std::optional<CancelShareBean> bean,
                           std::function<void(NetworkResult<CancelShareResponse>)> onCallback) = 0;
  /// One of the user's share links in detail.
  ///
  /// `GET /quillbox/ose/v1/share/{shareId}`. `shareId` is required and not empty.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getShareDetail(std::optional<GetShareDetailBean> bean,
                              std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) = 0;
  /// Changes one of the user's share links.
  ///
  /// `PUT /quillbox/ose/v1/share/{shareId}`; the record is the body. `shareId` is required and not empty.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                                 std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) = 0;
  /// The files behind a share link, as a visitor sees them.
  ///
  /// `POST /quillbox/ose/v1/share/files`; the record is the body.
  /// @param bean The request record (filled by the host). Absent, or missing a required value: the callback gets
  /// code -1, "params build faild", before the call returns.
  /// @param onCallback Called exactly once with the decoded answer or the failure.
  virtual void getShareFiles(std::optional<GetShareFilesBean> bean,
                             std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) = 0;
};

}  // namespace quillbox
