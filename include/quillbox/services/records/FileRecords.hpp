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
///
/// Not an aggregate (it declares constructors): build it field by field, `User r; r.category = ...;`.
struct User {
  /// Category.
  std::optional<std::string> category;
  std::optional<bool> me;  ///< this user is the caller
  /// Permission id.
  std::optional<std::string> permissionId;
  /// User id.
  std::optional<std::string> userId;
  /// Display name.
  std::optional<std::string> displayName;

  /// Every optional field absent and every required one at its default.
  User() = default;
  /// Sets every field, in declaration order.
  User(std::optional<std::string> category, std::optional<bool> me, std::optional<std::string> permissionId,
       std::optional<std::string> userId, std::optional<std::string> displayName)
      : category(std::move(category)),
        me(me),
        permissionId(std::move(permissionId)),
        userId(std::move(userId)),
        displayName(std::move(displayName)) {}

  /// Equal when every field is equal.
  friend bool operator==(const User&, const User&) = default;
};

/// A link the file's content can be downloaded from.
///
/// Not an aggregate (it declares constructors): build it field by field, `DownloadLink r; r.usage = ...;`.
struct DownloadLink {
  std::optional<std::string> usage;  ///< what the link serves
  /// The URL.
  std::optional<std::string> downloadLink;
  std::optional<std::int64_t> version;  ///< content version

  /// Every optional field absent and every required one at its default.
  DownloadLink() = default;

  /// Equal when every field is equal.
  friend bool operator==(const DownloadLink&, const DownloadLink&) = default;
};

/// What the caller may do with a file; each flag may be absent.
///
/// Not an aggregate (it declares constructors): build it field by field, `UserCapabilities r;
/// r.addChildNodePermission = ...;`.
struct UserCapabilities {
  /// May add children to the folder.
  std::optional<bool> addChildNodePermission;
  /// May copy.
  std::optional<bool> copyPermission;
  /// May delete.
  std::optional<bool> deletePermission;
  /// May download.
  std::optional<bool> downloadPermission;
  /// May edit.
  std::optional<bool> editPermission;
  /// May list the folder's children.
  std::optional<bool> listChildNodePermission;
  /// May remove children from the folder.
  std::optional<bool> removeChildNodePermission;
  /// May rename.
  std::optional<bool> renameFilePermission;
  /// May share.
  std::optional<bool> shareFilePermission;
  /// May upload.
  std::optional<bool> uploadPermission;
  /// May view.
  std::optional<bool> viewPermission;

  /// Every optional field absent and every required one at its default.
  UserCapabilities() = default;

  /// Equal when every field is equal.
  friend bool operator==(const UserCapabilities&, const UserCapabilities&) = default;
};

/// The capability flags with every flag present.
///
/// Not an aggregate (it declares constructors): build it field by field, `Capabilities r; r.addChildNodePermission
/// = ...;`.
struct Capabilities {
  /// May add children to the folder.
  bool addChildNodePermission = false;
  /// May copy.
  bool copyPermission = false;
  /// May delete.
  bool deletePermission = false;
  /// May download.
  bool downloadPermission = false;
  /// May edit.
  bool editPermission = false;
  /// May list the folder's children.
  bool listChildNodePermission = false;
  /// May remove children from the folder.
  bool removeChildNodePermission = false;
  /// May rename.
  bool renameFilePermission = false;
  /// May share.
  bool shareFilePermission = false;
  /// May upload.
  bool uploadPermission = false;
  /// May view.
  bool viewPermission = false;

  /// Every optional field absent and every required one at its default.
  Capabilities() = default;
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const Capabilities&, const Capabilities&) = default;
};

/// The user's private properties of a file. "attributes" is a nested JSON
/// object whose values may be of any JSON kind.
///
/// Not an aggregate (it declares constructors): build it field by field, `PrivateProperties r; r.attributes =
/// ...;`.
struct PrivateProperties {
  /// Free-form object of the service: any JSON values, kept as they are.
  std::optional<JSONObject> attributes;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;

