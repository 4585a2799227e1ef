// A 1 GiB file in 8 MiB parts uploaded by the SDK to nginx, against
// `curl --parallel --parallel-max W` PUTting the same parts to the same nginx
// in the same run (W = the width of the SDK's part queue). Prints both
// throughputs, their ratio and the SDK's peak resident memory.
//
//   upload_bench [--size-mib N] [--part-mib N] [--rounds N]
//   upload_bench --faults [--size-mib N] [--part-mib N] [--rounds N]
//
// With --faults: the same file uploaded through CloudInstance (the default
// retry policy) to a quillbox-emulator, alternately with 2 % of the part PUTs
// failing (seeded: 1 % answered 503, 1 % reset after 1 MiB of the body) and
// without faults, a fresh emulator for each round. Prints both throughputs,
// their ratio and how many PUTs were struck.
//
// Each SDK round runs in a child process of its own (this program again, with
// --sdk-child), so its peak RSS is the upload's alone. The service calls are
// answered in-process; the parts go over loopback HTTP/1.1 to nginx, which
// stores them with its WebDAV PUT. The file and curl's copies of the parts
// are in the page cache before the first round.

#include <arpa/inet.h>
#include <curl/curl.h>
#include <sys/prctl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <boost/json.hpp>

#include "EmulatorChild.hpp"
#include "quillbox/download/ITransfer.hpp"
#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/request/Json.hpp"
#include "quillbox/upload/Sha256SliceFile.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/upload/Sha256Result.hpp"
#include "request/Settings.hpp"
#include "transport/Transport.hpp"
#include "util/MainQueue.hpp"
#include "upload/UploadProcessTask.hpp"
#include "util/NamedOperationQueue.hpp"

extern char** environ;

#ifdef QUILLBOX_EMULATOR_PATH
constexpr const char* kEmulator = QUILLBOX_EMULATOR_PATH;
#else
constexpr const char* kEmulator = "quillbox-emulator";
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// ---- the SDK side (child process) ----------------------------------------------

/// The file service answered in-process: the create answer names one nginx URL
/// per part, the complete answer is a success.
class LocalFileService final : public quillbox::IFile {
 public:
  explicit LocalFileService(std::string partBase) : partBase_(std::move(partBase)) {}

  void filesCreate(std::optional<quillbox::FilesCreateBean> bean,
                   std::function<void(quillbox::NetworkResult<quillbox::FilesCreateResponse>)> cb) override {
    quillbox::FilesCreateResponse answer;
    answer.code = 0;
    answer.rapidUpload = false;
    answer.exist = false;
    answer.fileId = "bench";
    answer.multiParts.emplace();
    for (auto part : bean->multiParts.value()) {
      part.uploadUrl = partBase_ + "/p" + std::to_string(part.partNumber) + "?X-Signature=bench";
      answer.multiParts->push_back(part);
    }
    cb(quillbox::NetworkResult<quillbox::FilesCreateResponse>::success(answer));
  }
  void fileComplete(std::optional<quillbox::FilesCompleteBean>,
                    std::function<void(quillbox::NetworkResult<quillbox::BaseResponse>)> cb) override {
    cb(quillbox::NetworkResult<quillbox::BaseResponse>::success(quillbox::BaseResponse(0, "ok", std::nullopt)));
  }

  // Not used by an upload.
  template <class R>
  static void unused(std::function<void(quillbox::NetworkResult<R>)> cb) {
    cb(quillbox::NetworkResult<R>::failure(-1, "not available"));
  }
  void getAccessFiles(std::optional<quillbox::GetAccessFilesBean>,
                      std::function<void(quillbox::NetworkResult<quillbox::GetAccessResponse>)> cb) override {
    unused(std::move(cb));
  }
  void createDirectory(std::optional<quillbox::CreateDirectoryBean>,
                       std::function<void(quillbox::NetworkResult<quillbox::CreateDirectoryResponse>)> cb) override {
    unused(std::move(cb));
  }
  void fileRename(std::optional<quillbox::FilesRenameBean>,
                  std::function<void(quillbox::NetworkResult<quillbox::BaseResponse>)> cb) override {
    unused(std::move(cb));
  }
  void fileSearch(std::optional<quillbox::FilesSearchBean>,
                  std::function<void(quillbox::NetworkResult<quillbox::FileSearchResponse>)> cb) override {
    unused(std::move(cb));
  }
  void filesList(std::optional<quillbox::FilesListBean>,
                 std::function<void(quillbox::NetworkResult<quillbox::FilesListResponse>)> cb) override {
    unused(std::move(cb));
  }
  void filesPath(std::optional<quillbox::FilesPathBean>,
                 std::function<void(quillbox::NetworkResult<quillbox::FilesPathResponse>)> cb) override {
    unused(std::move(cb));
  }
  void filesStatsDir(std::optional<quillbox::FilesStatsDirBean>,
                     std::function<void(quillbox::NetworkResult<quillbox::FilesStatsDirResponse>)> cb) override {
    unused(std::move(cb));
  }
  void getDownloadUrl(std::optional<quillbox::GetDownloadUrlBean>,
                      std::function<void(quillbox::NetworkResult<quillbox::GetDownloadUrlResponse>)> cb) override {
    unused(std::move(cb));
  }
  void getFileDetail(std::optional<quillbox::GetFileDetailBean>,
                     std::function<void(quillbox::NetworkResult<quillbox::GetFileDetailResponse>)> cb) override {
    unused(std::move(cb));
  }
  void getUploadUrl(std::optional<quillbox::GetUploadUrlBean>,
                    std::function<void(quillbox::NetworkResult<quillbox::GetUploadUrlResponse>)> cb) override {
    unused(std::move(cb));
  }

