#pragma once
// Records of the share service: my share links and their details, creating,
// modifying and cancelling links, and the files behind a link as a visitor
// sees them.
//
// Two permission types meet here: the share-management records carry the
// three-flag record `SharePermission`; the visitor's view of a link carries
// the access level `CommonShareLink::SharePermission`.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/services/records/FileRecords.hpp"

namespace quillbox {

// ---- request beans ----------------------------------------------------------

/// What the people a link is shared with may do.
///
/// Not an aggregate (it declares constructors): build it field by field, `SharePermission r; r.preview = ...;`.
struct SharePermission {
  /// May preview.
  std::optional<bool> preview;
  /// May edit.
  std::optional<bool> edit;
  /// May download.
  std::optional<bool> download;

  /// Every optional field absent and every required one at its default.
  SharePermission() = default;
  /// Sets every field, in declaration order.
  SharePermission(bool preview, bool edit, bool download) : preview(preview), edit(edit), download(download) {}

  /// Equal when every field is equal.
  friend bool operator==(const SharePermission&, const SharePermission&) = default;
};

/// A page of my share links. Every field is a query item; a `pageSize` or
/// sort code of 0 is not sent.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetShareBean r;
/// r.pageSize = ...;`.
struct GetShareBean {
  /// Page size: entries per page; 0 leaves it out of the query.
  std::int64_t pageSize = 0;
  /// Cursor of the page wanted, as returned with the previous page; absent or empty for the first.
  std::optional<std::string> pageCursor;
  /// Sort key code (the service's code; see the emulator's table in docs); absent or 0 is not sent.
  std::optional<std::int64_t> sortType;
  /// Sort direction code (the service's code); absent or 0 is not sent.
  std::optional<std::int64_t> sortDirection;
  /// Name filter.
  std::optional<std::string> displayName;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  GetShareBean() = default;
  /// Sets every field, in declaration order.
  GetShareBean(std::int64_t pageSize, std::optional<std::string> pageCursor, std::optional<std::int64_t> sortType,
               std::optional<std::int64_t> sortDirection, std::optional<std::string> displayName,
               std::optional<std::string> imageProcess)
      : pageSize(pageSize),
        pageCursor(std::move(pageCursor)),
        sortType(sortType),
        sortDirection(sortDirection),
        displayName(std::move(displayName)),
        imageProcess(std::move(imageProcess)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetShareBean&, const GetShareBean&) = default;
};

/// A new share link for files.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CreateShareBean r;
/// r.scope = ...;`.
struct CreateShareBean {
  /// Share scope code. Always on the wire; 0 by default.
  std::int64_t scope = 0;
  /// Departments shared with.
  std::optional<std::vector<std::string>> deptIds;
  /// Groups shared with.
  std::optional<std::vector<std::string>> groupIds;
  /// Users shared with.
  std::optional<std::vector<std::string>> userIds;
  /// Files to share.
  std::optional<std::vector<std::string>> fileIds;
  /// Container of the shared files.
  std::optional<std::string> containerId;
  /// Permission flags.
  std::optional<SharePermission> permission;
  /// Extraction code of the link.
  std::optional<std::string> extractCode;
  /// Expiry time.
  std::optional<std::string> expireTime;
  /// Comment.
  std::optional<std::string> comment;
  /// Validity in days.
  std::optional<std::int64_t> validDays;
  /// Expiry kind.
  std::optional<std::string> expiredType;

  /// Every optional field absent and every required one at its default.
  CreateShareBean() = default;
  /// Sets every field, in declaration order.
  CreateShareBean(std::int64_t scope, std::optional<std::vector<std::string>> deptIds,
                  std::optional<std::vector<std::string>> groupIds, std::optional<std::vector<std::string>> userIds,
                  std::optional<std::vector<std::string>> fileIds, std::optional<std::string> containerId,
                  std::optional<SharePermission> permission, std::optional<std::string> extractCode,
                  std::optional<std::string> expireTime, std::optional<std::string> comment,
                  std::optional<std::int64_t> validDays, std::optional<std::string> expiredType)
      : scope(scope),
        deptIds(std::move(deptIds)),
        groupIds(std::move(groupIds)),
        userIds(std::move(userIds)),
        fileIds(std::move(fileIds)),
        containerId(std::move(containerId)),
        permission(permission),
        extractCode(std::move(extractCode)),
        expireTime(std::move(expireTime)),
        comment(std::move(comment)),
        validDays(validDays),
        expiredType(std::move(expiredType)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CreateShareBean&, const CreateShareBean&) = default;
};

/// The links to cancel; `shareIds` must be present and may be empty.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `CancelShareBean r;
/// r.shareIds = ...;`.
struct CancelShareBean {
  /// Ids of the shares; must be present, may be empty.
  std::optional<std::vector<std::string>> shareIds;

