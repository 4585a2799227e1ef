#pragma once

#include "quillbox/services/share/ShareRecords.hpp"
#include "services/Operation.hpp"

/// The share service's operations: method, route and wire rule of each.
namespace quillbox::services::share {

inline constexpr Operation<GetShareBean, GetShareResponse> getShares{
    .method = HTTPMethod::get,
    .route = "share",
    .rule =
        [](const GetShareBean& b, Wire& w) {
          // Items that are 0, empty or absent are left out; an absent sort
          // code too, as in the starred-files listing.
          request::QueryBuilder query;
          if (b.pageSize != 0) query.add("pageSize", b.pageSize);
          if (b.pageCursor && !b.pageCursor->empty()) query.add("pageCursor", *b.pageCursor);
          if (b.sortType && *b.sortType != 0) query.add("sortType", *b.sortType);
          if (b.sortDirection && *b.sortDirection != 0) query.add("sortDirection", *b.sortDirection);
          if (b.displayName && !b.displayName->empty()) query.add("displayName", *b.displayName);
          if (b.imageProcess && !b.imageProcess->empty()) query.add("imageProcess", *b.imageProcess);
          w.query = query.str();
          return true;
        },
};

inline constexpr Operation<CreateShareBean, CreateShareResponse> createShare{
    .method = HTTPMethod::post, .route = "share", .rule = recordAsBody};

inline constexpr Operation<CancelShareBean, CancelShareResponse> cancelShare{
    .method = HTTPMethod::post,
    .route = "share/cancel",
    // An empty list is sent; an absent one is not.
    .rule = [](const CancelShareBean& b, Wire& w) { return b.shareIds && w.sendAsBody(b); },
};

inline constexpr Operation<GetShareDetailBean, GetShareDetailResponse> getShareDetail{
    .method = HTTPMethod::get,
    .route = "share/{}",
    .rule = [](const GetShareDetailBean& b, Wire& w) { return w.placeId(b.shareId); },
};

inline constexpr Operation<ModifyShareDetailBean, ModifyShareDetailResponse> modifyShareDetail{
    .method = HTTPMethod::put,
    .route = "share/{}",
    .rule = [](const ModifyShareDetailBean& b, Wire& w) { return w.placeId(b.shareId) && w.sendAsBody(b); },
};

inline constexpr Operation<GetShareFilesBean, GetShareFilesResponse> getShareFiles{
    .method = HTTPMethod::post, .route = "share/files", .rule = recordAsBody};

}  // namespace quillbox::services::share
