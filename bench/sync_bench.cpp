// `quillbox sync` of many small files to the emulator, against the same files
// uploaded through the SDK in a plain loop with the same number in flight,
// in the same run; then a second sync with nothing changed.
//
//   sync_bench [--files N] [--transfers N] [--seed S]
//
// The files are 1 to 64 KiB, random sizes and bytes from a fixed seed, in one
// folder. Each side gets an emulator of its own (in memory), so neither
// finds the other's content already stored. The sync runs as the quillbox
// program, so its time includes starting it, the listing and the local scan.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <quillbox/quillbox.hpp>
#include <quillbox/upload/Sha256SliceFile.hpp>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

/// CPU seconds (user + system) of the finished children so far.
double childCpu() {
  rusage r{};
  ::getrusage(RUSAGE_CHILDREN, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

/// A quillbox-emulator in the background, in memory, on a free port.
class Emulator {
 public:
  explicit Emulator(const fs::path& work) {
    const fs::path log = work / "emulator.log", pidFile = work / "emulator.pid";
    fs::remove(log);
    const std::string cmd = quoted(QUILLBOX_EMULATOR_PATH) + " --port 0 > " + quoted(log) + " 2>&1 & echo $! > " +
                            quoted(pidFile);
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("cannot start the emulator");
    for (int i = 0; i < 500 && url_.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::ifstream in(log);
      std::string line;
      while (std::getline(in, line)) {
        if (const auto at = line.find("listening on "); at != std::string::npos) url_ = line.substr(at + 13);
      }
    }
    std::ifstream(pidFile) >> pid_;
    if (url_.empty()) throw std::runtime_error("the emulator did not start");
  }
  ~Emulator() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  const std::string& url() const { return url_; }

 private:
  std::string url_;
  pid_t pid_ = -1;
};

/// The quillbox command with the bench's own home, config and cache folders.
int runCli(const fs::path& work, const std::string& args) {
  const std::string cmd = "env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY -u all_proxy -u ALL_PROXY "
                          "HOME=" + quoted(work) + " XDG_CONFIG_HOME=" + quoted(work / "config") +
                          " XDG_CACHE_HOME=" + quoted(work / "cache") + " " + quoted(QUILLBOX_CLI_PATH) + " " + args +
                          " > " + quoted(work / "cli.log") + " 2>&1";
  const int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

std::string tokenOf(const fs::path& work) {
  std::ifstream in(work / "config" / "quillbox" / "profile.json");
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  const auto key = s.find("\"token\"");
  const auto open = s.find('"', s.find(':', key) + 1);
  return s.substr(open + 1, s.find('"', open + 1) - open - 1);
}

/// The reference: every file through ITransfer::uploadFile, at most `width`
/// running, started one after another from one loop.
double sdkLoop(const std::string& host, const std::string& token, const std::vector<fs::path>& files, int width) {
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);
  std::mutex mutex;
  std::condition_variable changed;
  int running = 0;
  std::size_t failed = 0;
  const auto t0 = Clock::now();
  for (const auto& f : files) {
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return running < width; });
      ++running;
    }
    cloud.getTransferImpl().uploadFile(
        "root", f, std::string(), 2, std::make_shared<quillbox::Sha256SliceFile>(),
        [&](quillbox::UploadProcessResult event) {
          const bool ok = std::holds_alternative<quillbox::uploadResult::onSuccess>(event);
          if (!ok && !std::holds_alternative<quillbox::uploadResult::onFailure>(event)) return;
          std::lock_guard lock(mutex);
          --running;
          failed += ok ? 0 : 1;
          changed.notify_all();
        });
  }
  std::unique_lock lock(mutex);
  changed.wait(lock, [&] { return running == 0; });
  const double seconds = since(t0);
  if (failed > 0) std::printf("reference: %zu uploads failed\n", failed);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 10'000, width = 4;
  unsigned seed = 20261207;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--files") count = std::atoi(argv[i + 1]);
    if (a == "--transfers") width = std::atoi(argv[i + 1]);
    if (a == "--seed") seed = static_cast<unsigned>(std::atoll(argv[i + 1]));
  }
  for (const char* v : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(v);
  quillbox::setLogSink({});

  const fs::path work = fs::temp_directory_path() / ("quillbox-sync-bench-" + std::to_string(::getpid()));
  const fs::path src = work / "files";
  fs::create_directories(src);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> sizes(1024, 64 * 1024);
  std::vector<fs::path> files;
  std::int64_t bytes = 0;
  std::vector<char> buffer(64 * 1024);
  for (int i = 0; i < count; ++i) {
    const int size = sizes(random);
    for (int k = 0; k < size; ++k) buffer[static_cast<std::size_t>(k)] = static_cast<char>(random());
    files.push_back(src / ("f" + std::to_string(i) + ".bin"));
    std::ofstream(files.back(), std::ios::binary).write(buffer.data(), size);
    bytes += size;
  }
  std::printf("%d files, %.1f MiB, %d in flight\n", count, static_cast<double>(bytes) / (1 << 20), width);

  double reference = 0, first = 0, again = 0, againCpu = 0;
  {
    Emulator emulator(work);
    if (runCli(work, "--host " + emulator.url() + " login --auth-code bench") != 0) return 1;
    reference = sdkLoop(emulator.url(), tokenOf(work), files, width);
  }
  {
    Emulator emulator(work);
    if (runCli(work, "--host " + emulator.url() + " login --auth-code bench") != 0) return 1;
    const std::string sync = "sync " + quoted(src) + " drive:/bench --transfers " + std::to_string(width);
    auto t0 = Clock::now();
    if (runCli(work, sync) != 0) {
      std::printf("the first sync failed; see %s\n", (work / "cli.log").c_str());
      return 1;
    }
    first = since(t0);
    t0 = Clock::now();
    const double cpu0 = childCpu();
    if (runCli(work, sync) != 0) {
      std::printf("the second sync failed; see %s\n", (work / "cli.log").c_str());
      return 1;
    }
    again = since(t0);
    againCpu = childCpu() - cpu0;
  }
  std::ifstream log(work / "cli.log");
  std::string line, last;
  while (std::getline(log, line)) last = line.empty() ? last : line;
  std::printf("reference (SDK loop): %.0f files/s (%.2f s)\n", count / reference, reference);
  std::printf("quillbox sync:        %.0f files/s (%.2f s)  ratio %.2f (aim >= 0.8)\n", count / first, first,
              reference / first);
  std::printf("no-op sync:           %.2f s (aim < 3 s), of which %.2f s CPU in quillbox  [%s]\n", again, againCpu,
              last.c_str());
  fs::remove_all(work);
  return 0;
}
