// Sign-in, spaces, the user directory, and the carrier's packages.

#include <algorithm>

#include "emulator/Crypto.hpp"
#include "emulator/Areas.hpp"
#include "emulator/Views.hpp"
#include "emulator/ServiceUtil.hpp"
#include "quillbox/services/carrier/CarrierRecords.hpp"
#include "quillbox/services/user/UserRecords.hpp"

namespace quillbox::emulator {

namespace {

struct Package {
  const char* id;
  const char* name;
  std::int64_t type;
  std::int64_t capacity;  // 0: the configured default capacity
  const char* price;
  const char* promotionPrice;
};

constexpr Package kPackages[] = {
    {"basic", "Basic", 1, 0, "0.00", "0.00"},
    {"plus-200g", "Plus 200 GB", 2, 200LL << 30, "9.90", "6.90"},
    {"pro-2t", "Pro 2 TB", 3, 2LL << 40, "49.90", "39.90"},
};

}  // namespace

void UsersApi::addRoutes(RouteTable& t) {
  t.add({"POST", "carrier/standard/user/auth", [this](Call& c) { return signIn(c.req); }, true});
  t.add({"GET", "carrier/standard/packages", [this](Call& c) {
           core_.caller(c.req);
           return packages();
         }, true});
  t.add({"GET", "carrier/standard/packages/orders", [this](Call& c) { return packageOrders(core_.caller(c.req)); },
         true});
  t.add({"GET", "space/*", [this](Call& c) { return getSpace(core_.caller(c.req), c.seg[1], c.query); }, true});
  t.add({"GET", "users/*", [this](Call& c) {
           core_.caller(c.req);
           return getUserById(c.seg[1]);
         }, true});
  t.add({"GET", "userList", [this](Call& c) {
           core_.caller(c.req);
           return getUserList(c.query);
         }, true});
}

HttpResponse UsersApi::signIn(const HttpRequest& req) {
  const auto bean = bodyAs<AuthCodeBean>(req);
  if (!bean.authCode || bean.authCode->empty()) throw ApiError{400, "authCode is required"};
  const std::string hash = sha256Hex(*bean.authCode);
  UserRec* user = nullptr;
  for (auto& [id, u] : core_.state.users) {
    if (!u.authCodeHash.empty() && constantTimeEquals(u.authCodeHash, hash)) user = &u;
  }
  if (!user) user = &core_.createUser("user-" + hash.substr(0, 8), hash, 101, 0);
  const std::string token = randomHex(16);
  core_.state.tokens[token] = user->userId;
  core_.markDirty();

  UserAuthResp resp;
  resp.accessToken = token;
  resp.innerUserId = user->innerId;
  resp.data = OrgUserInfo(user->userId, user->name, std::string("standard"), std::string("active"), user->mobile,
                          std::string("free"));
  return ok(std::move(resp));
}

HttpResponse UsersApi::getSpace(const UserRec& u, const std::string& ownerId, const Query& q) {
  if (!ownerId.empty() && ownerId != u.userId) {
    if (core_.state.users.count(ownerId)) throw ApiError{403, "only your own space can be read"};
    throw ApiError{404, "no such user: " + ownerId};
  }
  if (auto type = queryText(q, "type"); type && !type->empty() && *type != "1" && *type != "personal") {
    throw ApiError{404, "no space of type \"" + *type + "\""};
  }
  core_.checkContainer(u, queryText(q, "containerId"));
  SpaceInfo info;
  info.tenantId = "emulator";
  info.creator = u.userId;
  info.createTime = isoTime(u.createTime);
  info.modifier = u.userId;
  info.updateTime = isoTime(core_.now());
  info.ownerId = u.userId;
  info.type = 1;
  info.status = 0;
  info.capacity = u.capacity;
  info.spaceUsed = u.spaceUsed;
  info.containerId = u.containerId;
  info.rootFileId = u.rootId;
  info.bizRootFileId = u.rootId;
  GetSpaceResp resp;
  resp.data = info;
  return ok(std::move(resp));
}

UserInfo UsersApi::userInfo(const UserRec& u) const {
  UserInfo info;
  info.id = u.innerId;
  info.name = u.name;
  info.userId = u.userId;
  info.deptId = u.deptId;
  for (const auto& d : core_.state.departments) {
    if (d.id == u.deptId) info.deptName = d.name;
  }
  info.mobile = u.mobile;
  info.role = u.role;
  info.status = u.status;
  return info;
}

HttpResponse UsersApi::getUserById(const std::string& userId) {
  if (userId.empty()) throw ApiError{400, "a user id is required"};
  auto it = core_.state.users.find(userId);
  if (it == core_.state.users.end()) throw ApiError{404, "no such user: " + userId};
  GetUsersByIdResponse resp;
  resp.data = userInfo(it->second);
  return ok(std::move(resp));
}

HttpResponse UsersApi::getUserList(const Query& q) {
  const auto isDirect = queryText(q, "isDirect");
  if (!isDirect) throw ApiError{400, "isDirect is required"};
  if (*isDirect != "true" && *isDirect != "false") throw ApiError{400, "isDirect is true or false"};
  const auto dept = queryInt(q, "deptId");
  if (dept && std::none_of(core_.state.departments.begin(), core_.state.departments.end(),
                           [&](const Department& d) { return d.id == *dept; })) {
    throw ApiError{404, "no such department: " + std::to_string(*dept)};
  }
  auto within = [&](std::int64_t deptId) {
    if (!dept) return true;
    if (*isDirect == "true") return deptId == *dept;
    for (int depth = 0; depth < 64 && deptId != 0; ++depth) {
      if (deptId == *dept) return true;
      std::int64_t parent = 0;
      for (const auto& d : core_.state.departments) {
        if (d.id == deptId) parent = d.parentId;
      }
      deptId = parent;
    }
    return false;
  };
  const std::string keyWord = queryText(q, "keyWord").value_or("");
  std::vector<const UserRec*> matches;
  for (const auto& [id, u] : core_.state.users) {
    if (!within(u.deptId)) continue;
    if (!containsIgnoringCase(u.name, keyWord) && !containsIgnoringCase(u.userId, keyWord) &&
        u.mobile.find(keyWord) == std::string::npos) {
      continue;
    }
    matches.push_back(&u);
  }
  std::sort(matches.begin(), matches.end(), [](const UserRec* a, const UserRec* b) { return a->innerId < b->innerId; });
  const std::int64_t offset = queryInt(q, "offset").value_or(0);
  const std::int64_t limit = queryInt(q, "limit").value_or(20);
  if (offset < 0 || limit < 0) throw ApiError{400, "offset and limit must not be negative"};
  std::vector<UserInfo> list;
  for (std::size_t i = static_cast<std::size_t>(offset);
       i < matches.size() && list.size() < static_cast<std::size_t>(std::min<std::int64_t>(limit, 1000)); ++i) {
    list.push_back(userInfo(*matches[i]));
  }
  GetuserListResponse resp(std::move(list), static_cast<std::int64_t>(matches.size()));
  return ok(std::move(resp));
}

HttpResponse UsersApi::packages() {
  std::vector<DrivePackageInfo> list;
  for (const auto& p : kPackages) {
    DrivePackageInfo info;
    info.packageId = p.id;
    info.name = p.capacity ? std::string(p.name)
                           : std::string(p.name) + " " + std::to_string(core_.config.capacity >> 30) + " GB";
    info.type = p.type;
    info.capacity = p.capacity ? p.capacity : core_.config.capacity;
    info.status = 1;
    info.price = p.price;
    info.promotionPrice = p.promotionPrice;
    info.countryCode = "CN";
    info.currencyCode = "CNY";
    list.push_back(std::move(info));
  }
  GetstandPackagesResponse resp;
  resp.data = std::move(list);
  return ok(std::move(resp));
}

HttpResponse UsersApi::packageOrders(const UserRec& u) {
  std::vector<OrderedPackageInfo> list;
  for (const auto& order : u.orders) {
    for (const auto& p : kPackages) {
      if (order.packageId != p.id) continue;
      OrderedPackageInfo info;
      info.activateTime = isoTime(order.activateTime);
      info.endTime = isoTime(order.endTime);
      info.packageId = p.id;
      info.name =
          p.capacity ? std::string(p.name) : std::string(p.name) + " " + std::to_string(u.capacity >> 30) + " GB";
      info.type = p.type;
      info.capacity = p.capacity ? p.capacity : u.capacity;
      info.status = order.endTime > core_.now() ? 1 : 0;
      info.price = p.price;
      info.countryCode = "CN";
      info.currencyCode = "CNY";
      list.push_back(std::move(info));
    }
  }
  GetStandPackagesOrdersResponse resp;
  resp.data = std::move(list);
  return ok(std::move(resp));
}

}  // namespace quillbox::emulator
