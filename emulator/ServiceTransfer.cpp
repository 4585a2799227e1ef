// Part uploads to the addresses that files/create hands out, and downloads
// by link with ETag, Range, If-Range and If-None-Match.

#include <algorithm>
#include <charconv>

#include "emulator/Crypto.hpp"
#include "emulator/Areas.hpp"
#include "emulator/Views.hpp"
#include "emulator/ServiceUtil.hpp"

namespace quillbox::emulator {

namespace {

struct Signed {
  std::vector<std::string> segments;  // after the prefix
  std::int64_t expires = 0;
  std::string signature;
};

// "/_upload/<a>/<b>?expires=..&signature=.." → segments a, b and the signature items.
Signed parseSigned(const HttpRequest& req, std::string_view prefix, std::size_t segments) {
  Signed out;
  std::string_view rest = std::string_view(req.path).substr(prefix.size());
  for (std::size_t i = 0; i < segments; ++i) {
    const auto slash = rest.find('/');
    const std::string_view raw = rest.substr(0, slash);
    if (raw.empty() || (i + 1 < segments && slash == std::string_view::npos) ||
        (i + 1 == segments && slash != std::string_view::npos)) {
      throw ApiError{404, "no such address: " + req.path};
    }
    out.segments.emplace_back(raw);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  }
  std::string_view query = req.query;
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    const auto eq = item.find('=');
    const std::string_view key = item.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1);
    if (key == "expires") {
      auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), out.expires);
      if (ec != std::errc() || p != value.data() + value.size()) throw ApiError{403, "the address is not valid"};
    } else if (key == "signature") {
      out.signature = std::string(value);
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  if (out.signature.empty() || out.expires == 0) throw ApiError{403, "the address is not signed"};
  return out;
}

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

enum class RangeResult { whole, partial, unsatisfiable };

// One "bytes=" range; several ranges or a malformed header serve the whole body.
RangeResult parseRange(std::string_view header, std::uint64_t size, ByteRange& out) {
  constexpr std::string_view unit = "bytes=";
  if (!header.starts_with(unit)) return RangeResult::whole;
  std::string_view ranges = header.substr(unit.size());
  if (ranges.find(',') != std::string_view::npos) return RangeResult::whole;
  const auto dash = ranges.find('-');
  if (dash == std::string_view::npos) return RangeResult::whole;
  const std::string_view a = ranges.substr(0, dash);
  const std::string_view b = ranges.substr(dash + 1);
  auto number = [](std::string_view t, std::uint64_t& v) {
    if (t.empty()) return false;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return ec == std::errc() && p == t.data() + t.size();
  };
  std::uint64_t x = 0, y = 0;
  if (a.empty()) {  // the last y bytes
    if (!number(b, y)) return RangeResult::whole;
    if (y == 0 || size == 0) return RangeResult::unsatisfiable;
    out.first = size - std::min(y, size);
    out.last = size - 1;
    return RangeResult::partial;
  }
  if (!number(a, x)) return RangeResult::whole;
  if (b.empty()) {
    y = size == 0 ? 0 : size - 1;
  } else if (!number(b, y) || y < x) {
    return RangeResult::whole;
  }
  if (x >= size) return RangeResult::unsatisfiable;
  out.first = x;
  out.last = std::min(y, size - 1);
  return RangeResult::partial;
}

}  // namespace

void TransferApi::addRoutes(RouteTable& upload, RouteTable& download) {
  // The handlers parse and check the signed addresses themselves.
  Route part("", "**", [this](Call& c) { return putPart(c.req); });
  part.plan = [this](const HttpRequest& head) { return planPart(head); };
  upload.add(std::move(part));
  download.add({"", "**", [this](Call& c) { return this->download(c.req); }});
}

BodyPlan TransferApi::planPart(const HttpRequest& head) {
  BodyPlan plan;
  plan.kind = BodyPlan::Kind::reject;
  try {
    if (head.method != "PUT") throw ApiError{405, "parts are uploaded with PUT"};
    const Signed s = parseSigned(head, "/_upload/", 2);
    std::int64_t number = 0;
    auto [p, ec] = std::from_chars(s.segments[1].data(), s.segments[1].data() + s.segments[1].size(), number);
    if (ec != std::errc() || p != s.segments[1].data() + s.segments[1].size()) {
      throw ApiError{404, "no such address: " + head.path};
    }
    std::int64_t size = 0;
    {
      std::lock_guard lock(core_.mutex);
      const std::string partId = s.segments[0] + "." + std::to_string(number);
      if (!constantTimeEquals(core_.sign("part", partId, s.expires), s.signature)) {
        throw ApiError{403, "the upload address's signature is not valid"};
      }
      if (s.expires < core_.now() / 1000) throw ApiError{403, "the upload address has expired"};
      auto it = core_.state.uploads.find(s.segments[0]);
      if (it == core_.state.uploads.end()) throw ApiError{404, "the upload is no longer in progress"};
      if (it->second.completing) throw ApiError{409, "the upload is being completed"};
      auto part = std::find_if(it->second.parts.begin(), it->second.parts.end(),
                               [&](const PartPlan& pp) { return pp.number == number; });
      if (part == it->second.parts.end()) throw ApiError{404, "the upload has no part " + std::to_string(number)};
      size = part->size;
    }
    if (head.contentLength && *head.contentLength != static_cast<std::uint64_t>(size)) {
      throw ApiError{400, "part " + std::to_string(number) + " has " + std::to_string(size) + " bytes, not " +
                              std::to_string(*head.contentLength)};
    }
    plan.writer = core_.storage.newWriter(static_cast<std::uint64_t>(size));
    if (!plan.writer) throw ApiError{507, "cannot store the part"};
    plan.kind = BodyPlan::Kind::stream;
  } catch (const ApiError& e) {
    plan.rejection = errorResponse(e.status, e.msg);
  }
  return plan;
}

