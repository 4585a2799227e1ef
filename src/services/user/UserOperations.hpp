#pragma once

#include <string>
#include <vector>

#include "quillbox/services/user/UserRecords.hpp"
#include "services/Operation.hpp"
#include "util/Log.hpp"

/// The user service's operations: method, route and wire rule of each.
namespace quillbox::services::user {

inline constexpr Operation<AuthCodeBean, UserAuthResp> getToken{
    .method = HTTPMethod::post,
    .route = "carrier/standard/user/auth",
    .rule = [](const AuthCodeBean& b, Wire& w) { return b.authCode && w.sendAsBody(b); },
};

inline constexpr Operation<GetSpaceBean, GetSpaceResp> getSpace{
    .method = HTTPMethod::get,
    .route = "space/{}",
    .rule =
        [](const GetSpaceBean& b, Wire& w) {
          // An absent owner leaves the last segment empty. "type=" is always
          // there, even without a type; "containerId=" whenever the container
          // is set, even to the empty text.
          w.place(b.ownerId.value_or(""));
          request::QueryBuilder query;
          query.add("type", b.type.value_or(""));
          if (b.containerId) query.add("containerId", *b.containerId);
          w.query = query.str();
          return true;
        },
};

inline constexpr Operation<GetUserByIdBean, GetUsersByIdResponse> getUserById{
    .method = HTTPMethod::get,
    .route = "users/{}",
    .rule = [](const GetUserByIdBean& b, Wire& w) { return w.placeId(b.userId); },
};

inline constexpr Operation<GetUserListBean, GetuserListResponse> getUserList{
    .method = HTTPMethod::get,
    .route = "userList",
    .rule =
        [](const GetUserListBean& b, Wire& w) {
          // Without the direct-membership flag the list has no defined query.
          if (!b.isDirect) return false;
          std::vector<std::string> items;
          auto addIfSet = [&items](std::string_view name, const std::optional<std::string>& value) {
            if (value && !value->empty()) items.push_back(std::string(name) + "=" + request::encodeQueryValue(*value));
          };
          addIfSet("deptId", b.deptId);
          items.push_back(*b.isDirect ? "isDirect=true" : "isDirect=false");
          addIfSet("offset", b.offset);
          addIfSet("limit", b.limit);
          addIfSet("keyWord", b.keyWord);
          for (std::size_t i = 0; i < items.size(); ++i) w.query.append(i > 0 ? "&" : "").append(items[i]);
          QUILLBOX_LOG(debug, [&items] {
            std::string listed = "getParamsStr = [";
            for (std::size_t i = 0; i < items.size(); ++i) {
              listed.append(i > 0 ? ", \"" : "\"").append(items[i]).append("\"");
            }
            return listed + ']';
          }());
          return true;
        },
};

}  // namespace quillbox::services::user
