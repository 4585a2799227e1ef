// Small-call throughput: `getSpace` through the SDK against a raw libcurl multi loop on one
// thread sending the same GET with the same headers and parsing each body with Boost.JSON.
// Both talk to the same quillbox-emulator (a child process on a free port) in the same run,
// in alternating rounds, with the same number of calls in flight.
//
//   small_call_bench [--calls N] [--inflight N] [--rounds N] [--emulator-threads N] [--emulator PATH]
//                    [--only sdk|raw] [--connections N]
//
// Defaults: 40,000 calls, 64 in flight, 5 rounds of each, 2 emulator threads. The raw loop
// has a connection per call in flight; so has the SDK's client unless --connections gives its
// connection limit (a client's default is 16; over HTTP/1.1 that is also how many calls the
// emulator answers at once). Prints each
// round, then the medians of both sides in calls/s, their ratio (SDK / raw), CPU time and
// voluntary context switches per call (process-wide, the emulator not included), and the peak
// resident memory (VmHWM). --only runs one side, for a profiler.
// Exit status 0 when every call succeeded, 2 when the run itself failed.

#include <curl/curl.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/json.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "EmulatorChild.hpp"
#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/services/user/IUser.hpp"
#include "quillbox/util/Log.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

#ifdef QUILLBOX_EMULATOR_PATH
constexpr const char* kEmulator = QUILLBOX_EMULATOR_PATH;
#else
constexpr const char* kEmulator = "quillbox-emulator";
#endif

constexpr const char* kSpacePath = "/quillbox/ose/v1/space/?type=";

/// quillbox-emulator on a free port with `threads` threads, until destroyed.
struct Emulator : quillbox::bench::EmulatorChild {
  Emulator(const std::string& program, unsigned threads)
      : EmulatorChild(program, {"--threads", std::to_string(threads)}) {}
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

std::string signIn(const std::string& base) {
  CURL* h = curl_easy_init();
  std::string body;
  const std::string url = base + "/quillbox/ose/v1/carrier/standard/user/auth";
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, R"({"authCode":"small-call-bench"})");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  const CURLcode rc = curl_easy_perform(h);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  if (rc != CURLE_OK) throw std::runtime_error(std::string("sign-in failed: ") + curl_easy_strerror(rc));
  const boost::json::value answer = boost::json::parse(body);
  const auto* token = answer.as_object().if_contains("accessToken");
  if (!token || !token->is_string()) throw std::runtime_error("sign-in gave no token: " + body);
  return std::string(token->as_string());
}

struct Round {
  double callsPerSecond = 0;
  double cpuMicrosPerCall = 0;
  double switchesPerCall = 0;
  long peakKiB = 0;
  std::size_t failures = 0;
};

/// Process-wide counters around one round: CPU time, voluntary context switches and the
/// resident high-water mark, which is reset first so that each round reports its own.
class Meter {
 public:
  explicit Meter(std::size_t calls) : calls_(calls) {
    std::ofstream("/proc/self/clear_refs") << "5";
    ::getrusage(RUSAGE_SELF, &before_);
    begin_ = Clock::now();
  }
  Round finish(std::size_t failures) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - begin_).count();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    auto micros = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_usec); };
    const double cpu = micros(after.ru_utime) + micros(after.ru_stime) - micros(before_.ru_utime) -
                       micros(before_.ru_stime);
    Round r;
    r.callsPerSecond = static_cast<double>(calls_) / seconds;
    r.cpuMicrosPerCall = cpu / static_cast<double>(calls_);
    r.switchesPerCall = static_cast<double>(after.ru_nvcsw - before_.ru_nvcsw) / static_cast<double>(calls_);
    r.peakKiB = peakKiB();
    r.failures = failures;
    return r;
  }

  static long peakKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
  }

 private:
  std::size_t calls_;
  rusage before_{};
  Clock::time_point begin_;
};

std::string traceId() {
  static std::mt19937_64 engine{std::random_device{}()};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string id = "000000000000DSDK";
  std::uint64_t bits = engine();
  for (int i = 0; i < 16; ++i, bits >>= 4) id += kHex[bits & 0xF];
  return id + "000000";
}

