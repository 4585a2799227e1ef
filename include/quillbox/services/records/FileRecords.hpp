#pragma once
// The file records shared by the file, search and favourite operations: the
// common file record and its extensions, the attachment chain that describes
// the stored content down to its slices, and their small parts (users,
// download links, capability flags, encryption data).
//
// The library carries these records for the host and never interprets the
// attachment chain, the cipher fields or the capability flags itself.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/JSONValue.hpp"

namespace quillbox {

// ---- parts of file records ---------------------------------------------------

/// A user related to a file (owner, last editor).
struct User {
  std::optional<std::string> category;
  std::optional<bool> me;  ///< this user is the caller
  std::optional<std::string> permissionId;
  std::optional<std::string> userId;
  std::optional<std::string> displayName;

  User() = default;
  User(std::optional<std::string> category, std::optional<bool> me, std::optional<std::string> permissionId,
       std::optional<std::string> userId, std::optional<std::string> displayName)
      : category(std::move(category)),
        me(me),
        permissionId(std::move(permissionId)),
        userId(std::move(userId)),
        displayName(std::move(displayName)) {}

  friend bool operator==(const User&, const User&) = default;
};

/// A link the file's content can be downloaded from.
struct DownloadLink {
  std::optional<std::string> usage;  ///< what the link serves
  std::optional<std::string> downloadLink;
  std::optional<std::int64_t> version;  ///< content version

  DownloadLink() = default;

  friend bool operator==(const DownloadLink&, const DownloadLink&) = default;
};

/// What the caller may do with a file; each flag may be absent.
struct UserCapabilities {
  std::optional<bool> addChildNodePermission;
  std::optional<bool> copyPermission;
  std::optional<bool> deletePermission;
  std::optional<bool> downloadPermission;
  std::optional<bool> editPermission;
  std::optional<bool> listChildNodePermission;
  std::optional<bool> removeChildNodePermission;
  std::optional<bool> renameFilePermission;
  std::optional<bool> shareFilePermission;
  std::optional<bool> uploadPermission;
  std::optional<bool> viewPermission;

  UserCapabilities() = default;

  friend bool operator==(const UserCapabilities&, const UserCapabilities&) = default;
};

/// The capability flags with every flag present.
struct Capabilities {
  bool addChildNodePermission = false;
  bool copyPermission = false;
  bool deletePermission = false;
  bool downloadPermission = false;
  bool editPermission = false;
  bool listChildNodePermission = false;
  bool removeChildNodePermission = false;
  bool renameFilePermission = false;
  bool shareFilePermission = false;
  bool uploadPermission = false;
  bool viewPermission = false;

  Capabilities() = default;
  Capabilities(bool addChildNodePermission, bool copyPermission, bool deletePermission, bool downloadPermission,
               bool editPermission, bool listChildNodePermission, bool removeChildNodePermission,
               bool renameFilePermission, bool shareFilePermission, bool uploadPermission, bool viewPermission)
      : addChildNodePermission(addChildNodePermission),
        copyPermission(copyPermission),
        deletePermission(deletePermission),
        downloadPermission(downloadPermission),
        editPermission(editPermission),
        listChildNodePermission(listChildNodePermission),
        removeChildNodePermission(removeChildNodePermission),
        renameFilePermission(renameFilePermission),
        shareFilePermission(shareFilePermission),
        uploadPermission(uploadPermission),
        viewPermission(viewPermission) {}

  friend bool operator==(const Capabilities&, const Capabilities&) = default;
};

/// The user's private properties of a file. "attributes" is a nested JSON
/// object whose values may be of any JSON kind.
struct PrivateProperties {
  std::optional<JSONObject> attributes;
  std::optional<std::map<std::string, std::string>> properties;

  PrivateProperties() = default;
  PrivateProperties(std::optional<JSONObject> attributes, std::optional<std::map<std::string, std::string>> properties)
      : attributes(std::move(attributes)), properties(std::move(properties)) {}

  friend bool operator==(const PrivateProperties&, const PrivateProperties&) = default;
};

/// The user's private properties as a search hit carries them: the string properties only.
struct FileListPrivateProperties {
  std::optional<std::map<std::string, std::string>> properties;

