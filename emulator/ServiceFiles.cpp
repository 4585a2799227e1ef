// The file service: listings, search, paths, statistics, details, recent
// accesses, download addresses, folders, renaming and the upload steps.

#include <algorithm>

#include "emulator/Crypto.hpp"
#include "emulator/Areas.hpp"
#include "emulator/Views.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"

namespace quillbox::emulator {

namespace {

constexpr std::int64_t kPlannedPartSize = 8 << 20;
constexpr std::int64_t kMaxParts = 10000;

// Sort codes shared by the listings: 1 time, 2 name, 3 size; direction 1 ascending, 2 descending.
void sortNodes(std::vector<const NodeRec*>& list, std::int64_t type, std::int64_t direction, bool foldersFirst) {
  if (type < 1 || type > 3) throw ApiError{400, "sortType is 1 (time), 2 (name) or 3 (size)"};
  if (direction != 1 && direction != 2) throw ApiError{400, "sortDirection is 1 (ascending) or 2 (descending)"};
  std::stable_sort(list.begin(), list.end(), [&](const NodeRec* a, const NodeRec* b) {
    if (foldersFirst && a->folder != b->folder) return a->folder;
    auto less = [&](const NodeRec* x, const NodeRec* y) {
      switch (type) {
        case 1: return std::tie(x->editedTime, x->name, x->id) < std::tie(y->editedTime, y->name, y->id);
        case 3: return std::tie(x->size, x->name, x->id) < std::tie(y->size, y->name, y->id);
        default: return std::tie(x->name, x->id) < std::tie(y->name, y->id);
      }
    };
    return direction == 1 ? less(a, b) : less(b, a);
  });
}

std::int64_t sortCode(const std::optional<std::string>& text, std::int64_t fallback, const char* what) {
  if (!text || text->empty()) return fallback;
  try {
    std::size_t used = 0;
    const long long v = std::stoll(*text, &used);
    if (used != text->size()) throw std::invalid_argument(*text);
    return v;
  } catch (const std::exception&) {
    throw ApiError{400, std::string(what) + " must be a number, not \"" + *text + "\""};
  }
}

std::string firstParent(const std::optional<std::vector<std::string>>& parents) {
  if (!parents || parents->empty()) return "root";
  if (parents->size() > 1) throw ApiError{400, "only one parent folder may be given"};
  return parents->front().empty() ? std::string("root") : parents->front();
}

}  // namespace

void FilesApi::addRoutes(RouteTable& t) {
  t.add({"POST", "files/rename/*", [this](Call& c) { return rename(core_.caller(c.req), c.seg[2], c.req); }, true});
  t.add({"POST", "files/*/detail", [this](Call& c) { return fileDetail(core_.caller(c.req), c.seg[1], c.req); }, true});
  t.add(
      {"POST", "files/multipart/uploadUrl", [this](Call& c) { return uploadUrls(core_.caller(c.req), c.req); }, true});
  t.add({"POST", "files/search", [this](Call& c) { return fileSearch(core_.caller(c.req), c.req); }, true});
  t.add({"GET", "files/path", [this](Call& c) { return filesPath(core_.caller(c.req), c.query); }, true});
  t.add({"GET", "files/statsDir", [this](Call& c) { return filesStatsDir(core_.caller(c.req), c.query); }, true});
  t.add({"POST", "files/download", [this](Call& c) { return downloadUrls(core_.caller(c.req), c.req); }, true});
  t.add({"POST", "files/create", [this](Call& c) { return filesCreate(core_.caller(c.req), c.req); }, true});
  // Joining and hashing the parts runs on the worker pool and takes the lock itself.
  Route complete("POST", "files/complete", [this](Call& c) { return this->complete(c.req); });
  complete.heavy = true;
  t.add(std::move(complete));
  t.add({"POST", "files/*", [this](Call& c) { return filesList(core_.caller(c.req), c.seg[1], c.req); }, true});
  t.add({"GET", "access", [this](Call& c) { return accessFiles(core_.caller(c.req)); }, true});
  t.add({"POST", "directory", [this](Call& c) { return createDirectory(core_.caller(c.req), c.req); }, true});
}

HttpResponse FilesApi::filesList(const UserRec& u, const std::string& type, const HttpRequest& req) {
  const auto bean = bodyAs<FilesListBean>(req);
  if (type != "list" && type != "all") throw ApiError{400, "unknown listing type \"" + type + "\": list or all"};
  if (bean.type && *bean.type != type) throw ApiError{400, "type in the body differs from the path"};
  core_.checkContainer(u, bean.containerId);
  const NodeRec& folder = core_.requireFolder(u, bean.parentFileId.value_or("root"));

  std::vector<const NodeRec*> found;
  const bool all = type == "all";
  core_.state.walkBelow(folder.id, [&](const NodeRec& n) {
    if (n.hidden && !bean.hidden) return false;
    if (all) {
      if (!n.folder && (!bean.fileType || *bean.fileType == n.fileType)) found.push_back(&n);
      return true;  // the listing of everything goes into folders
    }
    if (!bean.fileType || bean.fileType->empty() || *bean.fileType == n.fileType) found.push_back(&n);
    return false;
  });
  const auto& sort = bean.sortInfo;
  sortNodes(found, sort && sort->sortType ? *sort->sortType : 2, sort && sort->sortDirection ? *sort->sortDirection : 1,
            true);
  const Page page = paginate(found.size(), bean.pageInfo ? std::optional(bean.pageInfo->pageSize) : std::nullopt,
                             bean.pageInfo ? bean.pageInfo->pageCursor : std::nullopt, 100);
  std::vector<FileListMetadata> files;
  for (std::size_t i = page.first; i < page.last; ++i) files.push_back(listEntry(core_, u, *found[i]));
  FilesListResponse resp;
  resp.files = std::move(files);
  resp.category = type;
  resp.nextCursor = page.next;
  resp.searchCompleted = true;
  return ok(std::move(resp));
}

HttpResponse FilesApi::fileSearch(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<FilesSearchBean>(req);
  const Filter filter = bean.filter.value_or(Filter{});
  core_.checkContainer(u, filter.containerId);
  std::optional<Millis> from, to;
  if (filter.updateTimeRange && !filter.updateTimeRange->empty()) {
    const std::string& range = *filter.updateTimeRange;
    const auto comma = range.find(',');
    if (comma == std::string::npos) throw ApiError{400, "updateTimeRange is \"from,to\" (times or milliseconds)"};
    if (comma > 0) from = parseTime(range.substr(0, comma));
    if (comma + 1 < range.size()) to = parseTime(range.substr(comma + 1));
    if ((comma > 0 && !from) || (comma + 1 < range.size() && !to)) {
      throw ApiError{400, "updateTimeRange is \"from,to\" (times or milliseconds)"};
    }
  }
  const NodeRec& base = core_.requireFolder(
      u, filter.parentFolder && !filter.parentFolder->empty() ? *filter.parentFolder : std::string("root"));
  const bool direct = filter.parentFolder && !filter.parentFolder->empty() && !bean.recursived;
  std::vector<const NodeRec*> found;
  const bool ownerMatches = !filter.ownerId || filter.ownerId->empty() || *filter.ownerId == u.userId;
  if (!bean.recycled && ownerMatches) {
    core_.state.walkBelow(base.id, [&](const NodeRec& n) {
      const bool hit = containsIgnoringCase(n.name, filter.keyWord.value_or("")) &&
                       (!filter.fileType || filter.fileType->empty() || *filter.fileType == n.fileType) &&
                       (!from || n.editedTime >= *from) && (!to || n.editedTime <= *to);
      if (hit) found.push_back(&n);
      return !direct;
    });
  }
  const auto& sort = bean.sortInfo;
  sortNodes(found, sortCode(sort ? sort->sortType : std::nullopt, 2, "sortType"),
            sortCode(sort ? sort->sortDirection : std::nullopt, 1, "sortDirection"), false);
  const Page page = paginate(found.size(), bean.pageInfo ? std::optional(bean.pageInfo->pageSize) : std::nullopt,
                             bean.pageInfo ? bean.pageInfo->pageCursor : std::nullopt, 100);
  std::vector<FileBean> files;
  for (std::size_t i = page.first; i < page.last; ++i) files.push_back(searchHit(core_, u, *found[i]));
  FileSearchResponse resp;
  resp.files = std::move(files);
  resp.total = static_cast<std::int64_t>(found.size());
  resp.nextPageCursor = page.next;
  return ok(std::move(resp));
}

HttpResponse FilesApi::filesPath(const UserRec& u, const Query& q) {
  core_.checkContainer(u, queryText(q, "containerId"));
  const auto fileId = queryText(q, "fileId");
  const NodeRec& n = core_.requireNode(u, fileId && !fileId->empty() ? *fileId : std::string("root"));
  FilesPathResponse resp;
  resp.fileIdPath = core_.state.idPath(n);
  resp.namePath = core_.state.namePath(n);
  return ok(std::move(resp));
}

HttpResponse FilesApi::filesStatsDir(const UserRec& u, const Query& q) {
  core_.checkContainer(u, queryText(q, "containerId"));
  const auto fileId = queryText(q, "fileId");
  const auto recursive = queryText(q, "recursive").value_or("true");
  if (recursive != "true" && recursive != "false") throw ApiError{400, "recursive is true or false"};
  const NodeRec& folder = core_.requireFolder(u, fileId && !fileId->empty() ? *fileId : std::string("root"));
  std::int64_t size = 0, dirs = 0, files = 0;
  core_.state.walkBelow(folder.id, [&](const NodeRec& n) {
    if (n.folder) {
      ++dirs;
    } else {
      ++files;
      size += n.size;
    }
    return recursive == "true";
  });
  StatsData data;
  data.totalSize = std::to_string(size);
  data.subDirCount = std::to_string(dirs);
  data.subFileCount = std::to_string(files);
  FilesStatsDirResponse resp;
  resp.data = data;
  return ok(std::move(resp));
}

HttpResponse FilesApi::fileDetail(const UserRec& u, const std::string& fileId, const HttpRequest& req) {
  const auto bean = bodyAs<GetFileDetailBean>(req);
  if (bean.fileId && *bean.fileId != fileId) throw ApiError{400, "fileId in the body differs from the path"};
  core_.checkContainer(u, bean.containerId);
  const NodeRec& n = core_.requireNode(u, fileId);
  GetFileDetailResponse resp;
  fillEntry(core_, resp, u, n);
  resp.containers = std::vector<std::string>{u.containerId};
  if (!n.folder) {
    const std::string url = core_.downloadUrl(n);
    resp.fileSuffix = suffixOf(n.name);
    resp.size = n.size;
    resp.sha256 = n.sha256;
    resp.downloadLinks = Core::contentLinks(url);
    SliceObjectMetadata object;
    object.id = n.sha256;
    object.start = 0;
    object.downloadUrl = EndpointURLMetadata(url, std::string("GET"));
    AssetMetadata asset(n.id + ".v1", std::string("1"), 1, n.mimeType, 0, isoTime(n.createdTime),
                        isoTime(n.editedTime), ResourceMetadata(n.sha256, n.size, n.sha256, object), std::nullopt);
    resp.attachments =
        std::vector<AttachmentMetadata>{AttachmentMetadata(std::string("content"), n.sha256, n.sha256, asset)};
    core_.state.touch(u.userId, n.id, 1, core_.now());
    core_.markDirty();
  }
  return ok(std::move(resp));
}

HttpResponse FilesApi::accessFiles(const UserRec& u) {
  std::vector<RecentlyAccess> list;
  auto it = core_.state.access.find(u.userId);
  if (it != core_.state.access.end()) {
    for (const auto& a : it->second) {
      const NodeRec* n = core_.state.node(a.fileId);
      if (!n || n->ownerId != u.userId) continue;
      AccessiFileInfo file;
      file.id = n->id;
      file.containerId = u.containerId;
      file.containerName = u.name;
      file.containerType = 1;
      file.name = n->name;
      file.collaborator = u.name;
      file.collaboratorId = u.userId;
      file.collaborateTime = isoTime(a.time);
      file.collaborateType = a.operateType;
      file.fileType = n->fileType;
      auto stars = core_.state.stars.find(u.userId);
      file.favorite = stars != core_.state.stars.end() && stars->second.count(n->id) > 0;
      file.fileSuffix = suffixOf(n->name);
      file.mimeType = n->mimeType;
      file.downloadLinks = core_.links(*n);
      file.userCapabilities = capabilities(true);
      RecentlyAccess entry;
      entry.operateTime = isoTime(a.time);
      entry.operateType = a.operateType;
      entry.file = std::move(file);
      entry.status = 0;
      list.push_back(std::move(entry));
    }
  }
  return ok(GetAccessResponse(std::move(list)));
}

HttpResponse FilesApi::downloadUrls(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<GetDownloadUrlBean>(req);
  core_.checkContainer(u, bean.containerId);
  if (!bean.fileIds || bean.fileIds->empty()) throw ApiError{400, "fileIds is required"};
  if (bean.fileIds->size() > 1000) throw ApiError{400, "at most 1000 files at once"};
  std::vector<DownloadInfoResponse> downloads;
  std::size_t good = 0;
  for (const auto& id : *bean.fileIds) {
    const NodeRec* n = core_.state.ownedNode(u, id);
    if (!n) {
      downloads.emplace_back(id, std::nullopt, std::nullopt, std::string("404"), std::string("no such file"));
    } else if (n->folder) {
      downloads.emplace_back(id, n->name, std::nullopt, std::string("400"), std::string("a folder has no content"));
    } else {
      downloads.emplace_back(id, n->name, core_.downloadUrl(*n), std::string("0"), std::string("success"));
      core_.state.touch(u.userId, n->id, 2, core_.now());
      ++good;
    }
  }
  if (good > 0) core_.markDirty();
  GetDownloadUrlResponse resp;
  resp.batchCode = good == downloads.size() ? 0 : good == 0 ? 2 : 1;
  resp.downloads = std::move(downloads);
  return ok(std::move(resp));
}

HttpResponse FilesApi::createDirectory(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CreateDirectoryBean>(req);
  core_.checkContainer(u, bean.containerId);
  if (!bean.fileName || !validName(*bean.fileName)) {
    throw ApiError{400, "fileName must be a name of 1 to 255 bytes without \"/\", \"\\\" or control characters, "
                        "and not \".\" or \"..\""};
  }
  const NodeRec& parent = core_.requireFolder(u, firstParent(bean.parentFolder));
  const ClashPolicy policy = clashPolicy(bean.renameMode);
  if (policy == ClashPolicy::overwrite) {
    // Replacing a folder means reusing it.
    if (NodeRec* existing = core_.state.childNamed(parent.id, *bean.fileName); existing && existing->folder) {
      CreateDirectoryResponse resp;
      resp.id = existing->id;
      resp.fileName = existing->name;
      resp.mimeType = existing->mimeType;
      return ok(std::move(resp));
    }
  }
  const std::string parentId = parent.id;
  const std::string name = core_.resolveClash(parentId, *bean.fileName, policy);
  NodeRec n;
  n.id = core_.newId("f");
  n.ownerId = u.userId;
  n.parentId = parentId;
  n.name = name;
  n.folder = true;
  n.mimeType = "inode/directory";
  n.fileType = "10";
  n.description = bean.description.value_or("");
  n.hidden = bean.hidden;
  n.createdTime = n.editedTime = core_.now();
  CreateDirectoryResponse resp;
  resp.id = n.id;
  resp.fileName = n.name;
  resp.mimeType = n.mimeType;
  core_.state.insert(std::move(n));
  core_.markDirty();
  return ok(std::move(resp));
}

HttpResponse FilesApi::rename(const UserRec& u, const std::string& fileId, const HttpRequest& req) {
  const auto bean = bodyAs<FilesRenameBean>(req);
  if (bean.fileId && *bean.fileId != fileId) throw ApiError{400, "fileId in the body differs from the path"};
  core_.checkContainer(u, bean.containerId);
  if (!bean.name || !validName(*bean.name)) {
    throw ApiError{400, "name must be a name of 1 to 255 bytes without \"/\", \"\\\" or control characters, "
                        "and not \".\" or \"..\""};
  }
  NodeRec& n = core_.requireNode(u, fileId);
  if (n.parentId.empty()) throw ApiError{400, "the root folder cannot be renamed"};
  const std::string id = n.id;
  const std::string parentId = n.parentId;
  const std::string name = core_.resolveClash(parentId, *bean.name, clashPolicy(bean.renameMode), id);
  NodeRec* target = core_.state.node(id);  // still there: resolveClash never removes the node itself
  target->name = name;
  target->editedTime = core_.now();
  if (!target->folder) core_.state.touch(u.userId, id, 4, core_.now());
  core_.markDirty();
  return ok(BaseResponse());
}

void FilesApi::addUploadedFile(const UploadRec& up, const std::string& name, std::shared_ptr<Blob> content) {
  NodeRec n;
  n.id = up.fileId;
  n.ownerId = up.userId;
  n.parentId = up.parentId;
  n.name = name;
  n.size = up.length;
  n.sha256 = up.sha256;
  n.mimeType = up.mimeType;
  n.fileType = up.fileType;
  n.description = up.description;
  n.hidden = up.hidden;
  n.createdTime = n.editedTime = core_.now();
  core_.state.addRef(up.sha256, std::move(content));
  core_.state.touch(up.userId, n.id, 3, core_.now());
  core_.state.insert(std::move(n));
  core_.markDirty();
}

HttpResponse FilesApi::filesCreate(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<FilesCreateBean>(req);
  core_.checkContainer(u, bean.containerId);
  if (!bean.fileName || !validName(*bean.fileName)) {
    throw ApiError{400, "fileName must be a name of 1 to 255 bytes without \"/\", \"\\\" or control characters, "
                        "and not \".\" or \"..\""};
  }
  if (bean.length < 0) throw ApiError{400, "length must not be negative"};
  const std::string sha = toLower(bean.sha256.value_or(""));
  if (!isSha256Hex(sha)) throw ApiError{400, "sha256 must be the content's SHA-256 in 64 hex digits"};
  const NodeRec& parent = core_.requireFolder(u, firstParent(bean.parentFolder));
  const std::string parentId = parent.id;
  const std::string name = *bean.fileName;
  const ClashPolicy policy = clashPolicy(bean.autoRename);

  FilesCreateResponse resp;
  resp.containerId = u.containerId;
  resp.parentFolder = std::vector<std::string>{parentId};
  resp.rapidUpload = false;
  resp.exist = false;

  const NodeRec* existing = core_.state.childNamed(parentId, name);
  if (existing && !existing->folder && existing->sha256 == sha && existing->size == bean.length) {
    resp.exist = true;
    resp.fileId = existing->id;
    resp.fileName = existing->name;
    return ok(std::move(resp));
  }
  if (existing && policy == ClashPolicy::fail) throw ApiError{409, "\"" + name + "\" already exists in this folder"};
  if (existing && existing->folder && policy == ClashPolicy::overwrite) {
    throw ApiError{409, "\"" + name + "\" is a folder and cannot be replaced"};
  }
  const std::int64_t freed = existing && policy == ClashPolicy::overwrite ? existing->size : 0;
  if (bean.length > u.capacity - (u.spaceUsed - freed)) {
    throw ApiError{507, "not enough space: " + std::to_string(u.capacity - u.spaceUsed) + " bytes free, " +
                            std::to_string(bean.length) + " needed"};
  }

  // The file to be: a rapid upload makes it now, a multipart upload on completion.
  UploadRec up;
  up.fileId = core_.newId("f");
  up.userId = u.userId;
  up.parentId = parentId;
  up.name = name;
  up.length = bean.length;
  up.sha256 = sha;
  up.mimeType = bean.mimeType.value_or(mimeTypeOfName(name));
  up.fileType = bean.fileType.value_or(fileTypeCode(name));
  up.description = bean.description.value_or("");
  up.autoRename = bean.autoRename;
  up.hidden = bean.hidden;
  up.createTime = core_.now();

  // Rapid upload: the content is known and the caller proves it holds it.
  const auto blob = core_.state.blobOf(sha);
  if (blob && blob->size() == static_cast<std::uint64_t>(bean.length) && bean.proofCode && !bean.proofCode->empty()) {
    std::string_view token = req.authorization;
    if (token.starts_with("Bearer ")) token.remove_prefix(7);
    const std::string expected = proofCode(token, *blob);
    if (!expected.empty() && constantTimeEquals(expected, toLower(*bean.proofCode))) {
      const std::string finalName = core_.resolveClash(parentId, name, policy);
      addUploadedFile(up, finalName, blob);
      resp.rapidUpload = true;
      resp.fileId = up.fileId;
      resp.fileName = finalName;
      return ok(std::move(resp));
    }
  }

  // Multipart: the client's plan when it gives one, else parts of 8 MiB.
  std::vector<PartPlan> parts;
  if (bean.multiParts && !bean.multiParts->empty()) {
    if (bean.multiParts->size() > static_cast<std::size_t>(kMaxParts)) {
      throw ApiError{400, "at most " + std::to_string(kMaxParts) + " parts"};
    }
    for (const auto& p : *bean.multiParts) parts.push_back({p.partNumber, p.partSize, p.partOffset, p.hashCtx});
    std::sort(parts.begin(), parts.end(), [](const PartPlan& a, const PartPlan& b) { return a.offset < b.offset; });
    std::set<std::int64_t> numbers;
    std::int64_t expected = 0;
    for (const auto& p : parts) {
      if (p.number < 1 || !numbers.insert(p.number).second) {
        throw ApiError{400, "part numbers must be positive and distinct"};
      }
      if (p.size <= 0) throw ApiError{400, "part " + std::to_string(p.number) + " has no bytes"};
      if (p.size > bean.length - expected) {
        throw ApiError{400, "part " + std::to_string(p.number) + " runs past the end of the file"};
      }
      if (p.offset != expected) {
        throw ApiError{400, "the parts must cover the file without gaps or overlaps: part " +
                                std::to_string(p.number) + " starts at " + std::to_string(p.offset) + ", not at " +
                                std::to_string(expected)};
      }
      expected += p.size;
    }
    if (expected != bean.length) {
      throw ApiError{400, "the parts cover " + std::to_string(expected) + " bytes, the file has " +
                              std::to_string(bean.length)};
    }
  } else {
    // Parts of 8 MiB, or larger ones when that would make too many.
    const std::int64_t partSize = std::max(kPlannedPartSize, bean.length / kMaxParts + 1);
    for (std::int64_t offset = 0, number = 1; offset < bean.length; ++number) {
      const std::int64_t size = std::min(partSize, bean.length - offset);
      parts.push_back({number, size, offset, std::nullopt});
      offset += size;
    }
  }

  up.uploadId = core_.newId("up");
  up.parts = parts;

  std::vector<MultiPartInfo> answer;
  for (const auto& p : parts) {
    answer.emplace_back(p.number, p.size, p.offset, p.hashCtx, core_.partUrl(up.uploadId, p.number),
                        up.uploadId + "." + std::to_string(p.number));
  }
  resp.fileId = up.fileId;
  resp.uploadId = up.uploadId;
  resp.fileName = existing && policy == ClashPolicy::rename ? core_.state.freeName(parentId, name) : name;
  resp.multiParts = std::move(answer);
  core_.state.uploads[up.uploadId] = std::move(up);
  core_.markDirty();
  return ok(std::move(resp));
}

HttpResponse FilesApi::uploadUrls(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<GetUploadUrlBean>(req);
  if (!bean.fileId || bean.fileId->empty()) throw ApiError{400, "fileId is required"};
  const UploadRec* up = nullptr;
  for (const auto& [id, candidate] : core_.state.uploads) {
    if (candidate.fileId == *bean.fileId && candidate.userId == u.userId) up = &candidate;
  }
  if (!up) throw ApiError{404, "no upload in progress for file " + *bean.fileId};
  std::vector<MultiPartInfo> answer;
  auto add = [&](const PartPlan& p) {
    answer.emplace_back(p.number, p.size, p.offset, p.hashCtx, core_.partUrl(up->uploadId, p.number),
                        up->uploadId + "." + std::to_string(p.number));
  };
  if (!bean.multiParts || bean.multiParts->empty()) {
    for (const auto& p : up->parts) add(p);
  } else {
    for (const auto& wanted : *bean.multiParts) {
      auto it = std::find_if(up->parts.begin(), up->parts.end(),
                             [&](const PartPlan& p) { return p.number == wanted.partNumber; });
      if (it == up->parts.end()) throw ApiError{400, "the upload has no part " + std::to_string(wanted.partNumber)};
      add(*it);
    }
  }
  GetUploadUrlResponse resp;
  resp.multiParts = std::move(answer);
  return ok(std::move(resp));
}

HttpResponse FilesApi::complete(HttpRequest& req) {
  // Assembling and hashing may take a while: the lock is held only around
  // the bookkeeping, not while the bytes are read.
  std::string uploadId, sha;
  std::vector<std::shared_ptr<Blob>> parts;
  std::int64_t length = 0;
  {
    std::lock_guard lock(core_.mutex);
    ++core_.requests;
    const UserRec& u = core_.requireUser(req);
    core_.settleJobs();
    const auto bean = bodyAs<FilesCompleteBean>(req);
    if (!bean.fileId || bean.fileId->empty()) throw ApiError{400, "fileId is required"};
    UploadRec* up = nullptr;
    for (auto& [id, candidate] : core_.state.uploads) {
      if (candidate.fileId == *bean.fileId && candidate.userId == u.userId) up = &candidate;
    }
    if (!up) {
      const NodeRec* done = core_.state.ownedNode(u, *bean.fileId);
      if (done && !done->folder && (!bean.sha256 || toLower(*bean.sha256) == done->sha256)) return ok(BaseResponse());
      throw ApiError{404, "no upload in progress for file " + *bean.fileId};
    }
    if (bean.sha256 && toLower(*bean.sha256) != up->sha256) {
      throw ApiError{400, "sha256 differs from the one declared when the upload was created"};
    }
    if (up->completing) throw ApiError{409, "the upload is already being completed"};
    for (const auto& p : up->parts) {
      auto it = up->received.find(p.number);
      if (it == up->received.end()) throw ApiError{400, "part " + std::to_string(p.number) + " has not been uploaded"};
      parts.push_back(it->second);
    }
    up->completing = true;
    uploadId = up->uploadId;
    sha = up->sha256;
    length = up->length;
  }

  auto release = [&](unsigned status, const std::string& msg) -> HttpResponse {
    std::lock_guard lock(core_.mutex);
    auto it = core_.state.uploads.find(uploadId);
    if (it != core_.state.uploads.end()) it->second.completing = false;
    return errorResponse(status, msg);
  };

  // Assemble the parts in order, hashing as they go.
  std::shared_ptr<Blob> content;
  std::string actual;
  {
    std::lock_guard lock(core_.mutex);
    content = core_.state.blobOf(sha);
  }
  Sha256 hasher;
  std::unique_ptr<BlobWriter> writer = content ? nullptr : core_.storage.newWriter(static_cast<std::uint64_t>(length));
  if (!content && !writer) return release(507, "cannot store the content");
  std::vector<char> buffer(1 << 20);
  for (const auto& part : parts) {
    for (std::uint64_t offset = 0; offset < part->size();) {
      const std::int64_t got = part->read(offset, buffer.data(), buffer.size());
      if (got <= 0) return release(500, "a stored part cannot be read");
      hasher.update(buffer.data(), static_cast<std::size_t>(got));
      if (writer && !writer->write(buffer.data(), static_cast<std::size_t>(got))) {
        return release(507, "cannot store the content");
      }
      offset += static_cast<std::uint64_t>(got);
    }
  }
  actual = hasher.finishHex();
  if (actual != sha) {
    return release(400, "the content's SHA-256 is " + actual + ", not the declared " + sha +
                            "; upload the parts again, then complete");
  }
  if (!content) {
    content = core_.storage.commitBlob(std::move(writer), sha);
    if (!content) return release(507, "cannot store the content");
  }

  std::lock_guard lock(core_.mutex);
  auto it = core_.state.uploads.find(uploadId);
  if (it == core_.state.uploads.end()) throw ApiError{404, "the upload has gone"};
  UploadRec up = std::move(it->second);
  core_.state.uploads.erase(it);
  auto owner = core_.state.users.find(up.userId);
  NodeRec* parent = owner == core_.state.users.end() ? nullptr : core_.state.folderOf(owner->second, up.parentId);
  if (!parent) {
    core_.storage.dropUpload(uploadId);
    throw ApiError{404, "the destination folder no longer exists"};
  }
  std::string name;
  try {
    name = core_.resolveClash(up.parentId, up.name, clashPolicy(up.autoRename));
  } catch (const ApiError&) {
    up.completing = false;
    core_.state.uploads[uploadId] = std::move(up);  // keep it: the client may rename the other file and retry
    throw;
  }
  addUploadedFile(up, name, content);
  core_.storage.dropUpload(uploadId);
  return ok(BaseResponse());
}

}  // namespace quillbox::emulator
