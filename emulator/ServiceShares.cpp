// Share links: create, list, detail, modify, cancel, and the visitor's view.

#include <algorithm>

#include "emulator/Crypto.hpp"
#include "emulator/Areas.hpp"
#include "emulator/Views.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/share/ShareRecords.hpp"

namespace quillbox::emulator {

namespace {

constexpr Millis kDay = 24LL * 3600 * 1000;
constexpr std::int64_t kMaxValidDays = 36500;

std::string randomToken(std::size_t length) {
  static constexpr char alphabet[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
  const std::string raw = randomHex(length);
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const int v = std::stoi(raw.substr(2 * i, 2), nullptr, 16);
    out += alphabet[v % (sizeof alphabet - 1)];
  }
  return out;
}

bool validExtractCode(const std::string& code) {
  return code.size() <= 16 && std::all_of(code.begin(), code.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
         });
}

std::optional<SharePermission> permissionRecord(const SharePerm& p) {
  if (!p.preview && !p.edit && !p.download) return std::nullopt;
  SharePermission out;
  out.preview = p.preview;
  out.edit = p.edit;
  out.download = p.download;
  return out;
}

SharePerm fromRecord(const std::optional<SharePermission>& p) {
  if (!p) return {};
  return {p->preview, p->edit, p->download};
}

template <class T>
std::vector<T> named(const std::vector<std::string>& ids) {
  std::vector<T> out;
  for (const auto& id : ids) {
    T item;
    item.id = id;
    item.name = id;
    out.push_back(std::move(item));
  }
  return out;
}

}  // namespace

void SharesApi::addRoutes(RouteTable& t) {
  t.add({"GET", "share", [this](Call& c) { return getShares(core_.caller(c.req), c.query); }, true});
  t.add({"POST", "share", [this](Call& c) { return createShare(core_.caller(c.req), c.req); }, true});
  t.add({"POST", "share/cancel", [this](Call& c) { return cancelShare(core_.caller(c.req), c.req); }, true});
  t.add({"POST", "share/files", [this](Call& c) { return shareFiles(core_.caller(c.req), c.req); }, true});
  t.add({"GET", "share/*", [this](Call& c) { return shareDetail(core_.caller(c.req), c.seg[1]); }, true});
  t.add({"PUT", "share/*", [this](Call& c) { return modifyShare(core_.caller(c.req), c.seg[1], c.req); }, true});
}

void SharesApi::addLandingRoutes(RouteTable& t) {
  t.add({"", "**", [this](Call& c) { return shareLanding(c.seg); }});
}

std::int64_t SharesApi::shareStatus(const ShareRec& s) const {
  return s.expireAt != 0 && core_.now() >= s.expireAt ? 1 : 0;
}

std::string SharesApi::shareDisplayName(const ShareRec& s) const {
  std::vector<std::string> names;
  for (const auto& id : s.fileIds) {
    if (const NodeRec* n = core_.state.node(id)) names.push_back(n->name);
  }
  if (names.empty()) return "(nothing left)";
  if (names.size() == 1) return names.front();
  return names.front() + " and " + std::to_string(names.size() - 1) + " more";
}

CommonShareLink SharesApi::visitorLink(const ShareRec& s, const UserRec& visitor) const {
  auto owner = core_.state.users.find(s.ownerId);
  CommonShareLink::SharePermission level = CommonShareLink::SharePermission::read;
  if (visitor.userId == s.ownerId) level = CommonShareLink::SharePermission::admin;
  else if (s.permission.edit.value_or(false)) level = CommonShareLink::SharePermission::write;
  std::optional<std::string> expireDate;
  if (s.expireAt != 0) expireDate = isoTime(s.expireAt).substr(0, 10);
  return CommonShareLink(s.shareId, s.shortUrl, isoTime(s.createTime), s.ownerId,
                         owner == core_.state.users.end() ? std::string() : owner->second.name, level,
                         s.expireTime.empty() ? std::nullopt : std::optional<std::string>(s.expireTime),
                         shareStatus(s), expireDate);
}