  FileListPrivateProperties() = default;
  explicit FileListPrivateProperties(std::optional<std::map<std::string, std::string>> properties)
      : properties(std::move(properties)) {}

  friend bool operator==(const FileListPrivateProperties&, const FileListPrivateProperties&) = default;
};

/// Local timestamps and the audit result of a file.
struct Properties {
  std::optional<std::string> localCreatedAt;
  std::optional<std::string> localUpdatedAt;
  std::optional<std::string> auditResult;

  Properties() = default;

  friend bool operator==(const Properties&, const Properties&) = default;
};

// ---- addresses -----------------------------------------------------------------

/// An address with the HTTP method, part id, headers and form fields to use with it.
struct EndpointURL {
  std::optional<std::string> url;
  std::optional<std::string> method;
  std::optional<std::string> partId;
  std::optional<std::map<std::string, std::string>> headers;
  std::optional<std::map<std::string, std::string>> forms;

  EndpointURL() = default;

  friend bool operator==(const EndpointURL&, const EndpointURL&) = default;
};

/// An address and its HTTP method.
struct EndpointURLMetadata {
  std::optional<std::string> url;
  std::optional<std::string> method;

  EndpointURLMetadata() = default;
  EndpointURLMetadata(std::optional<std::string> url, std::optional<std::string> method)
      : url(std::move(url)), method(std::move(method)) {}

  friend bool operator==(const EndpointURLMetadata&, const EndpointURLMetadata&) = default;
};

/// A processed image of a slice and where to fetch it.
struct Images {
  std::optional<std::string> process;  ///< the processing that produced the image
  std::optional<EndpointURLMetadata> downloadUrl;

  Images() = default;

  friend bool operator==(const Images&, const Images&) = default;
};

// ---- encryption data (carried, never read) --------------------------------------

struct Keychain {
  std::optional<std::string> id;
  std::optional<std::int64_t> type;
  std::optional<std::string> algorithm;
  std::optional<std::string> ekey;

  Keychain() = default;
  Keychain(std::optional<std::string> id, std::optional<std::int64_t> type, std::optional<std::string> algorithm,
           std::optional<std::string> ekey)
      : id(std::move(id)), type(type), algorithm(std::move(algorithm)), ekey(std::move(ekey)) {}

  friend bool operator==(const Keychain&, const Keychain&) = default;
};

struct Cipher {
  std::optional<std::string> algorithm;
  std::optional<std::string> hfek;
  std::optional<std::string> iv;
  std::optional<std::int64_t> dataType;
  std::optional<std::vector<Keychain>> keychains;

  Cipher() = default;
  Cipher(std::optional<std::string> algorithm, std::optional<std::string> hfek, std::optional<std::string> iv,
         std::optional<std::int64_t> dataType, std::optional<std::vector<Keychain>> keychains)
      : algorithm(std::move(algorithm)),
        hfek(std::move(hfek)),
        iv(std::move(iv)),
        dataType(dataType),
        keychains(std::move(keychains)) {}

  friend bool operator==(const Cipher&, const Cipher&) = default;
};

// ---- slice objects: where the stored bytes can be fetched ------------------------

/// Full form (search hits, starred files). "attributes" keeps only the
/// string, integer, double and boolean values of its object.
struct SliceObject {
  std::optional<std::string> id;
  std::optional<std::int64_t> number;  ///< slice number
  std::optional<std::int64_t> start;   ///< start offset in bytes
  std::optional<std::string> sha256;
  std::optional<std::int64_t> length;
  std::optional<std::string> bucket;
  std::optional<std::string> createdTime;
  std::optional<std::string> modifiedTime;
  std::optional<EndpointURL> uploadUrl;
  std::optional<EndpointURL> downloadUrl;
  std::optional<std::string> uploadId;
  std::optional<JSONObject> attributes;
  std::optional<std::map<std::string, std::string>> properties;
  std::optional<std::vector<Images>> images;

  SliceObject() = default;

  friend bool operator==(const SliceObject&, const SliceObject&) = default;
};

/// List form (folder listings).
struct FileListSliceObject {
  std::optional<std::string> id;
  std::optional<std::int64_t> start;
  std::optional<EndpointURLMetadata> downloadUrl;
  std::optional<std::vector<Images>> images;