  /// Every optional field absent and every required one at its default.
  PrivateProperties() = default;
  /// Sets every field, in declaration order.
  PrivateProperties(std::optional<JSONObject> attributes, std::optional<std::map<std::string, std::string>> properties)
      : attributes(std::move(attributes)), properties(std::move(properties)) {}

  /// Equal when every field is equal.
  friend bool operator==(const PrivateProperties&, const PrivateProperties&) = default;
};

/// The user's private properties as a search hit carries them: the string properties only.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListPrivateProperties r; r.properties
/// = ...;`.
struct FileListPrivateProperties {
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;

  /// Every optional field absent and every required one at its default.
  FileListPrivateProperties() = default;
  /// Sets every field, in declaration order.
  explicit FileListPrivateProperties(std::optional<std::map<std::string, std::string>> properties)
      : properties(std::move(properties)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileListPrivateProperties&, const FileListPrivateProperties&) = default;
};

/// Local timestamps and the audit result of a file.
///
/// Not an aggregate (it declares constructors): build it field by field, `Properties r; r.localCreatedAt = ...;`.
struct Properties {
  /// Creation time on the uploading device.
  std::optional<std::string> localCreatedAt;
  /// Last update time on the uploading device.
  std::optional<std::string> localUpdatedAt;
  /// Result of the content audit (the service's code).
  std::optional<std::string> auditResult;

  /// Every optional field absent and every required one at its default.
  Properties() = default;

  /// Equal when every field is equal.
  friend bool operator==(const Properties&, const Properties&) = default;
};

// ---- addresses -----------------------------------------------------------------

/// An address with the HTTP method, part id, headers and form fields to use with it.
///
/// Not an aggregate (it declares constructors): build it field by field, `EndpointURL r; r.url = ...;`.
struct EndpointURL {
  /// Address.
  std::optional<std::string> url;
  /// HTTP method to use.
  std::optional<std::string> method;
  /// Id of the part.
  std::optional<std::string> partId;
  /// Headers to send.
  std::optional<std::map<std::string, std::string>> headers;
  /// Form fields to send.
  std::optional<std::map<std::string, std::string>> forms;

  /// Every optional field absent and every required one at its default.
  EndpointURL() = default;

  /// Equal when every field is equal.
  friend bool operator==(const EndpointURL&, const EndpointURL&) = default;
};

/// An address and its HTTP method.
///
/// Not an aggregate (it declares constructors): build it field by field, `EndpointURLMetadata r; r.url = ...;`.
struct EndpointURLMetadata {
  /// Address.
  std::optional<std::string> url;
  /// HTTP method to use.
  std::optional<std::string> method;

  /// Every optional field absent and every required one at its default.
  EndpointURLMetadata() = default;
  /// Sets every field, in declaration order.
  EndpointURLMetadata(std::optional<std::string> url, std::optional<std::string> method)
      : url(std::move(url)), method(std::move(method)) {}

  /// Equal when every field is equal.
  friend bool operator==(const EndpointURLMetadata&, const EndpointURLMetadata&) = default;
};

/// A processed image of a slice and where to fetch it.
///
/// Not an aggregate (it declares constructors): build it field by field, `Images r; r.process = ...;`.
struct Images {
  std::optional<std::string> process;  ///< the processing that produced the image
  /// Download address.
  std::optional<EndpointURLMetadata> downloadUrl;

  /// Every optional field absent and every required one at its default.
  Images() = default;

  /// Equal when every field is equal.
  friend bool operator==(const Images&, const Images&) = default;
};

// ---- encryption data (carried, never read) --------------------------------------

/// One key of a content cipher.
///
/// Not an aggregate (it declares constructors): build it field by field, `Keychain r; r.id = ...;`.
struct Keychain {
  /// Id.
  std::optional<std::string> id;
  /// Type (the service's code).
  std::optional<std::int64_t> type;
  /// Algorithm name.
  std::optional<std::string> algorithm;
  /// Encrypted key.
  std::optional<std::string> ekey;

