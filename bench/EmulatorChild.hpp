#pragma once
// quillbox-emulator as a child process of a benchmark, on a free port with its state in
// memory, until destroyed. The child dies with the benchmark.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace quillbox::bench {

class EmulatorChild {
 public:
  /// Starts `program --port 0` and the `extra` arguments; throws std::runtime_error when it
  /// does not print its ready line.
  explicit EmulatorChild(const std::string& program, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{program, "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::dup2(out[1], 1);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    // The first line names the address: "... listening on http://127.0.0.1:PORT".
    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    const std::string prefix = "listening on ";
    const auto at = line.find(prefix);
    if (at == std::string::npos) throw std::runtime_error("the emulator did not start: " + line);
    url_ = line.substr(at + prefix.size());
  }
  ~EmulatorChild() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  EmulatorChild(const EmulatorChild&) = delete;
  EmulatorChild& operator=(const EmulatorChild&) = delete;

  /// "http://127.0.0.1:PORT".
  const std::string& url() const { return url_; }

 private:
  pid_t pid_ = -1;
  std::string url_;
};

}  // namespace quillbox::bench
