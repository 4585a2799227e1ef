// The quillbox-emulator program: its ready line, its options and its data
// folder on a stop.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <regex>

#include "EmulatorFixture.hpp"

extern char** environ;

namespace quillbox::test {
namespace {

namespace fs = std::filesystem;

/// The program running as a child process, its standard output on a pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
#ifdef QUILLBOX_EMULATOR_PROGRAM
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), QUILLBOX_EMULATOR_PROGRAM);
#ifdef QUILLBOX_EMULATOR_LAUNCHER
    args.insert(args.begin(), QUILLBOX_EMULATOR_LAUNCHER);  // a cross build runs it under qemu
#endif
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
    if (rc != 0) pid_ = -1;
#else
    (void)args;
#endif
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  /// The first line of output (empty when the program ended without one).
  std::string firstLine() {
    std::string line;
    char c = 0;
    while (out_ >= 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  /// SIGTERM, then the exit status and whatever else it printed.
  std::pair<int, std::string> stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    std::string rest;
    char buf[256];
    ssize_t n = 0;
    while ((n = read(out_, buf, sizeof buf)) > 0) rest.append(buf, static_cast<std::size_t>(n));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, rest};
  }
  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

TEST(EmulatorProgramTest, PrintsOneReadyLineAndSavesToItsDataFolderOnStop) {
#ifndef QUILLBOX_EMULATOR_PROGRAM
  GTEST_SKIP() << "the quillbox-emulator program is not built";
#endif
  TempDir data("qbemu-program");
  const fs::path& dir = data.path();
  const std::regex ready(R"(quillbox-emulator listening on (http://127\.0\.0\.1:[0-9]+))");
  {
    Program program({"--port", "0", "--data", dir.string(), "--job-ms", "0"});
    ASSERT_TRUE(program.started()) << "cannot start the quillbox-emulator program";
    const std::string line = program.firstLine();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, ready)) << line;
    const std::string base = m[1];
    auto auth = http("POST", base + "/quillbox/ose/v1/carrier/standard/user/auth", R"({"authCode":"program"})");
    ASSERT_EQ(auth.status, 200) << auth.body;
    const std::string token(auth.json().at("accessToken").as_string());
    auto made = http("POST", base + "/quillbox/ose/v1/directory", R"({"fileName":"survivor","renameMode":2,"hidden":false})",
                     {"Authorization: " + token});
    ASSERT_EQ(made.status, 200) << made.body;
    auto [code, rest] = program.stop();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(rest, "") << "nothing but the ready line on standard output";
  }
  // The state went to the folder given; that it loads again is checked in
  // EmulatorHttpTest.StateAndContentSurviveARestartWithADataFolder.
  EXPECT_NE(readFile(dir / "state.json").find("\"survivor\""), std::string::npos);
  {
    Program program({"--port", "not-a-number"});
    EXPECT_EQ(program.firstLine(), "") << "a bad option gets no ready line";
    EXPECT_NE(program.stop().first, 0);
  }
}

}  // namespace
}  // namespace quillbox::test