HttpResponse SharesApi::createShare(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CreateShareBean>(req);
  core_.checkContainer(u, bean.containerId);
  if (!bean.fileIds || bean.fileIds->empty()) throw ApiError{400, "fileIds is required"};
  for (const auto& id : *bean.fileIds) core_.requireNode(u, id);
  ShareRec s;
  s.shareId = core_.newId("sh");
  do {
    s.shortUrl = randomToken(8);
  } while (std::any_of(core_.state.shares.begin(), core_.state.shares.end(),
                       [&](const auto& kv) { return kv.second.shortUrl == s.shortUrl; }));
  s.ownerId = u.userId;
  s.fileIds = *bean.fileIds;
  s.scope = bean.scope;
  s.deptIds = bean.deptIds.value_or(std::vector<std::string>{});
  s.groupIds = bean.groupIds.value_or(std::vector<std::string>{});
  s.userIds = bean.userIds.value_or(std::vector<std::string>{});
  s.permission = fromRecord(bean.permission);
  s.extractCode = bean.extractCode.value_or(randomToken(4));
  if (!validExtractCode(s.extractCode)) throw ApiError{400, "extractCode is up to 16 letters and digits"};
  s.comment = bean.comment.value_or("");
  s.expiredType = bean.expiredType.value_or("");
  s.createTime = s.updateTime = core_.now();
  if (bean.validDays && (*bean.validDays < 0 || *bean.validDays > kMaxValidDays)) {
    throw ApiError{400, "validDays is between 0 and " + std::to_string(kMaxValidDays)};
  }
  s.validDays = bean.validDays;
  if (bean.expireTime && !bean.expireTime->empty()) {
    auto at = parseTime(*bean.expireTime);
    if (!at) throw ApiError{400, "expireTime is a time such as 2030-01-31T23:59:59Z"};
    s.expireTime = *bean.expireTime;
    s.expireAt = *at;
  } else if (bean.validDays && *bean.validDays > 0) {
    s.expireAt = s.createTime + *bean.validDays * kDay;
    s.expireTime = isoTime(s.expireAt);
  }
  ShareLink link(s.shareId, s.shortUrl, core_.config.baseUrl + "/s/" + s.shortUrl,
                 s.comment.empty() ? std::nullopt : std::optional<std::string>(s.comment),
                 s.expireTime.empty() ? std::nullopt : std::optional<std::string>(s.expireTime));
  link.extractCode = s.extractCode;
  core_.state.shares[s.shareId] = std::move(s);
  core_.markDirty();
  CreateShareResponse resp;
  resp.shareLink = std::move(link);
  return ok(std::move(resp));
}

HttpResponse SharesApi::getShares(const UserRec& u, const Query& q) {
  const std::string nameFilter = queryText(q, "displayName").value_or("");
  const std::int64_t sortType = queryInt(q, "sortType").value_or(1);
  const std::int64_t direction = queryInt(q, "sortDirection").value_or(2);
  if (sortType != 1 && sortType != 2) throw ApiError{400, "sortType is 1 (time) or 2 (name)"};
  if (direction != 1 && direction != 2) throw ApiError{400, "sortDirection is 1 (ascending) or 2 (descending)"};
  std::vector<std::pair<std::string, const ShareRec*>> mine;
  for (const auto& [id, s] : core_.state.shares) {
    if (s.ownerId != u.userId) continue;
    std::string display = shareDisplayName(s);
    if (!containsIgnoringCase(display, nameFilter)) continue;
    mine.emplace_back(std::move(display), &s);
  }
  std::stable_sort(mine.begin(), mine.end(), [&](const auto& a, const auto& b) {
    const bool less = sortType == 1 ? std::tie(a.second->createTime, a.second->shareId) <
                                          std::tie(b.second->createTime, b.second->shareId)
                                    : std::tie(a.first, a.second->shareId) < std::tie(b.first, b.second->shareId);
    const bool greater = sortType == 1 ? std::tie(b.second->createTime, b.second->shareId) <
                                             std::tie(a.second->createTime, a.second->shareId)
                                       : std::tie(b.first, b.second->shareId) < std::tie(a.first, a.second->shareId);
    return direction == 1 ? less : greater;
  });
  const Page page = paginate(mine.size(), queryInt(q, "pageSize"), queryText(q, "pageCursor"), 20);
  std::vector<ShareByMeLink> links;
  for (std::size_t i = page.first; i < page.last; ++i) {
    const ShareRec& s = *mine[i].second;
    ShareByMeLink link(s.shareId, s.shortUrl, core_.config.baseUrl + "/s/" + s.shortUrl,
                       s.comment.empty() ? std::nullopt : std::optional<std::string>(s.comment),
                       s.expireTime.empty() ? std::nullopt : std::optional<std::string>(s.expireTime));
    link.shareTime = isoTime(s.createTime);
    link.scope = s.scope;
    std::vector<ShareFileInfo> files;
    for (const auto& id : s.fileIds) {
      if (const NodeRec* n = core_.state.node(id)) files.push_back(shareFileInfo(core_, *n));
    }
    link.files = std::move(files);
    link.displayName = mine[i].first;
    link.status = shareStatus(s);
    link.viewCnt = s.viewCnt;
    link.downloadCnt = s.downloadCnt;
    link.saveCnt = s.saveCnt;
    link.containerId = u.containerId;
    link.containerName = u.name;
    links.push_back(std::move(link));
  }
  GetShareResponse resp;
  resp.shareLinks = std::move(links);
  resp.nextCursor = page.next;
  return ok(std::move(resp));
}

