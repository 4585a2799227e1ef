// The emulator's request handling, in-process and for every route: an input
// is one request; no request may make it fail (throw or answer 5xx), and
// every answer whose type says JSON must be valid JSON (UTF-8 included). The
// input is
//
//   METHOD \n TARGET \n (NAME: VALUE \n)* \n BODY
//
// Without an Authorization header the request carries the token of a user
// signed in beforehand, so that the fuzzer reaches the signed-in routes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include <boost/json/parse.hpp>

#include "emulator/Faults.hpp"
#include "emulator/Service.hpp"
#include "emulator/Storage.hpp"

namespace {

using namespace quillbox::emulator;

// One emulator at a time, replaced now and then so that what the inputs
// create (users, files, shares, faults) does not grow without bound.
struct Instance {
  std::unique_ptr<Storage> storage = Storage::memory();
  FaultRegistry faults;
  Service service{ServiceConfig{"http://emulator", 1 << 20, std::chrono::seconds(60), 0, {}, std::nullopt},
                  *storage, faults};
  std::string token;

  Instance() {
    HttpRequest signIn;
    signIn.method = "POST";
    signIn.path = "/quillbox/ose/v1/carrier/standard/user/auth";
    signIn.body = R"({"authCode":"fuzz"})";
    const HttpResponse r = service.handle(signIn);
    const auto doc = boost::json::parse(r.body);
    token = std::string(doc.at("accessToken").as_string());
  }
};

constexpr int kRequestsPerInstance = 2000;

std::string_view line(std::string_view& rest) {
  const auto end = rest.find('\n');
  const std::string_view l = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return l;
}

void check(const HttpResponse& r) {
  // A failure of the emulator itself (an exception it did not expect, an
  // answer it could not encode) rather than of the request; no room left
  // (507) is the request's.
  if (r.status >= 500 && r.status != 507) std::abort();
  if (r.blob || r.headOnly || !r.contentType.starts_with("application/json")) return;
  boost::system::error_code ec;
  const boost::json::value doc = boost::json::parse(r.body, ec);
  if (ec) std::abort();  // an answer that says JSON and is not
  // The envelope: code 0 on success, the status itself with a message on failure.
  const auto* o = doc.if_object();
  const auto* code = o ? o->if_contains("code") : nullptr;
  if (!code) return;  // the control endpoints answer without an envelope
  const std::int64_t expected = r.status < 300 ? 0 : static_cast<std::int64_t>(r.status);
  if (!code->is_int64() || code->as_int64() != expected) std::abort();
  if (r.status >= 300 && !(o->contains("msg") && o->at("msg").is_string() && !o->at("msg").as_string().empty())) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::unique_ptr<Instance> instance;
  static int served = 0;
  if (!instance || ++served >= kRequestsPerInstance) {
    instance.reset();
    instance = std::make_unique<Instance>();
    served = 0;
  }

  std::string_view rest(reinterpret_cast<const char*>(data), size);
  HttpRequest req;
  req.method = std::string(line(rest));
  const std::string_view target = line(rest);
  const auto q = target.find('?');
  req.path = std::string(target.substr(0, q));
  if (q != std::string_view::npos) req.query = std::string(target.substr(q + 1));
  req.authorization = instance->token;
  while (!rest.empty()) {
    const std::string_view header = line(rest);
    if (header.empty()) break;
    const auto colon = header.find(": ");
    if (colon == std::string_view::npos) continue;
    const std::string_view name = header.substr(0, colon);
    const std::string value(header.substr(colon + 2));
    if (name == "Authorization") req.authorization = value;
    else if (name == "Range") req.range = value;
    else if (name == "If-Range") req.ifRange = value;
    else if (name == "If-None-Match") req.ifNoneMatch = value;
  }
  req.contentLength = rest.size();

  Service& service = instance->service;
  BodyPlan plan = service.plan(req);
  if (plan.kind == BodyPlan::Kind::reject) {
    check(plan.rejection);
    return 0;
  }
  if (plan.kind == BodyPlan::Kind::stream) {
    req.stream = std::move(plan.writer);
    if (req.stream && !req.stream->write(rest.data(), rest.size())) req.streamFailed = true;
  } else {
    req.body = std::string(rest);
  }
  check(service.handle(req));
  return 0;
}
