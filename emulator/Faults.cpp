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

std::optional<std::string> readBool(const bj::object& o, std::string_view key, bool& out) {
  auto it = o.find(key);
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  if (!it->value().is_bool()) return "\"" + std::string(key) + "\" must be true or false";
  out = it->value().as_bool();
  return std::nullopt;
}

// A share between 0 and 1 (an integer 0 or 1, or a fraction).
std::optional<std::string> readShare(const bj::object& o, std::string_view key, std::optional<double>& out) {
  auto it = o.find(key);
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  const bj::value& v = it->value();
  double x = -1;
  if (v.is_double()) x = v.as_double();
  if (v.is_int64()) x = static_cast<double>(v.as_int64());
  if (v.is_uint64()) x = static_cast<double>(v.as_uint64());
  if (!(x >= 0.0 && x <= 1.0)) return "\"" + std::string(key) + "\" must be a number from 0 to 1";
  out = x;
  return std::nullopt;
}

std::optional<std::string> readSeed(const bj::object& o, std::string_view key, std::uint64_t& out) {
  auto it = o.find(key);
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  const bj::value& v = it->value();
  if (v.is_uint64()) {
    out = v.as_uint64();
  } else if (v.is_int64() && v.as_int64() >= 0) {
    out = static_cast<std::uint64_t>(v.as_int64());
  } else {
    return "\"" + std::string(key) + "\" must be a non-negative integer";
  }
  return std::nullopt;
}

// Seconds (a non-negative integer) or an HTTP date (text), as the header carries it.
std::optional<std::string> readRetryAfter(const bj::object& o, std::optional<std::string>& out) {
  auto it = o.find("retryAfter");
  if (it == o.end() || it->value().is_null()) return std::nullopt;
  const bj::value& v = it->value();
  if (v.is_int64() && v.as_int64() >= 0) {
    out = std::to_string(v.as_int64());
    return std::nullopt;
  }
  if (v.is_string() && !v.as_string().empty()) {
    const std::string text(v.as_string());
    bool printable = true;
    for (unsigned char c : text) printable = printable && c >= 0x20 && c < 0x7F;
    if (printable) {
      out = text;
      return std::nullopt;
    }
  }
  return std::string("\"retryAfter\" is a number of seconds or an HTTP date such as \"Wed, 21 Oct 2015 07:28:00 GMT\"");
}