  /// Every optional field absent and every required one at its default.
  CancelShareBean() = default;
  /// Sets every field, in declaration order.
  explicit CancelShareBean(std::optional<std::vector<std::string>> shareIds) : shareIds(std::move(shareIds)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CancelShareBean&, const CancelShareBean&) = default;
};

/// The link to describe; `shareId` must be present (it is the last path segment).
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetShareDetailBean
/// r; r.shareId = ...;`.
struct GetShareDetailBean {
  /// Id of the share; must be present.
  std::optional<std::string> shareId;

  /// Every optional field absent and every required one at its default.
  GetShareDetailBean() = default;
  /// Sets every field, in declaration order.
  explicit GetShareDetailBean(std::optional<std::string> shareId) : shareId(std::move(shareId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetShareDetailBean&, const GetShareDetailBean&) = default;
};

/// Changes to one link; `shareId` must be present (it is also in the path).
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field,
/// `ModifyShareDetailBean r; r.shareId = ...;`.
struct ModifyShareDetailBean {
  /// Share link to modify; must be present, also used in the path.
  std::optional<std::string> shareId;
  /// Departments shared with.
  std::optional<std::vector<std::string>> deptIds;
  /// Groups shared with.
  std::optional<std::vector<std::string>> groupIds;
  /// Users shared with.
  std::optional<std::vector<std::string>> userIds;
  /// Permission flags.
  std::optional<SharePermission> permission;
  /// Expiry time.
  std::optional<std::string> expireTime;
  /// Extraction code of the link.
  std::optional<std::string> extractCode;
  /// Comment.
  std::optional<std::string> comment;
  /// Validity in days.
  std::optional<std::int64_t> validDays;

  /// Every optional field absent and every required one at its default.
  ModifyShareDetailBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ModifyShareDetailBean&, const ModifyShareDetailBean&) = default;
};

/// A page of the files behind a link, as a visitor lists them.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetShareFilesBean
/// r; r.shortUrl = ...;`.
struct GetShareFilesBean {
  /// Short URL.
  std::optional<std::string> shortUrl;
  /// Folder inside the share to list.
  std::optional<std::string> parentFolder;
  /// Page size. Always on the wire; 100 by default.
  std::int64_t pageSize = 100;
  /// Cursor of the page wanted.
  std::optional<std::string> pageCursor;
  /// Sort key code.
  std::optional<std::int64_t> sortType;
  /// Sort direction code.
  std::optional<std::int64_t> sortDirection;
  std::optional<std::string> qbstoken;  ///< the link's access token
  /// Refresh-count flag.
  std::optional<bool> refreshCount;
  /// Name filter.
  std::optional<std::string> fileName;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  GetShareFilesBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetShareFilesBean&, const GetShareFilesBean&) = default;
};

// ---- people a link is shared with -------------------------------------------

/// A department a share is addressed to.
///
/// Not an aggregate (it declares constructors): build it field by field, `DeptInfo r; r.id = ...;`.
struct DeptInfo {
  /// Id.
  std::optional<std::string> id;
  /// Name.
  std::optional<std::string> name;

  /// Every optional field absent and every required one at its default.
  DeptInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const DeptInfo&, const DeptInfo&) = default;
};

/// A group a share is addressed to.
///
/// Not an aggregate (it declares constructors): build it field by field, `GroupInfo r; r.id = ...;`.
struct GroupInfo {
  /// Id.
  std::optional<std::string> id;
  /// Name.
  std::optional<std::string> name;

  /// Every optional field absent and every required one at its default.
  GroupInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GroupInfo&, const GroupInfo&) = default;
};

/// A user a share is addressed to.
///
/// Not an aggregate (it declares constructors): build it field by field, `BaseUserInfo r; r.id = ...;`.
struct BaseUserInfo {
  /// Id.
  std::optional<std::string> id;
  /// Name.
  std::optional<std::string> name;

  /// Every optional field absent and every required one at its default.
  BaseUserInfo() = default;
  /// Sets every field, in declaration order.
  BaseUserInfo(std::optional<std::string> id, std::optional<std::string> name)
      : id(std::move(id)), name(std::move(name)) {}