  /// Every optional field absent and every required one at its default.
  Keychain() = default;
  /// Sets every field, in declaration order.
  Keychain(std::optional<std::string> id, std::optional<std::int64_t> type, std::optional<std::string> algorithm,
           std::optional<std::string> ekey)
      : id(std::move(id)), type(type), algorithm(std::move(algorithm)), ekey(std::move(ekey)) {}

  /// Equal when every field is equal.
  friend bool operator==(const Keychain&, const Keychain&) = default;
};

/// How stored content is encrypted, as the server describes it.
///
/// Not an aggregate (it declares constructors): build it field by field, `Cipher r; r.algorithm = ...;`.
struct Cipher {
  /// Algorithm name.
  std::optional<std::string> algorithm;
  /// The service's `hfek` value.
  std::optional<std::string> hfek;
  /// Initialisation vector.
  std::optional<std::string> iv;
  /// Data type.
  std::optional<std::int64_t> dataType;
  /// Keys.
  std::optional<std::vector<Keychain>> keychains;

  /// Every optional field absent and every required one at its default.
  Cipher() = default;
  /// Sets every field, in declaration order.
  Cipher(std::optional<std::string> algorithm, std::optional<std::string> hfek, std::optional<std::string> iv,
         std::optional<std::int64_t> dataType, std::optional<std::vector<Keychain>> keychains)
      : algorithm(std::move(algorithm)),
        hfek(std::move(hfek)),
        iv(std::move(iv)),
        dataType(dataType),
        keychains(std::move(keychains)) {}

  /// Equal when every field is equal.
  friend bool operator==(const Cipher&, const Cipher&) = default;
};

// ---- slice objects: where the stored bytes can be fetched ------------------------

/// Full form (search hits, starred files). "attributes" keeps only the
/// string, integer, double and boolean values of its object.
///
/// Not an aggregate (it declares constructors): build it field by field, `SliceObject r; r.id = ...;`.
struct SliceObject {
  /// Object id.
  std::optional<std::string> id;
  std::optional<std::int64_t> number;  ///< slice number
  std::optional<std::int64_t> start;   ///< start offset in bytes
  /// SHA-256 of the slice.
  std::optional<std::string> sha256;
  /// Length in bytes.
  std::optional<std::int64_t> length;
  /// Storage bucket.
  std::optional<std::string> bucket;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Modification time.
  std::optional<std::string> modifiedTime;
  /// Where to upload.
  std::optional<EndpointURL> uploadUrl;
  /// Where to download.
  std::optional<EndpointURL> downloadUrl;
  /// Upload id.
  std::optional<std::string> uploadId;
  /// Free-form object of the service, read key by key: each value is kept as text, integer,
  /// number or bool, in that order of trial; a value of another kind is dropped.
  std::optional<JSONObject> attributes;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;
  /// Processed images.
  std::optional<std::vector<Images>> images;

  /// Every optional field absent and every required one at its default.
  SliceObject() = default;

  /// Equal when every field is equal.
  friend bool operator==(const SliceObject&, const SliceObject&) = default;
};

