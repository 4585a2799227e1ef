// Download throughput: the SDK's downloader against the curl command line, both fetching from
// the same nginx on 127.0.0.1 to the same disk in one run, in alternating rounds.
//
//   download_bench [--size-mib N] [--rounds N] [--dir PATH]
//   download_bench --parallel N [--size-mib N] [--rounds N] [--dir PATH]
//   download_bench --resets-per-gib N [--size-mib N] [--rounds N] [--dir PATH] [--emulator PATH]
//
// One file: defaults 1024 MiB, 3 rounds. Prints both throughputs (best round of each), their
// ratio and the process's peak RSS, which holds the SDK's downloads only (nginx and curl are
// child processes). Aims: ratio >= 0.95, peak RSS <= 32 MiB.
//
// --resets-per-gib N: one file (default 1024 MiB) from quillbox-emulator (a child process, state in
// memory), downloaded whole by the SDK, against the same download with N connection resets per GiB
// injected through the emulator's faults, evenly spread, each cured by the downloader resuming by
// itself from the bytes it has, under the default retry policy (a transfer that brought bytes
// before it broke off is resumed at once). Alternating rounds; prints the best round of each and
// the median of the rounds' ratios (with resets / clean): what breaking off and resuming costs.
// Aim: ratio >= 0.85. On a machine whose disk sets the pace, give a folder in memory
// (--dir /dev/shm/...): writing a GiB to disk swings rounds by 2x either way.
//
// --parallel N: N files (default 4 MiB each; hard links of one file, so nginx reads from the page
// cache) at once: N downloaders started together against one `curl --parallel --parallel-max N`
// of the same URLs. Prints the throughput of each (median of the rounds), their ratio and the
// most threads this process had while its downloads ran. Aims: ratio >= 0.9, threads <= 8.
//
// The folder defaults to the system's temporary folder. Exit status 0 when the aims are met,
// 1 when not, 2 when the run itself failed.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <curl/curl.h>

#include "EmulatorChild.hpp"
#include "quillbox/quillbox.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kAimRatio = 0.95;
constexpr double kAimRssMiB = 32.0;
constexpr double kAimParallelRatio = 0.9;
constexpr std::size_t kAimThreads = 8;
constexpr double kAimResumeRatio = 0.85;

#ifdef QUILLBOX_EMULATOR_PATH
constexpr const char* kEmulator = QUILLBOX_EMULATOR_PATH;
#else
constexpr const char* kEmulator = "quillbox-emulator";
#endif

std::atomic<std::uint64_t> logLines{0};

std::uint16_t freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

bool accepts(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

/// nginx serving `root` until destroyed.
class Nginx {
 public:
  Nginx(const fs::path& dir, const fs::path& root) {
    port_ = freePort();
    const std::string d = dir.string();
    std::ofstream(dir / "nginx.conf") << "daemon off;\nmaster_process on;\nworker_processes 1;\nuser root root;\n"
                                      << "pid " << d << "/nginx.pid;\nerror_log " << d << "/error.log warn;\n"
                                      << "events { worker_connections 1024; }\nhttp {\n  access_log off;\n"
                                      << "  client_body_temp_path " << d << "/body;\n  sendfile on;\n  tcp_nopush on;\n"
                                      << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << root.string()
                                      << ";\n  }\n}\n";
    const std::string prefix = d + "/";
    const std::string conf = (dir / "nginx.conf").string();
    const std::string errors = (dir / "error.log").string();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::execl("/usr/sbin/nginx", "nginx", "-p", prefix.c_str(), "-c", conf.c_str(), "-e", errors.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!accepts(port_)) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_ || Clock::now() > deadline) {
        pid_ = -1;
        throw std::runtime_error("nginx did not start; see " + errors);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~Nginx() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + path; }

 private:
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

void makeFile(const fs::path& path, std::size_t bytes) {
  std::vector<char> block(1 << 20);
  std::mt19937_64 engine(42);
  for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
    const std::uint64_t v = engine();
    std::memcpy(block.data() + i, &v, 8);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (std::size_t done = 0; done < bytes; done += block.size()) {
    block[0] = static_cast<char>(done >> 20);  // no two blocks alike
    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - done)));
  }
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