  /// Equal when every field is equal.
  friend bool operator==(const BaseUserInfo&, const BaseUserInfo&) = default;
};

// ---- files behind a link ------------------------------------------------------

/// The keys every shared-file record has.
///
/// Not an aggregate (it declares constructors): build it field by field, `BaseShareFile r; r.id = ...;`.
struct BaseShareFile {
  /// Id.
  std::optional<std::string> id;
  /// File name.
  std::optional<std::string> fileName;
  /// File type.
  std::optional<std::string> fileType;
  std::optional<std::int64_t> size;  ///< bytes
  /// Parent folder.
  std::optional<std::vector<std::string>> parentFolder;
  /// File name suffix.
  std::optional<std::string> fileSuffix;
  /// Containers holding the file.
  std::optional<std::vector<std::string>> containers;
  /// Download links.
  std::optional<std::vector<DownloadLink>> downloadLinks;

  /// Every optional field absent and every required one at its default.
  BaseShareFile() = default;
  /// Sets every field, in declaration order.
  BaseShareFile(std::optional<std::string> id, std::optional<std::string> fileName,
                std::optional<std::string> fileType, std::optional<std::int64_t> size,
                std::optional<std::vector<std::string>> parentFolder, std::optional<std::string> fileSuffix,
                std::optional<std::vector<std::string>> containers,
                std::optional<std::vector<DownloadLink>> downloadLinks)
      : id(std::move(id)),
        fileName(std::move(fileName)),
        fileType(std::move(fileType)),
        size(size),
        parentFolder(std::move(parentFolder)),
        fileSuffix(std::move(fileSuffix)),
        containers(std::move(containers)),
        downloadLinks(std::move(downloadLinks)) {}

  /// Equal when every field is equal.
  friend bool operator==(const BaseShareFile&, const BaseShareFile&) = default;
};

/// A file of one of my links.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareFileInfo r; r.mimeType = ...;`.
struct ShareFileInfo : BaseShareFile {
  /// MIME type.
  std::optional<std::string> mimeType;
  /// In the recycle bin.
  std::optional<bool> recycled;

  using BaseShareFile::BaseShareFile;
  /// Every optional field absent and every required one at its default.
  ShareFileInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareFileInfo&, const ShareFileInfo&) = default;
};

/// A file behind a link, as a visitor sees it.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareFile r; r.editedTime = ...;`.
struct ShareFile : BaseShareFile {
  /// Last edit time.
  std::optional<std::string> editedTime;

  using BaseShareFile::BaseShareFile;
  /// Every optional field absent and every required one at its default.
  ShareFile() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareFile&, const ShareFile&) = default;
};

// ---- share links ----------------------------------------------------------------

/// The keys every share link has.
///
/// Not an aggregate (it declares constructors): build it field by field, `BaseShareLink r; r.shareId = ...;`.
struct BaseShareLink {
  /// Id of the share.
  std::optional<std::string> shareId;
  /// Short code of the link.
  std::optional<std::string> shortUrl;
  /// Full address of the link.
  std::optional<std::string> linkUrl;
  /// Comment.
  std::optional<std::string> comment;
  /// Expiry time.
  std::optional<std::string> expireTime;

  /// Every optional field absent and every required one at its default.
  BaseShareLink() = default;
  /// Sets every field, in declaration order.
  BaseShareLink(std::optional<std::string> shareId, std::optional<std::string> shortUrl,
                std::optional<std::string> linkUrl, std::optional<std::string> comment,
                std::optional<std::string> expireTime)
      : shareId(std::move(shareId)),
        shortUrl(std::move(shortUrl)),
        linkUrl(std::move(linkUrl)),
        comment(std::move(comment)),
        expireTime(std::move(expireTime)) {}

  /// Equal when every field is equal.
  friend bool operator==(const BaseShareLink&, const BaseShareLink&) = default;
};

/// A link just created.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareLink r; r.extractCode = ...;`.
struct ShareLink : BaseShareLink {
  /// Extraction code of the link.
  std::optional<std::string> extractCode;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareLink() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareLink&, const ShareLink&) = default;
};

/// An entry of my share links.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareByMeLink r; r.shareTime = ...;`.
struct ShareByMeLink : BaseShareLink {
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Scope.
  std::optional<std::int64_t> scope;
  /// Shared files.
  std::optional<std::vector<ShareFileInfo>> files;
  /// Display name.
  std::optional<std::string> displayName;
  /// Status.
  std::optional<std::int64_t> status;
  /// Number of views.
  std::optional<std::int64_t> viewCnt;
  /// Number of downloads.
  std::optional<std::int64_t> downloadCnt;
  /// Number of saves.
  std::optional<std::int64_t> saveCnt;
  /// Container.
  std::optional<std::string> containerId;
  /// Container name.
  std::optional<std::string> containerName;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareByMeLink() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareByMeLink&, const ShareByMeLink&) = default;
};

