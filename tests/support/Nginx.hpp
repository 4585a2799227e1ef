// nginx run from a configuration in a temporary folder: a real third-party HTTP/1.1 peer that
// serves files with ETag, Range and If-Range, and stores PUT bodies (WebDAV) anywhere below "/".
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillbox::test {

class Nginx {
 public:
  /// True when the nginx binary is installed.
  static bool available();

  /// Starts nginx on a free port of 127.0.0.1 and waits until it accepts connections.
  /// Throws std::runtime_error (with nginx's own error output) when it cannot.
  Nginx();
  /// Stops nginx and removes the folder with everything in it.
  ~Nginx();
  Nginx(const Nginx&) = delete;
  Nginx& operator=(const Nginx&) = delete;

  std::uint16_t port() const { return port_; }
  std::string baseUrl() const;  // "http://127.0.0.1:<port>"
  std::string url(std::string_view path) const;  // baseUrl() + "/" + path
  /// The folder served at "/".
  std::filesystem::path root() const { return dir_ / "www"; }

  /// Writes `content` to `path` below the root (creating folders) and returns its URL. nginx's
  /// ETag is made of the modification time (in seconds) and the size: a test that replaces a
  /// file must change its size to be sure the ETag changes.
  std::string putFile(std::string_view path, std::string_view content) const;

  /// One line per request nginx has finished with:
  ///   METHOD URI STATUS BODY_BYTES_SENT range="<Range>" if_range="<If-Range>"
  std::vector<std::string> accessLog() const;
  bool waitForAccessLog(std::size_t lines, std::chrono::milliseconds timeout) const;

 private:
  bool launch(std::string& failure);
  void stop();

  std::filesystem::path dir_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace quillbox::test
