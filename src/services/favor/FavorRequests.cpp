#include "services/favor/FavorRequests.hpp"

#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"
#include "services/BodyEncoding.hpp"

namespace quillbox::request {

int GetStarFilesRequest::buildParams() {
  if (!bean) return -1;
  url = std::string(kApiPrefix) + "star/files";
  QueryBuilder query;
  if (bean->pageSize && *bean->pageSize != 0) query.add("pageSize", *bean->pageSize);
  if (bean->pageCursor && !bean->pageCursor->empty()) query.add("pageCursor", *bean->pageCursor);
  if (bean->sortType && *bean->sortType != 0) query.add("sortType", *bean->sortType);
  if (bean->sortDirection && *bean->sortDirection != 0) query.add("sortDirection", *bean->sortDirection);
  if (bean->imageProcess && !bean->imageProcess->empty()) query.add("imageProcess", *bean->imageProcess);
  params = query.str();
  body.reset();
  return 0;
}

int GetStarBatchRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, std::string(kApiPrefix) + "star/batch", *bean);
}

}  // namespace quillbox::request
