#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

#include "quillbox/request/FailureKind.hpp"

namespace quillbox {

/// The outcome of one service call: the decoded answer, or a failure with a
/// code and a message. Failures detected by the library carry code -1; a
/// non-2xx answer whose envelope decodes carries the server's own code and
/// message.
///
/// Beside the code and message, which are for people, a failure says what
/// kind of failure it was (kind()) and the HTTP status of the answer, when
/// one arrived (httpStatus()). A host branches on those. For a service call
/// the kinds mean:
///
/// - `invalidRequest`: nothing was sent; the record lacks a value the
///   operation needs, or the host and path make no URL.
/// - `connect`, `nameResolution`, `tls`: no connection to the server was
///   made (refused or unreachable; the host name did not resolve; the TLS
///   handshake or the certificate failed).
/// - `timeout`: the answer stalled, or the call's deadline passed.
/// - `reset`: the connection broke before the whole answer arrived.
/// - `httpStatus`: the server answered with a status outside 200-299,
///   whether or not its envelope decoded; httpStatus() holds the status and,
///   when the envelope decoded, code() and message() are the server's.
/// - `undecodable`: an answer arrived but was not the operation's answer: a
///   2xx body that does not decode, an answer larger than the client takes,
///   or no HTTP answer at all.
/// - `cancelled`: the call ended because its client went away.
/// - `other`: anything else, and every failure made with the two-argument
///   failure().
///
/// When a call is sent more than once (see RetryPolicy), the result is that
/// of its last attempt: code, message, kind and status alike.
///
/// Service callbacks receive it by value; `value()` on a failure and reading
/// a failure's code on a success are the two ways to misuse it (the first
/// throws, the second gives 0).
template <class T>
class NetworkResult {
 public:
  /// A success holding `value`.
  static NetworkResult success(T value) { return NetworkResult(std::in_place_index<0>, std::move(value)); }
  /// A failure with the given code and message, of kind `other` and without
  /// an HTTP status (for test doubles and adapters).
  static NetworkResult failure(std::int64_t code, std::string message) {
    return failure(code, std::move(message), FailureKind::other);
  }
  /// A failure with the given code, message and kind, and the HTTP status of
  /// the answer that made it (0 when there was none). A kind of `none` is
  /// taken as `other`: a failure always has a kind.
  static NetworkResult failure(std::int64_t code, std::string message, FailureKind kind, long httpStatus = 0) {
    if (kind == FailureKind::none) kind = FailureKind::other;
    return NetworkResult(std::in_place_index<1>, Failure{code, std::move(message), kind, httpStatus});
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
  /// What kind of failure this is (see above); `none` on success.
  FailureKind kind() const { return isSuccess() ? FailureKind::none : std::get<1>(state_).kind; }
  /// The HTTP status of the answer that made this failure; 0 on success and
  /// when no HTTP answer arrived.
  long httpStatus() const { return isSuccess() ? 0 : std::get<1>(state_).httpStatus; }

 private:
  struct Failure {
    std::int64_t code;
    std::string message;
    FailureKind kind;
    long httpStatus;
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
