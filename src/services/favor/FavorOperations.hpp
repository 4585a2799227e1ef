#pragma once

#include "quillbox/services/favor/FavorRecords.hpp"
#include "services/Operation.hpp"

/// The starred-files service's operations: method, route and wire rule of each.
namespace quillbox::services::favor {

inline constexpr Operation<GetStarFilesBean, GetStarFilesResponse> getStarFiles{
    .method = HTTPMethod::get,
    .route = "star/files",
    .rule =
        [](const GetStarFilesBean& b, Wire& w) {
          request::QueryBuilder query;
          if (b.pageSize && *b.pageSize != 0) query.add("pageSize", *b.pageSize);
          if (b.pageCursor && !b.pageCursor->empty()) query.add("pageCursor", *b.pageCursor);
          if (b.sortType && *b.sortType != 0) query.add("sortType", *b.sortType);
          if (b.sortDirection && *b.sortDirection != 0) query.add("sortDirection", *b.sortDirection);
          if (b.imageProcess && !b.imageProcess->empty()) query.add("imageProcess", *b.imageProcess);
          w.query = query.str();
          return true;
        },
};

inline constexpr Operation<GetStarBatchBean, GetStarBatchResponse> getStarBatch{
    .method = HTTPMethod::post, .route = "star/batch", .rule = recordAsBody};

}  // namespace quillbox::services::favor
