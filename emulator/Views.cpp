#include "emulator/Views.hpp"

#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/favor/FavorRecords.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"
#include "quillbox/services/share/ShareRecords.hpp"
#include "quillbox/services/user/UserRecords.hpp"

namespace quillbox::emulator {

User userRecord(const UserRec& owner, bool me) {
  return User(std::string("user"), me, std::string(me ? "owner" : "viewer"), owner.userId, owner.name);
}

UserCapabilities capabilities(bool owner) {
  UserCapabilities c;
  c.viewPermission = true;
  c.downloadPermission = true;
  c.listChildNodePermission = true;
  c.copyPermission = owner;
  c.addChildNodePermission = owner;
  c.deletePermission = owner;
  c.editPermission = owner;
  c.removeChildNodePermission = owner;
  c.renameFilePermission = owner;
  c.shareFilePermission = owner;
  c.uploadPermission = owner;
  return c;
}

namespace {

const UserRec& ownerOf(const State& s, const NodeRec& n) {
  static const UserRec nobody;
  auto it = s.users.find(n.ownerId);
  return it == s.users.end() ? nobody : it->second;
}

Attachment fullAttachment(const NodeRec& n, const std::string& url) {
  SliceObject object;
  object.id = n.sha256;
  object.number = 1;
  object.start = 0;
  object.sha256 = n.sha256;
  object.length = n.size;
  object.bucket = "emulator";
  object.createdTime = isoTime(n.createdTime);
  object.modifiedTime = isoTime(n.editedTime);
  EndpointURL endpoint;
  endpoint.url = url;
  endpoint.method = "GET";
  object.downloadUrl = endpoint;
  Resource resource;
  resource.id = n.sha256;
  resource.hash = n.sha256;
  resource.length = n.size;
  resource.sha256 = n.sha256;
  resource.type = 0;
  resource.state = 0;
  resource.sliceSize = n.size;
  resource.createdTime = isoTime(n.createdTime);
  resource.modifiedTime = isoTime(n.editedTime);
  resource.object = object;
  Asset asset;
  asset.id = n.id + ".v1";
  asset.versionId = "1";
  asset.version = 1;
  asset.mimeType = n.mimeType;
  asset.state = 0;
  asset.createdTime = isoTime(n.createdTime);
  asset.modifiedTime = isoTime(n.editedTime);
  asset.lastModifyingUser = n.ownerId;
  asset.resource = resource;
  return Attachment(std::string("content"), n.sha256, n.sha256, n.id + ".v1", n.size, std::string("1"), n.mimeType,
                    isoTime(n.createdTime), isoTime(n.editedTime), std::nullopt, asset);
}

}  // namespace

// The fields every kind of file entry shares (listing, search hit, star).
template <class Entry>
void fillEntry(const Core& core, Entry& e, const UserRec& u, const NodeRec& n) {
  const UserRec& owner = ownerOf(core.state, n);
  const bool mine = owner.userId == u.userId;
  e.id = n.id;
  e.fileName = n.name;
  e.fileType = n.fileType;
  e.mimeType = n.mimeType;
  e.recycled = false;
  e.parentFolder = std::vector<std::string>{n.parentId};
  e.owners = std::vector<User>{userRecord(owner, mine)};
  e.lastEditor = userRecord(owner, mine);
  e.userCapabilities = capabilities(mine);
  e.createdTime = isoTime(n.createdTime);
  e.editedTime = isoTime(n.editedTime);
}

// The file detail (ServiceFiles.cpp) is filled here too.
template void fillEntry(const Core&, GetFileDetailResponse&, const UserRec&, const NodeRec&);

bool starredBy(const Core& core, const UserRec& u, const NodeRec& n) {
  auto stars = core.state.stars.find(u.userId);
  return stars != core.state.stars.end() && stars->second.count(n.id) > 0;
}

FileListMetadata listEntry(const Core& core, const UserRec& u, const NodeRec& n) {
  FileListMetadata e;
  fillEntry(core, e, u, n);
  e.favorite = starredBy(core, u, n);
  e.idPath = core.state.idPath(n);
  e.containers = std::vector<std::string>{ownerOf(core.state, n).containerId};
  e.hidden = n.hidden;
  e.directlyRecycled = false;
  if (!n.folder) {
    const std::string url = core.downloadUrl(n);
    e.fileSuffix = suffixOf(n.name);
    e.sha256 = n.sha256;
    e.size = n.size;
    e.downloadLinks = Core::contentLinks(url);
    FileListAttachment attachment(std::string("content"), n.sha256, n.sha256);
    attachment.asset = FileListAsset(
        n.mimeType, FileListResource(FileListSliceObject(n.sha256, 0, EndpointURLMetadata(url, std::string("GET")),
                                                         std::nullopt)));
    e.attachments = std::vector<FileListAttachment>{attachment};
  }
  return e;
}

FileBean searchHit(const Core& core, const UserRec& u, const NodeRec& n) {
  const UserRec& owner = ownerOf(core.state, n);
  FileBean e;
  fillEntry(core, e, u, n);
  e.favorite = starredBy(core, u, n);
  e.idPath = core.state.idPath(n);
  e.updateTime = isoTime(n.editedTime);
  e.namePath = core.state.namePath(n);
  e.containerId = owner.containerId;
  e.containerType = "personal";
  e.owner = owner.name;
  e.ownerId = owner.userId;
  if (!n.folder) {
    const std::string url = core.downloadUrl(n);
    e.fileSuffix = suffixOf(n.name);
    e.sha256 = n.sha256;
    e.size = std::to_string(n.size);
    e.downloadLinks = Core::contentLinks(url);
    e.attachments = std::vector<Attachment>{fullAttachment(n, url)};
  }
  return e;
}

StarFileInfo starEntry(const Core& core, const UserRec& u, const NodeRec& n, Millis starred) {
  const UserRec& owner = ownerOf(core.state, n);
  StarFileInfo e;
  fillEntry(core, e, u, n);
  e.category = n.folder ? "folder" : "file";
  e.favorite = true;
  e.containers = std::vector<std::string>{owner.containerId};
  e.editedByMe = owner.userId == u.userId;
  e.starredTime = isoTime(starred);
  e.filePath = core.state.namePath(n);
  e.spaceType = "personal";
  e.invalid = 0;
  e.hidden = n.hidden;
  if (!n.folder) {
    const std::string url = core.downloadUrl(n);
    const auto dot = n.name.find('.');
    e.fullFileSuffix = dot == std::string::npos || dot == 0 ? std::string() : n.name.substr(dot + 1);
    e.fileSuffix = suffixOf(n.name);
    e.size = n.size;
    e.sha256 = n.sha256;
    e.attachments = std::vector<Attachment>{fullAttachment(n, url)};
    e.downloadLinks = Core::contentLinks(url);
  }
  return e;
}

ShareFileInfo shareFileInfo(const Core& core, const NodeRec& n) {
  ShareFileInfo f(n.id, n.name, n.fileType, n.folder ? std::nullopt : std::optional<std::int64_t>(n.size),
                  std::vector<std::string>{n.parentId},
                  n.folder ? std::nullopt : std::optional<std::string>(suffixOf(n.name)),
                  std::vector<std::string>{ownerOf(core.state, n).containerId}, std::nullopt);
  f.mimeType = n.mimeType;
  f.recycled = false;
  return f;
}

ShareFile shareFile(const Core& core, const NodeRec& n, bool withLinks) {
  std::optional<std::vector<DownloadLink>> downloads;
  if (withLinks && !n.folder) downloads = core.links(n);
  ShareFile f(n.id, n.name, n.fileType, n.folder ? std::nullopt : std::optional<std::int64_t>(n.size),
              std::vector<std::string>{n.parentId},
              n.folder ? std::nullopt : std::optional<std::string>(suffixOf(n.name)),
              std::vector<std::string>{ownerOf(core.state, n).containerId}, downloads);
  f.editedTime = isoTime(n.editedTime);
  return f;
}

}  // namespace quillbox::emulator
