#include "Profile.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>
#include <openssl/evp.h>

#include "Client.hpp"

namespace quillbox::cli {

namespace fs = std::filesystem;

namespace {

std::string errnoText(int err) { return std::strerror(err); }

// Creates `dir` and its missing parents; the folders it creates get `mode`.
void makeFolders(const fs::path& dir, mode_t mode) {
  if (dir.empty() || fs::is_directory(dir)) return;
  makeFolders(dir.parent_path(), 0755);
  if (::mkdir(dir.c_str(), mode) != 0 && errno != EEXIST) {
    throw CliError("cannot create " + dir.native() + ": " + errnoText(errno));
  }
}

}  // namespace

fs::path profilePath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg && fs::path(xdg).is_absolute()) return fs::path(xdg) / "quillbox" / "profile.json";
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home) / ".config" / "quillbox" / "profile.json";
  throw CliError("cannot tell where to keep the profile: neither XDG_CONFIG_HOME nor HOME is set", kExitUsage);
}

Profile parseProfile(std::string_view text, const std::string& where) {
  boost::system::error_code ec;
  const boost::json::value doc = boost::json::parse(text, ec);
  const boost::json::object* o = ec ? nullptr : doc.if_object();
  if (!o) throw CliError(where + " is not a profile (expected a JSON object); run quillbox login again");
  Profile p;
  auto read = [&](const char* key, std::string& out) {
    if (auto it = o->find(key); it != o->end()) {
      if (!it->value().is_string()) throw CliError(where + ": \"" + key + "\" must be a string");
      out = std::string(it->value().as_string());
    }
  };
  read("host", p.host);
  read("token", p.token);
  return p;
}

std::string profileText(const Profile& profile) {
  boost::json::object o;
  o["host"] = profile.host;
  o["token"] = profile.token;
  return boost::json::serialize(o) + "\n";
}

std::optional<Profile> loadProfile(const fs::path& file) {
  const std::optional<std::string> text = readSmallFile(file, 1 << 20);
  if (!text) return std::nullopt;
  return parseProfile(*text, file.native());
}

void writePrivateFile(const fs::path& file, std::string_view text) {
  const fs::path temp =
      sideFile(file.parent_path() / ("." + file.filename().native()), ".tmp." + std::to_string(::getpid()));
  ::unlink(temp.c_str());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) throw CliError("cannot create " + temp.native() + ": " + errnoText(errno));
  auto fail = [&](const std::string& what) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    throw CliError(what + " " + temp.native() + ": " + errnoText(err));
  };
  // The mode given to open() is narrowed by the umask, never widened; make
  // it exactly 0600 in case the umask is unusual.
  if (::fchmod(fd, 0600) != 0) fail("cannot set the mode of");
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) fail("cannot write");
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw CliError("cannot write " + temp.native() + ": " + errnoText(err));
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw CliError("cannot replace " + file.native() + ": " + errnoText(err));
  }
}

fs::path sideFile(const fs::path& file, std::string_view suffix) {
  constexpr std::size_t kNameMax = 255;
  constexpr std::size_t kHashText = 17;  // "." and 16 hex digits
  const std::string name = file.filename().native();
  if (name.size() + suffix.size() <= kNameMax || suffix.size() + kHashText >= kNameMax) {
    return file.parent_path() / (name + std::string(suffix));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(name.data(), name.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw CliError("cannot hash the name " + name);
  }
  std::string hash = ".";
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < 8; ++i) {
    hash += kHex[digest[i] >> 4];
    hash += kHex[digest[i] & 0xF];
  }
  std::size_t keep = kNameMax - suffix.size() - kHashText;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;  // not inside a character
  return file.parent_path() / (name.substr(0, keep) + hash + std::string(suffix));
}

std::optional<std::string> readSmallFile(const fs::path& file, std::size_t maxBytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw CliError("cannot read " + file.native() + ": " + errnoText(errno));
  }
  std::string text;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      throw CliError("cannot read " + file.native() + ": " + errnoText(err));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > maxBytes) {
      ::close(fd);
      throw CliError(file.native() + " is larger than expected (over " + std::to_string(maxBytes) + " bytes)");
    }
  }
  ::close(fd);
  return text;
}

void saveProfile(const fs::path& file, const Profile& profile) {
  makeFolders(file.parent_path(), 0700);
  writePrivateFile(file, profileText(profile));
}

bool removeProfile(const fs::path& file) {
  if (::unlink(file.c_str()) == 0) return true;
  if (errno == ENOENT) return false;
  throw CliError("cannot remove " + file.native() + ": " + errnoText(errno));
}

std::optional<std::string> readSecret(const std::optional<std::string>& flag, const char* environmentVariable,
                                      std::istream& input) {
  if (flag && *flag == "-") {
    std::string line;
    if (!std::getline(input, line) && line.empty()) {
      throw CliError(std::string("nothing to read on standard input for the code (") + environmentVariable +
                         " or a line on standard input is expected)",
                     kExitUsage);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) throw CliError("the code read from standard input is empty", kExitUsage);
    return line;
  }
  if (flag) return flag;
  if (const char* env = std::getenv(environmentVariable); env && *env) return std::string(env);
  return std::nullopt;
}

Setting pickSetting(const std::optional<std::string>& flag, const char* environmentVariable,
                    const std::optional<std::string>& fromProfile) {
  if (flag && !flag->empty()) return {*flag, Source::flag};
  if (const char* env = std::getenv(environmentVariable); env && *env) return {std::string(env), Source::environment};
  if (fromProfile && !fromProfile->empty()) return {*fromProfile, Source::profile};
  return {};
}

}  // namespace quillbox::cli