double timeCurl(const std::string& url, const fs::path& out) {
  const std::string target = out.string();
  std::vector<char*> argv{const_cast<char*>("curl"), const_cast<char*>("-s"), const_cast<char*>("-f"),
                          const_cast<char*>("--noproxy"), const_cast<char*>("*"), const_cast<char*>("-o"),
                          const_cast<char*>(target.c_str()), const_cast<char*>(url.c_str()), nullptr};
  const auto begin = Clock::now();
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot run curl");
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("curl failed");
  return seconds;
}

double timeSdk(const std::string& url, const fs::path& out,
               quillbox::RetryPolicy retry = quillbox::RetryPolicy::standard()) {
  quillbox::ResumableDownloader downloader(url, out, "com.resumable.download");
  downloader.setRetryPolicy(retry);
  std::promise<quillbox::DownloadResult> done;
  auto future = done.get_future();
  const auto begin = Clock::now();
  downloader.start({}, [&done](quillbox::DownloadResult r) { done.set_value(std::move(r)); });
  const auto result = future.get();
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  if (!result.isSuccess()) throw std::runtime_error("SDK download failed: " + result.error().message);
  return seconds;
}

double peakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

/// One curl for all of `urls`, each to the file of the same index in `outs`.
double timeCurlParallel(const std::vector<std::string>& urls, const std::vector<fs::path>& outs) {
  std::vector<std::string> args{"curl", "-s", "--no-progress-meter", "-f", "--noproxy", "*", "--parallel", "--parallel-max",
                                std::to_string(urls.size())};
  for (std::size_t i = 0; i < urls.size(); ++i) {
    args.insert(args.end(), {"-o", outs[i].string(), urls[i]});
  }
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto begin = Clock::now();
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("cannot run curl");
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("curl --parallel failed");
  return seconds;
}

