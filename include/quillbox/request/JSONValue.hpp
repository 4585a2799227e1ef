#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace quillbox {

/// The JSON null marker held by a JSONValue.
struct JSONNull {
  /// Every null equals every other.
  friend bool operator==(JSONNull, JSONNull) { return true; }
};

/// One JSON value of any kind. Free-form record fields ("attributes",
/// "reservationInfo") are maps from string to JSONValue.
///
/// A JSON number without fraction or exponent that fits a signed 64-bit
/// integer is held as an integer; any other number as a double. Strings stay
/// strings even when their text looks like a number or a boolean.
struct JSONValue {
  /// A JSON array.
  using Array = std::vector<JSONValue>;
  /// A JSON object; its keys are kept sorted.
  using Object = std::map<std::string, JSONValue>;
  /// The kinds a value can hold.
  using Value = std::variant<std::string, std::int64_t, double, bool, Array, Object, JSONNull>;

  /// The value; null unless set.
  Value value = JSONNull{};

  // Written out rather than defaulted: clang 14 decides whether a defaulted
  // constructor is usable before it has seen the member initializer above,
  // while the variant's Array and Object are checked inside this class, and
  // then keeps the answer "not default-constructible" (std::optional<JSONValue>
  // ::emplace() and std::is_default_constructible fail to compile).
  /// A null value.
  JSONValue() {}  // NOLINT(modernize-use-equals-default)
  /// A value of the argument's kind (implicit, so `JSONObject{{"n", 1}, {"s", "x"}}` reads naturally).
  /// @{
  JSONValue(std::string v) : value(std::move(v)) {}          // NOLINT: implicit by design
  JSONValue(const char* v) : value(std::string(v)) {}        // NOLINT
  JSONValue(std::int64_t v) : value(v) {}                    // NOLINT
  JSONValue(int v) : value(static_cast<std::int64_t>(v)) {}  // NOLINT
  JSONValue(double v) : value(v) {}                          // NOLINT
  JSONValue(bool v) : value(v) {}                            // NOLINT
  JSONValue(Array v) : value(std::move(v)) {}                // NOLINT
  JSONValue(Object v) : value(std::move(v)) {}               // NOLINT
  JSONValue(JSONNull v) : value(v) {}                        // NOLINT
  /// @}

  /// True for a JSON null.
  bool isNull() const { return std::holds_alternative<JSONNull>(value); }

  /// Same kind and same content (an integer never equals a double).
  friend bool operator==(const JSONValue& a, const JSONValue& b) { return a.value == b.value; }
};
static_assert(std::is_default_constructible_v<JSONValue>);

/// A free-form JSON object as records carry it.
using JSONObject = std::map<std::string, JSONValue>;

/// A coding key whose name is chosen at run time.
struct GenericCodingKeys {
  /// The key's name (an index as decimal text).
  std::string stringValue;
  /// The index, for a key made from one.
  std::optional<std::int64_t> intValue;

  /// A key by name.
  explicit GenericCodingKeys(std::string name) : stringValue(std::move(name)) {}
  /// A key by array index.
  explicit GenericCodingKeys(std::int64_t index) : stringValue(std::to_string(index)), intValue(index) {}

  /// Same name and index.
  friend bool operator==(const GenericCodingKeys&, const GenericCodingKeys&) = default;
};

}  // namespace quillbox