 private:
  std::string partBase_;
};

/// The parts of the file without hashing it (the hasher has its own bench).
class PlainSlices final : public quillbox::ISliceFile {
 public:
  explicit PlainSlices(std::int64_t partSize) : partSize_(partSize) {}
  std::optional<std::string> calcSha256(const fs::path& file) override {
    const auto size = static_cast<std::int64_t>(fs::file_size(file));
    quillbox::Sha256Result r(std::nullopt, size, "bench", {});
    for (std::int64_t off = 0, n = 1; off < size; off += partSize_, ++n) {
      r.parts.emplace_back(n, off, std::min(partSize_, size - off), std::nullopt);
    }
    return quillbox::toJson(r);
  }

 private:
  std::int64_t partSize_;
};

int runSdkChild(const fs::path& file, const std::string& partBase, std::int64_t partSize, const fs::path& result) {
  // Created before the clock starts, as in a host that has uploaded before.
  quillbox::transport::Transport transport;
  quillbox::request::Settings settings(transport);
  quillbox::util::MainQueue mainQueue;
  quillbox::util::NamedOperationQueue partQueue("NORMAL_T");
  LocalFileService files(partBase);
  std::mutex mutex;
  std::condition_variable done;
  std::optional<quillbox::UploadProcessResult> outcome;

  const auto start = Clock::now();
  quillbox::upload::startUpload({files, settings, mainQueue, partQueue}, file, "/bench", std::nullopt, 4, std::make_shared<PlainSlices>(partSize),
                                [&](quillbox::UploadProcessResult r) {
                                  if (std::holds_alternative<quillbox::uploadResult::onSuccess>(r) ||
                                      std::holds_alternative<quillbox::uploadResult::onFailure>(r)) {
                                    std::lock_guard lock(mutex);
                                    outcome = r;
                                    done.notify_all();
                                  }
                                });
  std::unique_lock lock(mutex);
  done.wait(lock, [&] { return outcome.has_value(); });
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const bool ok = std::holds_alternative<quillbox::uploadResult::onSuccess>(*outcome);
  std::ofstream(result) << (ok ? "ok " : "failed ") << seconds << "\n";
  return ok ? 0 : 1;
}

/// The file's description as the harness computed it once, so that the
/// rounds do not hash the file again.
class KnownSlices final : public quillbox::ISliceFile {
 public:
  explicit KnownSlices(std::string description) : description_(std::move(description)) {}
  std::optional<std::string> calcSha256(const fs::path&) override { return description_; }

 private:
  std::string description_;
};

/// One upload through the public API to the emulator at `host`.
int runEmulatorChild(const fs::path& file, const std::string& host, const std::string& token,
                     const fs::path& description, const fs::path& result) {
  quillbox::CloudInstance cloud;  // the default retry policy
  cloud.setHost(host);
  cloud.setToken(token);
  std::stringstream text;
  text << std::ifstream(description).rdbuf();
  auto slices = std::make_shared<KnownSlices>(text.str());
  std::mutex mutex;
  std::condition_variable done;
  std::optional<quillbox::UploadProcessResult> outcome;
  const auto start = Clock::now();
  auto handle = cloud.getTransferImpl().uploadFile("root", file, "", 2, slices, [&](quillbox::UploadProcessResult r) {
    if (std::holds_alternative<quillbox::uploadResult::onSuccess>(r) ||
        std::holds_alternative<quillbox::uploadResult::onFailure>(r)) {
      std::lock_guard lock(mutex);
      outcome = r;
      done.notify_all();
    }
  });
  std::unique_lock lock(mutex);
  done.wait(lock, [&] { return outcome.has_value(); });
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const auto* failure = std::get_if<quillbox::uploadResult::onFailure>(&*outcome);
  std::ofstream(result) << (failure ? "failed " : "ok ") << seconds << " "
                        << (failure ? quillbox::describe(failure->cause) : std::string()) << "\n";
  return failure ? 1 : 0;
}

