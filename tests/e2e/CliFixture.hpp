#pragma once
// A test with its own emulator, its own config folder and a signed-in
// profile.

#include <signal.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Harness.hpp"

namespace quillbox::e2e {

class CliTest : public ::testing::Test {
 protected:
  /// Jobs last a minute on this emulator, so that a test can cancel one.
  CliTest() : emulator_(dir_.path(), {"--job-ms", "60000"}) {}

  /// Signs in with `code` (the same code is the same user); the profile
  /// then serves every later run.
  void signIn(const std::string& code = "e2e-user") {
    const Outcome r = q({"--host", emulator_.url(), "login", "--auth-code", code});
    ASSERT_EQ(r.status, 0) << r.err;
  }

  /// quillbox with the test's environment plus `extraEnv`.
  Outcome q(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) const {
    return runCli(args, cliEnvironment(dir_.path(), extraEnv));
  }
  /// quillbox run in `cwd`, with `input` on its standard input.
  Outcome qAt(const std::filesystem::path& cwd, const std::vector<std::string>& args,
              const std::optional<std::string>& input = std::nullopt,
              const std::vector<std::string>& extraEnv = {}) const {
    return runCli(args, cliEnvironment(dir_.path(), extraEnv), cwd, input);
  }
  /// The same with --json, failing the test unless it succeeds.
  boost::json::value qj(std::vector<std::string> args) const {
    args.insert(args.begin(), "--json");
    const Outcome r = q(args);
    EXPECT_EQ(r.status, 0) << "quillbox " << joined(args) << "\n" << r.err;
    return r.json();
  }

  /// The signed-in user's POST straight to the service (to set up many
  /// entries quickly); the HTTP status.
  long api(const std::string& path, const std::string& body) const {
    const auto profile = boost::json::parse(readFile(dir() / "config" / "quillbox" / "profile.json"));
    return http("POST", url() + "/quillbox/ose/v1/" + path, body, {"Authorization: " + text(profile, "token")}).status;
  }

  /// Arms one of the emulator's faults (see its control endpoint).
  void armFault(const std::string& json) const {
    const HttpAnswer a = http("POST", url() + "/_emulator/faults", json);
    ASSERT_EQ(a.status, 201) << a.body;
  }
  void clearFaults() const { EXPECT_EQ(http("DELETE", url() + "/_emulator/faults").status, 200); }

  /// Uploads `file` into `folder` and returns the upload's JSON entry.
  boost::json::value upload(const std::filesystem::path& file, const std::string& folder) const {
    const auto j = qj({"upload", file.native(), "--to", folder});
    const auto& uploads = at(j, "uploads");
    EXPECT_TRUE(uploads.is_array() && uploads.as_array().size() == 1) << boost::json::serialize(j);
    return uploads.is_array() && !uploads.as_array().empty() ? uploads.as_array()[0] : boost::json::value();
  }

  /// Starts `quillbox args...`, waits until its progress lines on standard
  /// error show `marker`, and interrupts it with Ctrl-C.
  Outcome interruptOnceUnderway(const std::vector<std::string>& args, const std::string& marker = " MiB of ") const {
    std::vector<std::string> argv{cliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    Child child(argv, cliEnvironment(dir()));
    const bool underway = child.readUntil(
        [&marker](const std::string&, const std::string& err) { return err.find(marker) != std::string::npos; });
    EXPECT_TRUE(underway) << child.err();
    child.signal(SIGINT);
    Outcome o;
    o.status = child.wait();
    o.out = child.out();
    o.err = child.err();
    return o;
  }

  /// A file of `size` pseudo-random bytes in the test's folder.
  std::filesystem::path randomFile(const std::string& name, std::int64_t size, std::uint32_t seed) const {
    writeRandomFile(dir() / name, size, seed);
    return dir() / name;
  }
  /// `r` ended with `status` and said `said` on standard error.
  static void expectEnd(const Outcome& r, int status, const std::string& said) {
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_THAT(r.err, ::testing::HasSubstr(said));
  }

  static std::string joined(const std::vector<std::string>& args) {
    std::string s;
    for (const auto& a : args) s += a + " ";
    return s;
  }

  const std::filesystem::path& dir() const { return dir_.path(); }
  const std::string& url() const { return emulator_.url(); }

 private:
  TempDir dir_;
  Emulator emulator_;
};

}  // namespace quillbox::e2e