bj::object toObject(const Fault& s, std::uint64_t seen, std::uint64_t fired) {
  bj::object o;
  o["id"] = s.id;
  o["path"] = s.path;
  if (s.method) o["method"] = *s.method;
  o["kind"] = kindName(s.kind);
  o["count"] = s.count;
  if (s.count > 0) o["remaining"] = s.count - static_cast<std::int64_t>(fired);
  if (s.every > 0) o["every"] = s.every;
  if (s.probability) {
    o["probability"] = *s.probability;
    o["seed"] = s.seed;
  }
  o["seen"] = seen;
  o["fired"] = fired;
  switch (s.kind) {
    case FaultKind::status:
      o["status"] = s.status;
      o["code"] = s.code;
      o["msg"] = s.msg;
      if (s.retryAfter) o["retryAfter"] = *s.retryAfter;
      break;
    case FaultKind::delay: o["ms"] = s.ms; break;
    case FaultKind::stall:
      o["ms"] = s.ms;
      if (s.afterBytes) o["afterBytes"] = *s.afterBytes;
      break;
    case FaultKind::reset:
      if (s.afterBytes) o["afterBytes"] = *s.afterBytes;
      if (s.handled) o["handled"] = true;
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
  if (auto e = readCount(*o, "every", 1, 1000000, n)) return *e;
  fault.every = n.value_or(0);
  if (auto e = readShare(*o, "probability", fault.probability)) return *e;
  if (auto e = readSeed(*o, "seed", fault.seed)) return *e;
  if (fault.every > 0 && fault.probability) return std::string("\"every\" and \"probability\" exclude each other");
  // A share of the requests may go on until removed; the next N need an N.
  const bool share = fault.every > 0 || fault.probability;
  n.reset();
  if (auto e = readCount(*o, "count", share ? 0 : 1, 1000000, n)) return *e;
  fault.count = n.value_or(share ? 0 : 1);
  n.reset();
  if (auto e = readCount(*o, "status", 200, 599, n)) return *e;
  fault.status = static_cast<unsigned>(n.value_or(500));
  n.reset();
  if (auto e = readCount(*o, "code", -big, big, n)) return *e;
  fault.code = n.value_or(fault.status);
  text.reset();
  if (auto e = readText(*o, "msg", text)) return *e;
  if (text) fault.msg = *text;
  if (auto e = readRetryAfter(*o, fault.retryAfter)) return *e;
  if (fault.retryAfter && fault.kind != FaultKind::status) return std::string("\"retryAfter\" goes with kind status");
  if (auto e = readBool(*o, "handled", fault.handled)) return *e;
  if (fault.handled && fault.kind != FaultKind::reset) return std::string("\"handled\" goes with kind reset");
  n.reset();
  if (auto e = readCount(*o, "ms", 0, 600000, n)) return *e;
  fault.ms = n.value_or(fault.kind == FaultKind::stall ? 60000 : 1000);
  n.reset();
  if (auto e = readCount(*o, "afterBytes", 0, big, n)) return *e;
  if (n) fault.afterBytes = static_cast<std::uint64_t>(*n);
  if (fault.handled && fault.afterBytes) {
    return std::string("\"handled\" resets before the answer; \"afterBytes\" resets within it: give one");
  }
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
  fault.id = nextId_++;
  Armed armed;
  armed.draws.seed(fault.seed);
  armed.fault = std::move(fault);
  faults_.push_back(std::move(armed));
  return faults_.back().fault.id;
}

std::optional<Fault> FaultRegistry::take(std::string_view method, std::string_view path) {
  std::lock_guard lock(mutex_);
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    const Fault& f = it->fault;
    if (f.method && *f.method != method) continue;
    if (!globMatch(f.path, path)) continue;
    ++it->seen;
    bool strike = f.every == 0 || it->seen % static_cast<std::uint64_t>(f.every) == 0;
    if (f.probability) {
      // 53 bits of the generator's output as a fraction in [0, 1): the same
      // sequence on every platform for a seed.
      const double draw = static_cast<double>(it->draws() >> 11) * 0x1.0p-53;
      strike = draw < *f.probability;
    }
    if (!strike) continue;
    Fault fault = f;
    ++fired_;
    ++it->fired;
    if (f.count > 0 && it->fired >= static_cast<std::uint64_t>(f.count)) faults_.erase(it);
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
    if (it->fault.id == id) {
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
  for (const auto& f : faults_) list.emplace_back(toObject(f.fault, f.seen, f.fired));
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
  const std::uint64_t seq = ++logged_;
  if (log_.size() < kLogSize) {
    log_.push_back(std::move(entry));
    logSeq_.push_back(seq);
  } else {
    log_[logNext_] = std::move(entry);
    logSeq_[logNext_] = seq;
    logNext_ = (logNext_ + 1) % kLogSize;
  }
}

std::string FaultRegistry::describeRequests() const {
  bj::array list;
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < log_.size(); ++i) {
    const std::size_t at = (logNext_ + i) % log_.size();
    const LoggedRequest& e = log_[at];
    bj::object o;
    o["seq"] = logSeq_[at];
    // Request text as it came: any bytes, made valid UTF-8 for the answer.
    o["method"] = toValidUtf8(e.method);
    o["path"] = toValidUtf8(e.path);
    o["status"] = e.status;
    if (!e.range.empty()) o["range"] = toValidUtf8(e.range);
    if (!e.ifRange.empty()) o["ifRange"] = toValidUtf8(e.ifRange);
    o["bytes"] = e.bytes;
    if (!e.fault.empty()) {
      o["fault"] = e.fault;
      o["faultId"] = e.faultId;
    }
    list.emplace_back(std::move(o));
  }
  bj::object out;
  out["requests"] = std::move(list);
  return bj::serialize(out);
}

void FaultRegistry::clearRequests() {
  std::lock_guard lock(mutex_);
  log_.clear();
  logSeq_.clear();
  logNext_ = 0;
}

}  // namespace quillbox::emulator
