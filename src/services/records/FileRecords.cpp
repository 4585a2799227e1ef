#include "quillbox/services/records/FileRecords.hpp"

#include "services/records/FileRecordsCodec.hpp"

namespace quillbox::json {

// ---- parts of file records ---------------------------------------------------

template <>
struct Record<User> {
  static constexpr auto fields = std::tuple{
      field("category", &User::category),
      field("me", &User::me),
      field("permissionId", &User::permissionId),
      field("userId", &User::userId),
      field("displayName", &User::displayName),
  };
};

template <>
struct Record<DownloadLink> {
  static constexpr auto fields = std::tuple{
      field("usage", &DownloadLink::usage),
      field("downloadLink", &DownloadLink::downloadLink),
      field("version", &DownloadLink::version),
  };
};

template <>
struct Record<UserCapabilities> {
  using C = UserCapabilities;
  static constexpr auto fields = std::tuple{
      field("addChildNodePermission", &C::addChildNodePermission),
      field("copyPermission", &C::copyPermission),
      field("deletePermission", &C::deletePermission),
      field("downloadPermission", &C::downloadPermission),
      field("editPermission", &C::editPermission),
      field("listChildNodePermission", &C::listChildNodePermission),
      field("removeChildNodePermission", &C::removeChildNodePermission),
      field("renameFilePermission", &C::renameFilePermission),
      field("shareFilePermission", &C::shareFilePermission),
      field("uploadPermission", &C::uploadPermission),
      field("viewPermission", &C::viewPermission),
  };
};

template <>
struct Record<Capabilities> {
  using C = Capabilities;
  static constexpr auto fields = std::tuple{
      field("addChildNodePermission", &C::addChildNodePermission),
      field("copyPermission", &C::copyPermission),
      field("deletePermission", &C::deletePermission),
      field("downloadPermission", &C::downloadPermission),
      field("editPermission", &C::editPermission),
      field("listChildNodePermission", &C::listChildNodePermission),
      field("removeChildNodePermission", &C::removeChildNodePermission),
      field("renameFilePermission", &C::renameFilePermission),
      field("shareFilePermission", &C::shareFilePermission),
      field("uploadPermission", &C::uploadPermission),
      field("viewPermission", &C::viewPermission),
  };
};

template <>
struct Record<PrivateProperties> {
  static constexpr auto fields = std::tuple{
      field("attributes", &PrivateProperties::attributes),
      field("properties", &PrivateProperties::properties),
  };
};

template <>
struct Record<FileListPrivateProperties> {
  static constexpr auto fields = std::tuple{
      field("properties", &FileListPrivateProperties::properties),
  };
};

template <>
struct Record<Properties> {
  static constexpr auto fields = std::tuple{
      field("localCreatedAt", &Properties::localCreatedAt),
      field("localUpdatedAt", &Properties::localUpdatedAt),
      field("auditResult", &Properties::auditResult),
  };
};

// ---- addresses -----------------------------------------------------------------

template <>
struct Record<EndpointURL> {
  static constexpr auto fields = std::tuple{
      field("url", &EndpointURL::url),
      field("method", &EndpointURL::method),
      field("partId", &EndpointURL::partId),
      field("headers", &EndpointURL::headers),
      field("forms", &EndpointURL::forms),
  };
};

template <>
struct Record<EndpointURLMetadata> {
  static constexpr auto fields = std::tuple{
      field("url", &EndpointURLMetadata::url),
      field("method", &EndpointURLMetadata::method),
  };
};

template <>
struct Record<Images> {
  static constexpr auto fields = std::tuple{
      field("process", &Images::process),
      field("downloadUrl", &Images::downloadUrl),
  };
};

// ---- encryption data -------------------------------------------------------------

template <>
struct Record<Keychain> {
  static constexpr auto fields = std::tuple{
      field("id", &Keychain::id),
      field("type", &Keychain::type),
      field("algorithm", &Keychain::algorithm),
      field("ekey", &Keychain::ekey),
  };
};

template <>
struct Record<Cipher> {
  static constexpr auto fields = std::tuple{
      field("algorithm", &Cipher::algorithm),
      field("hfek", &Cipher::hfek),
      field("iv", &Cipher::iv),
      field("dataType", &Cipher::dataType),
      field("keychains", &Cipher::keychains),
  };
};

// ---- slice objects -----------------------------------------------------------------

template <>
struct Record<SliceObject> {
  using S = SliceObject;
  static constexpr auto fields = std::tuple{
      field("id", &S::id),
      field("number", &S::number),
      field("start", &S::start),
      field("sha256", &S::sha256),
      field("length", &S::length),
      field("bucket", &S::bucket),
      field("createdTime", &S::createdTime),
      field("modifiedTime", &S::modifiedTime),
      field("uploadUrl", &S::uploadUrl),
      field("downloadUrl", &S::downloadUrl),
      field("uploadId", &S::uploadId),
      scalarMap("attributes", &S::attributes),
      field("properties", &S::properties),
      field("images", &S::images),
  };
};

template <>
struct Record<FileListSliceObject> {
  using S = FileListSliceObject;
  static constexpr auto fields = std::tuple{
      field("id", &S::id),
      field("start", &S::start),
      field("downloadUrl", &S::downloadUrl),
      field("images", &S::images),
  };
};

template <>
struct Record<SliceObjectMetadata> {
  using S = SliceObjectMetadata;
  static constexpr auto fields = std::tuple{
      field("id", &S::id),
      field("start", &S::start),
      field("downloadUrl", &S::downloadUrl),
      field("images", &S::images),
  };
};

// ---- resources ---------------------------------------------------------------------

template <>
struct Record<Resource> {
  using R = Resource;
  static constexpr auto fields = std::tuple{
      field("id", &R::id),
      field("hash", &R::hash),
      field("length", &R::length),
      field("sha256", &R::sha256),
      field("type", &R::type),
      field("state", &R::state),
      field("sliceSize", &R::sliceSize),
      field("hfek", &R::hfek),
      field("iv", &R::iv),
      field("createdTime", &R::createdTime),
      field("modifiedTime", &R::modifiedTime),
      field("object", &R::object),
      blobMap("attributes", &R::attributes),
      field("properties", &R::properties),
  };
};

template <>
struct Record<FileListResource> {
  static constexpr auto fields = std::tuple{
      field("object", &FileListResource::obj),
  };
};

template <>
struct Record<ResourceMetadata> {
  static constexpr auto fields = std::tuple{
      field("id", &ResourceMetadata::id),
      field("length", &ResourceMetadata::length),
      field("sha256", &ResourceMetadata::sha256),
      field("object", &ResourceMetadata::objects),
  };
};

// ---- assets ------------------------------------------------------------------------

template <>
struct Record<Asset> {
  static constexpr auto fields = std::tuple{
      field("id", &Asset::id),
      field("versionId", &Asset::versionId),
      field("version", &Asset::version),
      field("mimeType", &Asset::mimeType),
      field("keepPolicy", &Asset::keepPolicy),
      field("state", &Asset::state),
      field("createdTime", &Asset::createdTime),
      field("modifiedTime", &Asset::modifiedTime),
      field("lastModifyingUser", &Asset::lastModifyingUser),
      field("resource", &Asset::resource),
      field("cipher", &Asset::cipher),
      field("attributes", &Asset::attributes),
      
      field("properties", &Asset::properties),
  };
};

template <>
struct Record<FileListAsset> {
  static constexpr auto fields = std::tuple{
      field("mimeType", &FileListAsset::mimeType),
      field("resource", &FileListAsset::resource),
  };
};

template <>
struct Record<AssetMetadata> {
  using A = AssetMetadata;
  static constexpr auto fields = std::tuple{
      field("id", &A::id),
      field("versionId", &A::versionId),
      field("version", &A::version),
      field("mimeType", &A::mimeType),
      field("state", &A::state),
      field("createdTime", &A::createdTime),
      field("modifiedTime", &A::modifiedTime),
      field("resource", &A::resource),
      blobMap("attributes", &A::attributes),
  };
};

// ---- attachments -------------------------------------------------------------------

template <>
struct Record<BaseAttachment> {
  static constexpr auto fields = std::tuple{
      field("usage", &BaseAttachment::usage),
      field("hash", &BaseAttachment::hash),
      field("sha256", &BaseAttachment::sha256),
  };
};

template <>
struct Record<Attachment> {
  using Base = BaseAttachment;
  static constexpr auto fields = std::tuple{
      field("assetId", &Attachment::assetId),
      field("length", &Attachment::length),
      field("versionId", &Attachment::versionId),
      field("mimeType", &Attachment::mimeType),
      field("createdTime", &Attachment::createdTime),
      field("modifiedTime", &Attachment::modifiedTime),
      field("attributes", &Attachment::attributes),
      field("asset", &Attachment::asset),
  };
};

template <>
struct Record<FileListAttachment> {
  using Base = BaseAttachment;
  static constexpr auto fields = std::tuple{
      field("asset", &FileListAttachment::asset),
  };
};

template <>
struct Record<AttachmentMetadata> {
  static constexpr auto fields = std::tuple{
      field("usage", &AttachmentMetadata::usage),
      field("hash", &AttachmentMetadata::hash),
      field("sha256", &AttachmentMetadata::sha256),
      field("asset", &AttachmentMetadata::asset),
  };
};

// ---- file records ------------------------------------------------------------------

template <>
struct Record<BaseFileBean> {
  using B = BaseFileBean;
  static constexpr auto fields = std::tuple{
      field("id", &B::id),
      field("fileName", &B::fileName),
      field("fileType", &B::fileType),
      field("mimeType", &B::mimeType),
      field("favorite", &B::favorite),
      field("recycled", &B::recycled),
      field("parentFolder", &B::parentFolder),
      field("properties", &B::properties),
      field("owners", &B::owners),
      field("lastEditor", &B::lastEditor),
      field("fileSuffix", &B::fileSuffix),
      field("downloadLinks", &B::downloadLinks),
      field("sha256", &B::sha256),
      field("userCapabilities", &B::userCapabilities),
      field("idPath", &B::idPath),
  };
};

template <>
struct Record<FileListMetadata> {
  using Base = BaseFileBean;
  using F = FileListMetadata;
  static constexpr auto fields = std::tuple{
      field("recycledTime", &F::recycledTime),
      field("containers", &F::containers),
      field("createdTime", &F::createdTime),
      field("editedTime", &F::editedTime),
      field("hidden", &F::hidden),
      field("directlyRecycled", &F::directlyRecycled),
      field("attachments", &F::attachments),
      field("userProperties", &F::userProperties),
      field("size", &F::size),
  };
};

template <>
struct Record<FileBean> {
  using Base = BaseFileBean;
  using F = FileBean;
  static constexpr auto fields = std::tuple{
      field("updateTime", &F::updateTime),
      field("namePath", &F::namePath),
      field("teamName", &F::teamName),
      field("teamId", &F::teamId),
      field("containerId", &F::containerId),
      field("containerType", &F::containerType),
      field("owner", &F::owner),
      field("createdTime", &F::createdTime),
      field("editedTime", &F::editedTime),
      field("ownerId", &F::ownerId),
      field("size", &F::size),
      field("attachments", &F::attachments),
      field("userProperties", &F::userProperties),
  };
};

template <>
struct Record<StarFileInfo> {
  using S = StarFileInfo;
  static constexpr auto fields = std::tuple{
      field("category", &S::category),
      field("id", &S::id),
      field("fileName", &S::fileName),
      field("fileType", &S::fileType),
      field("mimeType", &S::mimeType),
      field("favorite", &S::favorite),
      field("recycled", &S::recycled),
      field("parentFolder", &S::parentFolder),
      field("properties", &S::properties),
      field("containers", &S::containers),
      field("createdTime", &S::createdTime),
      field("editedTime", &S::editedTime),
      field("editedByMe", &S::editedByMe),
      field("owners", &S::owners),
      field("lastEditor", &S::lastEditor),
      field("fullFileSuffix", &S::fullFileSuffix),
      field("fileSuffix", &S::fileSuffix),
      field("size", &S::size),
      field("sha256", &S::sha256),
      field("attachments", &S::attachments),
      field("downloadLinks", &S::downloadLinks),
      field("userProperties", &S::userProperties),
      field("starredTime", &S::starredTime),
      field("filePath", &S::filePath),
      field("spaceType", &S::spaceType),
      field("invalid", &S::invalid),
      field("hidden", &S::hidden),
      field("userCapabilities", &S::userCapabilities),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(User)
QUILLBOX_RECORD_CODEC(DownloadLink)
QUILLBOX_RECORD_CODEC(UserCapabilities)
QUILLBOX_RECORD_CODEC(Capabilities)
QUILLBOX_RECORD_CODEC(PrivateProperties)
QUILLBOX_RECORD_CODEC(FileListPrivateProperties)
QUILLBOX_RECORD_CODEC(Properties)
QUILLBOX_RECORD_CODEC(EndpointURL)
QUILLBOX_RECORD_CODEC(EndpointURLMetadata)
QUILLBOX_RECORD_CODEC(Images)
QUILLBOX_RECORD_CODEC(Keychain)
QUILLBOX_RECORD_CODEC(Cipher)
QUILLBOX_RECORD_CODEC(SliceObject)
QUILLBOX_RECORD_CODEC(FileListSliceObject)
QUILLBOX_RECORD_CODEC(SliceObjectMetadata)
QUILLBOX_RECORD_CODEC(Resource)
QUILLBOX_RECORD_CODEC(FileListResource)
QUILLBOX_RECORD_CODEC(ResourceMetadata)
QUILLBOX_RECORD_CODEC(Asset)
QUILLBOX_RECORD_CODEC(FileListAsset)
QUILLBOX_RECORD_CODEC(AssetMetadata)
QUILLBOX_RECORD_CODEC(BaseAttachment)
QUILLBOX_RECORD_CODEC(Attachment)
QUILLBOX_RECORD_CODEC(FileListAttachment)
QUILLBOX_RECORD_CODEC(AttachmentMetadata)
QUILLBOX_RECORD_CODEC(BaseFileBean)
QUILLBOX_RECORD_CODEC(FileListMetadata)
QUILLBOX_RECORD_CODEC(FileBean)
QUILLBOX_RECORD_CODEC(StarFileInfo)
