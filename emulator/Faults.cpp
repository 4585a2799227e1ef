#include "emulator/Faults.hpp"

#include <boost/json.hpp>

#include "emulator/Text.hpp"

namespace quillbox::emulator {

namespace bj = boost::json;

std::string_view kindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::status: return "status";
    case FaultKind::delay: return "delay";
    case FaultKind::stall: return "stall";
    case FaultKind::reset: return "reset";
    case FaultKind::truncate: return "truncate";
    case FaultKind::corrupt: return "corrupt";
  }
  return "status";
}

namespace {

std::optional<FaultKind> kindFromName(std::string_view name) {
  for (FaultKind k : {FaultKind::status, FaultKind::delay, FaultKind::stall, FaultKind::reset, FaultKind::truncate,
                      FaultKind::corrupt}) {
    if (kindName(k) == name) return k;
  }
  return std::nullopt;
}

// Reads an optional non-negative integer member; an error text on a wrong kind.
std::optional<std::string> readCount(const bj::object& o, std::string_view key, std::int64_t min, std::int64_t max,
                                     std::optional<std::int64_t>& out) {
  auto it = o.find(key);
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  const bj::value& v = it->value();
  std::int64_t n = 0;
  if (v.is_int64()) {
    n = v.as_int64();
  } else if (v.is_uint64() && v.as_uint64() <= static_cast<std::uint64_t>(max)) {
    n = static_cast<std::int64_t>(v.as_uint64());
  } else {
    return "\"" + std::string(key) + "\" must be an integer";
  }
  if (n < min || n > max) {
    return "\"" + std::string(key) + "\" must be between " + std::to_string(min) + " and " + std::to_string(max);
  }
  out = n;
  return std::nullopt;
}

std::optional<std::string> readText(const bj::object& o, std::string_view key, std::optional<std::string>& out) {
  auto it = o.find(key);
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  if (!it->value().is_string()) return "\"" + std::string(key) + "\" must be a string";
  out = std::string(it->value().as_string());
  return std::nullopt;
}

bj::object toObject(std::uint64_t id, const Fault& s, std::int64_t remaining) {
  bj::object o;
  o["id"] = id;
  o["path"] = s.path;
  if (s.method) o["method"] = *s.method;
  o["kind"] = kindName(s.kind);
  o["count"] = s.count;
  o["remaining"] = remaining;
  switch (s.kind) {
    case FaultKind::status:
      o["status"] = s.status;
      o["code"] = s.code;
      o["msg"] = s.msg;
      break;
    case FaultKind::delay: o["ms"] = s.ms; break;
    case FaultKind::stall:
      o["ms"] = s.ms;
      if (s.afterBytes) o["afterBytes"] = *s.afterBytes;
      break;
    case FaultKind::reset:
      if (s.afterBytes) o["afterBytes"] = *s.afterBytes;
      break;
    case FaultKind::truncate: o["afterBytes"] = s.afterBytes.value_or(0); break;
    case FaultKind::corrupt:
      o["offset"] = s.offset;
      o["length"] = s.length;
      o["direction"] = s.onRequest ? "request" : "response";
      break;
  }
  return o;
}

}  // namespace

std::variant<Fault, std::string> Fault::parse(std::string_view json) {
  boost::system::error_code ec;
  bj::value doc = bj::parse(json, ec);
  if (ec) return std::string("the body is not JSON: ") + ec.message();
  const bj::object* o = doc.if_object();
  if (!o) return std::string("the body must be a JSON object");

  Fault fault;
  std::optional<std::string> text;
  if (auto e = readText(*o, "path", text)) return *e;
  if (!text || text->empty()) return std::string("\"path\" (a pattern such as \"/quillbox/ose/v1/files/*\") is required");
  fault.path = *text;
  text.reset();
  if (auto e = readText(*o, "method", text)) return *e;
  fault.method = text;
  text.reset();
  if (auto e = readText(*o, "kind", text)) return *e;
  if (!text) return std::string("\"kind\" is required: status, delay, stall, reset, truncate or corrupt");
  auto kind = kindFromName(*text);
  if (!kind) return "unknown \"kind\" \"" + *text + "\": status, delay, stall, reset, truncate or corrupt";
  fault.kind = *kind;

  constexpr std::int64_t big = std::int64_t{1} << 50;
  std::optional<std::int64_t> n;
  if (auto e = readCount(*o, "count", 1, 1000000, n)) return *e;
  fault.count = n.value_or(1);
  n.reset();
  if (auto e = readCount(*o, "status", 200, 599, n)) return *e;
  fault.status = static_cast<unsigned>(n.value_or(500));
  n.reset();
  if (auto e = readCount(*o, "code", -big, big, n)) return *e;
  fault.code = n.value_or(fault.status);
  text.reset();
  if (auto e = readText(*o, "msg", text)) return *e;
  if (text) fault.msg = *text;
  n.reset();
  if (auto e = readCount(*o, "ms", 0, 600000, n)) return *e;
  fault.ms = n.value_or(fault.kind == FaultKind::stall ? 60000 : 1000);
  n.reset();
  if (auto e = readCount(*o, "afterBytes", 0, big, n)) return *e;
  if (n) fault.afterBytes = static_cast<std::uint64_t>(*n);
  n.reset();
  if (auto e = readCount(*o, "offset", 0, big, n)) return *e;
  fault.offset = static_cast<std::uint64_t>(n.value_or(0));
  n.reset();
  if (auto e = readCount(*o, "length", 1, 1 << 20, n)) return *e;
  fault.length = static_cast<std::uint64_t>(n.value_or(1));
  text.reset();
  if (auto e = readText(*o, "direction", text)) return *e;
  if (text && *text != "request" && *text != "response") return std::string("\"direction\" is request or response");
  fault.onRequest = text && *text == "request";
  return fault;
}