/// The reference: one thread, one multi handle, `inflight` easy handles reused from call to
/// call, each sending the headers the SDK sends and parsing its answer with Boost.JSON.
Round rawRound(const std::string& base, const std::string& token, std::size_t calls, std::size_t inflight) {
  struct Slot {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::string body;
  };
  const std::string url = base + kSpacePath;
  CURLM* multi = curl_multi_init();
  std::vector<Slot> slots(std::min(inflight, calls));
  for (Slot& s : slots) {
    for (const std::string& h : {std::string("Accept: */*"), std::string("Authorization: ") + token,
                                 std::string("Content-Type: application/json; charset=utf-8"),
                                 std::string("User-Agent: DSDK"), "X-Traceid: " + traceId(),
                                 std::string("x-qz-agentname: standard"), std::string("Expect:")}) {
      s.headers = curl_slist_append(s.headers, h.c_str());
    }
    s.easy = curl_easy_init();
    curl_easy_setopt(s.easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(s.easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(s.easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(s.easy, CURLOPT_HTTPHEADER, s.headers);
    curl_easy_setopt(s.easy, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(s.easy, CURLOPT_WRITEDATA, &s.body);
    curl_easy_setopt(s.easy, CURLOPT_PRIVATE, &s);
  }

  Meter meter(calls);
  std::size_t started = 0, done = 0, failures = 0;
  for (Slot& s : slots) {
    curl_multi_add_handle(multi, s.easy);
    ++started;
  }
  std::array<unsigned char, 4096> arena;
  while (done < calls) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg != CURLMSG_DONE) continue;
      Slot* s = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &s);
      long status = 0;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_RESPONSE_CODE, &status);
      bool ok = msg->data.result == CURLE_OK && status == 200;
      if (ok) {
        boost::json::monotonic_resource memory(arena.data(), arena.size());
        boost::system::error_code ec;
        const boost::json::value v = boost::json::parse(s->body, ec, &memory);
        ok = !ec && v.is_object() && v.as_object().contains("data");
      }
      failures += ok ? 0 : 1;
      ++done;
      s->body.clear();
      curl_multi_remove_handle(multi, s->easy);
      if (started < calls) {
        curl_multi_add_handle(multi, s->easy);
        ++started;
      }
    }
    if (done < calls) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  Round r = meter.finish(failures);
  for (Slot& s : slots) {
    curl_easy_cleanup(s.easy);
    curl_slist_free_all(s.headers);
  }
  curl_multi_cleanup(multi);
  return r;
}

/// The SDK: `inflight` chains of getSpace calls, each callback starting the chain's next call,
/// as a host keeping that many calls in flight would.
Round sdkRound(quillbox::CloudInstance& client, std::size_t calls, std::size_t inflight) {
  struct State {
    std::size_t calls;
    std::atomic<std::size_t> started{0};
    std::atomic<std::size_t> failures{0};
    std::mutex mutex;
    std::condition_variable allDone;
    std::size_t done = 0;
  } state;
  state.calls = calls;
  quillbox::IUser& user = client.getUserImpl();
  quillbox::GetSpaceBean bean;

  std::function<void()> next = [&] {
    user.getSpace(bean, [&](quillbox::NetworkResult<quillbox::GetSpaceResp> result) {
      if (!result.isSuccess() || !result.value().data) ++state.failures;
      if (state.started++ < state.calls) next();
      std::lock_guard lock(state.mutex);
      if (++state.done == state.calls) state.allDone.notify_all();
    });
  };
  Meter meter(calls);
  for (std::size_t i = 0; i < std::min(inflight, calls); ++i) {
    if (state.started++ < calls) next();
  }
  std::unique_lock lock(state.mutex);
  // The guard only keeps a broken SDK from hanging the run.
  if (!state.allDone.wait_for(lock, std::chrono::minutes(5), [&] { return state.done == calls; })) {
    std::fprintf(stderr, "SDK round stuck after %zu of %zu calls\n", state.done, calls);
    std::_Exit(2);
  }
  return meter.finish(state.failures.load());
}