  FileListSliceObject() = default;
  FileListSliceObject(std::optional<std::string> id, std::int64_t start, std::optional<EndpointURLMetadata> downloadUrl,
                      std::optional<std::vector<Images>> images)
      : id(std::move(id)), start(start), downloadUrl(std::move(downloadUrl)), images(std::move(images)) {}

  friend bool operator==(const FileListSliceObject&, const FileListSliceObject&) = default;
};

/// Detail form (file detail).
struct SliceObjectMetadata {
  std::optional<std::string> id;
  std::optional<std::int64_t> start;
  std::optional<EndpointURLMetadata> downloadUrl;
  std::optional<std::vector<Images>> images;

  SliceObjectMetadata() = default;

  friend bool operator==(const SliceObjectMetadata&, const SliceObjectMetadata&) = default;
};

// ---- resources: the stored bytes, their hashes and encryption data ----------------

/// Full form. "attributes" travels as Base64 of a JSON object's text.
struct Resource {
  std::optional<std::string> id;
  std::optional<std::string> hash;
  std::optional<std::int64_t> length;
  std::optional<std::string> sha256;
  std::optional<std::int64_t> type;
  std::optional<std::int64_t> state;
  std::optional<std::int64_t> sliceSize;
  std::optional<std::string> hfek;
  std::optional<std::string> iv;
  std::optional<std::string> createdTime;
  std::optional<std::string> modifiedTime;
  std::optional<SliceObject> object;
  std::optional<JSONObject> attributes;
  std::optional<std::map<std::string, std::string>> properties;

  Resource() = default;

  friend bool operator==(const Resource&, const Resource&) = default;
};

/// List form; `obj` is read from and written to the key "object".
struct FileListResource {
  std::optional<FileListSliceObject> obj;

  FileListResource() = default;
  explicit FileListResource(std::optional<FileListSliceObject> obj) : obj(std::move(obj)) {}

  friend bool operator==(const FileListResource&, const FileListResource&) = default;
};

/// Detail form; `objects` (one slice object) is read from and written to the key "object".
struct ResourceMetadata {
  std::optional<std::string> id;
  std::optional<std::int64_t> length;
  std::optional<std::string> sha256;
  std::optional<SliceObjectMetadata> objects;

  ResourceMetadata() = default;
  ResourceMetadata(std::optional<std::string> id, std::optional<std::int64_t> length, std::optional<std::string> sha256,
                   std::optional<SliceObjectMetadata> objects)
      : id(std::move(id)), length(length), sha256(std::move(sha256)), objects(std::move(objects)) {}

  friend bool operator==(const ResourceMetadata&, const ResourceMetadata&) = default;
};

// ---- assets: versions of the content ------------------------------------------------

/// Full form. Built by decoding; "attributes" is a nested JSON object.
struct Asset {
  std::optional<std::string> id;
  std::optional<std::string> versionId;
  std::optional<std::int64_t> version;
  std::optional<std::string> mimeType;
  std::optional<std::int64_t> keepPolicy;
  std::optional<std::int64_t> state;
  std::optional<std::string> createdTime;
  std::optional<std::string> modifiedTime;
  std::optional<std::string> lastModifyingUser;
  std::optional<Resource> resource;
  std::optional<Cipher> cipher;
  std::optional<JSONObject> attributes;
  std::optional<std::map<std::string, std::string>> properties;

  Asset() = default;

  friend bool operator==(const Asset&, const Asset&) = default;
};

/// List form.
struct FileListAsset {
  std::optional<std::string> mimeType;
  std::optional<FileListResource> resource;

  FileListAsset() = default;
  FileListAsset(std::optional<std::string> mimeType, std::optional<FileListResource> resource)
      : mimeType(std::move(mimeType)), resource(std::move(resource)) {}

