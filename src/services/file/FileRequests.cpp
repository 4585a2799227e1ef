#include "services/file/FileRequests.hpp"

#include <string>

#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"
#include "services/BodyEncoding.hpp"

namespace quillbox::request {

namespace {

std::string filesPath(std::string_view rest) { return std::string(kApiPrefix) + "files/" + std::string(rest); }

/// Adds `name` when `value` is present and not empty.
void addIfSet(QueryBuilder& query, std::string_view name, const std::optional<std::string>& value) {
  if (value && !value->empty()) query.add(name, *value);
}

}  // namespace

int GetAccessReq::buildParams() {
  // Never fails: without a record the list is asked for without a query.
  url = std::string(kApiPrefix) + "access";
  QueryBuilder query;
  if (bean && bean->imageProcess) query.add("imageProcess", *bean->imageProcess);
  params = query.str();
  body.reset();
  return 0;
}

int CreateDirectoryRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, std::string(kApiPrefix) + "directory", *bean);
}

int FileCompleteRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, filesPath("complete"), *bean);
}

int FileRenameRequest::buildParams() {
  if (!bean || !isUsableSegment(bean->fileId)) return -1;
  return setJsonBody(*this, filesPath("rename/" + encodePathSegment(*bean->fileId)), *bean);
}

int FilesCreateRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, filesPath("create"), *bean);
}

int FileSearchRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, filesPath("search"), *bean);
}

int FilesListRequest::buildParams() {
  // The listing kind is the last path segment and also stays in the body.
  if (!bean || !isUsableSegment(bean->type)) return -1;
  return setJsonBody(*this, filesPath(encodePathSegment(*bean->type)), *bean);
}

int FilesPathRequest::buildParams() {
  if (!bean) return -1;
  url = filesPath("path");
  QueryBuilder query;
  addIfSet(query, "fileId", bean->fileId);
  addIfSet(query, "containerId", bean->containerId);
  params = query.str();
  body.reset();
  return 0;
}

int FilesStatsDirRequest::buildParams() {
  if (!bean) return -1;
  url = filesPath("statsDir");
  QueryBuilder query;
  addIfSet(query, "fileId", bean->fileId);
  addIfSet(query, "containerId", bean->containerId);
  query.add("recursive", bean->recursive);
  params = query.str();
  body.reset();
  return 0;
}

int GetDownloadUrlRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, filesPath("download"), *bean);
}

int GetFileDetailRequest::buildParams() {
  if (!bean || !isUsableSegment(bean->fileId)) return -1;
  return setJsonBody(*this, filesPath(encodePathSegment(*bean->fileId) + "/detail"), *bean);
}

int GetUploadUrlRequest::buildParams() {
  if (!bean) return -1;
  return setJsonBody(*this, filesPath("multipart/uploadUrl"), *bean);
}

}  // namespace quillbox::request