std::size_t processThreads() {
  const fs::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

/// All of `urls` at once through the SDK, each to the file of the same index in `outs`.
/// `peakThreads` takes the most threads seen while they ran.
double timeSdkParallel(const std::vector<std::string>& urls, const std::vector<fs::path>& outs,
                       std::size_t& peakThreads) {
  std::mutex mutex;
  std::condition_variable allDone;
  std::size_t done = 0;
  std::string failure;
  std::vector<std::unique_ptr<quillbox::ResumableDownloader>> downloaders;
  const auto begin = Clock::now();
  for (std::size_t i = 0; i < urls.size(); ++i) {
    downloaders.push_back(std::make_unique<quillbox::ResumableDownloader>(urls[i], outs[i], "com.resumable.download"));
    downloaders.back()->start({}, [&](quillbox::DownloadResult r) {
      std::lock_guard lock(mutex);
      if (!r.isSuccess() && failure.empty()) failure = r.error().message;
      if (++done == urls.size()) allDone.notify_all();
    });
  }
  {
    std::unique_lock lock(mutex);
    while (done < urls.size()) {
      peakThreads = std::max(peakThreads, processThreads());
      allDone.wait_for(lock, std::chrono::milliseconds(2));
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  if (!failure.empty()) throw std::runtime_error("SDK download failed: " + failure);
  return seconds;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

/// The --parallel run; returns the exit status.
int runParallel(const fs::path& dir, std::size_t count, std::size_t sizeMiB, int rounds) {
  fs::create_directories(dir / "www");
  fs::create_directories(dir / "out");
  const std::size_t bytes = sizeMiB << 20;
  makeFile(dir / "www" / "0.bin", bytes);
  for (std::size_t i = 1; i < count; ++i) fs::create_hard_link(dir / "www" / "0.bin", dir / "www" / (std::to_string(i) + ".bin"));
  Nginx nginx(dir, dir / "www");
  std::vector<std::string> urls;
  std::vector<fs::path> outs;
  for (std::size_t i = 0; i < count; ++i) {
    urls.push_back(nginx.url(std::to_string(i) + ".bin"));
    outs.push_back(dir / "out" / (std::to_string(i) + ".bin"));
  }
  auto clear = [&] {
    for (const auto& out : outs) {
      std::error_code ignored;
      fs::remove(out, ignored);
    }
    ::sync();
  };
  timeCurl(urls[0], dir / "warm.bin");  // the source file into the page cache
  fs::remove(dir / "warm.bin");
  ::sync();

  const double total = static_cast<double>(bytes * count) / kMiB;
  std::vector<double> curlRates;
  std::vector<double> sdkRates;
  std::size_t peakThreads = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool sdk = (turn == 0) == (round % 2 == 1);
      const double seconds = sdk ? timeSdkParallel(urls, outs, peakThreads) : timeCurlParallel(urls, outs);
      for (const auto& out : outs) {
        if (fs::file_size(out) != bytes) throw std::runtime_error("wrong size from " + out.string());
      }
      std::printf("round %d %-4s %8.1f MiB/s\n", round + 1, sdk ? "sdk" : "curl", total / seconds);
      (sdk ? sdkRates : curlRates).push_back(total / seconds);
      clear();
    }
  }
  const double curlRate = median(curlRates);
  const double sdkRate = median(sdkRates);
  const double ratio = sdkRate / curlRate;
  std::printf("%zu files of %zu MiB at once, %d rounds, medians\n", count, sizeMiB, rounds);
  std::printf("curl --parallel %8.1f MiB/s\n", curlRate);
  std::printf("SDK             %8.1f MiB/s\n", sdkRate);
  std::printf("ratio           %8.3f   (aim >= %.2f)\n", ratio, kAimParallelRatio);
  std::printf("peak threads    %8zu   (aim <= %zu)\n", peakThreads, kAimThreads);
  std::printf("peak RSS        %8.1f MiB\n", peakRssMiB());
  return ratio >= kAimParallelRatio && peakThreads <= kAimThreads ? 0 : 1;
}


/// The one-file run; returns the exit status.
int runOne(const fs::path& dir, std::size_t sizeMiB, int rounds) {
  fs::create_directories(dir / "www");
  const std::size_t bytes = sizeMiB << 20;
  makeFile(dir / "www" / "big.bin", bytes);
  Nginx nginx(dir, dir / "www");
  const std::string url = nginx.url("big.bin");
  const double rssBefore = peakRssMiB();

  timeCurl(url, dir / "warm.bin");  // the source file into the page cache
  fs::remove(dir / "warm.bin");
  ::sync();

  double bestCurl = 1e300;
  double bestSdk = 1e300;
  for (int round = 0; round < rounds; ++round) {
    // Alternate who goes first; start each run with nothing waiting to be written back.
    for (int turn = 0; turn < 2; ++turn) {
      const bool sdk = (turn == 0) == (round % 2 == 1);
      const fs::path out = dir / (sdk ? "sdk.bin" : "curl.bin");
      const double seconds = sdk ? timeSdk(url, out) : timeCurl(url, out);
      if (fs::file_size(out) != bytes) throw std::runtime_error("wrong size from " + out.string());
      std::printf("round %d %-4s %8.1f MiB/s\n", round + 1, sdk ? "sdk" : "curl",
                  static_cast<double>(bytes) / kMiB / seconds);
      (sdk ? bestSdk : bestCurl) = std::min(sdk ? bestSdk : bestCurl, seconds);
      fs::remove(out);
      ::sync();
    }
  }
  const double curlRate = static_cast<double>(bytes) / kMiB / bestCurl;
  const double sdkRate = static_cast<double>(bytes) / kMiB / bestSdk;
  const double ratio = sdkRate / curlRate;
  const double rss = peakRssMiB();
  std::printf("file %zu MiB, %d rounds, best of each\n", sizeMiB, rounds);
  std::printf("curl -o    %8.1f MiB/s\n", curlRate);
  std::printf("SDK        %8.1f MiB/s\n", sdkRate);
  std::printf("ratio      %8.3f   (aim >= %.2f)\n", ratio, kAimRatio);
  std::printf("peak RSS   %8.1f MiB (aim <= %.0f; %.1f MiB before the first download)\n", rss, kAimRssMiB,
              rssBefore);
  std::printf("log lines  %8llu\n", static_cast<unsigned long long>(logLines.load()));
  return ratio >= kAimRatio && rss <= kAimRssMiB ? 0 : 1;
}

// ---- resumes against the emulator ----------------------------------------------------------------

using Emulator = quillbox::bench::EmulatorChild;

/// A request to the emulator outside the SDK; the status.
long post(const std::string& url, const std::string& body) {
  CURL* h = curl_easy_init();
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, +[](char*, std::size_t size, std::size_t n, void*) { return size * n; });
  long status = 0;
  if (curl_easy_perform(h) == CURLE_OK) curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  return status;
}

/// Signs in to the emulator, uploads `file` and returns its download link.
std::string uploadToEmulator(const std::string& base, const fs::path& file) {
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(base);
  quillbox::AuthCodeBean auth;
  auth.authCode = "download-bench";
  const auto token = quillbox::callBlocking(cloud.getUserImpl(), &quillbox::IUser::getToken, auth);
  if (!token.isSuccess() || !token.value().accessToken) throw std::runtime_error("sign-in failed: " + token.message());
  cloud.setToken(*token.value().accessToken);

  std::promise<quillbox::UploadProcessResult> outcome;
  cloud.getTransferImpl().uploadFile("root", file, "", 2, std::make_shared<quillbox::Sha256SliceFile>(64 << 20),
                                     [&outcome](quillbox::UploadProcessResult e) {
                                       if (std::holds_alternative<quillbox::uploadResult::onSuccess>(e) ||
                                           std::holds_alternative<quillbox::uploadResult::onFailure>(e)) {
                                         outcome.set_value(std::move(e));
                                       }
                                     });
  const quillbox::UploadProcessResult up = outcome.get_future().get();
  const auto* done = std::get_if<quillbox::uploadResult::onSuccess>(&up);
  if (!done || !done->fileId) throw std::runtime_error("upload to the emulator failed");

  quillbox::GetDownloadUrlBean bean;
  bean.fileIds = std::vector<std::string>{*done->fileId};
  const auto links = quillbox::callBlocking(cloud.getFileImpl(), &quillbox::IFile::getDownloadUrl, bean);
  if (!links.isSuccess() || !links.value().downloads || links.value().downloads->empty() ||
      !links.value().downloads->front().url) {
    throw std::runtime_error("no download link: " + links.message());
  }
  return *links.value().downloads->front().url;
}

/// The --resets-per-gib run; returns the exit status.
int runResumes(const fs::path& dir, std::size_t sizeMiB, int rounds, double resetsPerGiB, const std::string& program) {
  const std::size_t bytes = sizeMiB << 20;
  makeFile(dir / "big.bin", bytes);
  Emulator emulator(program);
  const std::string url = uploadToEmulator(emulator.url(), dir / "big.bin");
  fs::remove(dir / "big.bin");

  // N resets spread evenly: each strikes the next GET once its answer has carried one more
  // stretch (a resumed GET's answer starts where the file was left).
  const auto resets = static_cast<std::size_t>(resetsPerGiB * static_cast<double>(sizeMiB) / 1024.0 + 0.5);
  const std::size_t stretch = bytes / (resets + 1);
  auto arm = [&] {
    for (std::size_t i = 0; i < resets; ++i) {
      const long status = post(emulator.url() + "/_emulator/faults",
                               R"({"path":"/_download/*","kind":"reset","afterBytes":)" + std::to_string(stretch) + "}");
      if (status != 201) throw std::runtime_error("cannot arm a fault: status " + std::to_string(status));
    }
  };
  timeSdk(url, dir / "warm.bin");  // the emulator's first answer, and the page cache for the output
  fs::remove(dir / "warm.bin");
  ::sync();
  // Writing a GiB to the output folder swings between the page cache's pace and the disk's from
  // one round to the next, whatever the faults: each round's two downloads, one after the other,
  // give one ratio, and the median of those is the figure.
  double bestClean = 1e300;
  double bestFaulted = 1e300;
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double pair[2] = {0, 0};  // seconds: clean, with resets
    for (int turn = 0; turn < 2; ++turn) {
      const bool faulted = (turn == 0) == (round % 2 == 1);
      const fs::path out = dir / (faulted ? "faulted.bin" : "clean.bin");
      if (faulted) arm();
      const double seconds = timeSdk(url, out);
      if (fs::file_size(out) != bytes) throw std::runtime_error("wrong size from " + out.string());
      std::printf("round %d %-13s %8.1f MiB/s\n", round + 1, faulted ? "with resets" : "clean",
                  static_cast<double>(bytes) / kMiB / seconds);
      (faulted ? bestFaulted : bestClean) = std::min(faulted ? bestFaulted : bestClean, seconds);
      pair[faulted ? 1 : 0] = seconds;
      fs::remove(out);
      ::sync();
    }
    ratios.push_back(pair[0] / pair[1]);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = ratios[ratios.size() / 2];
  std::printf("file %zu MiB from the emulator, %zu resets (%.1f per GiB), %d rounds\n", sizeMiB, resets, resetsPerGiB,
              rounds);
  std::printf("clean         %8.1f MiB/s (best round)\n", static_cast<double>(bytes) / kMiB / bestClean);
  std::printf("with resets   %8.1f MiB/s (best round)\n", static_cast<double>(bytes) / kMiB / bestFaulted);
  std::printf("ratio         %8.3f   median of the rounds' ratios (aim >= %.2f)\n", ratio, kAimResumeRatio);
  std::printf("log lines     %8llu\n", static_cast<unsigned long long>(logLines.load()));
  return ratio >= kAimResumeRatio ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t sizeMiB = 0;
  std::size_t parallel = 0;
  int rounds = 3;
  double resetsPerGiB = -1;
  std::string emulator = kEmulator;
  fs::path base = fs::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--size-mib") {
      sizeMiB = std::stoul(argv[i + 1]);
    } else if (flag == "--rounds") {
      rounds = std::max(1, std::stoi(argv[i + 1]));
    } else if (flag == "--parallel") {
      parallel = std::stoul(argv[i + 1]);
    } else if (flag == "--dir") {
      base = argv[i + 1];
    } else if (flag == "--resets-per-gib") {
      resetsPerGiB = std::max(0.0, std::stod(argv[i + 1]));
    } else if (flag == "--emulator") {
      emulator = argv[i + 1];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--parallel N | --resets-per-gib N [--emulator PATH]] [--size-mib N] [--rounds N] "
                   "[--dir PATH]\n",
                   argv[0]);
      return 2;
    }
  }

  std::string pattern = (base / "quillbox-download-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path dir = pattern;
  int exitCode = 2;
  try {
    // Every log line is still produced and handed to a sink; it just does not flood the output.
    quillbox::setLogSink([](std::string_view) { logLines.fetch_add(1, std::memory_order_relaxed); });
    if (sizeMiB == 0) sizeMiB = parallel > 0 ? 4 : 1024;
    exitCode = resetsPerGiB >= 0 ? runResumes(dir, sizeMiB, rounds, resetsPerGiB, emulator)
               : parallel > 0    ? runParallel(dir, parallel, sizeMiB, rounds)
                                 : runOne(dir, sizeMiB, rounds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "download_bench: %s\n", e.what());
  }
  quillbox::resetLogSink();
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return exitCode;
}