  friend bool operator==(const FileListAsset&, const FileListAsset&) = default;
};

/// Detail form. "attributes" travels as Base64 of a JSON object's text.
struct AssetMetadata {
  std::optional<std::string> id;
  std::optional<std::string> versionId;
  std::optional<std::int64_t> version;
  std::optional<std::string> mimeType;
  std::optional<std::int64_t> state;
  std::optional<std::string> createdTime;
  std::optional<std::string> modifiedTime;
  std::optional<ResourceMetadata> resource;
  std::optional<JSONObject> attributes;

  AssetMetadata() = default;
  AssetMetadata(std::optional<std::string> id, std::optional<std::string> versionId, std::optional<std::int64_t> version,
                std::optional<std::string> mimeType, std::optional<std::int64_t> state,
                std::optional<std::string> createdTime, std::optional<std::string> modifiedTime,
                std::optional<ResourceMetadata> resource, std::optional<JSONObject> attributes)
      : id(std::move(id)),
        versionId(std::move(versionId)),
        version(version),
        mimeType(std::move(mimeType)),
        state(state),
        createdTime(std::move(createdTime)),
        modifiedTime(std::move(modifiedTime)),
        resource(std::move(resource)),
        attributes(std::move(attributes)) {}

  friend bool operator==(const AssetMetadata&, const AssetMetadata&) = default;
};

// ---- attachments: one stored form of the file's content ------------------------------

/// The keys every attachment form shares.
struct BaseAttachment {
  std::optional<std::string> usage;   ///< what the attachment is for
  std::optional<std::string> hash;    ///< content hash
  std::optional<std::string> sha256;  ///< SHA-256 of the content

  BaseAttachment() = default;
  BaseAttachment(std::optional<std::string> usage, std::optional<std::string> hash, std::optional<std::string> sha256)
      : usage(std::move(usage)), hash(std::move(hash)), sha256(std::move(sha256)) {}

  friend bool operator==(const BaseAttachment&, const BaseAttachment&) = default;
};

/// Full form (search hits, starred files). "attributes" is a nested JSON object.
struct Attachment : BaseAttachment {
  std::optional<std::string> assetId;
  std::optional<std::int64_t> length;
  std::optional<std::string> versionId;
  std::optional<std::string> mimeType;
  std::optional<std::string> createdTime;
  std::optional<std::string> modifiedTime;
  std::optional<JSONObject> attributes;
  std::optional<Asset> asset;

  Attachment() = default;
  Attachment(std::optional<std::string> usage, std::optional<std::string> hash, std::optional<std::string> sha256)
      : BaseAttachment(std::move(usage), std::move(hash), std::move(sha256)) {}
  Attachment(std::optional<std::string> usage, std::optional<std::string> hash, std::optional<std::string> sha256,
             std::optional<std::string> assetId, std::optional<std::int64_t> length,
             std::optional<std::string> versionId, std::optional<std::string> mimeType,
             std::optional<std::string> createdTime, std::optional<std::string> modifiedTime,
             std::optional<JSONObject> attributes, std::optional<Asset> asset)
      : BaseAttachment(std::move(usage), std::move(hash), std::move(sha256)),
        assetId(std::move(assetId)),
        length(length),
        versionId(std::move(versionId)),
        mimeType(std::move(mimeType)),
        createdTime(std::move(createdTime)),
        modifiedTime(std::move(modifiedTime)),
        attributes(std::move(attributes)),
        asset(std::move(asset)) {}

  friend bool operator==(const Attachment&, const Attachment&) = default;
};

/// List form (folder listings).
struct FileListAttachment : BaseAttachment {
  std::optional<FileListAsset> asset;

  FileListAttachment() = default;
  FileListAttachment(std::optional<std::string> usage, std::optional<std::string> hash,
                     std::optional<std::string> sha256)
      : BaseAttachment(std::move(usage), std::move(hash), std::move(sha256)) {}

  friend bool operator==(const FileListAttachment&, const FileListAttachment&) = default;
};

/// Detail form (file detail). Repeats the shared attachment keys rather than
/// extending BaseAttachment.
struct AttachmentMetadata {
  std::optional<std::string> usage;
  std::optional<std::string> hash;
  std::optional<std::string> sha256;
  std::optional<AssetMetadata> asset;

