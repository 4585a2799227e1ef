#include "services/share/ShareRecordsCodec.hpp"

#include <array>
#include <string_view>
#include <utility>

namespace quillbox::json {

namespace {

using AccessLevel = CommonShareLink::SharePermission;

constexpr std::array<std::pair<AccessLevel, std::string_view>, 3> kAccessLevels{{
    {AccessLevel::read, "READ"},
    {AccessLevel::write, "WRITE"},
    {AccessLevel::admin, "ADMIN"},
}};

}  // namespace

bool decodeValue(const bj::value& v, CommonShareLink::SharePermission& out, DecodeContext& ctx) {
  const bj::string* s = v.if_string();
  if (!s) return ctx.failKind("a string", v);
  const std::string_view text(s->data(), s->size());
  for (const auto& [level, name] : kAccessLevels) {
    if (text == name) {
      out = level;
      return true;
    }
  }
  return ctx.fail("unknown permission \"" + std::string(text) + "\"");
}

bool encodeValue(CommonShareLink::SharePermission in, bj::value& out, EncodeContext& ctx) {
  for (const auto& [level, name] : kAccessLevels) {
    if (level == in) {
      out.emplace_string().assign(name.data(), name.size());
      return true;
    }
  }
  return ctx.fail("unknown permission " + std::to_string(static_cast<int>(in)));
}

template <>
struct Record<SharePermission> {
  static constexpr auto fields = std::tuple{
      field("preview", &SharePermission::preview),
      field("edit", &SharePermission::edit),
      field("download", &SharePermission::download),
  };
};

template <>
struct Record<GetShareBean> {
  static constexpr auto fields = std::tuple{
      field("pageSize", &GetShareBean::pageSize),
      field("pageCursor", &GetShareBean::pageCursor),
      field("sortType", &GetShareBean::sortType),
      field("sortDirection", &GetShareBean::sortDirection),
      field("displayName", &GetShareBean::displayName),
      field("imageProcess", &GetShareBean::imageProcess),
  };
};

template <>
struct Record<CreateShareBean> {
  static constexpr auto fields = std::tuple{
      field("scope", &CreateShareBean::scope),
      field("deptIds", &CreateShareBean::deptIds),
      field("groupIds", &CreateShareBean::groupIds),
      field("userIds", &CreateShareBean::userIds),
      field("fileIds", &CreateShareBean::fileIds),
      field("containerId", &CreateShareBean::containerId),
      field("permission", &CreateShareBean::permission),
      field("extractCode", &CreateShareBean::extractCode),
      field("expireTime", &CreateShareBean::expireTime),
      field("comment", &CreateShareBean::comment),
      field("validDays", &CreateShareBean::validDays),
      field("expiredType", &CreateShareBean::expiredType),
  };
};

template <>
struct Record<CancelShareBean> {
  static constexpr auto fields = std::tuple{
      field("shareIds", &CancelShareBean::shareIds),
  };
};

template <>
struct Record<GetShareDetailBean> {
  static constexpr auto fields = std::tuple{
      field("shareId", &GetShareDetailBean::shareId),
  };
};

template <>
struct Record<ModifyShareDetailBean> {
  static constexpr auto fields = std::tuple{
      field("shareId", &ModifyShareDetailBean::shareId),
      field("deptIds", &ModifyShareDetailBean::deptIds),
      field("groupIds", &ModifyShareDetailBean::groupIds),
      field("userIds", &ModifyShareDetailBean::userIds),
      field("permission", &ModifyShareDetailBean::permission),
      field("expireTime", &ModifyShareDetailBean::expireTime),
      field("extractCode", &ModifyShareDetailBean::extractCode),
      field("comment", &ModifyShareDetailBean::comment),
      field("validDays", &ModifyShareDetailBean::validDays),
  };
};

template <>
struct Record<GetShareFilesBean> {
  static constexpr auto fields = std::tuple{
      field("shortUrl", &GetShareFilesBean::shortUrl),
      field("parentFolder", &GetShareFilesBean::parentFolder),
      field("pageSize", &GetShareFilesBean::pageSize),
      field("pageCursor", &GetShareFilesBean::pageCursor),
      field("sortType", &GetShareFilesBean::sortType),
      field("sortDirection", &GetShareFilesBean::sortDirection),
      field("qbstoken", &GetShareFilesBean::qbstoken),
      field("refreshCount", &GetShareFilesBean::refreshCount),
      field("fileName", &GetShareFilesBean::fileName),
      field("imageProcess", &GetShareFilesBean::imageProcess),
  };
};

template <>
struct Record<DeptInfo> {
  static constexpr auto fields = std::tuple{
      field("id", &DeptInfo::id),
      field("name", &DeptInfo::name),
  };
};

template <>
struct Record<GroupInfo> {
  static constexpr auto fields = std::tuple{
      field("id", &GroupInfo::id),
      field("name", &GroupInfo::name),
  };
};

template <>
struct Record<BaseUserInfo> {
  static constexpr auto fields = std::tuple{
      field("id", &BaseUserInfo::id),
      field("name", &BaseUserInfo::name),
  };
};

template <>
struct Record<BaseShareFile> {
  static constexpr auto fields = std::tuple{
      field("id", &BaseShareFile::id),
      field("fileName", &BaseShareFile::fileName),
      field("fileType", &BaseShareFile::fileType),
      field("size", &BaseShareFile::size),
      field("parentFolder", &BaseShareFile::parentFolder),
      field("fileSuffix", &BaseShareFile::fileSuffix),
      field("containers", &BaseShareFile::containers),
      field("downloadLinks", &BaseShareFile::downloadLinks),
  };
};

template <>
struct Record<ShareFileInfo> {
  using Base = BaseShareFile;
  static constexpr auto fields = std::tuple{
      field("mimeType", &ShareFileInfo::mimeType),
      field("recycled", &ShareFileInfo::recycled),
  };
};

template <>
struct Record<ShareFile> {
  using Base = BaseShareFile;
  static constexpr auto fields = std::tuple{
      field("editedTime", &ShareFile::editedTime),
  };
};

template <>
struct Record<BaseShareLink> {
  static constexpr auto fields = std::tuple{
      field("shareId", &BaseShareLink::shareId),
      field("shortUrl", &BaseShareLink::shortUrl),
      field("linkUrl", &BaseShareLink::linkUrl),
      field("comment", &BaseShareLink::comment),
      field("expireTime", &BaseShareLink::expireTime),
  };
};

template <>
struct Record<ShareLink> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("extractCode", &ShareLink::extractCode),
  };
};