/// One of my links in detail, with the people it is shared with.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareByMeLinkDetail r; r.shareTime =
/// ...;`.
struct ShareByMeLinkDetail : BaseShareLink {
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Scope of the share (the service's code).
  std::optional<std::int64_t> scope;
  /// Departments shared with.
  std::optional<std::vector<DeptInfo>> depts;
  /// Groups shared with.
  std::optional<std::vector<GroupInfo>> groups;
  /// Users shared with.
  std::optional<std::vector<BaseUserInfo>> users;
  /// Display name.
  std::optional<std::string> displayName;
  /// Permission flags.
  std::optional<SharePermission> permission;
  /// Extraction code of the link.
  std::optional<std::string> extractCode;
  /// Status (the service's code).
  std::optional<std::int64_t> status;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareByMeLinkDetail() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareByMeLinkDetail&, const ShareByMeLinkDetail&) = default;
};

/// A link after a modification.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareLinkModify r; r.extractCode = ...;`.
struct ShareLinkModify : BaseShareLink {
  /// Extraction code of the link.
  std::optional<std::string> extractCode;
  /// Creation time.
  std::optional<std::string> createTime;
  /// Last update time.
  std::optional<std::string> updateTime;
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Scope of the share (the service's code).
  std::optional<std::int64_t> scope;
  /// Display name.
  std::optional<std::string> displayName;
  /// Status (the service's code).
  std::optional<std::int64_t> status;
  /// Number of views.
  std::optional<std::int64_t> viewCnt;
  /// Number of downloads.
  std::optional<std::int64_t> downloadCnt;
  /// Number of saves.
  std::optional<std::int64_t> saveCnt;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareLinkModify() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareLinkModify&, const ShareLinkModify&) = default;
};

/// A link someone shared with me.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareWithMeLink r; r.shareTime = ...;`.
struct ShareWithMeLink : BaseShareLink {
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Owner.
  std::optional<std::string> ownerId;
  /// Owner name.
  std::optional<std::string> ownerName;
  /// Display name.
  std::optional<std::string> displayName;
  /// The entries of this page.
  std::optional<std::vector<ShareFileInfo>> files;
  /// Permission flags.
  std::optional<SharePermission> permission;
  /// Status (the service's code).
  std::optional<std::int64_t> status;
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Number of downloads.
  std::optional<std::int64_t> downloadCnt;
  /// Number of saves.
  std::optional<std::int64_t> saveCnt;
  /// Scope of the share (the service's code).
  std::optional<std::int64_t> scope;
  /// Last update time.
  std::optional<std::string> updateTime;
  /// Number of views.
  std::optional<std::int64_t> viewCnt;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareWithMeLink() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareWithMeLink&, const ShareWithMeLink&) = default;
};

/// A link someone shared with me, in detail.
///
/// Not an aggregate (it declares constructors): build it field by field, `ShareWithMeLinkDetail r; r.shareTime =
/// ...;`.
struct ShareWithMeLinkDetail : BaseShareLink {
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Owner.
  std::optional<std::string> ownerId;
  /// Owner name.
  std::optional<std::string> ownerName;
  /// Display name.
  std::optional<std::string> displayName;
  /// Permission flags.
  std::optional<SharePermission> permission;
  /// Status (the service's code).
  std::optional<std::int64_t> status;

  using BaseShareLink::BaseShareLink;
  /// Every optional field absent and every required one at its default.
  ShareWithMeLinkDetail() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ShareWithMeLinkDetail&, const ShareWithMeLinkDetail&) = default;
};

/// A link as a visitor sees it. It stands alone rather than extending
/// BaseShareLink, and its "permission" is an access level, not flags.
///
/// Not an aggregate (it declares constructors): build it field by field, `CommonShareLink r; r.shareId = ...;`.
struct CommonShareLink {
  /// Access level, carried as "READ", "WRITE" or "ADMIN" exactly; any other
  /// text fails the decoding of the whole answer.
  enum class SharePermission { read, write, admin };

