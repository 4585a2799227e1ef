#include "support/Nginx.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quillbox::test {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBinary = "/usr/sbin/nginx";
constexpr int kAttempts = 5;
constexpr auto kStartTimeout = std::chrono::seconds(10);

// A port the kernel considers free right now; another process may still take it before nginx
// binds it, which launch() detects.
std::uint16_t freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("cannot find a free port");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

bool accepts(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeAll(const fs::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string config(const fs::path& dir, std::uint16_t port) {
  const std::string d = dir.string();
  std::ostringstream c;
  c << "daemon off;\n"
       "master_process on;\n"
       "worker_processes 1;\n"
       "user root root;\n"
       "pid "
    << d << "/nginx.pid;\n"
    << "error_log " << d << "/error.log warn;\n"
    << "events { worker_connections 1024; }\n"
       "http {\n"
       "  default_type application/octet-stream;\n"
       "  log_format ranges '$request_method $uri $status $body_bytes_sent range=\"$http_range\" "
       "if_range=\"$http_if_range\"';\n"
       "  access_log "
    << d << "/access.log ranges;\n"
    << "  client_body_temp_path " << d << "/tmp/body;\n"
    << "  proxy_temp_path " << d << "/tmp/proxy;\n"
    << "  fastcgi_temp_path " << d << "/tmp/fastcgi;\n"
    << "  uwsgi_temp_path " << d << "/tmp/uwsgi;\n"
    << "  scgi_temp_path " << d << "/tmp/scgi;\n"
    << "  client_max_body_size 0;\n"
       "  max_ranges 1;\n"
       "  sendfile on;\n"
       "  tcp_nopush on;\n"
       "  keepalive_requests 100000;\n"
       "  server {\n"
       "    listen 127.0.0.1:"
    << port << ";\n"
    << "    root " << d << "/www;\n"
    << "    location / {\n"
       "      dav_methods PUT DELETE MKCOL;\n"
       "      create_full_put_path on;\n"
       "      dav_access user:rw group:rw all:r;\n"
       "    }\n"
       "  }\n"
       "}\n";
  return c.str();
}

}  // namespace

bool Nginx::available() { return ::access(kBinary, X_OK) == 0; }

Nginx::Nginx() {
  char pattern[] = "/tmp/quillbox-nginx-XXXXXX";
  if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  fs::create_directories(dir_ / "www");
  fs::create_directories(dir_ / "tmp");
  std::string failure;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (launch(failure)) return;
  }
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
  throw std::runtime_error("nginx did not start: " + failure);
}

Nginx::~Nginx() {
  stop();
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
}

bool Nginx::launch(std::string& failure) {
  port_ = freePort();
  const fs::path conf = dir_ / "nginx.conf";
  writeAll(conf, config(dir_, port_));
  std::error_code ignored;
  fs::remove(dir_ / "error.log", ignored);

  // Everything the child needs is prepared before fork(): after it only async-signal-safe calls.
  const std::string prefix = dir_.string() + "/";
  const std::string confPath = conf.string();
  const std::string errorLog = (dir_ / "error.log").string();
  const std::string output = (dir_ / "output.log").string();
  std::vector<char*> argv{const_cast<char*>("nginx"),     const_cast<char*>("-p"), const_cast<char*>(prefix.c_str()),
                          const_cast<char*>("-c"),        const_cast<char*>(confPath.c_str()),
                          const_cast<char*>("-e"),        const_cast<char*>(errorLog.c_str()), nullptr};
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // nginx goes when the test process goes, even if it crashes.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
    }
    ::close_range(3, ~0U, 0);  // the test's own sockets and files stay with the test
    ::execv(kBinary, argv.data());
    ::_exit(127);
  }
  pid_ = pid;

  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      failure = readAll(dir_ / "error.log") + readAll(dir_ / "output.log");
      return false;  // typically the port was taken meanwhile: try another
    }
    if (accepts(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  failure = "no connection within the start time-out; " + readAll(dir_ / "error.log");
  stop();
  return false;
}

void Nginx::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);  // fast shutdown: the master stops its workers
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
}

std::string Nginx::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string Nginx::url(std::string_view path) const {
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  return baseUrl() + "/" + std::string(path);
}

std::string Nginx::putFile(std::string_view path, std::string_view content) const {
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  const fs::path file = root() / fs::path(std::string(path));
  fs::create_directories(file.parent_path());
  // Written beside and renamed in, so a request never sees half a file.
  const fs::path staging = file.parent_path() / ("." + file.filename().string() + ".staging");
  writeAll(staging, content);
  fs::rename(staging, file);
  return url(path);
}

std::vector<std::string> Nginx::accessLog() const {
  std::vector<std::string> lines;
  std::ifstream in(dir_ / "access.log");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool Nginx::waitForAccessLog(std::size_t lines, std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (accessLog().size() < lines) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace quillbox::test