HttpResponse SharesApi::cancelShare(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<CancelShareBean>(req);
  if (!bean.shareIds) throw ApiError{400, "shareIds is required"};
  std::vector<ShareSubResponse> results;
  bool changed = false;
  for (const auto& id : *bean.shareIds) {
    auto it = core_.state.shares.find(id);
    if (it == core_.state.shares.end() || it->second.ownerId != u.userId) {
      results.emplace_back(id, 404, std::string("no such share"));
      continue;
    }
    core_.state.shares.erase(it);
    changed = true;
    results.emplace_back(id, 0, std::string("success"));
  }
  if (changed) core_.markDirty();
  CancelShareResponse resp;
  resp.subResponseList = std::move(results);
  return ok(std::move(resp));
}

HttpResponse SharesApi::shareDetail(const UserRec& u, const std::string& shareId) {
  auto it = core_.state.shares.find(shareId);
  if (it == core_.state.shares.end() || it->second.ownerId != u.userId)
    throw ApiError{404, "no such share: " + shareId};
  const ShareRec& s = it->second;
  ShareByMeLinkDetail link(s.shareId, s.shortUrl, core_.config.baseUrl + "/s/" + s.shortUrl,
                           s.comment.empty() ? std::nullopt : std::optional<std::string>(s.comment),
                           s.expireTime.empty() ? std::nullopt : std::optional<std::string>(s.expireTime));
  link.shareTime = isoTime(s.createTime);
  link.scope = s.scope;
  link.depts = named<DeptInfo>(s.deptIds);
  link.groups = named<GroupInfo>(s.groupIds);
  std::vector<BaseUserInfo> users;
  for (const auto& id : s.userIds) {
    auto uit = core_.state.users.find(id);
    users.emplace_back(id, uit == core_.state.users.end() ? id : uit->second.name);
  }
  link.users = std::move(users);
  link.displayName = shareDisplayName(s);
  link.permission = permissionRecord(s.permission);
  link.extractCode = s.extractCode;
  link.status = shareStatus(s);
  GetShareDetailResponse resp;
  resp.shareLink = std::move(link);
  return ok(std::move(resp));
}

HttpResponse SharesApi::modifyShare(const UserRec& u, const std::string& shareId, const HttpRequest& req) {
  const auto bean = bodyAs<ModifyShareDetailBean>(req);
  if (bean.shareId && *bean.shareId != shareId) throw ApiError{400, "shareId in the body differs from the path"};
  auto it = core_.state.shares.find(shareId);
  if (it == core_.state.shares.end() || it->second.ownerId != u.userId)
    throw ApiError{404, "no such share: " + shareId};
  ShareRec s = it->second;  // changed as a whole or not at all
  if (bean.deptIds) s.deptIds = *bean.deptIds;
  if (bean.groupIds) s.groupIds = *bean.groupIds;
  if (bean.userIds) s.userIds = *bean.userIds;
  if (bean.permission) s.permission = fromRecord(bean.permission);
  if (bean.extractCode) {
    if (!validExtractCode(*bean.extractCode)) throw ApiError{400, "extractCode is up to 16 letters and digits"};
    s.extractCode = *bean.extractCode;
  }
  if (bean.comment) s.comment = *bean.comment;
  if (bean.validDays) {
    if (*bean.validDays < 0 || *bean.validDays > kMaxValidDays) {
      throw ApiError{400, "validDays is between 0 and " + std::to_string(kMaxValidDays)};
    }
    s.validDays = bean.validDays;
    s.expireAt = *bean.validDays > 0 ? core_.now() + *bean.validDays * kDay : 0;
    s.expireTime = s.expireAt ? isoTime(s.expireAt) : std::string();
  }
  if (bean.expireTime) {
    if (bean.expireTime->empty()) {
      s.expireAt = 0;
      s.expireTime.clear();
    } else {
      auto at = parseTime(*bean.expireTime);
      if (!at) throw ApiError{400, "expireTime is a time such as 2030-01-31T23:59:59Z"};
      s.expireAt = *at;
      s.expireTime = *bean.expireTime;
    }
  }
  s.updateTime = core_.now();
  it->second = s;
  core_.markDirty();
  ShareLinkModify link(s.shareId, s.shortUrl, core_.config.baseUrl + "/s/" + s.shortUrl,
                       s.comment.empty() ? std::nullopt : std::optional<std::string>(s.comment),
                       s.expireTime.empty() ? std::nullopt : std::optional<std::string>(s.expireTime));
  link.extractCode = s.extractCode;
  link.createTime = isoTime(s.createTime);
  link.updateTime = isoTime(s.updateTime);
  link.shareTime = isoTime(s.createTime);
  link.scope = s.scope;
  link.displayName = shareDisplayName(s);
  link.status = shareStatus(s);
  link.viewCnt = s.viewCnt;
  link.downloadCnt = s.downloadCnt;
  link.saveCnt = s.saveCnt;
  ModifyShareDetailResponse resp;
  resp.shareLink = std::move(link);
  return ok(std::move(resp));
}

