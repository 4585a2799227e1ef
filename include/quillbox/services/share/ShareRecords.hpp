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
struct SharePermission {
  std::optional<bool> preview;
  std::optional<bool> edit;
  std::optional<bool> download;

  SharePermission() = default;
  SharePermission(bool preview, bool edit, bool download) : preview(preview), edit(edit), download(download) {}

  friend bool operator==(const SharePermission&, const SharePermission&) = default;
};

/// A page of my share links. Every field is a query item; a `pageSize` or
/// sort code of 0 is not sent.
struct GetShareBean {
  std::int64_t pageSize = 0;
  std::optional<std::string> pageCursor;
  std::optional<std::int64_t> sortType;
  std::optional<std::int64_t> sortDirection;
  std::optional<std::string> displayName;
  std::optional<std::string> imageProcess;

  GetShareBean() = default;
  GetShareBean(std::int64_t pageSize, std::optional<std::string> pageCursor, std::optional<std::int64_t> sortType,
               std::optional<std::int64_t> sortDirection, std::optional<std::string> displayName,
               std::optional<std::string> imageProcess)
      : pageSize(pageSize),
        pageCursor(std::move(pageCursor)),
        sortType(sortType),
        sortDirection(sortDirection),
        displayName(std::move(displayName)),
        imageProcess(std::move(imageProcess)) {}

  friend bool operator==(const GetShareBean&, const GetShareBean&) = default;
};

/// A new share link for files.
struct CreateShareBean {
  std::int64_t scope = 0;
  std::optional<std::vector<std::string>> deptIds;
  std::optional<std::vector<std::string>> groupIds;
  std::optional<std::vector<std::string>> userIds;
  std::optional<std::vector<std::string>> fileIds;
  std::optional<std::string> containerId;
  std::optional<SharePermission> permission;
  std::optional<std::string> extractCode;
  std::optional<std::string> expireTime;
  std::optional<std::string> comment;
  std::optional<std::int64_t> validDays;
  std::optional<std::string> expiredType;

  CreateShareBean() = default;
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

  friend bool operator==(const CreateShareBean&, const CreateShareBean&) = default;
};

/// The links to cancel; `shareIds` must be present and may be empty.
struct CancelShareBean {
  std::optional<std::vector<std::string>> shareIds;

  CancelShareBean() = default;
  explicit CancelShareBean(std::optional<std::vector<std::string>> shareIds) : shareIds(std::move(shareIds)) {}

  friend bool operator==(const CancelShareBean&, const CancelShareBean&) = default;
};

/// The link to describe; `shareId` must be present (it is the last path segment).
struct GetShareDetailBean {
  std::optional<std::string> shareId;

  GetShareDetailBean() = default;
  explicit GetShareDetailBean(std::optional<std::string> shareId) : shareId(std::move(shareId)) {}

  friend bool operator==(const GetShareDetailBean&, const GetShareDetailBean&) = default;
};

/// Changes to one link; `shareId` must be present (it is also in the path).
struct ModifyShareDetailBean {
  std::optional<std::string> shareId;
  std::optional<std::vector<std::string>> deptIds;
  std::optional<std::vector<std::string>> groupIds;
  std::optional<std::vector<std::string>> userIds;
  std::optional<SharePermission> permission;
  std::optional<std::string> expireTime;
  std::optional<std::string> extractCode;
  std::optional<std::string> comment;
  std::optional<std::int64_t> validDays;

  ModifyShareDetailBean() = default;

  friend bool operator==(const ModifyShareDetailBean&, const ModifyShareDetailBean&) = default;
};

/// A page of the files behind a link, as a visitor lists them.
struct GetShareFilesBean {
  std::optional<std::string> shortUrl;
  std::optional<std::string> parentFolder;
  std::int64_t pageSize = 100;
  std::optional<std::string> pageCursor;
  std::optional<std::int64_t> sortType;
  std::optional<std::int64_t> sortDirection;
  std::optional<std::string> qbstoken;  ///< the link's access token
  std::optional<bool> refreshCount;
  std::optional<std::string> fileName;
  std::optional<std::string> imageProcess;

  GetShareFilesBean() = default;

  friend bool operator==(const GetShareFilesBean&, const GetShareFilesBean&) = default;
};

// ---- people a link is shared with -------------------------------------------

struct DeptInfo {
  std::optional<std::string> id;
  std::optional<std::string> name;

  DeptInfo() = default;

  friend bool operator==(const DeptInfo&, const DeptInfo&) = default;
};

struct GroupInfo {
  std::optional<std::string> id;
  std::optional<std::string> name;

  GroupInfo() = default;

  friend bool operator==(const GroupInfo&, const GroupInfo&) = default;
};

struct BaseUserInfo {
  std::optional<std::string> id;
  std::optional<std::string> name;