// ---- the harness ----------------------------------------------------------------

[[noreturn]] void die(const std::string& why) {
  std::fprintf(stderr, "upload_bench: %s\n", why.c_str());
  std::exit(2);
}

std::uint16_t freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    die("no free port");
  }
  ::close(fd);
  return ntohs(a.sin_port);
}

bool accepts(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

/// Runs a program; returns its exit status, wall time and peak RSS (KiB).
struct Run {
  int status = -1;
  double seconds = 0;
  double cpuSeconds = 0;  // user + system
  long maxRssKiB = 0;
};

Run spawn(const std::vector<std::string>& args, const char* stdoutPath = "/dev/null") {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const auto start = Clock::now();
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) die("cannot run " + args[0]);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Run r;
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.maxRssKiB = usage.ru_maxrss;
  r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return r;
}

class NginxServer {
 public:
  NginxServer(const fs::path& dir, std::size_t workers) : dir_(dir) {
    fs::create_directories(dir_ / "www");
    fs::create_directories(dir_ / "tmp");
    port_ = freePort();
    std::ofstream(dir_ / "nginx.conf")
        << "daemon off;\nmaster_process on;\nworker_processes " << workers << ";\nuser root root;\n"
        << "pid " << (dir_ / "nginx.pid").string() << ";\nerror_log " << (dir_ / "error.log").string() << " warn;\n"
        << "events { worker_connections 1024; }\n"
        << "http {\n  access_log off;\n  client_body_temp_path " << (dir_ / "tmp").string() << ";\n"
        << "  client_max_body_size 0;\n  keepalive_requests 100000;\n"
        << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << (dir_ / "www").string() << ";\n"
        << "    location / { dav_methods PUT; create_full_put_path on; }\n  }\n}\n";
    const std::string conf = (dir_ / "nginx.conf").string();
    const std::string prefix = dir_.string() + "/";
    std::vector<char*> argv{const_cast<char*>("nginx"), const_cast<char*>("-p"), const_cast<char*>(prefix.c_str()),
                            const_cast<char*>("-c"), const_cast<char*>(conf.c_str()), nullptr};
    if (posix_spawn(&pid_, "/usr/sbin/nginx", nullptr, nullptr, argv.data(), environ) != 0) die("cannot start nginx");
    for (int i = 0; i < 500 && !accepts(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!accepts(port_)) die("nginx did not start");
  }
  ~NginxServer() {
    ::kill(pid_, SIGQUIT);
    ::waitpid(pid_, nullptr, 0);
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + "/" + path; }
  fs::path root() const { return dir_ / "www"; }

 private:
  fs::path dir_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

void writeRandomFile(const fs::path& path, std::int64_t size) {
  std::mt19937_64 engine(20240601);
  std::vector<std::uint64_t> block(1 << 17);  // 1 MiB
  std::ofstream out(path, std::ios::binary);
  for (std::int64_t written = 0; written < size;) {
    for (auto& w : block) w = engine();
    const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(size - written, 1 << 20));
    out.write(reinterpret_cast<const char*>(block.data()), n);
    written += n;
  }
}

std::string readRange(const fs::path& path, std::int64_t offset, std::int64_t size) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(offset);
  std::string s(static_cast<std::size_t>(size), '\0');
  in.read(s.data(), size);
  s.resize(static_cast<std::size_t>(in.gcount()));
  return s;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

/// quillbox-emulator on a free port with `threads` threads, its state in memory, until destroyed.
struct Emulator : quillbox::bench::EmulatorChild {
  explicit Emulator(unsigned threads) : EmulatorChild(kEmulator, {"--threads", std::to_string(threads)}) {}
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

/// One plain request to the emulator; its answer's body.
std::string call(const std::string& method, const std::string& url, const std::string& body = "") {
  CURL* h = curl_easy_init();
  std::string answer;
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
  if (!body.empty()) curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
  const CURLcode rc = curl_easy_perform(h);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  if (rc != CURLE_OK || status < 200 || status > 299) die(method + " " + url + " failed: " + answer);
  return answer;
}

int runFaultBench(std::int64_t sizeMiB, std::int64_t partMiB, int rounds) {
  const std::int64_t size = sizeMiB << 20, partSize = partMiB << 20;
  char pattern[] = "/tmp/quillbox-upload-bench-XXXXXX";
  if (!::mkdtemp(pattern)) die("mkdtemp failed");
  const fs::path dir = pattern;
  const fs::path file = dir / "upload.bin", description = dir / "description.json";
  writeRandomFile(file, size);
  const auto described = quillbox::Sha256SliceFile(partSize).calcSha256(file);
  if (!described) die("cannot hash the file");
  std::ofstream(description) << *described;

  const std::string self = fs::canonical("/proc/self/exe").string();
  const unsigned threads = static_cast<unsigned>(quillbox::util::activeProcessorCount());
  std::printf("upload_bench --faults: %lld MiB in parts of %lld MiB to quillbox-emulator (%u threads), %d rounds each\n",
              static_cast<long long>(sizeMiB), static_cast<long long>(partMiB), threads, rounds);
  std::vector<double> clean, faulty;
  for (int round = 0; round < rounds; ++round) {
    for (const bool faults : {false, true}) {
      Emulator emulator(threads);  // fresh: no content to upload rapidly, no memory held
      const std::string token = std::string(
          boost::json::parse(call("POST", emulator.url() + "/quillbox/ose/v1/carrier/standard/user/auth",
                                  R"({"authCode":"upload-bench"})"))
              .at("accessToken")
              .as_string());
      if (faults) {
        // Seeds whose draws strike 3 of the 128 first PUTs: the 2 % the run is about.
        call("POST", emulator.url() + "/_emulator/faults",
             R"({"path":"/_upload/*","method":"PUT","kind":"status","status":503,"probability":0.01,"seed":11,"count":0})");
        call("POST", emulator.url() + "/_emulator/faults",
             R"({"path":"/_upload/*","method":"PUT","kind":"reset","afterBytes":1048576,"probability":0.01,"seed":1,"count":0})");
      }
      const fs::path result = dir / "emulator.result";
      Run r = spawn({self, "--emulator-child", file.string(), emulator.url(), token, description.string(), result.string()});
      std::ifstream in(result);
      std::string verdict, why;
      double seconds = 0;
      in >> verdict >> seconds;
      std::getline(in, why);
      if (r.status != 0 || verdict != "ok") die("the upload failed:" + why);
      std::size_t puts = 0, struck = 0;
      const boost::json::value log = boost::json::parse(call("GET", emulator.url() + "/_emulator/requests"));
      for (const auto& e : log.at("requests").as_array()) {
        if (e.at("method").as_string() != "PUT") continue;
        ++puts;
        struck += e.as_object().contains("faultId");
      }
      (faults ? faulty : clean).push_back(static_cast<double>(size) / seconds / 1e6);
      std::printf("  round %d %-9s %.0f MB/s (%.3f s, CPU %.2f s), %zu part PUTs, %zu struck\n", round + 1,
                  faults ? "faults:" : "clean:", static_cast<double>(size) / seconds / 1e6, seconds, r.cpuSeconds, puts,
                  struck);
    }
  }
  std::printf("upload_bench --faults: clean median %.0f MB/s, 2%% failing median %.0f MB/s, ratio %.3f\n", median(clean),
              median(faulty), median(faulty) / median(clean));
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t sizeMiB = 1024, partMiB = 8;
  int rounds = 3;
  bool faults = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--sdk-child" && i + 4 < argc) {
      return runSdkChild(argv[i + 1], argv[i + 2], std::stoll(argv[i + 3]), argv[i + 4]);
    } else if (a == "--emulator-child" && i + 5 < argc) {
      return runEmulatorChild(argv[i + 1], argv[i + 2], argv[i + 3], argv[i + 4], argv[i + 5]);
    } else if (a == "--faults") {
      faults = true;
    } else if (a == "--size-mib" && i + 1 < argc) {
      sizeMiB = std::stoll(argv[++i]);
    } else if (a == "--part-mib" && i + 1 < argc) {
      partMiB = std::stoll(argv[++i]);
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::stoi(argv[++i]);
    } else {
      die("usage: upload_bench [--faults] [--size-mib N] [--part-mib N] [--rounds N]");
    }
  }
  if (faults) return runFaultBench(sizeMiB, partMiB, rounds);
  if (::access("/usr/sbin/nginx", X_OK) != 0) die("nginx is not installed");
  const std::int64_t size = sizeMiB << 20, partSize = partMiB << 20;
  const std::size_t width = quillbox::util::activeProcessorCount();

  char pattern[] = "/tmp/quillbox-upload-bench-XXXXXX";
  if (!::mkdtemp(pattern)) die("mkdtemp failed");
  const fs::path dir = pattern;
  const fs::path file = dir / "upload.bin";
  writeRandomFile(file, size);

  // curl's parts as files of their own, and its list of transfers.
  fs::create_directories(dir / "curlparts");
  std::int64_t parts = 0;
  {
    std::ofstream config(dir / "curl.cfg");
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(static_cast<std::size_t>(partSize));
    for (std::int64_t off = 0; off < size; off += partSize) {
      ++parts;
      in.read(buffer.data(), partSize);
      const fs::path p = dir / "curlparts" / ("p" + std::to_string(parts));
      std::ofstream(p, std::ios::binary).write(buffer.data(), in.gcount());
      config << "upload-file = \"" << p.string() << "\"\n";
      config << "url = \"URL_BASE/p" << parts << "?X-Signature=bench\"\n";
    }
  }

  // nginx stores what it receives in memory when it can (tmpfs), so the
  // disk's write-back does not set the pace of either client.
  char shmPattern[] = "/dev/shm/quillbox-upload-bench-XXXXXX";
  const bool inMemory = ::mkdtemp(shmPattern) != nullptr;
  const fs::path storage = inMemory ? fs::path(shmPattern) : dir / "nginx";
  NginxServer nginx(storage, width);
  {
    // Point curl's list at this nginx.
    std::ifstream in(dir / "curl.cfg");
    std::stringstream text;
    text << in.rdbuf();
    std::string cfg = text.str();
    for (std::size_t at; (at = cfg.find("URL_BASE")) != std::string::npos;) cfg.replace(at, 8, nginx.url("curl"));
    std::ofstream(dir / "curl.cfg") << cfg;
  }

  std::printf("upload_bench: %lld MiB in %lld parts of %lld MiB, W = %zu, nginx %zu workers storing in %s, %d rounds\n",
              static_cast<long long>(sizeMiB), static_cast<long long>(parts), static_cast<long long>(partMiB), width,
              width, inMemory ? "tmpfs" : "the temp folder", rounds);
  const std::string self = fs::canonical("/proc/self/exe").string();
  std::vector<double> sdk, curl;
  long peakKiB = 0;
  for (int round = 0; round < rounds; ++round) {
    const fs::path result = dir / "sdk.result";
    Run s = spawn({self, "--sdk-child", file.string(), nginx.url("sdk"), std::to_string(partSize), result.string()});
    std::ifstream in(result);
    std::string verdict;
    double seconds = 0;
    in >> verdict >> seconds;
    if (s.status != 0 || verdict != "ok") die("the SDK upload failed");
    sdk.push_back(static_cast<double>(size) / seconds / 1e6);
    peakKiB = std::max(peakKiB, s.maxRssKiB);

    Run c = spawn({"curl", "--no-progress-meter", "--fail", "--parallel", "--parallel-max", std::to_string(width),
                   "-H", "Expect:", "-H", "Content-Type: application/octet-stream", "-K", (dir / "curl.cfg").string()});
    if (c.status != 0) die("curl failed");
    curl.push_back(static_cast<double>(size) / c.seconds / 1e6);
    if (round + 1 < rounds) {
      std::error_code ignored;
      fs::remove_all(nginx.root() / "sdk", ignored);
      fs::remove_all(nginx.root() / "curl", ignored);
    }
    std::printf("  round %d: SDK %.0f MB/s (%.3f s, CPU %.2f s, peak RSS %.1f MiB)   curl %.0f MB/s (%.3f s, CPU %.2f s)\n",
                round + 1, sdk.back(), seconds, s.cpuSeconds, s.maxRssKiB / 1024.0, curl.back(), c.seconds,
                c.cpuSeconds);
  }

  // What the SDK sent is what the file holds.
  for (std::int64_t n = 1, off = 0; off < size; ++n, off += partSize) {
    const std::string sent = readRange(nginx.root() / "sdk" / ("p" + std::to_string(n)), 0, partSize);
    if (sent != readRange(file, off, partSize)) die("part " + std::to_string(n) + " differs");
  }
  std::printf("upload_bench: SDK median %.0f MB/s, curl --parallel median %.0f MB/s, ratio %.3f; SDK peak RSS %.1f MiB\n",
              median(sdk), median(curl), median(sdk) / median(curl), peakKiB / 1024.0);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  if (inMemory) fs::remove_all(storage, ignored);
  return 0;
}