template <>
struct Record<ShareByMeLink> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("shareTime", &ShareByMeLink::shareTime),
      field("scope", &ShareByMeLink::scope),
      field("files", &ShareByMeLink::files),
      field("displayName", &ShareByMeLink::displayName),
      field("status", &ShareByMeLink::status),
      field("viewCnt", &ShareByMeLink::viewCnt),
      field("downloadCnt", &ShareByMeLink::downloadCnt),
      field("saveCnt", &ShareByMeLink::saveCnt),
      field("containerId", &ShareByMeLink::containerId),
      field("containerName", &ShareByMeLink::containerName),
  };
};

template <>
struct Record<ShareByMeLinkDetail> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("shareTime", &ShareByMeLinkDetail::shareTime),
      field("scope", &ShareByMeLinkDetail::scope),
      field("depts", &ShareByMeLinkDetail::depts),
      field("groups", &ShareByMeLinkDetail::groups),
      field("users", &ShareByMeLinkDetail::users),
      field("displayName", &ShareByMeLinkDetail::displayName),
      field("permission", &ShareByMeLinkDetail::permission),
      field("extractCode", &ShareByMeLinkDetail::extractCode),
      field("status", &ShareByMeLinkDetail::status),
  };
};

template <>
struct Record<ShareLinkModify> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("extractCode", &ShareLinkModify::extractCode),
      field("createTime", &ShareLinkModify::createTime),
      field("updateTime", &ShareLinkModify::updateTime),
      field("shareTime", &ShareLinkModify::shareTime),
      field("scope", &ShareLinkModify::scope),
      field("displayName", &ShareLinkModify::displayName),
      field("status", &ShareLinkModify::status),
      field("viewCnt", &ShareLinkModify::viewCnt),
      field("downloadCnt", &ShareLinkModify::downloadCnt),
      field("saveCnt", &ShareLinkModify::saveCnt),
  };
};

template <>
struct Record<ShareWithMeLink> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("shareTime", &ShareWithMeLink::shareTime),
      field("ownerId", &ShareWithMeLink::ownerId),
      field("ownerName", &ShareWithMeLink::ownerName),
      field("displayName", &ShareWithMeLink::displayName),
      field("files", &ShareWithMeLink::files),
      field("permission", &ShareWithMeLink::permission),
      field("status", &ShareWithMeLink::status),
      field("containerId", &ShareWithMeLink::containerId),
      field("downloadCnt", &ShareWithMeLink::downloadCnt),
      field("saveCnt", &ShareWithMeLink::saveCnt),
      field("scope", &ShareWithMeLink::scope),
      field("updateTime", &ShareWithMeLink::updateTime),
      field("viewCnt", &ShareWithMeLink::viewCnt),
  };
};