/// List form (folder listings).
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListSliceObject r; r.id = ...;`.
struct FileListSliceObject {
  /// Id.
  std::optional<std::string> id;
  /// Offset of the slice in the content, in bytes.
  std::optional<std::int64_t> start;
  /// Download address.
  std::optional<EndpointURLMetadata> downloadUrl;
  /// Image renditions.
  std::optional<std::vector<Images>> images;

  /// Every optional field absent and every required one at its default.
  FileListSliceObject() = default;
  /// Sets every field, in declaration order.
  FileListSliceObject(std::optional<std::string> id, std::int64_t start, std::optional<EndpointURLMetadata> downloadUrl,
                      std::optional<std::vector<Images>> images)
      : id(std::move(id)), start(start), downloadUrl(std::move(downloadUrl)), images(std::move(images)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileListSliceObject&, const FileListSliceObject&) = default;
};

/// Detail form (file detail).
///
/// Not an aggregate (it declares constructors): build it field by field, `SliceObjectMetadata r; r.id = ...;`.
struct SliceObjectMetadata {
  /// Id.
  std::optional<std::string> id;
  /// Offset of the slice in the content, in bytes.
  std::optional<std::int64_t> start;
  /// Download address.
  std::optional<EndpointURLMetadata> downloadUrl;
  /// Image renditions.
  std::optional<std::vector<Images>> images;

  /// Every optional field absent and every required one at its default.
  SliceObjectMetadata() = default;

  /// Equal when every field is equal.
  friend bool operator==(const SliceObjectMetadata&, const SliceObjectMetadata&) = default;
};

// ---- resources: the stored bytes, their hashes and encryption data ----------------

/// Full form. "attributes" travels as Base64 of a JSON object's text.
///
/// Not an aggregate (it declares constructors): build it field by field, `Resource r; r.id = ...;`.
struct Resource {
  /// Resource id.
  std::optional<std::string> id;
  /// Content hash.
  std::optional<std::string> hash;
  /// Length in bytes.
  std::optional<std::int64_t> length;
  /// SHA-256 of the content.
  std::optional<std::string> sha256;
  /// Resource type.
  std::optional<std::int64_t> type;
  /// State.
  std::optional<std::int64_t> state;
  /// Slice size in bytes.
  std::optional<std::int64_t> sliceSize;
  /// Opaque key-material field, passed through.
  std::optional<std::string> hfek;
  /// Opaque initialisation-vector field, passed through.
  std::optional<std::string> iv;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Modification time.
  std::optional<std::string> modifiedTime;
  /// Where the bytes are.
  std::optional<SliceObject> object;
  /// Free-form object of the service, carried on the wire as Base64 of its JSON text; set only
  /// when that text is an object.
  std::optional<JSONObject> attributes;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;

  /// Every optional field absent and every required one at its default.
  Resource() = default;

  /// Equal when every field is equal.
  friend bool operator==(const Resource&, const Resource&) = default;
};

/// List form; `obj` is read from and written to the key "object".
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListResource r; r.obj = ...;`.
struct FileListResource {
  /// The stored objects.
  std::optional<FileListSliceObject> obj;

  /// Every optional field absent and every required one at its default.
  FileListResource() = default;
  /// Sets every field, in declaration order.
  explicit FileListResource(std::optional<FileListSliceObject> obj) : obj(std::move(obj)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileListResource&, const FileListResource&) = default;
};

/// Detail form; `objects` (one slice object) is read from and written to the key "object".
///
/// Not an aggregate (it declares constructors): build it field by field, `ResourceMetadata r; r.id = ...;`.
struct ResourceMetadata {
  /// Id.
  std::optional<std::string> id;
  /// Length in bytes.
  std::optional<std::int64_t> length;
  /// SHA-256 of the whole content, as lower-case hex.
  std::optional<std::string> sha256;
  /// The stored objects (slices).
  std::optional<SliceObjectMetadata> objects;

  /// Every optional field absent and every required one at its default.
  ResourceMetadata() = default;
  /// Sets every field, in declaration order.
  ResourceMetadata(std::optional<std::string> id, std::optional<std::int64_t> length, std::optional<std::string> sha256,
                   std::optional<SliceObjectMetadata> objects)
      : id(std::move(id)), length(length), sha256(std::move(sha256)), objects(std::move(objects)) {}

  /// Equal when every field is equal.
  friend bool operator==(const ResourceMetadata&, const ResourceMetadata&) = default;
};

// ---- assets: versions of the content ------------------------------------------------

