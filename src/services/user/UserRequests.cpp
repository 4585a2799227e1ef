#include "services/user/UserRequests.hpp"

#include <string>
#include <vector>

#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"
#include "services/BodyEncoding.hpp"
#include "util/Log.hpp"

namespace quillbox::request {

int UserAuthReq::buildParams() {
  if (!bean || !bean->authCode) return -1;
  return setJsonBody(*this, std::string(kApiPrefix) + "carrier/standard/user/auth", *bean);
}

int GetSpaceReq::buildParams() {
  if (!getSpaceBean) return -1;
  // An absent owner leaves the last segment empty.
  url = std::string(kApiPrefix) + "space/" + encodePathSegment(getSpaceBean->ownerId.value_or(""));
  // "type=" is always there, even without a type; "containerId=" whenever
  // the container is set, even to the empty text.
  QueryBuilder query;
  query.add("type", getSpaceBean->type.value_or(""));
  if (getSpaceBean->containerId) query.add("containerId", *getSpaceBean->containerId);
  params = query.str();
  body.reset();
  return 0;
}

int GetUserByIdReq::buildParams() {
  if (!bean || !isUsableSegment(bean->userId)) return -1;
  url = std::string(kApiPrefix) + "users/" + encodePathSegment(*bean->userId);
  params = std::string();
  body.reset();
  return 0;
}

int GetUserListReq::buildParams() {
  // Without the direct-membership flag the list has no defined query.
  if (!bean || !bean->isDirect) return -1;
  std::vector<std::string> items;
  auto addIfSet = [&items](std::string_view name, const std::optional<std::string>& value) {
    if (value && !value->empty()) items.push_back(std::string(name) + "=" + encodeQueryValue(*value));
  };
  addIfSet("deptId", bean->deptId);
  items.push_back(*bean->isDirect ? "isDirect=true" : "isDirect=false");
  addIfSet("offset", bean->offset);
  addIfSet("limit", bean->limit);
  addIfSet("keyWord", bean->keyWord);

  std::string query;
  for (std::size_t i = 0; i < items.size(); ++i) query.append(i > 0 ? "&" : "").append(items[i]);
  QUILLBOX_LOG(debug, [&items] {
    std::string listed = "getParamsStr = [";
    for (std::size_t i = 0; i < items.size(); ++i) listed.append(i > 0 ? ", \"" : "\"").append(items[i]).append("\"");
    return listed + ']';
  }());

  url = std::string(kApiPrefix) + "userList";
  params = std::move(query);
  body.reset();
  return 0;
}

}  // namespace quillbox::request
