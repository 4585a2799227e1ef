#pragma once
// Answers of a file server for the loopback server: a plain body, and a file that honours
// resumed requests.

#include <mutex>
#include <string>

#include "support/LoopbackServer.hpp"

namespace quillbox::test {

inline Reply bodyReply(std::string body) {
  Reply reply;
  reply.body = std::move(body);
  reply.headers.emplace_back("Content-Type", "application/octet-stream");
  return reply;
}

/// A file as a file server offers it: with an ETag, honouring "Range: bytes=N-" when
/// "If-Range" names the current ETag and answering everything else with the whole body.
class RangeFile {
 public:
  RangeFile(std::string body, std::string etag) : body_(std::move(body)), etag_(std::move(etag)) {}

  void replace(std::string body, std::string etag) {
    std::lock_guard lock(mutex_);
    body_ = std::move(body);
    etag_ = std::move(etag);
  }

  Reply answer(const RecordedRequest& request) const {
    std::string body;
    std::string etag;
    {
      std::lock_guard lock(mutex_);
      body = body_;
      etag = etag_;
    }
    Reply reply;
    reply.headers = {{"ETag", etag}, {"Accept-Ranges", "bytes"}};
    const auto range = request.header("Range");
    if (range && range->starts_with("bytes=") && request.header("If-Range") == etag) {
      const std::size_t from = std::stoull(range->substr(6));
      const std::string size = std::to_string(body.size());
      if (from >= body.size()) {
        reply.status = 416;
        reply.headers.emplace_back("Content-Range", "bytes */" + size);
        return reply;
      }
      reply.status = 206;
      reply.headers.emplace_back("Content-Range",
                                 "bytes " + std::to_string(from) + "-" + std::to_string(body.size() - 1) + "/" + size);
      reply.body = body.substr(from);
      return reply;
    }
    reply.body = std::move(body);
    return reply;
  }

 private:
  mutable std::mutex mutex_;
  std::string body_;
  std::string etag_;
};

}  // namespace quillbox::test
