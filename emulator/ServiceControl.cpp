// The control endpoints under "/_emulator/": faults, the request log and counts.

#include <mutex>

#include <boost/json.hpp>

#include "emulator/Areas.hpp"
#include "emulator/Faults.hpp"
#include "emulator/ServiceUtil.hpp"

namespace quillbox::emulator {

namespace bj = boost::json;

namespace {

HttpResponse jsonResponse(unsigned status, std::string body) {
  HttpResponse r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

}  // namespace

void ControlApi::addRoutes(RouteTable& t) {
  auto json = [](std::string body) { return [body](Call&) { return jsonResponse(200, body); }; };
  t.add({"", "health", json(R"({"status":"ok"})")});
  t.add({"GET", "faults", [this](Call&) { return jsonResponse(200, faults_.describe()); }});
  t.add({"DELETE", "faults", [this](Call&) {
           bj::object o;
           o["cleared"] = faults_.clear();
           return jsonResponse(200, bj::serialize(o));
         }});
  t.add({"POST", "faults", [this](Call& c) {
           auto parsed = Fault::parse(c.req.body);
           if (auto* error = std::get_if<std::string>(&parsed)) throw ApiError{400, *error};
           auto fault = std::get<Fault>(std::move(parsed));
           const std::string kind(kindName(fault.kind));
           bj::object o;
           o["id"] = faults_.arm(std::move(fault));
           o["kind"] = kind;
           return jsonResponse(201, bj::serialize(o));
         }});
  t.add({"DELETE", "faults/*", [this](Call& c) {
           std::uint64_t id = 0;
           try {
             id = std::stoull(c.seg[1]);
           } catch (const std::exception&) {
             throw ApiError{400, "fault ids are numbers"};
           }
           if (!faults_.remove(id)) throw ApiError{404, "no such fault: " + c.seg[1]};
           return jsonResponse(200, R"({"removed":true})");
         }});
  t.add({"GET", "requests", [this](Call&) { return jsonResponse(200, faults_.describeRequests()); }});
  t.add({"DELETE", "requests", [this](Call&) {
           faults_.clearRequests();
           return jsonResponse(200, R"({"cleared":true})");
         }});
  t.add({"GET", "stats", [this](Call&) { return stats(); }});
}

HttpResponse ControlApi::stats() {
  std::lock_guard lock(core_.mutex);
  std::int64_t files = 0, folders = 0;
  for (const auto& [id, n] : core_.state.nodes) (n.folder ? folders : files) += 1;
  std::int64_t blobs = 0;
  for (const auto& [sha, b] : core_.state.blobs) blobs += b.refs > 0 ? 1 : 0;
  bj::object o;
  o["users"] = core_.state.users.size();
  o["tokens"] = core_.state.tokens.size();
  o["files"] = files;
  o["folders"] = folders;
  o["blobs"] = blobs;
  o["pendingUploads"] = core_.state.uploads.size();
  o["partsReceived"] = core_.state.partsReceived;
  o["shares"] = core_.state.shares.size();
  o["jobs"] = core_.state.jobs.size();
  o["apiRequests"] = core_.requests;
  return jsonResponse(200, bj::serialize(o));
}

}  // namespace quillbox::emulator
