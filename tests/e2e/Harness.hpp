#pragma once
// Running the real programs: a quillbox-emulator per test, the quillbox
// command against it, and what the command printed and how it ended.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

namespace quillbox::e2e {

/// A fresh folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// A child process with its standard output and error read through pipes
/// (or written to files, for long-lived servers).
class Child {
 public:
  struct Files {
    std::optional<std::filesystem::path> stdoutFile, stderrFile;
    std::optional<std::filesystem::path> stdinFile;  ///< /dev/null when absent
    std::optional<std::filesystem::path> cwd;        ///< this process's when absent
  };
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, Files files = {});
  ~Child();  // kills the child if it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  /// Reads what is there until `done(out, err)` holds or the child closes
  /// both pipes. Returns whether `done` held. The guard only keeps a broken
  /// test from hanging the suite.
  bool readUntil(const std::function<bool(const std::string&, const std::string&)>& done,
                 std::chrono::seconds guard = std::chrono::seconds(30));
  void signal(int sig);
  /// Reads to the end and reaps the child: its exit status, or 128 + the
  /// signal that ended it.
  int wait();

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }

 private:
  int pid_ = -1;
  int outFd_ = -1, errFd_ = -1;
  std::optional<int> status_;
  std::string out_, err_;
};

struct Outcome {
  int status = -1;
  std::string out, err;
  /// The standard output as JSON (fails the test when it is not).
  boost::json::value json() const;
  /// The standard error's lines.
  std::vector<std::string> errLines() const;
};

/// One emulator on a free port, stopped at the end.
class Emulator {
 public:
  explicit Emulator(const std::filesystem::path& workDir, std::vector<std::string> extraArgs = {});
  ~Emulator();
  const std::string& url() const { return url_; }

 private:
  std::unique_ptr<Child> child_;
  std::string url_;
};

/// An HTTP exchange with the emulator, a JSON body and `headers` added.
struct HttpAnswer {
  long status = 0;
  std::string body;
};
HttpAnswer http(const std::string& method, const std::string& url, const std::string& body = {},
                const std::vector<std::string>& headers = {});

/// The environment the command runs with: this process's, without any
/// quillbox or proxy setting, with the config folder, the cache folder
/// (~/.cache) and home in `home`,
/// plus `extra` ("NAME=value").
std::vector<std::string> cliEnvironment(const std::filesystem::path& home, const std::vector<std::string>& extra = {});

/// Runs `quillbox args...` to its end, in `cwd` (when given) with `input` on its standard input.
Outcome runCli(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::optional<std::filesystem::path>& cwd = std::nullopt,
               const std::optional<std::string>& input = std::nullopt);

/// A file of `size` pseudo-random bytes (the same for the same seed).
void writeRandomFile(const std::filesystem::path& file, std::int64_t size, std::uint32_t seed);
std::string readFile(const std::filesystem::path& file);

/// The string at `path` ("a.b.0.c") of a JSON value, or "" when absent.
std::string text(const boost::json::value& v, const std::string& path);
/// The value at `path`, or null when absent.
const boost::json::value& at(const boost::json::value& v, const std::string& path);

const char* cliPath();
const char* emulatorPath();

}  // namespace quillbox::e2e
