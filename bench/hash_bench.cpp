// The default hasher (Sha256SliceFile: whole-file SHA-256 plus the state at
// every part boundary) against `openssl dgst -sha256` on the same file in the
// same run, both reading from the page cache.
//
//   hash_bench [--size-mib N] [--rounds N]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "quillbox/upload/Sha256SliceFile.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const std::string& why) {
  std::fprintf(stderr, "hash_bench: %s\n", why.c_str());
  std::exit(2);
}

/// Runs openssl on the file; returns the wall time and the digest it printed.
std::pair<double, std::string> runOpenssl(const fs::path& file, const fs::path& out) {
  std::vector<std::string> args = {"openssl", "dgst", "-sha256", "-r", file.string()};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const auto start = Clock::now();
  if (posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ) != 0) die("cannot run openssl");
  int status = 0;
  ::waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  std::ifstream in(out);
  std::string digest;
  in >> digest;
  return {seconds, digest};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t sizeMiB = 1024;
  int rounds = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size-mib" && i + 1 < argc) {
      sizeMiB = std::stoll(argv[++i]);
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::stoi(argv[++i]);
    } else {
      die("usage: hash_bench [--size-mib N] [--rounds N]");
    }
  }
  char pattern[] = "/tmp/quillbox-hash-bench-XXXXXX";
  if (!::mkdtemp(pattern)) die("mkdtemp failed");
  const fs::path dir = pattern;
  const fs::path file = dir / "data.bin";
  {
    std::mt19937_64 engine(7);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(file, std::ios::binary);
    for (std::int64_t i = 0; i < sizeMiB; ++i) {
      for (auto& w : block) w = engine();
      out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
    }
  }
  const double bytes = static_cast<double>(sizeMiB) * (1 << 20);
  quillbox::Sha256SliceFile slicer;
  std::vector<double> sdk, openssl;
  runOpenssl(file, dir / "out");  // page cache warm-up
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    auto described = slicer.describe(file);
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    if (!described) die("the hasher failed");
    auto [o, digest] = runOpenssl(file, dir / "out");
    if (digest != described->hash) die("digests differ: " + digest + " vs " + described->hash);
    sdk.push_back(bytes / s / 1e6);
    openssl.push_back(bytes / o / 1e6);
    std::printf("  round %d: Sha256SliceFile %.0f MB/s (%zu parts)   openssl dgst %.0f MB/s\n", r + 1, sdk.back(),
                described->parts.size(), openssl.back());
  }
  std::printf("hash_bench: %lld MiB, Sha256SliceFile median %.0f MB/s, openssl dgst -sha256 median %.0f MB/s, ratio %.3f\n",
              static_cast<long long>(sizeMiB), median(sdk), median(openssl), median(sdk) / median(openssl));
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