HttpResponse TransferApi::putPart(HttpRequest& req) {
  // plan() has checked the address; the body is in req.stream.
  const Signed s = parseSigned(req, "/_upload/", 2);
  const std::string& uploadId = s.segments[0];
  const std::int64_t number = std::stoll(s.segments[1]);
  if (!req.stream || req.streamFailed) throw ApiError{507, "cannot store the part"};
  std::int64_t size = 0;
  {
    std::lock_guard lock(core_.mutex);
    auto it = core_.state.uploads.find(uploadId);
    if (it == core_.state.uploads.end()) throw ApiError{404, "the upload is no longer in progress"};
    for (const auto& p : it->second.parts) {
      if (p.number == number) size = p.size;
    }
  }
  if (req.stream->size() != static_cast<std::uint64_t>(size)) {
    throw ApiError{400, "part " + std::to_string(number) + " has " + std::to_string(size) + " bytes, " +
                            std::to_string(req.stream->size()) + " arrived"};
  }
  auto blob = core_.storage.commitPart(std::move(req.stream), uploadId, number);
  if (!blob) throw ApiError{507, "cannot store the part"};
  std::lock_guard lock(core_.mutex);
  auto it = core_.state.uploads.find(uploadId);
  if (it == core_.state.uploads.end() || it->second.completing) {
    if (it == core_.state.uploads.end()) core_.storage.dropUpload(uploadId);
    throw ApiError{409, "the upload is no longer accepting parts"};
  }
  it->second.received[number] = std::move(blob);
  ++core_.state.partsReceived;
  core_.markDirty();
  HttpResponse r = ok(BaseResponse());
  r.headers.emplace_back("ETag", "\"" + uploadId + "." + std::to_string(number) + "\"");
  return r;
}

HttpResponse TransferApi::download(const HttpRequest& req) {
  if (req.method != "GET" && req.method != "HEAD") throw ApiError{405, "downloads use GET or HEAD"};
  const Signed s = parseSigned(req, "/_download/", 1);
  const std::string& fileId = s.segments[0];
  std::shared_ptr<const Blob> blob;
  std::string name, mime, sha;
  Millis edited = 0;
  {
    std::lock_guard lock(core_.mutex);
    if (!constantTimeEquals(core_.sign("download", fileId, s.expires), s.signature)) {
      throw ApiError{403, "the download address's signature is not valid"};
    }
    if (s.expires < core_.now() / 1000) throw ApiError{403, "the download address has expired"};
    const NodeRec* n = core_.state.node(fileId);
    if (!n || n->folder) throw ApiError{404, "the file no longer exists"};
    blob = core_.state.blobOf(n->sha256);
    if (!blob) throw ApiError{404, "the file's content is missing"};
    name = n->name;
    mime = n->mimeType.empty() ? "application/octet-stream" : n->mimeType;
    sha = n->sha256;
    edited = n->editedTime;
  }
  const std::uint64_t size = blob->size();
  const std::string etag = "\"" + sha + "\"";
  const std::string lastModified = httpDate(edited);

  HttpResponse r;
  r.headOnly = req.method == "HEAD";
  r.headers.emplace_back("ETag", etag);
  r.headers.emplace_back("Last-Modified", lastModified);
  r.headers.emplace_back("Accept-Ranges", "bytes");
  r.headers.emplace_back("Content-Disposition", "attachment; filename*=UTF-8''" + percentEncode(name));
  if (req.ifNoneMatch && (*req.ifNoneMatch == etag || *req.ifNoneMatch == "*")) {
    r.status = 304;
    r.contentType.clear();
    return r;
  }
  r.contentType = mime;
  r.blob = blob;
  r.offset = 0;
  r.length = size;
  // If-Range: the range applies only while the validator still names this content.
  const bool rangeApplies = req.range && (!req.ifRange || *req.ifRange == etag || *req.ifRange == lastModified);
  if (!rangeApplies) return r;
  ByteRange range;
  switch (parseRange(*req.range, size, range)) {
    case RangeResult::whole: return r;
    case RangeResult::unsatisfiable: {
      HttpResponse bad = errorResponse(416, "the range is outside the " + std::to_string(size) + " bytes of the file");
      bad.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
      bad.headers.emplace_back("ETag", etag);
      return bad;
    }
    case RangeResult::partial: break;
  }
  r.status = 206;
  r.offset = range.first;
  r.length = range.last - range.first + 1;
  r.headers.emplace_back("Content-Range", "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) +
                                              "/" + std::to_string(size));
  return r;
}

}  // namespace quillbox::emulator
