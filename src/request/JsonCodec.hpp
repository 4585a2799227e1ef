#pragma once
// The record mechanism. Each record states its JSON keys once, in its own
// source file:
//
//   template <> struct quillbox::json::Record<JobInfo> {
//     static constexpr auto fields = std::tuple{
//         field("taskId", &JobInfo::taskId),
//         field("taskType", &JobInfo::taskType)};
//   };
//   QUILLBOX_RECORD_CODEC(JobInfo)
//
// A record that extends another adds `using Base = BaseRecord;`. A member of
// type std::optional<X> is optional on the wire, anything else is required.
// Maps to JSONValue default to the nested-object form; scalarMap() and
// blobMap() select the other two forms.
//
// QUILLBOX_RECORD_CODEC defines the record's decodeValue/encodeValue overloads
// (declared for other files with QUILLBOX_DECLARE_RECORD_CODEC) and the public
// toJson/fromJson for it, so every record's walker is instantiated once.

#include <boost/json.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "quillbox/request/JSONValue.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/util/Box.hpp"

namespace quillbox::json {

namespace bj = boost::json;

/// Where a decode failed. The path is assembled while the failure unwinds, so
/// a successful decode pays nothing for it.
struct DecodeContext {
  std::string reason;
  JsonError::Kind kind = JsonError::Kind::dataCorrupted;
  std::string expected;
  std::vector<std::string> reversedPath;

  bool fail(std::string why, JsonError::Kind k = JsonError::Kind::dataCorrupted) {
    reason = std::move(why);
    kind = k;
    return false;
  }
  bool failKind(const char* expected, const bj::value& found);
  /// Called while unwinding from a failure inside `key`.
  bool inKey(std::string_view key) {
    reversedPath.emplace_back(key);
    return false;
  }
  bool inIndex(std::size_t index);
  JsonError error() const;
};

struct EncodeContext {
  std::optional<JsonError> error;
  bool fail(std::string reason) {
    if (!error) error = JsonError{{}, std::move(reason)};
    return false;
  }
};

enum class MapForm { object, scalar, blob };

template <class R, class M>
struct Field {
  std::string_view key;
  M R::*member;
  MapForm form = MapForm::object;
};

template <class R, class M>
constexpr Field<R, M> field(std::string_view key, M R::*member) {
  return {key, member, MapForm::object};
}
/// A map whose values are kept only when they are strings, integers,
/// doubles or booleans; anything unusable (including a non-object) is
/// dropped without error.
template <class R, class M>
constexpr Field<R, M> scalarMap(std::string_view key, M R::*member) {
  return {key, member, MapForm::scalar};
}
/// A JSON value carried as a Base64 string of its JSON text.
template <class R, class M>
constexpr Field<R, M> blobMap(std::string_view key, M R::*member) {
  return {key, member, MapForm::blob};
}

/// Specialised by every record: `static constexpr auto fields`, optionally
/// `using Base = ...`.
template <class T>
struct Record;

// ---- primitive values ------------------------------------------------------

bool decodeValue(const bj::value& v, std::string& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, std::int64_t& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, std::uint32_t& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, double& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, float& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, bool& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, JSONValue& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, std::map<std::string, std::string>& out, DecodeContext& ctx);
bool decodeValue(const bj::value& v, JSONObject& out, DecodeContext& ctx);

bool encodeValue(const std::string& in, bj::value& out, EncodeContext& ctx);
bool encodeValue(std::int64_t in, bj::value& out, EncodeContext& ctx);
bool encodeValue(std::uint32_t in, bj::value& out, EncodeContext& ctx);
bool encodeValue(double in, bj::value& out, EncodeContext& ctx);
bool encodeValue(float in, bj::value& out, EncodeContext& ctx);
bool encodeValue(bool in, bj::value& out, EncodeContext& ctx);
bool encodeValue(const JSONValue& in, bj::value& out, EncodeContext& ctx);
bool encodeValue(const std::map<std::string, std::string>& in, bj::value& out, EncodeContext& ctx);
bool encodeValue(const JSONObject& in, bj::value& out, EncodeContext& ctx);

// The two other forms of free-form maps.
void decodeScalarMap(const bj::value& v, std::optional<JSONObject>& out);
bool encodeScalarMap(const JSONObject& in, bj::value& out, EncodeContext& ctx);
bool decodeBlob(const bj::value& v, std::optional<JSONObject>& out, DecodeContext& ctx);
bool decodeBlob(const bj::value& v, std::optional<JSONValue>& out, DecodeContext& ctx);
bool encodeBlob(const JSONObject& in, bj::value& out, EncodeContext& ctx);
bool encodeBlob(const JSONValue& in, bj::value& out, EncodeContext& ctx);

template <class T>
bool decodeValue(const bj::value& v, std::vector<T>& out, DecodeContext& ctx) {
  const bj::array* a = v.if_array();
  if (!a) return ctx.failKind("an array", v);
  out.clear();
  out.resize(a->size());
  for (std::size_t i = 0; i < a->size(); ++i) {
    if (!decodeValue((*a)[i], out[i], ctx)) return ctx.inIndex(i);
  }
  return true;
}

template <class T>
bool encodeValue(const std::vector<T>& in, bj::value& out, EncodeContext& ctx) {
  bj::array& a = out.emplace_array();
  a.reserve(in.size());
  for (const T& item : in) {
    a.emplace_back(nullptr);
    if (!encodeValue(item, a.back(), ctx)) return false;
  }
  return true;
}

template <class T>
bool decodeValue(const bj::value& v, Box<T>& out, DecodeContext& ctx) {
  return decodeValue(v, *out, ctx);
}

template <class T>
bool encodeValue(const Box<T>& in, bj::value& out, EncodeContext& ctx) {
  return encodeValue(*in, out, ctx);
}

// ---- records ---------------------------------------------------------------

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

template <class T, class = void>
struct HasBase : std::false_type {};
template <class T>
struct HasBase<T, std::void_t<typename Record<T>::Base>> : std::true_type {};

/// Finds a record's keys in an object. Answers usually list keys in the
/// order the record declares them, so the member after the last one found is
/// tried first; any other order falls back to a lookup.
class KeyCursor {
 public:
  explicit KeyCursor(const bj::object& obj) : obj_(obj) {}
  const bj::value* find(std::string_view key) {
    if (next_ < obj_.size()) {
      const bj::key_value_pair& kv = obj_.begin()[next_];
      if (kv.key() == key) {
        ++next_;
        return &kv.value();
      }
    }
    auto it = obj_.find(key);
    if (it == obj_.end()) return nullptr;
    next_ = static_cast<std::size_t>(it - obj_.begin()) + 1;
    return &it->value();
  }

