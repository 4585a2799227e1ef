#include "services/share/ShareRequests.hpp"

#include <string>

#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"
#include "services/BodyEncoding.hpp"

namespace quillbox::request {

namespace {

std::string sharePath(std::string_view rest = {}) { return std::string(kApiPrefix) + "share" + std::string(rest); }

}  // namespace

int GetShareRequest::buildParams() {
  if (!bean) return -1;
  url = sharePath();
  // Items that are 0, empty or absent are left out; an absent sort code
  // too, as in the starred-files listing.
  QueryBuilder query;
  if (bean->pageSize != 0) query.add("pageSize", bean->pageSize);
  if (bean->pageCursor && !bean->pageCursor->empty()) query.add("pageCursor", *bean->pageCursor);
  if (bean->sortType && *bean->sortType != 0) query.add("sortType", *bean->sortType);
  if (bean->sortDirection && *bean->sortDirection != 0) query.add("sortDirection", *bean->sortDirection);
  if (bean->displayName && !bean->displayName->empty()) query.add("displayName", *bean->displayName);
  if (bean->imageProcess && !bean->imageProcess->empty()) query.add("imageProcess", *bean->imageProcess);
  params = query.str();
  body.reset();
  return 0;
}

int CreateShareRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, sharePath(), *bean);
}

int CancelShareRequest::buildParams() {
  // An empty list is sent; an absent one is not.
  if (!_bean || !_bean->shareIds) return -1;
  return setJsonBody(*this, sharePath("/cancel"), *_bean);
}

int GetShareDetailRequest::buildParams() {
  if (!bean || !isUsableSegment(bean->shareId)) return -1;
  url = sharePath("/" + encodePathSegment(*bean->shareId));
  params = std::string();
  body.reset();
  return 0;
}

int ModifyShareDetailRequest::buildParams() {
  if (!bean || !isUsableSegment(bean->shareId)) return -1;
  return setJsonBody(*this, sharePath("/" + encodePathSegment(*bean->shareId)), *bean);
}

int GetShareFilesRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, sharePath("/files"), *bean);
}

}  // namespace quillbox::request
