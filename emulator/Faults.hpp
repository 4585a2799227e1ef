#pragma once
// Faults armed through the control endpoint: each one strikes the next N
// requests whose path matches its pattern. Also keeps a short log of the
// requests answered, which the control endpoint lists.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillbox::emulator {

enum class FaultKind {
  status,    // answer `status` with the envelope {"code": code, "msg": msg}; the request is not handled
  delay,     // wait `ms` before handling the request
  stall,     // stop sending for `ms` after `afterBytes` body bytes (before the answer when absent), then go on
  reset,     // reset the connection (RST) after `afterBytes` body bytes (before the answer when absent)
  truncate,  // announce the full length, send `afterBytes` body bytes, then close
  corrupt,   // flip `length` bytes from body offset `offset` of the answer (or of the request)
};

std::string_view kindName(FaultKind kind);

struct Fault {
  std::string path;                   // glob: '*' any run of characters, '?' one character
  std::optional<std::string> method;  // any method when absent
  std::int64_t count = 1;
  FaultKind kind = FaultKind::status;
  unsigned status = 500;
  std::int64_t code = 500;
  std::string msg = "injected fault";
  std::int64_t ms = 1000;
  std::optional<std::uint64_t> afterBytes;
  std::uint64_t offset = 0;
  std::uint64_t length = 1;
  bool onRequest = false;  // corrupt: the request body instead of the answer

  /// From the control endpoint's JSON body; an error text when it is not usable.
  static std::variant<Fault, std::string> parse(std::string_view json);
};

bool globMatch(std::string_view pattern, std::string_view text);

/// One answered request, as the control endpoint lists it.
struct LoggedRequest {
  std::string method;
  std::string path;  // without the query (it may hold signatures)
  unsigned status = 0;
  std::string range;
  std::string ifRange;
  std::uint64_t bytes = 0;  // announced body length of the answer
  std::string fault;        // the kind of fault that struck it, if any
};

class FaultRegistry {
 public:
  /// Arms a fault; returns its id.
  std::uint64_t arm(Fault fault);
  /// The fault for this request, if one matches (the oldest first); using it
  /// counts against its `count`, and a spent fault is dropped.
  std::optional<Fault> take(std::string_view method, std::string_view path);
  /// Removes every fault and releases every held request; returns how many faults there were.
  std::size_t clear();
  bool remove(std::uint64_t id);
  /// {"faults":[...],"held":n}
  std::string describe() const;

  /// A request held by a delay or a stall registers how to release it early.
  std::uint64_t hold(std::function<void()> release);
  void unhold(std::uint64_t id);
  std::size_t held() const;

  /// The most recent answered requests (up to 1000), for tests and debugging.
  void record(LoggedRequest entry);
  /// {"requests":[...]}, oldest first.
  std::string describeRequests() const;
  void clearRequests();

 private:
  struct Armed {
    std::uint64_t id;
    Fault fault;
    std::int64_t remaining;
  };
  mutable std::mutex mutex_;
  std::vector<Armed> faults_;
  std::uint64_t nextId_ = 1;
  std::map<std::uint64_t, std::function<void()>> holds_;
  std::uint64_t nextHold_ = 1;
  std::uint64_t fired_ = 0;
  std::vector<LoggedRequest> log_;  // a ring once full
  std::size_t logNext_ = 0;
};

}  // namespace quillbox::emulator