  /// Share link id.
  std::optional<std::string> shareId;
  /// Short URL.
  std::optional<std::string> shortUrl;
  /// Time of sharing.
  std::optional<std::string> shareTime;
  /// Owner id.
  std::optional<std::string> ownerId;
  /// Owner name.
  std::optional<std::string> ownerName;
  /// Access level (enumeration below).
  std::optional<SharePermission> permission;
  /// Expiry time.
  std::optional<std::string> expireTime;
  /// Status.
  std::optional<std::int64_t> status;
  /// Expiry date.
  std::optional<std::string> expireDate;

  /// Every optional field absent and every required one at its default.
  CommonShareLink() = default;
  /// Sets every field, in declaration order.
  CommonShareLink(std::optional<std::string> shareId, std::optional<std::string> shortUrl,
                  std::optional<std::string> shareTime, std::optional<std::string> ownerId,
                  std::optional<std::string> ownerName, std::optional<SharePermission> permission,
                  std::optional<std::string> expireTime, std::optional<std::int64_t> status,
                  std::optional<std::string> expireDate)
      : shareId(std::move(shareId)),
        shortUrl(std::move(shortUrl)),
        shareTime(std::move(shareTime)),
        ownerId(std::move(ownerId)),
        ownerName(std::move(ownerName)),
        permission(permission),
        expireTime(std::move(expireTime)),
        status(status),
        expireDate(std::move(expireDate)) {}

  /// Equal when every field is equal.
  friend bool operator==(const CommonShareLink&, const CommonShareLink&) = default;
};

/// The outcome for one link of a cancel request.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `ShareSubResponse r; r.shareId = ...;`.
struct ShareSubResponse {
  /// Id of the share.
  std::optional<std::string> shareId;
  /// The service's code.
  std::optional<std::int64_t> code;
  /// The service's message.
  std::optional<std::string> msg;

  /// Every optional field absent and every required one at its default.
  ShareSubResponse() = default;
  /// Sets every field, in declaration order.
  ShareSubResponse(std::optional<std::string> shareId, std::optional<std::int64_t> code, std::optional<std::string> msg)
      : shareId(std::move(shareId)), code(code), msg(std::move(msg)) {}

  /// Equal when every field is equal.
  friend bool operator==(const ShareSubResponse&, const ShareSubResponse&) = default;
};

// ---- responses ----------------------------------------------------------------

/// Answer to `getShares`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetShareResponse r; r.nextCursor = ...;`.
struct GetShareResponse : BaseResponse {
  /// Cursor of the next page; absent on the last page.
  std::optional<std::string> nextCursor;
  /// The shares of this page.
  std::optional<std::vector<ShareByMeLink>> shareLinks;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetShareResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetShareResponse&, const GetShareResponse&) = default;
};

/// Answer to `createShare`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `CreateShareResponse r; r.shareLink = ...;`.
struct CreateShareResponse : BaseResponse {
  /// The share.
  std::optional<ShareLink> shareLink;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  CreateShareResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const CreateShareResponse&, const CreateShareResponse&) = default;
};

/// Answer to `cancelShare`: one entry per link.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `CancelShareResponse r; r.subResponseList = ...;`.
struct CancelShareResponse : BaseResponse {
  /// One result per share.
  std::optional<std::vector<ShareSubResponse>> subResponseList;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  CancelShareResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const CancelShareResponse&, const CancelShareResponse&) = default;
};

/// Answer to `getShareDetail`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetShareDetailResponse r; r.shareLink = ...;`.
struct GetShareDetailResponse : BaseResponse {
  /// The share.
  std::optional<ShareByMeLinkDetail> shareLink;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetShareDetailResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetShareDetailResponse&, const GetShareDetailResponse&) = default;
};

/// Answer to `modifyShareDetail`.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `ModifyShareDetailResponse r; r.shareLink = ...;`.
struct ModifyShareDetailResponse : BaseResponse {
  /// The share.
  std::optional<ShareLinkModify> shareLink;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  ModifyShareDetailResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const ModifyShareDetailResponse&, const ModifyShareDetailResponse&) = default;
};

/// Answer to `getShareFiles`: a page of the files behind a link, and the link.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetShareFilesResponse r; r.nextCursor = ...;`.
struct GetShareFilesResponse : BaseResponse {
  /// Cursor of the next page; absent on the last page.
  std::optional<std::string> nextCursor;
  /// The entries of this page.
  std::optional<std::vector<ShareFile>> files;
  /// The link itself.
  std::optional<CommonShareLink> link;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetShareFilesResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetShareFilesResponse&, const GetShareFilesResponse&) = default;
};

}  // namespace quillbox