/// Full form. Built by decoding; "attributes" is a nested JSON object.
///
/// Not an aggregate (it declares constructors): build it field by field, `Asset r; r.id = ...;`.
struct Asset {
  /// Asset id.
  std::optional<std::string> id;
  /// Version id.
  std::optional<std::string> versionId;
  /// Version number.
  std::optional<std::int64_t> version;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Keep policy.
  std::optional<std::int64_t> keepPolicy;
  /// State.
  std::optional<std::int64_t> state;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Modification time.
  std::optional<std::string> modifiedTime;
  /// Last modifying user.
  std::optional<std::string> lastModifyingUser;
  /// The stored bytes.
  std::optional<Resource> resource;
  /// Encryption data.
  std::optional<Cipher> cipher;
  /// Free-form object of the service: any JSON values, kept as they are.
  std::optional<JSONObject> attributes;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;

  /// Every optional field absent and every required one at its default.
  Asset() = default;

  /// Equal when every field is equal.
  friend bool operator==(const Asset&, const Asset&) = default;
};

/// List form.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListAsset r; r.mimeType = ...;`.
struct FileListAsset {
  /// MIME type.
  std::optional<std::string> mimeType;
  /// The stored resource.
  std::optional<FileListResource> resource;

  /// Every optional field absent and every required one at its default.
  FileListAsset() = default;
  /// Sets every field, in declaration order.
  FileListAsset(std::optional<std::string> mimeType, std::optional<FileListResource> resource)
      : mimeType(std::move(mimeType)), resource(std::move(resource)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileListAsset&, const FileListAsset&) = default;
};

/// Detail form. "attributes" travels as Base64 of a JSON object's text.
///
/// Not an aggregate (it declares constructors): build it field by field, `AssetMetadata r; r.id = ...;`.
struct AssetMetadata {
  /// Id.
  std::optional<std::string> id;
  /// Id of the version.
  std::optional<std::string> versionId;
  /// Version number.
  std::optional<std::int64_t> version;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// State (the service's code).
  std::optional<std::int64_t> state;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Last modification time.
  std::optional<std::string> modifiedTime;
  /// The stored resource.
  std::optional<ResourceMetadata> resource;
  /// Free-form object of the service, carried on the wire as Base64 of its JSON text; set only
  /// when that text is an object.
  std::optional<JSONObject> attributes;

  /// Every optional field absent and every required one at its default.
  AssetMetadata() = default;
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const AssetMetadata&, const AssetMetadata&) = default;
};

// ---- attachments: one stored form of the file's content ------------------------------

/// The keys every attachment form shares.
///
/// Not an aggregate (it declares constructors): build it field by field, `BaseAttachment r; r.usage = ...;`.
struct BaseAttachment {
  std::optional<std::string> usage;   ///< what the attachment is for
  std::optional<std::string> hash;    ///< content hash
  std::optional<std::string> sha256;  ///< SHA-256 of the content

  /// Every optional field absent and every required one at its default.
  BaseAttachment() = default;
  /// Sets every field, in declaration order.
  BaseAttachment(std::optional<std::string> usage, std::optional<std::string> hash, std::optional<std::string> sha256)
      : usage(std::move(usage)), hash(std::move(hash)), sha256(std::move(sha256)) {}

  /// Equal when every field is equal.
  friend bool operator==(const BaseAttachment&, const BaseAttachment&) = default;
};

/// Full form (search hits, starred files). "attributes" is a nested JSON object.
///
/// Not an aggregate (it declares constructors): build it field by field, `Attachment r; r.assetId = ...;`.
struct Attachment : BaseAttachment {
  /// Asset id.
  std::optional<std::string> assetId;
  /// Content length in bytes.
  std::optional<std::int64_t> length;
  /// Version id.
  std::optional<std::string> versionId;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Modification time.
  std::optional<std::string> modifiedTime;
  /// Free-form object of the service: any JSON values, kept as they are.
  std::optional<JSONObject> attributes;
  /// The asset.
  std::optional<Asset> asset;

