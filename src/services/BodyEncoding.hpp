#pragma once

#include <string>

#include "quillbox/request/Json.hpp"
#include "request/BaseReq.hpp"

namespace quillbox::request {

/// The POST/PUT shape of buildParams: the path, an empty query and the
/// record as the JSON body. -1 when the record cannot be encoded.
template <class Record>
int setJsonBody(RequestCore& req, std::string path, const Record& record) {
  try {
    req.body = toJson(record);
  } catch (const JsonEncodeError&) {
    return -1;
  }
  req.url = std::move(path);
  req.params = std::string();
  return 0;
}

}  // namespace quillbox::request