template <>
struct Record<ShareWithMeLinkDetail> {
  using Base = BaseShareLink;
  static constexpr auto fields = std::tuple{
      field("shareTime", &ShareWithMeLinkDetail::shareTime),
      field("ownerId", &ShareWithMeLinkDetail::ownerId),
      field("ownerName", &ShareWithMeLinkDetail::ownerName),
      field("displayName", &ShareWithMeLinkDetail::displayName),
      field("permission", &ShareWithMeLinkDetail::permission),
      field("status", &ShareWithMeLinkDetail::status),
  };
};

template <>
struct Record<CommonShareLink> {
  static constexpr auto fields = std::tuple{
      field("shareId", &CommonShareLink::shareId),
      field("shortUrl", &CommonShareLink::shortUrl),
      field("shareTime", &CommonShareLink::shareTime),
      field("ownerId", &CommonShareLink::ownerId),
      field("ownerName", &CommonShareLink::ownerName),
      field("permission", &CommonShareLink::permission),
      field("expireTime", &CommonShareLink::expireTime),
      field("status", &CommonShareLink::status),
      field("expireDate", &CommonShareLink::expireDate),
  };
};

template <>
struct Record<ShareSubResponse> {
  static constexpr auto fields = std::tuple{
      field("shareId", &ShareSubResponse::shareId),
      field("code", &ShareSubResponse::code),
      field("msg", &ShareSubResponse::msg),
  };
};

template <>
struct Record<GetShareResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("nextCursor", &GetShareResponse::nextCursor),
      field("shareLinks", &GetShareResponse::shareLinks),
  };
};

template <>
struct Record<CreateShareResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("shareLink", &CreateShareResponse::shareLink),
  };
};

template <>
struct Record<CancelShareResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("subResponseList", &CancelShareResponse::subResponseList),
  };
};

template <>
struct Record<GetShareDetailResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("shareLink", &GetShareDetailResponse::shareLink),
  };
};

template <>
struct Record<ModifyShareDetailResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("shareLink", &ModifyShareDetailResponse::shareLink),
  };
};

template <>
struct Record<GetShareFilesResponse> {
  using Base = BaseResponse;
  static constexpr auto fields = std::tuple{
      field("nextCursor", &GetShareFilesResponse::nextCursor),
      field("files", &GetShareFilesResponse::files),
      field("link", &GetShareFilesResponse::link),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(SharePermission)
QUILLBOX_RECORD_CODEC(GetShareBean)
QUILLBOX_RECORD_CODEC(CreateShareBean)
QUILLBOX_RECORD_CODEC(CancelShareBean)
QUILLBOX_RECORD_CODEC(GetShareDetailBean)
QUILLBOX_RECORD_CODEC(ModifyShareDetailBean)
QUILLBOX_RECORD_CODEC(GetShareFilesBean)
QUILLBOX_RECORD_CODEC(DeptInfo)
QUILLBOX_RECORD_CODEC(GroupInfo)
QUILLBOX_RECORD_CODEC(BaseUserInfo)
QUILLBOX_RECORD_CODEC(BaseShareFile)
QUILLBOX_RECORD_CODEC(ShareFileInfo)
QUILLBOX_RECORD_CODEC(ShareFile)
QUILLBOX_RECORD_CODEC(BaseShareLink)
QUILLBOX_RECORD_CODEC(ShareLink)
QUILLBOX_RECORD_CODEC(ShareByMeLink)
QUILLBOX_RECORD_CODEC(ShareByMeLinkDetail)
QUILLBOX_RECORD_CODEC(ShareLinkModify)
QUILLBOX_RECORD_CODEC(ShareWithMeLink)
QUILLBOX_RECORD_CODEC(ShareWithMeLinkDetail)
QUILLBOX_RECORD_CODEC(CommonShareLink)
QUILLBOX_RECORD_CODEC(ShareSubResponse)
QUILLBOX_RECORD_CODEC(GetShareResponse)
QUILLBOX_RECORD_CODEC(CreateShareResponse)
QUILLBOX_RECORD_CODEC(CancelShareResponse)
QUILLBOX_RECORD_CODEC(GetShareDetailResponse)
QUILLBOX_RECORD_CODEC(ModifyShareDetailResponse)
QUILLBOX_RECORD_CODEC(GetShareFilesResponse)