  /// Every optional field absent and every required one at its default.
  Attachment() = default;
  /// Sets every field, in declaration order.
  Attachment(std::optional<std::string> usage, std::optional<std::string> hash, std::optional<std::string> sha256)
      : BaseAttachment(std::move(usage), std::move(hash), std::move(sha256)) {}
  /// Sets every field, in declaration order.
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

  /// Equal when every field is equal.
  friend bool operator==(const Attachment&, const Attachment&) = default;
};

/// List form (folder listings).
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListAttachment r; r.asset = ...;`.
struct FileListAttachment : BaseAttachment {
  /// The stored asset.
  std::optional<FileListAsset> asset;

  /// Every optional field absent and every required one at its default.
  FileListAttachment() = default;
  /// Sets every field, in declaration order.
  FileListAttachment(std::optional<std::string> usage, std::optional<std::string> hash,
                     std::optional<std::string> sha256)
      : BaseAttachment(std::move(usage), std::move(hash), std::move(sha256)) {}

  /// Equal when every field is equal.
  friend bool operator==(const FileListAttachment&, const FileListAttachment&) = default;
};

/// Detail form (file detail). Repeats the shared attachment keys rather than
/// extending BaseAttachment.
///
/// Not an aggregate (it declares constructors): build it field by field, `AttachmentMetadata r; r.usage = ...;`.
struct AttachmentMetadata {
  /// Usage of the attachment.
  std::optional<std::string> usage;
  /// Hash of the content.
  std::optional<std::string> hash;
  /// SHA-256 of the whole content, as lower-case hex.
  std::optional<std::string> sha256;
  /// The stored asset.
  std::optional<AssetMetadata> asset;

  /// Every optional field absent and every required one at its default.
  AttachmentMetadata() = default;
  /// Sets every field, in declaration order.
  AttachmentMetadata(std::optional<std::string> usage, std::optional<std::string> hash,
                     std::optional<std::string> sha256, std::optional<AssetMetadata> asset)
      : usage(std::move(usage)), hash(std::move(hash)), sha256(std::move(sha256)), asset(std::move(asset)) {}

  /// Equal when every field is equal.
  friend bool operator==(const AttachmentMetadata&, const AttachmentMetadata&) = default;
};

// ---- file records ------------------------------------------------------------------

/// The common file record. Its extensions each declare their own "size",
/// with their own type.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `BaseFileBean r;
/// r.id = ...;`.
struct BaseFileBean {
  /// File id.
  std::optional<std::string> id;
  /// File name.
  std::optional<std::string> fileName;
  /// File type.
  std::optional<std::string> fileType;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Starred by the user.
  std::optional<bool> favorite;
  /// In the recycle bin.
  std::optional<bool> recycled;
  std::optional<std::vector<std::string>> parentFolder;  ///< ids of the parent folders
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;
  /// Owners.
  std::optional<std::vector<User>> owners;
  /// Last editor.
  std::optional<User> lastEditor;
  /// File name suffix.
  std::optional<std::string> fileSuffix;
  /// Download links.
  std::optional<std::vector<DownloadLink>> downloadLinks;
  std::optional<std::string> sha256;  ///< as the server reports it
  /// What the caller may do with the file.
  std::optional<UserCapabilities> userCapabilities;
  /// Path of ids.
  std::optional<std::string> idPath;

  /// Every optional field absent and every required one at its default.
  BaseFileBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const BaseFileBean&, const BaseFileBean&) = default;
};

/// An entry of a folder listing. "size" is a JSON number here.
///
/// Not an aggregate (it declares constructors): build it field by field, `FileListMetadata r; r.recycledTime =
/// ...;`.
struct FileListMetadata : BaseFileBean {
  /// Time of moving to the recycle bin.
  std::optional<std::string> recycledTime;
  /// Containers holding the file.
  std::optional<std::vector<std::string>> containers;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Last edit time.
  std::optional<std::string> editedTime;
  /// Hidden file.
  std::optional<bool> hidden;
  /// Recycled directly rather than with its folder.
  std::optional<bool> directlyRecycled;
  /// Content attachments (list form).
  std::optional<std::vector<FileListAttachment>> attachments;
  /// The user's private properties.
  std::optional<PrivateProperties> userProperties;
  /// Size in bytes.
  std::optional<std::int64_t> size;

