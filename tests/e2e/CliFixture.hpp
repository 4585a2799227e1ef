#pragma once
// A test with its own emulator, its own config folder and a signed-in
// profile.

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
  /// The same with --json, failing the test unless it succeeds.
  boost::json::value qj(std::vector<std::string> args) const {
    args.insert(args.begin(), "--json");
    const Outcome r = q(args);
    EXPECT_EQ(r.status, 0) << "quillbox " << joined(args) << "\n" << r.err;
    return r.json();
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
