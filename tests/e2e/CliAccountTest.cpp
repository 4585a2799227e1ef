// Signing in, where the settings come from, how failures are reported, and
// the account-level commands (space, users, packages).

#include <sys/stat.h>

#include <fstream>

#include <gmock/gmock.h>

#include "CliFixture.hpp"

namespace quillbox::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

mode_t modeOf(const std::filesystem::path& p) {
  struct stat info {};
  EXPECT_EQ(::stat(p.c_str(), &info), 0) << p;
  return info.st_mode & 0777;
}

void expectOneLineError(const Outcome& r, int status, const std::string& part1, const std::string& part2 = {}) {
  EXPECT_EQ(r.status, status) << r.err;
  EXPECT_EQ(r.out, "");
  const auto lines = r.errLines();
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_THAT(lines[0], HasSubstr(part1));
  if (!part2.empty()) {
    EXPECT_THAT(lines[0], HasSubstr(part2));
  }
}

TEST_F(CliTest, SignInKeepsAPrivateProfileAndFlagsBeatEnvironmentBeatsProfile) {
  const Outcome login = q({"--host", url(), "--json", "login", "--auth-code", "alice"});
  ASSERT_EQ(login.status, 0) << login.err;
  const auto j = login.json();
  const auto profile = dir() / "config" / "quillbox" / "profile.json";
  EXPECT_EQ(text(j, "host"), url());
  EXPECT_EQ(text(j, "profile"), profile.native());
  const std::string alice = text(j, "user.carrierUserId");
  ASSERT_FALSE(alice.empty());

  EXPECT_EQ(modeOf(profile), 0600u);
  EXPECT_EQ(modeOf(profile.parent_path()), 0700u);
  const auto saved = boost::json::parse(readFile(profile));
  EXPECT_EQ(text(saved, "host"), url());
  const std::string token = text(saved, "token");
  ASSERT_FALSE(token.empty());
  EXPECT_THAT(login.out, Not(HasSubstr(token)));  // the token is kept, not shown

  // The profile alone is enough.
  EXPECT_EQ(text(qj({"space"}), "data.ownerId"), alice);

  // A token given on the command line or in the environment wins over the profile's.
  expectOneLineError(q({"--token", "not-a-token", "space"}), 4, "the access token is not valid (401)");
  expectOneLineError(q({"space"}, {"QUILLBOX_TOKEN=not-a-token"}), 4, "(401)");
  EXPECT_EQ(q({"--token", token, "space"}, {"QUILLBOX_TOKEN=not-a-token"}).status, 0);
  EXPECT_EQ(qAt(dir(), {"--token", "-", "space"}, token + "\n", {"QUILLBOX_TOKEN=not-a-token"}).status, 0);
  // The same for the host: nothing listens on port 1.
  const Outcome unreachable = q({"space"}, {"QUILLBOX_HOST=http://127.0.0.1:1"});
  EXPECT_EQ(unreachable.status, 5);
  EXPECT_EQ(unreachable.errLines().size(), 1u) << unreachable.err;
  EXPECT_EQ(q({"--host", url(), "space"}, {"QUILLBOX_HOST=http://127.0.0.1:1"}).status, 0);

  // Signing in again replaces the profile, still private. The code may also
  // come from standard input or the environment.
  const Outcome bob = qAt(dir(), {"--json", "login", "--auth-code", "-"}, "bob\n");
  ASSERT_EQ(bob.status, 0) << bob.err;
  const std::string bobId = text(bob.json(), "user.carrierUserId");
  EXPECT_NE(bobId, alice);
  EXPECT_EQ(modeOf(profile), 0600u);
  EXPECT_EQ(text(qj({"space"}), "data.ownerId"), bobId);
  EXPECT_EQ(text(q({"--json", "login"}, {"QUILLBOX_AUTH_CODE=alice"}).json(), "user.carrierUserId"), alice);
  EXPECT_EQ(q({"login"}).status, 2);
  EXPECT_EQ(qAt(dir(), {"login", "--auth-code", "-"}, "").status, 2);
  EXPECT_THAT(q({"login", "--help"}).out, HasSubstr("QUILLBOX_AUTH_CODE"));

  const Outcome out = q({"--json", "logout"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_TRUE(at(out.json(), "removed").as_bool());
  EXPECT_FALSE(std::filesystem::exists(profile));
  expectOneLineError(q({"space"}), 4, "no server address");
  expectOneLineError(q({"--host", url(), "space"}), 4, "not signed in");
}

// A failed request names the command as the user ran it, says in words what
// went wrong and what to do, and sets the exit status from how it failed.
TEST_F(CliTest, AFailedRequestSaysWhatWentWrongForTheCommandRun) {
  signIn();
  const struct {
    std::vector<std::string> args;
    std::string fault;  // armed first, when given
    int status;
    std::string line;
  } cases[] = {
      {{"--token", "wrong", "ls", "/projects"}, "", 4,
       "quillbox ls /projects: the access token is not valid (401); sign in again with quillbox login"},
      {{"stat", "f-unknown"}, "", 3, "quillbox stat f-unknown: not found (404): no such file: f-unknown"},
      {{"--host", "http://127.0.0.1:1", "ls"}, "", 5,
       "quillbox ls: cannot reach http://127.0.0.1:1: connection refused or unreachable"},
      {{"--host", "http://quillbox-nowhere.invalid", "ls"}, "", 5,
       "quillbox ls: cannot reach http://quillbox-nowhere.invalid: host name not found"},
      {{"--timeout", "1", "ls"}, R"({"path":"/quillbox/ose/v1/*","kind":"delay","ms":3000})", 5,
       "quillbox ls: " + url() + ": timed out; try again later"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(joined(c.args));
    if (!c.fault.empty()) armFault(c.fault);
    const Outcome r = q(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.errLines(), ::testing::ElementsAre(c.line));
  }
}

TEST_F(CliTest, EveryKindOfCommandFailsWithOneClearLineOrAUsageStatus) {
  signIn();
  const std::filesystem::path file = randomFile("small.bin", 1000, 1);
  const std::vector<std::vector<std::string>> commands = {
      {"ls"}, {"ls", "/some/folder"}, {"search", "x"}, {"stat", "f123"}, {"mkdir", "new"}, {"jobs", "ls"},
      {"star", "ls"}, {"share", "ls"}, {"recent"}, {"users", "ls"}, {"packages", "orders"}, {"upload", file.native()},
      {"download", "f123"}, {"link", "f123"}, {"share", "files", "abc"}};
  for (const auto& c : commands) {
    std::vector<std::string> args{"--token", "wrong"};
    args.insert(args.end(), c.begin(), c.end());
    SCOPED_TRACE(joined(args));
    expectOneLineError(q(args), 4, "the access token is not valid (401)");
  }
  const std::vector<std::vector<std::string>> misuses = {
      {}, {"no-such-command"}, {"users"}, {"download"}, {"download", "f1", "--url", "http://x/y"},
      {"mkdir", "x", "--on-clash", "sometimes"}, {"upload", (dir() / "missing.bin").native()},
      {"mkdir", "/a/b", "--in", "/"}};
  for (const auto& args : misuses) EXPECT_EQ(q(args).status, 2) << joined(args);
  EXPECT_EQ(q({"--help"}).status, 0);
}

TEST_F(CliTest, HelpUnknownCommandsAndCompletionComeFromTheCommandTree) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  } cases[] = {
      {{"help", "jobs", "ls"}, 0, "quillbox jobs ls [OPTIONS]", ""},
      {{"help"}, 0, "Exit status: 0 done, 1 failed, 2 bad usage, 3 not found, 4 not signed in or refused, 5 ", ""},
      {{"help", "nope"}, 2, "", "quillbox: unknown command nope; the commands are: login, logout, space"},
      {{"rm", "x"}, 2, "", "quillbox: unknown command rm; the commands are: login,"},
      {{"--host", "h", "--json", "jobs", "rmm"}, 2, "", "unknown command jobs rmm; the jobs commands are: ls, create, show, cancel"},
      {{"completion", "zsh"}, 2, "", "zsh"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(joined(c.args));
    const Outcome r = q(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_THAT(r.out, HasSubstr(c.out));
    EXPECT_THAT(r.err, HasSubstr(c.err));
  }

  EXPECT_THAT(q({"--version"}).out, ::testing::MatchesRegex("quillbox [0-9]+\\.[0-9]+\\.[0-9]+\n"));

  // The completion script, run by bash on a few command lines.
  const Outcome script = q({"completion", "bash"});
  ASSERT_EQ(script.status, 0) << script.err;
  std::ofstream(dir() / "quillbox.bash") << script.out;
  const struct {
    std::string line;  // the words before the one completed, then the start of that one
    std::string offered;
  } lines[] = {{"jo", "jobs"}, {"jobs ''", "ls create show cancel"}, {"--json jobs ls --st", "--status"},
               {"ls --max 5 --by", "--bytes"}, {"share show --", "--host"}, {"rm", ""}};
  for (const auto& l : lines) {
    Child bash({"/bin/bash", "-c",
                "source " + (dir() / "quillbox.bash").native() + "; COMP_WORDS=(quillbox " + l.line +
                    "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quillbox; echo \"${COMPREPLY[*]}\""},
               cliEnvironment(dir()));
    EXPECT_EQ(bash.wait(), 0) << bash.err();
    if (l.offered.empty()) {
      EXPECT_EQ(bash.out(), "\n") << l.line;
    } else {
      EXPECT_THAT(bash.out(), HasSubstr(l.offered)) << l.line;
    }
  }
}

TEST_F(CliTest, ControlCharactersFromTheServerOrTheDiskAreShownNeverObeyed) {
  signIn();
  auto expectDefused = [](const Outcome& r) {
    for (const std::string raw : {"\x1b", "\a", "\xc2\x9b", "\xe2\x80\xae"}) {
      EXPECT_EQ(r.out.find(raw), std::string::npos) << r.out;
      EXPECT_EQ(r.err.find(raw), std::string::npos) << r.err;
    }
  };
  // An error message that would clear the screen and retitle the window, on
  // each of the four attempts a call makes.
  armFault(R"({"path":"/quillbox/ose/v1/space/*","kind":"status","count":4,"msg":"boom\u001b[2J\u001b]0;owned\u0007"})");
  const Outcome failed = q({"space"});
  expectOneLineError(failed, 5, "quillbox space: the server failed (500): boom\\x1b[2J\\x1b]0;owned\\x07");
  expectDefused(failed);

  // A name with a C1 control sequence introducer and a right-to-left
  // override, through the progress lines, tables, details and "Saved ...".
  const std::string evil = "evil\xc2\x9b" "31m\xe2\x80\xae" "fdp.exe";
  const std::string shown = "evil\\u009b31m\\u202efdp.exe";
  writeRandomFile(dir() / evil, 1000, 3);
  const fs::path got = dir() / "got";
  fs::create_directories(got);
  const std::vector<std::vector<std::string>> commands = {
      {"upload", (dir() / evil).native()}, {"ls"}, {"stat", "/" + evil}, {"download", "/" + evil, "-o", got.native()}};
  for (const auto& args : commands) {
    SCOPED_TRACE(joined(args));
    const Outcome r = q(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr(shown));
    expectDefused(r);
  }
  EXPECT_EQ(readFile(dir() / "got" / evil), readFile(dir() / evil));

  // A local name with an escape sequence, which the server refuses.
  const std::string escaped = "a\x1b[2Jb.bin";
  writeRandomFile(dir() / escaped, 10, 4);
  const Outcome refused = q({"upload", (dir() / escaped).native()});
  expectEnd(refused, 1, "a\\x1b[2Jb.bin");
  expectDefused(refused);
}

TEST_F(CliTest, SpaceUsersAndPackages) {
  signIn();
  EXPECT_FALSE(text(qj({"space"}), "data.rootFileId").empty());
  const auto found = qj({"users", "ls", "--keyword", "lovelace"});
  ASSERT_EQ(at(found, "list").as_array().size(), 1u);
  EXPECT_EQ(text(qj({"users", "show", text(found, "list.0.userId")}), "data.name"), "Ada Lovelace");
  EXPECT_EQ(at(qj({"users", "ls", "--offset", "1", "--limit", "2"}), "list").as_array().size(), 2u);
  expectOneLineError(q({"users", "show", "u-nobody"}), 3, "not found (404)");
  EXPECT_THAT(q({"users", "ls"}).out, HasSubstr("Ada Lovelace"));
  EXPECT_EQ(text(qj({"packages", "ls"}), "data.0.packageId"), "basic");
  EXPECT_EQ(text(qj({"packages", "orders"}), "data.0.packageId"), "basic");
}

}  // namespace
}  // namespace quillbox::e2e