Round median(std::vector<Round> rounds) {
  auto pick = [&](auto field) {
    std::sort(rounds.begin(), rounds.end(), [&](const Round& a, const Round& b) { return a.*field < b.*field; });
    return rounds[rounds.size() / 2].*field;
  };
  Round m;
  m.callsPerSecond = pick(&Round::callsPerSecond);
  m.cpuMicrosPerCall = pick(&Round::cpuMicrosPerCall);
  m.switchesPerCall = pick(&Round::switchesPerCall);
  m.peakKiB = pick(&Round::peakKiB);
  for (const Round& r : rounds) m.failures += r.failures;
  return m;
}

void print(const char* name, const Round& r) {
  std::printf("%-10s %12.0f %12.1f %12.2f %12ld %9zu\n", name, r.callsPerSecond, r.cpuMicrosPerCall, r.switchesPerCall,
              r.peakKiB, r.failures);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t calls = 40000;
  std::size_t inflight = 64;
  int rounds = 5;
  unsigned emulatorThreads = 2;
  std::string program = kEmulator;
  std::string only;
  long connections = 0;  // as many as calls in flight
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const std::string value = argv[i + 1];
    if (flag == "--calls") {
      calls = std::max<std::size_t>(1, std::stoul(value));
    } else if (flag == "--inflight") {
      inflight = std::max<std::size_t>(1, std::stoul(value));
    } else if (flag == "--rounds") {
      rounds = std::max(1, std::stoi(value));
    } else if (flag == "--emulator-threads") {
      emulatorThreads = static_cast<unsigned>(std::max(1, std::stoi(value)));
    } else if (flag == "--emulator") {
      program = value;
    } else if (flag == "--only" && (value == "sdk" || value == "raw")) {
      only = value;
    } else if (flag == "--connections") {
      connections = std::max(1L, std::stol(value));
    } else {
      std::fprintf(stderr,
                   "usage: %s [--calls N] [--inflight N] [--rounds N] [--emulator-threads N] [--emulator PATH]"
                   " [--only sdk|raw] [--connections N]\n",
                   argv[0]);
      return 2;
    }
  }

  try {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Emulator emulator(program, emulatorThreads);
    const std::string token = signIn(emulator.url());
    quillbox::setLogSink({});
    quillbox::CloudInstance::Options options;
    options.maxHostConnections = connections > 0 ? connections : static_cast<long>(inflight);
    quillbox::CloudInstance client(options);
    client.setHost(emulator.url());
    client.setToken(token);

    std::printf("GET %s, %zu calls, %zu in flight, SDK client with at most %ld connections, emulator with %u "
                "threads, %d rounds each\n",
                kSpacePath, calls, inflight, options.maxHostConnections, emulatorThreads, rounds);
    // Connections opened, caches warm, threads started, before anything is measured.
    rawRound(emulator.url(), token, std::min<std::size_t>(calls, 4000), inflight);
    sdkRound(client, std::min<std::size_t>(calls, 4000), inflight);

    std::printf("%-10s %12s %12s %12s %12s %9s\n", "round", "calls/s", "cpu us/call", "csw/call", "VmHWM KiB",
                "failures");
    std::vector<Round> raw, sdk;
    auto runRaw = [&] {
      raw.push_back(rawRound(emulator.url(), token, calls, inflight));
      print("raw", raw.back());
    };
    auto runSdk = [&] {
      sdk.push_back(sdkRound(client, calls, inflight));
      print("sdk", sdk.back());
    };
    for (int i = 0; i < rounds; ++i) {
      // Alternating which side goes first keeps a drift in the machine's load from favouring one.
      if (only != "sdk" && i % 2 == 0) runRaw();
      if (only != "raw") runSdk();
      if (only != "sdk" && i % 2 == 1) runRaw();
    }
    if (!only.empty()) return median(raw.empty() ? sdk : raw).failures == 0 ? 0 : 2;
    const Round r = median(raw), s = median(sdk);
    std::printf("median\n");
    print("raw", r);
    print("sdk", s);
    std::printf("ratio sdk/raw: %.2f calls/s, %.2f CPU per call (raw/sdk: the same ratio on a machine with cores to "
                "spare)\n",
                s.callsPerSecond / r.callsPerSecond, r.cpuMicrosPerCall / s.cpuMicrosPerCall);
    return r.failures + s.failures == 0 ? 0 : 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "small_call_bench: %s\n", e.what());
    return 2;
  }
}