bool globMatch(std::string_view pattern, std::string_view text) {
  // Iterative matcher with single-star backtracking: linear in practice.
  std::size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::uint64_t FaultRegistry::arm(Fault fault) {
  std::lock_guard lock(mutex_);
  const std::uint64_t id = nextId_++;
  const std::int64_t remaining = fault.count;
  faults_.push_back({id, std::move(fault), remaining});
  return id;
}

std::optional<Fault> FaultRegistry::take(std::string_view method, std::string_view path) {
  std::lock_guard lock(mutex_);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->fault.method && *it->fault.method != method) continue;
    if (!globMatch(it->fault.path, path)) continue;
    Fault fault = it->fault;
    ++fired_;
    if (--it->remaining <= 0) faults_.erase(it);
    return fault;
  }
  return std::nullopt;
}

std::size_t FaultRegistry::clear() {
  std::map<std::uint64_t, std::function<void()>> holds;
  std::size_t count = 0;
  {
    std::lock_guard lock(mutex_);
    count = faults_.size();
    faults_.clear();
    holds.swap(holds_);
  }
  for (auto& [id, release] : holds) release();
  return count;
}

bool FaultRegistry::remove(std::uint64_t id) {
  std::lock_guard lock(mutex_);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->id == id) {
      faults_.erase(it);
      return true;
    }
  }
  return false;
}

std::string FaultRegistry::describe() const {
  bj::object out;
  bj::array list;
  std::lock_guard lock(mutex_);
  for (const auto& f : faults_) list.emplace_back(toObject(f.id, f.fault, f.remaining));
  out["faults"] = std::move(list);
  out["held"] = holds_.size();
  out["fired"] = fired_;
  return bj::serialize(out);
}

std::uint64_t FaultRegistry::hold(std::function<void()> release) {
  std::lock_guard lock(mutex_);
  const std::uint64_t id = nextHold_++;
  holds_.emplace(id, std::move(release));
  return id;
}

void FaultRegistry::unhold(std::uint64_t id) {
  std::function<void()> dropped;
  std::lock_guard lock(mutex_);
  auto it = holds_.find(id);
  if (it == holds_.end()) return;
  dropped = std::move(it->second);
  holds_.erase(it);
}

std::size_t FaultRegistry::held() const {
  std::lock_guard lock(mutex_);
  return holds_.size();
}

namespace {
constexpr std::size_t kLogSize = 1000;
}

void FaultRegistry::record(LoggedRequest entry) {
  std::lock_guard lock(mutex_);
  if (log_.size() < kLogSize) {
    log_.push_back(std::move(entry));
  } else {
    log_[logNext_] = std::move(entry);
    logNext_ = (logNext_ + 1) % kLogSize;
  }
}

std::string FaultRegistry::describeRequests() const {
  bj::array list;
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < log_.size(); ++i) {
    const LoggedRequest& e = log_[(logNext_ + i) % log_.size()];
    bj::object o;
    // Request text as it came: any bytes, made valid UTF-8 for the answer.
    o["method"] = toValidUtf8(e.method);
    o["path"] = toValidUtf8(e.path);
    o["status"] = e.status;
    if (!e.range.empty()) o["range"] = toValidUtf8(e.range);
    if (!e.ifRange.empty()) o["ifRange"] = toValidUtf8(e.ifRange);
    o["bytes"] = e.bytes;
    if (!e.fault.empty()) o["fault"] = e.fault;
    list.emplace_back(std::move(o));
  }
  bj::object out;
  out["requests"] = std::move(list);
  return bj::serialize(out);
}

void FaultRegistry::clearRequests() {
  std::lock_guard lock(mutex_);
  log_.clear();
  logNext_ = 0;
}

}  // namespace quillbox::emulator
