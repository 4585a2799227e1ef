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
  JsonError(std::string path, std::string reason, Kind kind = Kind::dataCorrupted, std::string expected = {})
      : path(std::move(path)), reason(std::move(reason)), kind(kind), expected(std::move(expected)) {}

  std::string path;
  std::string reason;
  Kind kind = Kind::dataCorrupted;
  /// The JSON kind that was expected, for typeMismatch and valueNotFound.
  std::string expected;

  /// "path: reason", or the reason alone for the document itself.
  std::string description() const { return path.empty() ? reason : path + ": " + reason; }
};

/// Thrown by toJson() for a value JSON cannot represent (a non-finite number).
class JsonEncodeError : public std::runtime_error {
 public:
  explicit JsonEncodeError(const JsonError& e) : std::runtime_error(e.description()), error_(e) {}
  const JsonError& error() const { return error_; }

 private:
  JsonError error_;
};

/// A decoded record or the reason it could not be decoded.
template <class T>
class JsonResult {
 public:
  JsonResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}       // NOLINT
  JsonResult(JsonError error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return std::get<0>(state_); }
  T& value() & { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
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
