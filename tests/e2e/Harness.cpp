#include "Harness.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <boost/json/parse.hpp>

extern char** environ;

namespace quillbox::e2e {

namespace fs = std::filesystem;

const char* cliPath() { return QUILLBOX_CLI_PATH; }
const char* emulatorPath() { return QUILLBOX_EMULATOR_PATH; }

// ---- TempDir -----------------------------------------------------------------

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "quillbox-e2e-XXXXXX").native();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

// ---- Child ----------------------------------------------------------------------

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, Files files) {
  int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, files.stdinFile ? files.stdinFile->c_str() : "/dev/null", O_RDONLY, 0);
  if (files.cwd) posix_spawn_file_actions_addchdir_np(&actions, files.cwd->c_str());
  auto route = [&](int fd, const std::optional<fs::path>& file, int(&p)[2]) {
    if (file) {
      posix_spawn_file_actions_addopen(&actions, fd, file->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      return;
    }
    if (::pipe2(p, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, p[1], fd);
  };
  route(1, files.stdoutFile, outPipe);
  route(2, files.stderrFile, errPipe);

  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  for (int* p : {outPipe, errPipe}) {
    if (p[1] >= 0) ::close(p[1]);
  }
  if (rc != 0) {
    for (int* p : {outPipe, errPipe}) {
      if (p[0] >= 0) ::close(p[0]);
    }
    throw std::runtime_error(std::string("cannot start ") + argv[0] + ": " + std::strerror(rc));
  }
  pid_ = pid;
  outFd_ = outPipe[0];
  errFd_ = errPipe[0];
}

Child::~Child() {
  if (!status_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int ignored = 0;
    ::waitpid(pid_, &ignored, 0);
  }
  if (outFd_ >= 0) ::close(outFd_);
  if (errFd_ >= 0) ::close(errFd_);
}

bool Child::readUntil(const std::function<bool(const std::string&, const std::string&)>& done,
                      std::chrono::seconds guard) {
  const auto deadline = std::chrono::steady_clock::now() + guard;
  while (true) {
    if (done(out_, err_)) return true;
    std::vector<pollfd> fds;
    if (outFd_ >= 0) fds.push_back({outFd_, POLLIN, 0});
    if (errFd_ >= 0) fds.push_back({errFd_, POLLIN, 0});
    if (fds.empty()) return done(out_, err_);
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    for (const auto& p : fds) {
      if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      std::string& sink = p.fd == outFd_ ? out_ : err_;
      if (n > 0) {
        sink.append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        int& fd = p.fd == outFd_ ? outFd_ : errFd_;
        ::close(fd);
        fd = -1;
      }
    }
  }
}

void Child::signal(int sig) {
  if (!status_ && pid_ > 0) ::kill(pid_, sig);
}

int Child::wait() {
  if (status_) return *status_;
  readUntil([](const std::string&, const std::string&) { return false; }, std::chrono::seconds(60));
  int raw = 0;
  while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
  }
  status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return *status_;
}

// ---- Outcome ------------------------------------------------------------------------

boost::json::value Outcome::json() const {
  boost::system::error_code ec;
  boost::json::value v = boost::json::parse(out, ec);
  if (ec) {
    ADD_FAILURE() << "standard output is not JSON (" << ec.message() << "):\n" << out << "\nstderr:\n" << err;
    return nullptr;
  }
  return v;
}

std::vector<std::string> Outcome::errLines() const {
  std::vector<std::string> lines;
  std::stringstream in(err);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// ---- Emulator ---------------------------------------------------------------------

Emulator::Emulator(const fs::path& workDir, std::vector<std::string> extraArgs) {
  const fs::path out = workDir / "emulator.out";
  std::vector<std::string> argv{emulatorPath(), "--port", "0"};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  child_ = std::make_unique<Child>(argv, env, Child::Files{out, workDir / "emulator.err", std::nullopt, std::nullopt});
  const std::string prefix = "listening on ";
  for (int i = 0; i < 3000 && url_.empty(); ++i) {  // a guard of 30 s against a hang, not a measurement
    std::ifstream in(out);
    std::string line;
    if (std::getline(in, line) && in.good()) {
      const auto at = line.find(prefix);
      if (at != std::string::npos) url_ = line.substr(at + prefix.size());
    }
    if (url_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (url_.empty()) throw std::runtime_error("the emulator did not report its address");
}

Emulator::~Emulator() {
  child_->signal(SIGTERM);
  child_->wait();
}

// ---- HTTP ---------------------------------------------------------------------------

namespace {
std::size_t collect(char* data, std::size_t size, std::size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}
}  // namespace

HttpAnswer http(const std::string& method, const std::string& url, const std::string& body,
                const std::vector<std::string>& extraHeaders) {
  HttpAnswer answer;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
  for (const auto& h : extraHeaders) headers = curl_slist_append(headers, h.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (!body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
  if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return answer;
}

// ---- the command ------------------------------------------------------------------

std::vector<std::string> cliEnvironment(const fs::path& home, const std::vector<std::string>& extra) {
  static const char* const dropped[] = {"QUILLBOX_",   "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=", "HOME=",     "http_proxy=",
                                        "https_proxy=", "HTTP_PROXY=",     "HTTPS_PROXY=",    "all_proxy=", "ALL_PROXY="};
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    bool keep = true;
    for (const char* d : dropped) keep = keep && entry.rfind(d, 0) != 0;
    if (keep) env.push_back(entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + (home / "config").native());
  env.push_back("HOME=" + home.native());
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

Outcome runCli(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const std::optional<fs::path>& cwd, const std::optional<std::string>& input) {
  std::vector<std::string> argv{cliPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  Child::Files files;
  files.cwd = cwd;
  std::optional<TempDir> inputDir;
  if (input) {
    inputDir.emplace();
    files.stdinFile = inputDir->path() / "stdin";
    std::ofstream(*files.stdinFile, std::ios::binary) << *input;
  }
  Child child(argv, env, files);
  Outcome run;
  run.status = child.wait();
  run.out = child.out();
  run.err = child.err();
  return run;
}

// ---- files and JSON -----------------------------------------------------------------

void writeRandomFile(const fs::path& file, std::int64_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  std::vector<std::uint32_t> block(16384);
  for (std::int64_t left = size; left > 0;) {
    for (auto& w : block) w = random();
    const auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size() * 4));
    out.write(reinterpret_cast<const char*>(block.data()), n);
    left -= n;
  }
}

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const boost::json::value& at(const boost::json::value& v, const std::string& path) {
  static const boost::json::value null;
  const boost::json::value* cur = &v;
  std::stringstream in(path);
  for (std::string key; std::getline(in, key, '.');) {
    if (const auto* o = cur->if_object()) {
      auto it = o->find(key);
      if (it == o->end()) return null;
      cur = &it->value();
    } else if (const auto* a = cur->if_array()) {
      const std::size_t i = std::stoul(key);
      if (i >= a->size()) return null;
      cur = &(*a)[i];
    } else {
      return null;
    }
  }
  return *cur;
}

std::string text(const boost::json::value& v, const std::string& path) {
  const auto& found = at(v, path);
  return found.is_string() ? std::string(found.as_string()) : std::string();
}

}  // namespace quillbox::e2e
