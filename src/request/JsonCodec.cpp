#include "request/JsonCodec.hpp"

#include <cfloat>
#include <cmath>
#include <limits>

#include "util/Base64.hpp"

namespace quillbox::json {

namespace {

/// Deep enough for any answer of the service, shallow enough that a hostile
/// body cannot exhaust the stack of the recursive walkers below.
constexpr std::size_t kMaxDepth = 256;

const char* kindName(const bj::value& v) {
  switch (v.kind()) {
    case bj::kind::null: return "null";
    case bj::kind::bool_: return "a boolean";
    case bj::kind::int64:
    case bj::kind::uint64:
    case bj::kind::double_: return "a number";
    case bj::kind::string: return "a string";
    case bj::kind::array: return "an array";
    case bj::kind::object: return "an object";
  }
  return "an unknown value";
}

bool isNumber(const bj::value& v) { return v.is_int64() || v.is_uint64() || v.is_double(); }

double asDouble(const bj::value& v) {
  if (v.is_int64()) return static_cast<double>(v.get_int64());
  if (v.is_uint64()) return static_cast<double>(v.get_uint64());
  return v.get_double();
}

// Scalars of the free-form forms, tried as string, integer, double, boolean.
bool scalarOf(const bj::value& v, JSONValue& out) {
  if (const auto* s = v.if_string()) {
    out = std::string(*s);
  } else if (v.is_int64()) {
    out = v.get_int64();
  } else if (isNumber(v)) {
    out = asDouble(v);
  } else if (v.is_bool()) {
    out = v.get_bool();
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool DecodeContext::failKind(const char* expectedKind, const bj::value& found) {
  expected = expectedKind;
  return fail(std::string("expected ") + expectedKind + ", found " + kindName(found), JsonError::Kind::typeMismatch);
}

bool DecodeContext::inIndex(std::size_t index) {
  reversedPath.push_back("[" + std::to_string(index) + "]");
  return false;
}

JsonError DecodeContext::error() const {
  std::string path;
  for (auto it = reversedPath.rbegin(); it != reversedPath.rend(); ++it) {
    if (!path.empty() && (*it)[0] != '[') path += '.';
    path += *it;
  }
  return JsonError{path, reason, kind, expected};
}

// ---- primitive values ------------------------------------------------------

bool decodeValue(const bj::value& v, std::string& out, DecodeContext& ctx) {
  const bj::string* s = v.if_string();
  if (!s) return ctx.failKind("a string", v);
  out.assign(s->data(), s->size());
  return true;
}

bool decodeValue(const bj::value& v, std::int64_t& out, DecodeContext& ctx) {
  if (v.is_int64()) {
    out = v.get_int64();
    return true;
  }
  if (v.is_uint64()) return ctx.fail("integer out of range: " + std::to_string(v.get_uint64()));
  if (v.is_double()) return ctx.fail("expected an integer, found a number with a fraction or exponent");
  return ctx.failKind("an integer", v);
}

bool decodeValue(const bj::value& v, std::uint32_t& out, DecodeContext& ctx) {
  std::int64_t wide = 0;
  if (!decodeValue(v, wide, ctx)) return false;
  if (wide < 0 || wide > std::numeric_limits<std::uint32_t>::max()) {
    return ctx.fail("integer out of range: " + std::to_string(wide));
  }
  out = static_cast<std::uint32_t>(wide);
  return true;
}

bool decodeValue(const bj::value& v, double& out, DecodeContext& ctx) {
  if (!isNumber(v)) return ctx.failKind("a number", v);
  out = asDouble(v);
  return true;
}

bool decodeValue(const bj::value& v, float& out, DecodeContext& ctx) {
  double wide = 0;
  if (!decodeValue(v, wide, ctx)) return false;
  if (std::fabs(wide) > FLT_MAX) return ctx.fail("number out of range of a 32-bit float");
  out = static_cast<float>(wide);
  return true;
}

bool decodeValue(const bj::value& v, bool& out, DecodeContext& ctx) {
  if (!v.is_bool()) return ctx.failKind("a boolean", v);
  out = v.get_bool();
  return true;
}

bool decodeValue(const bj::value& v, JSONValue& out, DecodeContext& ctx) {
  if (scalarOf(v, out)) return true;
  if (const bj::array* a = v.if_array()) {
    JSONValue::Array items(a->size());
    for (std::size_t i = 0; i < a->size(); ++i) {
      if (!decodeValue((*a)[i], items[i], ctx)) return ctx.inIndex(i);
    }
    out = std::move(items);
    return true;
  }
  if (v.is_object()) {
    JSONObject members;
    if (!decodeValue(v, members, ctx)) return false;
    out = std::move(members);
    return true;
  }
  out = JSONNull{};
  return true;
}

bool decodeValue(const bj::value& v, std::map<std::string, std::string>& out, DecodeContext& ctx) {
  const bj::object* o = v.if_object();
  if (!o) return ctx.failKind("an object", v);
  out.clear();
  for (const auto& kv : *o) {
    std::string& slot = out[std::string(kv.key())];
    if (!decodeValue(kv.value(), slot, ctx)) return ctx.inKey(kv.key());
  }
  return true;
}

bool decodeValue(const bj::value& v, JSONObject& out, DecodeContext& ctx) {
  const bj::object* o = v.if_object();
  if (!o) return ctx.failKind("an object", v);
  out.clear();
  for (const auto& kv : *o) {
    JSONValue& slot = out[std::string(kv.key())];
    if (!decodeValue(kv.value(), slot, ctx)) return ctx.inKey(kv.key());
  }
  return true;
}

bool encodeValue(const std::string& in, bj::value& out, EncodeContext&) {
  out.emplace_string().assign(in.data(), in.size());
  return true;
}

bool encodeValue(std::int64_t in, bj::value& out, EncodeContext&) {
  out = in;
  return true;
}

bool encodeValue(std::uint32_t in, bj::value& out, EncodeContext&) {
  out = static_cast<std::int64_t>(in);
  return true;
}

bool encodeValue(double in, bj::value& out, EncodeContext& ctx) {
  if (!std::isfinite(in)) return ctx.fail("Unsupported type");
  out = in;
  return true;
}

bool encodeValue(float in, bj::value& out, EncodeContext& ctx) { return encodeValue(static_cast<double>(in), out, ctx); }

bool encodeValue(bool in, bj::value& out, EncodeContext&) {
  out = in;
  return true;
}

bool encodeValue(const JSONValue& in, bj::value& out, EncodeContext& ctx) {
  return std::visit(
      [&](const auto& x) -> bool {
        using X = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<X, JSONNull>) {
          out = nullptr;
          return true;
        } else if constexpr (std::is_same_v<X, JSONValue::Array>) {
          return encodeValue(x, out, ctx);
        } else {
          return encodeValue(x, out, ctx);
        }
      },
      in.value);
}

bool encodeValue(const std::map<std::string, std::string>& in, bj::value& out, EncodeContext& ctx) {
  bj::object& o = out.emplace_object();
  o.reserve(in.size());
  for (const auto& [k, v] : in) {
    if (!encodeValue(v, o[k], ctx)) return false;
  }
  return true;
}

bool encodeValue(const JSONObject& in, bj::value& out, EncodeContext& ctx) {
  bj::object& o = out.emplace_object();
  o.reserve(in.size());
  for (const auto& [k, v] : in) {
    if (!encodeValue(v, o[k], ctx)) return false;
  }
  return true;
}

// ---- free-form forms ---------------------------------------------------------

void decodeScalarMap(const bj::value& v, std::optional<JSONObject>& out) {
  const bj::object* o = v.if_object();
  if (!o) {
    out.reset();
    return;
  }
  JSONObject kept;
  for (const auto& kv : *o) {
    JSONValue scalar;
    if (scalarOf(kv.value(), scalar)) kept.emplace(std::string(kv.key()), std::move(scalar));
  }
  out = std::move(kept);
}

bool encodeScalarMap(const JSONObject& in, bj::value& out, EncodeContext& ctx) {
  bj::object& o = out.emplace_object();
  for (const auto& [k, v] : in) {
    const auto& x = v.value;
    if (std::holds_alternative<std::string>(x) || std::holds_alternative<std::int64_t>(x) ||
        std::holds_alternative<double>(x) || std::holds_alternative<bool>(x)) {
      if (!encodeValue(v, o[k], ctx)) return false;
    }
  }
  return true;
}

namespace {

bool decodeBlobText(const bj::value& v, bj::value& parsed, bj::storage_ptr sp, DecodeContext& ctx) {
  const bj::string* s = v.if_string();
  if (!s) return ctx.failKind("a Base64 string", v);
  std::optional<std::string> bytes = util::base64Decode(std::string_view(s->data(), s->size()));
  if (!bytes) return ctx.fail("not valid Base64");
  JsonError parseError;
  parsed = parseDocument(*bytes, std::move(sp), parseError);
  if (!parseError.reason.empty()) return ctx.fail("Base64 text is not JSON: " + parseError.reason);
  return true;
}

bool encodeBlobValue(const bj::value& doc, bj::value& out) {
  out = bj::string(util::base64Encode(serializeDocument(doc)), out.storage());
  return true;
}

}  // namespace

bool decodeBlob(const bj::value& v, std::optional<JSONObject>& out, DecodeContext& ctx) {
  bj::monotonic_resource arena;
  bj::value parsed;
  if (!decodeBlobText(v, parsed, &arena, ctx)) return false;
  if (!parsed.is_object()) {
    out.reset();
    return true;
  }
  out.emplace();
  return decodeValue(parsed, *out, ctx);
}

bool decodeBlob(const bj::value& v, std::optional<JSONValue>& out, DecodeContext& ctx) {
  bj::monotonic_resource arena;
  bj::value parsed;
  if (!decodeBlobText(v, parsed, &arena, ctx)) return false;
  out.emplace();
  return decodeValue(parsed, *out, ctx);
}

bool encodeBlob(const JSONObject& in, bj::value& out, EncodeContext& ctx) {
  bj::monotonic_resource arena;
  bj::value doc(&arena);
  return encodeValue(in, doc, ctx) && encodeBlobValue(doc, out);
}

bool encodeBlob(const JSONValue& in, bj::value& out, EncodeContext& ctx) {
  bj::monotonic_resource arena;
  bj::value doc(&arena);
  return encodeValue(in, doc, ctx) && encodeBlobValue(doc, out);
}

// ---- documents -------------------------------------------------------------

bj::value parseDocument(std::string_view text, bj::storage_ptr arena, JsonError& error) {
  bj::parse_options options;
  options.max_depth = kMaxDepth;
  boost::system::error_code ec;
  bj::value doc = bj::parse(bj::string_view(text.data(), text.size()), ec, std::move(arena), options);
  if (ec) {
    error = JsonError{{}, "not valid JSON: " + ec.message()};
    return nullptr;
  }
  return doc;
}

std::string serializeDocument(const bj::value& v) { return bj::serialize(v); }

}  // namespace quillbox::json
