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
template <class T>
class NetworkResult {
 public:
  static NetworkResult success(T value) { return NetworkResult(std::in_place_index<0>, std::move(value)); }
  static NetworkResult failure(std::int64_t code, std::string message) {
    return NetworkResult(std::in_place_index<1>, Failure{code, std::move(message)});
  }

  bool isSuccess() const { return state_.index() == 0; }

  /// The decoded answer. Throws std::logic_error on a failure.
  const T& value() const& {
    if (!isSuccess()) throw std::logic_error("NetworkResult::value() on a failure: " + message());
    return std::get<0>(state_);
  }
  T& value() & {
    if (!isSuccess()) throw std::logic_error("NetworkResult::value() on a failure: " + message());
    return std::get<0>(state_);
  }
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
  enum class Kind { statusCode, decodingError, unknown, invalidURL, invalidResponse };

  static NetworkError statusCode(std::int64_t status) { return {Kind::statusCode, status, {}}; }
  static NetworkError decodingError(std::string what) { return {Kind::decodingError, 0, std::move(what)}; }
  static NetworkError unknown(std::string what) { return {Kind::unknown, 0, std::move(what)}; }
  static NetworkError invalidURL() { return {Kind::invalidURL, 0, {}}; }
  static NetworkError invalidResponse() { return {Kind::invalidResponse, 0, {}}; }

  Kind kind() const { return kind_; }
  std::int64_t status() const { return status_; }
  /// The case name, with its payload in brackets when it has one.
  std::string description() const;

  friend bool operator==(const NetworkError&, const NetworkError&) = default;

 private:
  NetworkError(Kind k, std::int64_t s, std::string d) : kind_(k), status_(s), detail_(std::move(d)) {}
  Kind kind_;
  std::int64_t status_;
  std::string detail_;
};

}  // namespace quillbox