 private:
  const bj::object& obj_;
  std::size_t next_ = 0;
};

template <class R, class M>
bool decodeField(KeyCursor& keys, R& record, const Field<R, M>& f, DecodeContext& ctx) {
  const bj::value* v = keys.find(f.key);
  M& member = record.*(f.member);
  if constexpr (IsOptional<M>::value) {
    if (!v || v->is_null()) {
      member.reset();
      return true;
    }
    if constexpr (std::is_same_v<M, std::optional<JSONObject>> || std::is_same_v<M, std::optional<JSONValue>>) {
      if (f.form == MapForm::blob) return decodeBlob(*v, member, ctx) || ctx.inKey(f.key);
      if constexpr (std::is_same_v<M, std::optional<JSONObject>>) {
        if (f.form == MapForm::scalar) {
          decodeScalarMap(*v, member);
          return true;
        }
      }
    }
    member.emplace();
    return decodeValue(*v, *member, ctx) || ctx.inKey(f.key);
  } else {
    if (!v) return ctx.fail("missing required key", JsonError::Kind::keyNotFound) || ctx.inKey(f.key);
    if (v->is_null()) return ctx.fail("required key is null", JsonError::Kind::valueNotFound) || ctx.inKey(f.key);
    return decodeValue(*v, member, ctx) || ctx.inKey(f.key);
  }
}

template <class R, class M>
bool encodeField(const R& record, bj::object& obj, const Field<R, M>& f, EncodeContext& ctx) {
  const M& member = record.*(f.member);
  if constexpr (IsOptional<M>::value) {
    if (!member) return true;
    bj::value& slot = obj[f.key];
    if constexpr (std::is_same_v<M, std::optional<JSONObject>> || std::is_same_v<M, std::optional<JSONValue>>) {
      if (f.form == MapForm::blob) return encodeBlob(*member, slot, ctx);
      if constexpr (std::is_same_v<M, std::optional<JSONObject>>) {
        if (f.form == MapForm::scalar) return encodeScalarMap(*member, slot, ctx);
      }
    }
    return encodeValue(*member, slot, ctx);
  } else {
    return encodeValue(member, obj[f.key], ctx);
  }
}

/// Reads the record's own keys and those of its bases from one object.
template <class T>
bool decodeFields(const bj::object& obj, T& out, DecodeContext& ctx) {
  if constexpr (HasBase<T>::value) {
    if (!decodeFields(obj, static_cast<typename Record<T>::Base&>(out), ctx)) return false;
  }
  KeyCursor keys(obj);
  return std::apply([&](const auto&... f) { return (decodeField(keys, out, f, ctx) && ...); }, Record<T>::fields);
}

template <class T>
bool encodeFields(const T& in, bj::object& obj, EncodeContext& ctx) {
  if constexpr (HasBase<T>::value) {
    if (!encodeFields(static_cast<const typename Record<T>::Base&>(in), obj, ctx)) return false;
  }
  return std::apply([&](const auto&... f) { return (encodeField(in, obj, f, ctx) && ...); }, Record<T>::fields);
}

template <class T>
bool decodeRecord(const bj::value& v, T& out, DecodeContext& ctx) {
  const bj::object* obj = v.if_object();
  if (!obj) return ctx.failKind("an object", v);
  return decodeFields(*obj, out, ctx);
}

template <class T>
bool encodeRecord(const T& in, bj::value& out, EncodeContext& ctx) {
  return encodeFields(in, out.emplace_object(), ctx);
}

// ---- documents -------------------------------------------------------------

/// Parses a whole document into `arena`-backed storage with the SDK's limits.
/// Returns null and fills `error` when the text is not JSON.
bj::value parseDocument(std::string_view text, bj::storage_ptr arena, JsonError& error);
std::string serializeDocument(const bj::value& v);

/// Bytes on the stack for a document's values before its arena asks the
/// heap: the answers of most calls fit, so they decode without a malloc.
inline constexpr std::size_t kStackArenaBytes = 4096;

template <class T>
JsonResult<T> decodeDocument(std::string_view text) {
  unsigned char stack[kStackArenaBytes];
  bj::monotonic_resource arena(stack, sizeof stack);
  JsonError parseError;
  bj::value doc = parseDocument(text, &arena, parseError);
  if (!parseError.reason.empty()) return parseError;
  T out{};
  DecodeContext ctx;
  if (!decodeValue(doc, out, ctx)) return ctx.error();
  return out;
}

/// Encodes a record; nullopt with `error` set when a value cannot be written.
template <class T>
std::optional<std::string> encodeDocument(const T& in, JsonError* error = nullptr) {
  unsigned char stack[kStackArenaBytes];
  bj::monotonic_resource arena(stack, sizeof stack);
  bj::value doc(&arena);
  EncodeContext ctx;
  if (!encodeValue(in, doc, ctx)) {
    if (error) *error = ctx.error.value_or(JsonError{{}, "cannot encode"});
    return std::nullopt;
  }
  return serializeDocument(doc);
}

}  // namespace quillbox::json