  /// Every optional field absent and every required one at its default.
  FileListMetadata() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FileListMetadata&, const FileListMetadata&) = default;
};

/// A hit of a file search. "size" is text here; a numeric "size" does not decode.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `FileBean r;
/// r.updateTime = ...;`.
struct FileBean : BaseFileBean {
  /// Last update time.
  std::optional<std::string> updateTime;
  /// Path of names.
  std::optional<std::string> namePath;
  /// Team name.
  std::optional<std::string> teamName;
  /// Team id.
  std::optional<std::string> teamId;
  /// Container.
  std::optional<std::string> containerId;
  /// Container type.
  std::optional<std::string> containerType;
  std::optional<std::string> owner;  ///< owner name
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Last edit time.
  std::optional<std::string> editedTime;
  /// Owner id.
  std::optional<std::string> ownerId;
  /// Size, as text.
  std::optional<std::string> size;
  /// Content attachments (full form).
  std::optional<std::vector<Attachment>> attachments;
  /// The user's private properties.
  std::optional<FileListPrivateProperties> userProperties;

  /// Every optional field absent and every required one at its default.
  FileBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const FileBean&, const FileBean&) = default;
};

/// An entry of the starred-files list. Stands alone: it repeats many keys of
/// BaseFileBean without extending it.
///
/// Not an aggregate (it declares constructors): build it field by field, `StarFileInfo r; r.category = ...;`.
struct StarFileInfo {
  /// Category.
  std::optional<std::string> category;
  /// File id.
  std::optional<std::string> id;
  /// File name.
  std::optional<std::string> fileName;
  /// File type.
  std::optional<std::string> fileType;
  /// MIME type.
  std::optional<std::string> mimeType;
  /// Starred.
  std::optional<bool> favorite;
  /// In the recycle bin.
  std::optional<bool> recycled;
  /// Ids of the parent folders.
  std::optional<std::vector<std::string>> parentFolder;
  /// Free properties.
  std::optional<std::map<std::string, std::string>> properties;
  /// Containers holding the file.
  std::optional<std::vector<std::string>> containers;
  /// Creation time.
  std::optional<std::string> createdTime;
  /// Last edit time.
  std::optional<std::string> editedTime;
  /// Last edited by the caller.
  std::optional<bool> editedByMe;
  /// Owners.
  std::optional<std::vector<User>> owners;
  /// Last editor.
  std::optional<User> lastEditor;
  /// Full suffix.
  std::optional<std::string> fullFileSuffix;
  /// Suffix.
  std::optional<std::string> fileSuffix;
  /// Size in bytes.
  std::optional<std::int64_t> size;
  /// SHA-256 of the content.
  std::optional<std::string> sha256;
  /// Content attachments (full form).
  std::optional<std::vector<Attachment>> attachments;
  /// Download links.
  std::optional<std::vector<DownloadLink>> downloadLinks;
  /// The user's private properties.
  std::optional<PrivateProperties> userProperties;
  /// Time of starring.
  std::optional<std::string> starredTime;
  /// Path.
  std::optional<std::string> filePath;
  /// Space type.
  std::optional<std::string> spaceType;
  std::optional<std::int64_t> invalid;  ///< invalidity flag
  /// Hidden file.
  std::optional<bool> hidden;
  /// What the caller may do with the file.
  std::optional<UserCapabilities> userCapabilities;

  /// Every optional field absent and every required one at its default.
  StarFileInfo() = default;

  /// Equal when every field is equal.
  friend bool operator==(const StarFileInfo&, const StarFileInfo&) = default;
};

}  // namespace quillbox
