#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace quillbox {

/// The outcome of one service call: the decoded answer, or a failure with a
/// code and a message. Failures detected by the library carry code -1; a
/// non-2xx answer whose envelope decodes carries the server's own code and
/// message.
///
/// Service callbacks receive it by value; `value()` on a failure and reading
/// a failure's code on a success are the two ways to misuse it (the first
/// throws, the second gives 0).
template <class T>
class NetworkResult {
 public:
  /// A success holding `value`.
  static NetworkResult success(T value) { return NetworkResult(std::in_place_index<0>, std::move(value)); }
  /// A failure with the given code and message (for test doubles and adapters).
  static NetworkResult failure(std::int64_t code, std::string message) {
    return NetworkResult(std::in_place_index<1>, Failure{code, std::move(message)});
  }

  /// True when the call succeeded and value() holds the answer.
  bool isSuccess() const { return state_.index() == 0; }

  /// The decoded answer. Throws std::logic_error on a failure.
  const T& value() const& {
    if (!isSuccess()) throw std::logic_error("NetworkResult::value() on a failure: " + message());
    return std::get<0>(state_);
  }
  /// The decoded answer, to modify or move from. Throws std::logic_error on a failure.
  T& value() & {
    if (!isSuccess()) throw std::logic_error("NetworkResult::value() on a failure: " + message());
    return std::get<0>(state_);
  }
  /// The decoded answer of a temporary result. Throws std::logic_error on a failure.
  T&& value() && { return std::move(value()); }

  /// The failure code; 0 on success.
  std::int64_t code() const { return isSuccess() ? 0 : std::get<1>(state_).code; }
  /// The failure message; empty on success.
  const std::string& message() const {
    static const std::string empty;
    return isSuccess() ? empty : std::get<1>(state_).message;
  }

 private:
  struct Failure {
    std::int64_t code;
    std::string message;
  };
  template <std::size_t I, class V>
  NetworkResult(std::in_place_index_t<I> tag, V&& v) : state_(tag, std::forward<V>(v)) {}

  std::variant<T, Failure> state_;
};

/// Errors the request pipeline can raise before a request reaches the wire.
/// Only `invalidURL` is raised by the data path; the other cases are there for
/// callers that classify failures.
class NetworkError {
 public:
  /// Which error this is.
  enum class Kind {
    statusCode,     ///< an HTTP status outside 200-299; status() holds it
    decodingError,  ///< the answer did not decode; the detail says where
    unknown,        ///< anything else; the detail says what
    invalidURL,     ///< the host and path do not make a URL
    invalidResponse ///< the answer was not an HTTP answer
  };

  /// An HTTP status outside 200-299.
  static NetworkError statusCode(std::int64_t status) { return {Kind::statusCode, status, {}}; }
  /// An answer that did not decode; `what` says where and why.
  static NetworkError decodingError(std::string what) { return {Kind::decodingError, 0, std::move(what)}; }
  /// Any other failure, described by `what`.
  static NetworkError unknown(std::string what) { return {Kind::unknown, 0, std::move(what)}; }
  /// A host and path that do not make a URL.
  static NetworkError invalidURL() { return {Kind::invalidURL, 0, {}}; }
  /// An answer that was not an HTTP answer.
  static NetworkError invalidResponse() { return {Kind::invalidResponse, 0, {}}; }

  /// Which error this is.
  Kind kind() const { return kind_; }
  /// The HTTP status of a statusCode error; 0 for the others.
  std::int64_t status() const { return status_; }
  /// The case name, with its payload in brackets when it has one.
  std::string description() const;

  /// Same kind, status and detail.
  friend bool operator==(const NetworkError&, const NetworkError&) = default;

 private:
  NetworkError(Kind k, std::int64_t s, std::string d) : kind_(k), status_(s), detail_(std::move(d)) {}
  Kind kind_;
  std::int64_t status_;
  std::string detail_;
};

}  // namespace quillbox