  BaseUserInfo() = default;
  BaseUserInfo(std::optional<std::string> id, std::optional<std::string> name)
      : id(std::move(id)), name(std::move(name)) {}

  friend bool operator==(const BaseUserInfo&, const BaseUserInfo&) = default;
};

// ---- files behind a link ------------------------------------------------------

/// The keys every shared-file record has.
struct BaseShareFile {
  std::optional<std::string> id;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::int64_t> size;  ///< bytes
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::string> fileSuffix;
  std::optional<std::vector<std::string>> containers;
  std::optional<std::vector<DownloadLink>> downloadLinks;

  BaseShareFile() = default;
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

  friend bool operator==(const BaseShareFile&, const BaseShareFile&) = default;
};

/// A file of one of my links.
struct ShareFileInfo : BaseShareFile {
  std::optional<std::string> mimeType;
  std::optional<bool> recycled;

  using BaseShareFile::BaseShareFile;
  ShareFileInfo() = default;

  friend bool operator==(const ShareFileInfo&, const ShareFileInfo&) = default;
};

/// A file behind a link, as a visitor sees it.
struct ShareFile : BaseShareFile {
  std::optional<std::string> editedTime;

  using BaseShareFile::BaseShareFile;
  ShareFile() = default;

  friend bool operator==(const ShareFile&, const ShareFile&) = default;
};

// ---- share links ----------------------------------------------------------------

/// The keys every share link has.
struct BaseShareLink {
  std::optional<std::string> shareId;
  std::optional<std::string> shortUrl;
  std::optional<std::string> linkUrl;
  std::optional<std::string> comment;
  std::optional<std::string> expireTime;

  BaseShareLink() = default;
  BaseShareLink(std::optional<std::string> shareId, std::optional<std::string> shortUrl,
                std::optional<std::string> linkUrl, std::optional<std::string> comment,
                std::optional<std::string> expireTime)
      : shareId(std::move(shareId)),
        shortUrl(std::move(shortUrl)),
        linkUrl(std::move(linkUrl)),
        comment(std::move(comment)),
        expireTime(std::move(expireTime)) {}

  friend bool operator==(const BaseShareLink&, const BaseShareLink&) = default;
};

/// A link just created.
struct ShareLink : BaseShareLink {
  std::optional<std::string> extractCode;

  using BaseShareLink::BaseShareLink;
  ShareLink() = default;

  friend bool operator==(const ShareLink&, const ShareLink&) = default;
};

/// An entry of my share links.
struct ShareByMeLink : BaseShareLink {
  std::optional<std::string> shareTime;
  std::optional<std::int64_t> scope;
  std::optional<std::vector<ShareFileInfo>> files;
  std::optional<std::string> displayName;
  std::optional<std::int64_t> status;
  std::optional<std::int64_t> viewCnt;
  std::optional<std::int64_t> downloadCnt;
  std::optional<std::int64_t> saveCnt;
  std::optional<std::string> containerId;
  std::optional<std::string> containerName;

  using BaseShareLink::BaseShareLink;
  ShareByMeLink() = default;

  friend bool operator==(const ShareByMeLink&, const ShareByMeLink&) = default;
};

/// One of my links in detail, with the people it is shared with.
struct ShareByMeLinkDetail : BaseShareLink {
  std::optional<std::string> shareTime;
  std::optional<std::int64_t> scope;
  std::optional<std::vector<DeptInfo>> depts;
  std::optional<std::vector<GroupInfo>> groups;
  std::optional<std::vector<BaseUserInfo>> users;
  std::optional<std::string> displayName;
  std::optional<SharePermission> permission;
  std::optional<std::string> extractCode;
  std::optional<std::int64_t> status;

  using BaseShareLink::BaseShareLink;
  ShareByMeLinkDetail() = default;

  friend bool operator==(const ShareByMeLinkDetail&, const ShareByMeLinkDetail&) = default;
};

/// A link after a modification.
struct ShareLinkModify : BaseShareLink {
  std::optional<std::string> extractCode;
  std::optional<std::string> createTime;
  std::optional<std::string> updateTime;
  std::optional<std::string> shareTime;
  std::optional<std::int64_t> scope;
  std::optional<std::string> displayName;
  std::optional<std::int64_t> status;
  std::optional<std::int64_t> viewCnt;
  std::optional<std::int64_t> downloadCnt;
  std::optional<std::int64_t> saveCnt;

  using BaseShareLink::BaseShareLink;
  ShareLinkModify() = default;

  friend bool operator==(const ShareLinkModify&, const ShareLinkModify&) = default;
};

