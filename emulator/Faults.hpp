#pragma once
// Faults armed through the control endpoint: each one strikes requests whose
// path matches its pattern: the next N, every k-th, or a seeded random share
// of them. Also keeps a short log of the requests answered, which the
// control endpoint lists.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillbox::emulator {

enum class FaultKind {
  status,    // answer `status` with the envelope {"code": code, "msg": msg}; the request is not handled
  delay,     // wait `ms` before handling the request
  stall,     // stop sending for `ms` after `afterBytes` body bytes (before the answer when absent), then go on
  reset,     // reset the connection (RST) after `afterBytes` body bytes (before the answer when absent;
             // with `handled`, after the request took effect)
  truncate,  // announce the full length, send `afterBytes` body bytes, then close
  corrupt,   // flip `length` bytes from body offset `offset` of the answer (or of the request)
};

std::string_view kindName(FaultKind kind);

struct Fault {
  std::uint64_t id = 0;               // given when armed
  std::string path;                   // glob: '*' any run of characters, '?' one character
  std::optional<std::string> method;  // any method when absent
  /// How many requests it strikes in all; 0: until removed (only with
  /// `every` or `probability`).
  std::int64_t count = 1;
  /// Strikes the k-th, 2k-th, ... matching request (0: each one).
  std::int64_t every = 0;
  /// Strikes a matching request with this probability, drawn from a
  /// generator seeded with `seed`: the same requests in every run.
  std::optional<double> probability;
  std::uint64_t seed = 0;
  FaultKind kind = FaultKind::status;
  unsigned status = 500;
  std::int64_t code = 500;
  std::string msg = "injected fault";
  std::optional<std::string> retryAfter;  // status: the Retry-After header (seconds or an HTTP date)
  bool handled = false;                   // reset: handle the request, then reset instead of answering
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
  std::uint64_t bytes = 0;   // announced body length of the answer
  std::string fault;         // the kind of fault that struck it, if any
  std::uint64_t faultId = 0; // and its id
};

class FaultRegistry {
 public:
  /// Arms a fault; returns its id.
  std::uint64_t arm(Fault fault);
  /// The fault that strikes this request, if any: the oldest matching fault
  /// whose turn it is (`every`, `probability`). A strike counts against its
  /// `count`, and a spent fault is dropped. A request struck by one fault is
  /// not seen by the younger ones.
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

  /// The most recent answered requests (up to 1000), for tests and debugging;
  /// a request reset before its answer is logged with status 0.
  void record(LoggedRequest entry);
  /// {"requests":[...]}, oldest first.
  std::string describeRequests() const;
  void clearRequests();

 private:
  struct Armed {
    Fault fault;
    std::uint64_t seen = 0;   // matching requests that reached it
    std::uint64_t fired = 0;  // of them, struck
    std::mt19937_64 draws;    // for `probability`
  };
  mutable std::mutex mutex_;
  std::vector<Armed> faults_;
  std::uint64_t nextId_ = 1;
  std::map<std::uint64_t, std::function<void()>> holds_;
  std::uint64_t nextHold_ = 1;
  std::uint64_t fired_ = 0;
  std::vector<LoggedRequest> log_;  // a ring once full
  std::size_t logNext_ = 0;
  std::uint64_t logged_ = 0;  // requests logged since the start (the log's sequence numbers)
  std::vector<std::uint64_t> logSeq_;
};

}  // namespace quillbox::emulator
