#pragma once

// How a service operation is declared. Each service lists its operations
// once, in its `*Operations.hpp`, as constants of Operation<Record, Answer>:
// the method, the route under the API prefix and the rule that turns the
// host's record into the path, query and body. The request class, the call
// of the pipeline and the service's public method all derive from that one
// declaration.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "request/BaseReq.hpp"
#include "request/Dispatch.hpp"
#include "request/UrlParts.hpp"

namespace quillbox::services {

/// The common prefix of every endpoint path.
inline constexpr std::string_view kApiPrefix = "/quillbox/ose/v1/";

/// The record of an operation that takes none.
struct NoRecord {};

/// What one call puts on the wire, filled in by its operation's rule.
struct Wire {
  /// The endpoint path: the prefix and the route, whose "{}" the rule fills.
  std::string path;
  /// The query string without the leading "?"; empty when there is none.
  std::string query;
  /// The JSON body; absent for a request without one.
  std::optional<std::string> body;

  /// Puts `value` in the route's "{}", encoded as exactly one path segment.
  void place(std::string_view value) {
    const std::size_t at = path.find("{}");
    if (at != std::string::npos) path.replace(at, 2, request::encodePathSegment(value));
  }
  /// place() for an identifier: false when it is absent or empty, which
  /// would address the enclosing collection instead.
  bool placeId(const std::optional<std::string>& id) {
    if (!request::isUsableSegment(id)) return false;
    place(*id);
    return true;
  }
  /// The record as the JSON body: false when it cannot be encoded.
  template <class Record>
  bool sendAsBody(const Record& record) {
    try {
      body = toJson(record);
    } catch (const JsonEncodeError&) {
      return false;
    }
    return true;
  }
};

/// The rule of most POST and PUT operations: the whole record is the body.
template <class Record>
bool recordAsBody(const Record& record, Wire& wire) {
  return wire.sendAsBody(record);
}

/// One operation of a service, declared once.
template <class Record, class Answer>
struct Operation {
  using RecordType = Record;
  using AnswerType = Answer;

  HTTPMethod method;
  /// The path under kApiPrefix as the server routes it; "{}" marks the one
  /// segment the rule takes from the record.
  std::string_view route;
  /// Checks the record and fills the query, the body and the "{}" of the
  /// path; false when the record cannot be sent. By default: the route
  /// alone, no query and no body.
  bool (*rule)(const Record&, Wire&) = [](const Record&, Wire&) { return true; };
  /// Whether a call without a record fails. When false, an absent record
  /// is sent as a fresh one.
  bool needsRecord = true;
};

/// The request object of operation `Op`: the pipeline's view of one call.
template <const auto& Op>
class OperationRequest final
    : public request::BaseReq<typename std::remove_cvref_t<decltype(Op)>::AnswerType> {
 public:
  using Record = typename std::remove_cvref_t<decltype(Op)>::RecordType;

  explicit OperationRequest(std::optional<Record> record) : record_(std::move(record)) {}

  /// Leaves url, params and body untouched when the call cannot be sent.
  int buildParams() override {
    if (!record_ && Op.needsRecord) return -1;
    std::string path;
    path.reserve(kApiPrefix.size() + std::string_view(Op.route).size() + 32);  // room for an id or two
    path.append(kApiPrefix).append(Op.route);
    Wire wire{std::move(path), {}, std::nullopt};
    const bool sendable = record_ ? Op.rule(*record_, wire) : Op.rule(Record{}, wire);
    if (!sendable) return -1;
    this->url = std::move(wire.path);
    this->params = std::move(wire.query);
    this->body = std::move(wire.body);
    return 0;
  }

 private:
  std::optional<Record> record_;
};

/// Runs operation `Op` with the host's record and callback.
template <const auto& Op>
void run(const request::Settings& settings, std::optional<typename OperationRequest<Op>::Record> record,
         std::function<void(NetworkResult<typename std::remove_cvref_t<decltype(Op)>::AnswerType>)> onCallback) {
  request::runRequest<OperationRequest<Op>>(settings, std::move(record), std::move(onCallback), Op.method);
}

/// The same for an operation without a record.
template <const auto& Op>
void run(const request::Settings& settings,
         std::function<void(NetworkResult<typename std::remove_cvref_t<decltype(Op)>::AnswerType>)> onCallback) {
  request::runRequest<OperationRequest<Op>>(settings, std::optional<NoRecord>(NoRecord{}), std::move(onCallback),
                                            Op.method);
}

}  // namespace quillbox::services