namespace quillbox {

template <class T>
std::string toJson(const T& record) {
  JsonError error;
  auto text = json::encodeDocument(record, &error);
  if (!text) throw JsonEncodeError(error);
  return std::move(*text);
}

template <class T>
JsonResult<T> fromJson(std::string_view text) {
  return json::decodeDocument<T>(text);
}

}  // namespace quillbox

/// Declares the codec of a record for use by other files.
#define QUILLBOX_DECLARE_RECORD_CODEC(T)                                                  \
  namespace quillbox::json {                                                              \
  bool decodeValue(const ::boost::json::value& v, T& out, DecodeContext& ctx);            \
  bool encodeValue(const T& in, ::boost::json::value& out, EncodeContext& ctx);           \
  bool decodeFields(const ::boost::json::object& obj, T& out, DecodeContext& ctx);        \
  bool encodeFields(const T& in, ::boost::json::object& obj, EncodeContext& ctx);         \
  }

/// Defines the codec of a record (after its Record<T> specialisation) and its
/// public toJson/fromJson. Used once per record, at namespace scope.
#define QUILLBOX_RECORD_CODEC(T)                                                          \
  QUILLBOX_DECLARE_RECORD_CODEC(T)                                                        \
  namespace quillbox::json {                                                              \
  bool decodeFields(const ::boost::json::object& obj, T& out, DecodeContext& ctx) {       \
    return decodeFields<T>(obj, out, ctx);                                                \
  }                                                                                       \
  bool encodeFields(const T& in, ::boost::json::object& obj, EncodeContext& ctx) {        \
    return encodeFields<T>(in, obj, ctx);                                                 \
  }                                                                                       \
  bool decodeValue(const ::boost::json::value& v, T& out, DecodeContext& ctx) {           \
    return decodeRecord<T>(v, out, ctx);                                                  \
  }                                                                                       \
  bool encodeValue(const T& in, ::boost::json::value& out, EncodeContext& ctx) {          \
    return encodeRecord<T>(in, out, ctx);                                                 \
  }                                                                                       \
  }                                                                                       \
  namespace quillbox {                                                                    \
  template std::string toJson<T>(const T&);                                               \
  template JsonResult<T> fromJson<T>(std::string_view);                                   \
  }
