#include "emulator/Service.hpp"

#include <mutex>

#include "emulator/ServiceUtil.hpp"
#include "emulator/Text.hpp"

namespace quillbox::emulator {

namespace {

// Splits "a/b/c" into decoded segments; a raw "." or ".." segment is refused.
// Decoded text is made valid UTF-8: handlers quote it in their answers.
Segments segmentsOf(std::string_view rest) {
  Segments out;
  std::size_t start = 0;
  while (true) {
    const auto slash = rest.find('/', start);
    const std::string_view raw = rest.substr(start, slash == std::string_view::npos ? rest.npos : slash - start);
    if (raw == "." || raw == "..") throw ApiError{400, "dot segments are not allowed in paths"};
    auto decoded = percentDecode(raw);
    if (!decoded) throw ApiError{400, "malformed percent-encoding in the path"};
    out.push_back(toValidUtf8(*decoded));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return out;
}

Query queryOf(std::string_view query) {
  Query out;
  std::size_t start = 0;
  while (start <= query.size() && !query.empty()) {
    const auto amp = query.find('&', start);
    const std::string_view item = query.substr(start, amp == std::string_view::npos ? query.npos : amp - start);
    if (!item.empty()) {
      const auto eq = item.find('=');
      auto key = percentDecode(item.substr(0, eq));
      auto value = percentDecode(eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1));
      if (!key || !value) throw ApiError{400, "malformed percent-encoding in the query"};
      out[toValidUtf8(*key)] = toValidUtf8(*value);
    }
    if (amp == std::string_view::npos) break;
    start = amp + 1;
  }
  return out;
}

}  // namespace

// Where a path leads: the area by its prefix, then the route in the area's table.
struct Service::Area {
  std::string_view prefix;
  bool decode = true;    // percent-decode the segments (else the handler parses the path)
  bool query = false;    // read the query items
  bool locked = false;   // an unknown route is answered under the lock and counted
  bool control = false;  // its misses say "no such control endpoint"
  RouteTable routes;
};

Service::Service(ServiceConfig config, Storage& storage, FaultRegistry& faults)
    : core_(std::move(config), storage),
      users_(core_),
      files_(core_),
      shares_(core_),
      jobs_(core_),
      transfer_(core_),
      control_(core_, faults) {
  auto area = [this](std::string_view prefix, bool decode, bool query, bool locked, bool control) -> RouteTable& {
    auto a = std::make_unique<Area>();
    a->prefix = prefix;
    a->decode = decode;
    a->query = query;
    a->locked = locked;
    a->control = control;
    areas_.push_back(std::move(a));
    return areas_.back()->routes;
  };
  RouteTable& api = area(kApiPrefix, true, true, true, false);
  users_.addRoutes(api);
  files_.addRoutes(api);
  shares_.addRoutes(api);
  jobs_.addRoutes(api);
  RouteTable& upload = area(kUploadPrefix, false, false, false, false);
  RouteTable& download = area(kDownloadPrefix, false, false, false, false);
  transfer_.addRoutes(upload, download);
  control_.addRoutes(area(kControlPrefix, true, false, false, true));
  shares_.addLandingRoutes(area(kSharePrefix, true, false, false, false));
}

Service::~Service() = default;

void Service::setBaseUrl(std::string url) { core_.setBaseUrl(std::move(url)); }

void Service::flush() { core_.flush(); }

const Service::Area* Service::areaOf(std::string_view path) const {
  for (const auto& a : areas_) {
    if (path.starts_with(a->prefix)) return a.get();
  }
  return nullptr;
}

bool Service::faultable(std::string_view path) const { return !path.starts_with(kControlPrefix); }

BodyPlan Service::plan(const HttpRequest& head) {
  // Matched on the raw segments: a plan must not fail on a bad escape (the
  // handler reports that).
  const Area* area = areaOf(head.path);
  if (!area) return {};
  const auto match = area->routes.find(head.method, splitPath(std::string_view(head.path).substr(area->prefix.size())));
  if (!match.route) return {};
  if (match.route->plan) return match.route->plan(head);
  BodyPlan plan;
  plan.heavy = match.route->heavy;
  return plan;
}

HttpResponse Service::handle(HttpRequest& req) {
  try {
    const Area* area = areaOf(req.path);
    if (!area) throw ApiError{404, "no such endpoint: " + req.method + " " + req.path};
    const std::string_view rest = std::string_view(req.path).substr(area->prefix.size());
    Call call{req, area->decode ? segmentsOf(rest) : splitPath(rest), area->query ? queryOf(req.query) : Query()};
    const auto match = area->routes.find(req.method, call.seg);
    std::unique_lock lock(core_.mutex, std::defer_lock);
    if (match.route ? match.route->locked : area->locked) {
      lock.lock();
      ++core_.requests;
    }
    switch (match.outcome) {
      case RouteTable::Outcome::found: return match.route->handle(call);
      case RouteTable::Outcome::noMethod: throw ApiError{405, "method " + req.method + " is not allowed here"};
      case RouteTable::Outcome::noPath: break;
    }
    if (area->control) throw ApiError{404, "no such control endpoint: " + req.path};
    throw ApiError{404, "no such endpoint: " + req.method + " " + req.path};
  } catch (const ApiError& e) {
    return errorResponse(e.status, e.msg);
  } catch (const JsonEncodeError& e) {
    return errorResponse(500, std::string("cannot encode the answer: ") + e.what());
  }
}

}  // namespace quillbox::emulator