HttpResponse SharesApi::shareFiles(const UserRec& u, const HttpRequest& req) {
  const auto bean = bodyAs<GetShareFilesBean>(req);
  if (!bean.shortUrl || bean.shortUrl->empty()) throw ApiError{400, "shortUrl is required"};
  ShareRec* share = nullptr;
  for (auto& [id, s] : core_.state.shares) {
    if (s.shortUrl == *bean.shortUrl) share = &s;
  }
  if (!share) throw ApiError{404, "no such share: " + *bean.shortUrl};
  if (shareStatus(*share) == 1) throw ApiError{410, "the share has expired"};
  const bool owner = share->ownerId == u.userId;
  if (!owner && !share->extractCode.empty()) {
    if (!bean.qbstoken || bean.qbstoken->empty()) throw ApiError{403, "this share needs its extract code (qbstoken)"};
    if (!constantTimeEquals(*bean.qbstoken, share->extractCode)) throw ApiError{403, "wrong extract code"};
  }
  std::vector<const NodeRec*> items;
  if (!bean.parentFolder || bean.parentFolder->empty()) {
    for (const auto& id : share->fileIds) {
      if (const NodeRec* n = core_.state.node(id)) items.push_back(n);
    }
  } else {
    const NodeRec* folder = core_.state.node(*bean.parentFolder);
    const bool inside = folder && folder->folder &&
                        std::any_of(share->fileIds.begin(), share->fileIds.end(),
                                    [&](const std::string& id) { return core_.state.isInside(folder->id, id); });
    if (!inside) throw ApiError{403, "the folder is not part of this share"};
    auto it = core_.state.children.find(folder->id);
    if (it != core_.state.children.end()) {
      for (const auto& id : it->second) {
        if (const NodeRec* n = core_.state.node(id)) items.push_back(n);
      }
    }
  }
  if (bean.fileName && !bean.fileName->empty()) {
    std::erase_if(items, [&](const NodeRec* n) { return !containsIgnoringCase(n->name, *bean.fileName); });
  }
  const std::int64_t type = bean.sortType.value_or(2);
  const std::int64_t direction = bean.sortDirection.value_or(1);
  if (type < 1 || type > 3) throw ApiError{400, "sortType is 1 (time), 2 (name) or 3 (size)"};
  if (direction != 1 && direction != 2) throw ApiError{400, "sortDirection is 1 (ascending) or 2 (descending)"};
  std::stable_sort(items.begin(), items.end(), [&](const NodeRec* a, const NodeRec* b) {
    auto key = [&](const NodeRec* n) {
      return std::make_tuple(type == 1 ? n->editedTime : 0, type == 3 ? n->size : 0, n->name, n->id);
    };
    return direction == 1 ? key(a) < key(b) : key(b) < key(a);
  });
  const Page page = paginate(items.size(), bean.pageSize, bean.pageCursor, 100);
  const bool withLinks = share->permission.download.value_or(true);
  std::vector<ShareFile> files;
  for (std::size_t i = page.first; i < page.last; ++i) files.push_back(shareFile(core_, *items[i], withLinks));
  if (bean.refreshCount.value_or(false)) {
    ++share->viewCnt;
    core_.markDirty();
  }
  GetShareFilesResponse resp;
  resp.files = std::move(files);
  resp.nextCursor = page.next;
  resp.link = visitorLink(*share, u);
  return ok(std::move(resp));
}

HttpResponse SharesApi::shareLanding(const Segments& seg) {
  if (seg.size() != 1 || seg[0].empty()) throw ApiError{404, "no such share"};
  std::lock_guard lock(core_.mutex);
  for (const auto& [id, s] : core_.state.shares) {
    if (s.shortUrl != seg[0]) continue;
    UserRec anonymous;
    HttpResponse r;
    r.body = toJson(visitorLink(s, anonymous));
    return r;
  }
  throw ApiError{404, "no such share"};
}

}  // namespace quillbox::emulator