/// A link someone shared with me.
struct ShareWithMeLink : BaseShareLink {
  std::optional<std::string> shareTime;
  std::optional<std::string> ownerId;
  std::optional<std::string> ownerName;
  std::optional<std::string> displayName;
  std::optional<std::vector<ShareFileInfo>> files;
  std::optional<SharePermission> permission;
  std::optional<std::int64_t> status;
  std::optional<std::string> containerId;
  std::optional<std::int64_t> downloadCnt;
  std::optional<std::int64_t> saveCnt;
  std::optional<std::int64_t> scope;
  std::optional<std::string> updateTime;
  std::optional<std::int64_t> viewCnt;

  using BaseShareLink::BaseShareLink;
  ShareWithMeLink() = default;

  friend bool operator==(const ShareWithMeLink&, const ShareWithMeLink&) = default;
};

/// A link someone shared with me, in detail.
struct ShareWithMeLinkDetail : BaseShareLink {
  std::optional<std::string> shareTime;
  std::optional<std::string> ownerId;
  std::optional<std::string> ownerName;
  std::optional<std::string> displayName;
  std::optional<SharePermission> permission;
  std::optional<std::int64_t> status;

  using BaseShareLink::BaseShareLink;
  ShareWithMeLinkDetail() = default;

  friend bool operator==(const ShareWithMeLinkDetail&, const ShareWithMeLinkDetail&) = default;
};

/// A link as a visitor sees it. It stands alone rather than extending
/// BaseShareLink, and its "permission" is an access level, not flags.
struct CommonShareLink {
  /// Access level, carried as "READ", "WRITE" or "ADMIN" exactly; any other
  /// text fails the decoding of the whole answer.
  enum class SharePermission { read, write, admin };

  std::optional<std::string> shareId;
  std::optional<std::string> shortUrl;
  std::optional<std::string> shareTime;
  std::optional<std::string> ownerId;
  std::optional<std::string> ownerName;
  std::optional<SharePermission> permission;
  std::optional<std::string> expireTime;
  std::optional<std::int64_t> status;
  std::optional<std::string> expireDate;

  CommonShareLink() = default;
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

  friend bool operator==(const CommonShareLink&, const CommonShareLink&) = default;
};

/// The outcome for one link of a cancel request.
struct ShareSubResponse {
  std::optional<std::string> shareId;
  std::optional<std::int64_t> code;
  std::optional<std::string> msg;

  ShareSubResponse() = default;
  ShareSubResponse(std::optional<std::string> shareId, std::optional<std::int64_t> code, std::optional<std::string> msg)
      : shareId(std::move(shareId)), code(code), msg(std::move(msg)) {}

  friend bool operator==(const ShareSubResponse&, const ShareSubResponse&) = default;
};

// ---- responses ----------------------------------------------------------------

/// Answer to `getShares`.
struct GetShareResponse : BaseResponse {
  std::optional<std::string> nextCursor;
  std::optional<std::vector<ShareByMeLink>> shareLinks;

  using BaseResponse::BaseResponse;
  GetShareResponse() = default;

  friend bool operator==(const GetShareResponse&, const GetShareResponse&) = default;
};

/// Answer to `createShare`.
struct CreateShareResponse : BaseResponse {
  std::optional<ShareLink> shareLink;

  using BaseResponse::BaseResponse;
  CreateShareResponse() = default;

  friend bool operator==(const CreateShareResponse&, const CreateShareResponse&) = default;
};

/// Answer to `cancelShare`: one entry per link.
struct CancelShareResponse : BaseResponse {
  std::optional<std::vector<ShareSubResponse>> subResponseList;

  using BaseResponse::BaseResponse;
  CancelShareResponse() = default;

  friend bool operator==(const CancelShareResponse&, const CancelShareResponse&) = default;
};

/// Answer to `getShareDetail`.
struct GetShareDetailResponse : BaseResponse {
  std::optional<ShareByMeLinkDetail> shareLink;

  using BaseResponse::BaseResponse;
  GetShareDetailResponse() = default;

  friend bool operator==(const GetShareDetailResponse&, const GetShareDetailResponse&) = default;
};

/// Answer to `modifyShareDetail`.
struct ModifyShareDetailResponse : BaseResponse {
  std::optional<ShareLinkModify> shareLink;

  using BaseResponse::BaseResponse;
  ModifyShareDetailResponse() = default;

  friend bool operator==(const ModifyShareDetailResponse&, const ModifyShareDetailResponse&) = default;
};

/// Answer to `getShareFiles`: a page of the files behind a link, and the link.
struct GetShareFilesResponse : BaseResponse {
  std::optional<std::string> nextCursor;
  std::optional<std::vector<ShareFile>> files;
  std::optional<CommonShareLink> link;

  using BaseResponse::BaseResponse;
  GetShareFilesResponse() = default;

  friend bool operator==(const GetShareFilesResponse&, const GetShareFilesResponse&) = default;
};

}  // namespace quillbox
