#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace quillbox {

/// Why a JSON text did not decode into a record, or a record did not encode.
/// `path` names the offending key ("data.taskInfos[2].status"), empty for the
/// document itself.
struct JsonError {
  /// How the document failed: not JSON or a value out of range
  /// (dataCorrupted), a value of the wrong JSON kind (typeMismatch), a
  /// required key missing (keyNotFound) or null (valueNotFound).
  enum class Kind { dataCorrupted, typeMismatch, keyNotFound, valueNotFound };

  JsonError() = default;
  /// An error at `path` (empty: the document itself) for `reason`.
  JsonError(std::string path, std::string reason, Kind kind = Kind::dataCorrupted, std::string expected = {})
      : path(std::move(path)), reason(std::move(reason)), kind(kind), expected(std::move(expected)) {}

  /// The offending key path, e.g. "data.taskInfos[2].status"; empty for the document itself.
  std::string path;
  /// What is wrong there, in words.
  std::string reason;
  /// How the document failed.
  Kind kind = Kind::dataCorrupted;
  /// The JSON kind that was expected, for typeMismatch and valueNotFound.
  std::string expected;

  /// "path: reason", or the reason alone for the document itself.
  std::string description() const { return path.empty() ? reason : path + ": " + reason; }
};

/// Thrown by toJson() for a value JSON cannot represent (a non-finite number).
class JsonEncodeError : public std::runtime_error {
 public:
  /// Carries `e`; what() is its description().
  explicit JsonEncodeError(const JsonError& e) : std::runtime_error(e.description()), error_(e) {}
  /// The value that could not be encoded and why.
  const JsonError& error() const { return error_; }

 private:
  JsonError error_;
};

/// A decoded record or the reason it could not be decoded.
template <class T>
class JsonResult {
 public:
  /// A decoded record.
  JsonResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}       // NOLINT
  /// A failed decoding.
  JsonResult(JsonError error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  /// True when the record decoded.
  bool ok() const { return state_.index() == 0; }
  /// The same as ok().
  explicit operator bool() const { return ok(); }
  /// The record; only when ok() (otherwise std::bad_variant_access).
  const T& value() const& { return std::get<0>(state_); }
  /// The record, to modify; only when ok().
  T& value() & { return std::get<0>(state_); }
  /// The record of a temporary result, to move from; only when ok().
  T&& value() && { return std::get<0>(std::move(state_)); }
  /// Why decoding failed; only when !ok() (otherwise std::bad_variant_access).
  const JsonError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, JsonError> state_;
};

/// Encodes a record as compact JSON. Absent optional fields are left out;
/// no null is ever written. Throws JsonEncodeError for a value JSON cannot
/// represent. Defined for every public record.
template <class T>
std::string toJson(const T& record);

/// Decodes a record with the rules the SDK applies to server answers: a value
/// of the wrong JSON kind, a fractional or out-of-range integer, or a missing
/// required key fails the whole document; absent or null optional keys stay
/// absent; unknown keys are ignored. Defined for every public record.
template <class T>
JsonResult<T> fromJson(std::string_view text);

}  // namespace quillbox