  AttachmentMetadata() = default;
  AttachmentMetadata(std::optional<std::string> usage, std::optional<std::string> hash,
                     std::optional<std::string> sha256, std::optional<AssetMetadata> asset)
      : usage(std::move(usage)), hash(std::move(hash)), sha256(std::move(sha256)), asset(std::move(asset)) {}

  friend bool operator==(const AttachmentMetadata&, const AttachmentMetadata&) = default;
};

// ---- file records ------------------------------------------------------------------

/// The common file record. Its extensions each declare their own "size",
/// with their own type.
struct BaseFileBean {
  std::optional<std::string> id;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::string> mimeType;
  std::optional<bool> favorite;
  std::optional<bool> recycled;
  std::optional<std::vector<std::string>> parentFolder;  ///< ids of the parent folders
  std::optional<std::map<std::string, std::string>> properties;
  std::optional<std::vector<User>> owners;
  std::optional<User> lastEditor;
  std::optional<std::string> fileSuffix;
  std::optional<std::vector<DownloadLink>> downloadLinks;
  std::optional<std::string> sha256;  ///< as the server reports it
  std::optional<UserCapabilities> userCapabilities;
  std::optional<std::string> idPath;

  BaseFileBean() = default;

  friend bool operator==(const BaseFileBean&, const BaseFileBean&) = default;
};

/// An entry of a folder listing. "size" is a JSON number here.
struct FileListMetadata : BaseFileBean {
  std::optional<std::string> recycledTime;
  std::optional<std::vector<std::string>> containers;
  std::optional<std::string> createdTime;
  std::optional<std::string> editedTime;
  std::optional<bool> hidden;
  std::optional<bool> directlyRecycled;
  std::optional<std::vector<FileListAttachment>> attachments;
  std::optional<PrivateProperties> userProperties;
  std::optional<std::int64_t> size;

  FileListMetadata() = default;

  friend bool operator==(const FileListMetadata&, const FileListMetadata&) = default;
};

/// A hit of a file search. "size" is text here; a numeric "size" does not decode.
struct FileBean : BaseFileBean {
  std::optional<std::string> updateTime;
  std::optional<std::string> namePath;
  std::optional<std::string> teamName;
  std::optional<std::string> teamId;
  std::optional<std::string> containerId;
  std::optional<std::string> containerType;
  std::optional<std::string> owner;  ///< owner name
  std::optional<std::string> createdTime;
  std::optional<std::string> editedTime;
  std::optional<std::string> ownerId;
  std::optional<std::string> size;
  std::optional<std::vector<Attachment>> attachments;
  std::optional<FileListPrivateProperties> userProperties;

  FileBean() = default;

  friend bool operator==(const FileBean&, const FileBean&) = default;
};

/// An entry of the starred-files list. Stands alone: it repeats many keys of
/// BaseFileBean without extending it.
struct StarFileInfo {
  std::optional<std::string> category;
  std::optional<std::string> id;
  std::optional<std::string> fileName;
  std::optional<std::string> fileType;
  std::optional<std::string> mimeType;
  std::optional<bool> favorite;
  std::optional<bool> recycled;
  std::optional<std::vector<std::string>> parentFolder;
  std::optional<std::map<std::string, std::string>> properties;
  std::optional<std::vector<std::string>> containers;
  std::optional<std::string> createdTime;
  std::optional<std::string> editedTime;
  std::optional<bool> editedByMe;
  std::optional<std::vector<User>> owners;
  std::optional<User> lastEditor;
  std::optional<std::string> fullFileSuffix;
  std::optional<std::string> fileSuffix;
  std::optional<std::int64_t> size;
  std::optional<std::string> sha256;
  std::optional<std::vector<Attachment>> attachments;
  std::optional<std::vector<DownloadLink>> downloadLinks;
  std::optional<PrivateProperties> userProperties;
  std::optional<std::string> starredTime;
  std::optional<std::string> filePath;
  std::optional<std::string> spaceType;
  std::optional<std::int64_t> invalid;  ///< invalidity flag
  std::optional<bool> hidden;
  std::optional<UserCapabilities> userCapabilities;

  StarFileInfo() = default;

  friend bool operator==(const StarFileInfo&, const StarFileInfo&) = default;
};

}  // namespace quillbox
