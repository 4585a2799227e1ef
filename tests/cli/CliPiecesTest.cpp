// The quillbox command's pure pieces: progress lines, the meter's pacing and
// speed, tables, sizes and times, and the private profile file.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Client.hpp"
#include "Codes.hpp"
#include "Commands.hpp"
#include "Docs.hpp"
#include "Output.hpp"
#include "Profile.hpp"
#include "Progress.hpp"
#include "Terminal.hpp"
#include "support/TestFiles.hpp"

namespace quillbox::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;

constexpr std::int64_t kMiB = 1 << 20;

// Everything written to a FILE*.
struct CapturedFile {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = ::open_memstream(&data, &size);
  ~CapturedFile() {
    std::fclose(file);
    std::free(data);
  }
  std::string text() {
    std::fflush(file);
    return std::string(data, size);
  }
};

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(CliProgress, LinesShowWhatIsKnownAndTheBarAlwaysFitsTheTerminal) {
  const std::string name = "holiday-photos-2024.tar";
  const ProgressSnapshot underway{name, 32 * kMiB, 64 * kMiB, 0.5, 16.0 * kMiB, 2.0, std::nullopt};
  const ProgressSnapshot done{name, 64 * kMiB, 64 * kMiB, 1.0, 16.0 * kMiB, std::nullopt, 4.0};
  const ProgressSnapshot link{"link", std::nullopt, std::nullopt, 0.4, std::nullopt, std::nullopt, std::nullopt};
  const ProgressSnapshot stream{"stream", 5 * kMiB, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                std::nullopt};
  const struct {
    ProgressSnapshot s;
    std::string bar, plain;
  } cases[] = {
      {underway, name + "  [###############...............]   50%  32.0 MiB / 64.0 MiB  16.0 MiB/s  ETA 0:02",
       name + ": 32.0 MiB of 64.0 MiB (50%), 16.0 MiB/s, 0:02 left"},
      {done,
       name + "  [##############################]  100%  64.0 MiB / 64.0 MiB  16.0 MiB/s  in 0:04",
       name + ": 64.0 MiB of 64.0 MiB (100%), 16.0 MiB/s, in 0:04"},
      {link, "link  [############..................]   40%  ETA --:--", "link: 40%"},
      {stream, "stream  5.0 MiB",
       "stream: 5.0 MiB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(renderBar(c.s, 120), c.bar);
    EXPECT_EQ(renderPlain(c.s), c.plain);
  }
  // One column is left free; narrow terminals shorten the name first.
  for (std::size_t width = 0; width <= 130; ++width) {
    const std::string line = renderBar(underway, width);
    EXPECT_LE(displayWidth(line), width == 0 ? 0 : width - 1) << width << ": " << line;
  }
  EXPECT_EQ(renderBar(underway, 70), "hol...  [#####.....]   50%  32.0 MiB / 64.0 MiB  16.0 MiB/s  ETA 0:02");
}

TEST(CliProgress, OffATerminalAMeterWritesALineASecondAndOnlyWhenSomethingMoved) {
  CapturedFile out;
  Console console(out.file, false);
  const auto t0 = ProgressMeter::Clock::time_point{} + 100s;
  ProgressMeter meter(console, "f.bin", 10 * kMiB, t0);
  meter.tick(t0);  // nothing arrived yet: nothing to say
  EXPECT_EQ(out.text(), "");
  meter.update(1 * kMiB);
  meter.tick(t0 + 1000ms);
  meter.update(2 * kMiB);
  meter.tick(t0 + 1500ms);  // too soon after the last line
  meter.tick(t0 + 2000ms);
  meter.tick(t0 + 3000ms);  // nothing moved
  meter.update(4 * kMiB);
  meter.tick(t0 + 4000ms);
  meter.finish("done", t0 + 4000ms);
  const std::string text = out.text();
  EXPECT_EQ(text,
            "f.bin: 1.0 MiB of 10.0 MiB (10%)\n"
            "f.bin: 2.0 MiB of 10.0 MiB (20%), 1.0 MiB/s, 0:08 left\n"
            // 3 MiB in the last three seconds
            "f.bin: 4.0 MiB of 10.0 MiB (40%), 1.0 MiB/s, 0:06 left\n"
            // the last line gives the average over the whole transfer
            "f.bin: 4.0 MiB of 10.0 MiB (40%), 1.0 MiB/s, in 0:04  done\n");
}

TEST(CliProgress, OnATerminalTheStatusLineIsRedrawnInPlaceAndMessagesGoAboveIt) {
  CapturedFile out;
  Console console(out.file, true);
  const auto t0 = ProgressMeter::Clock::time_point{} + 100s;
  ProgressMeter meter(console, "f.bin", 100, t0);
  int drawn = 0;
  for (int ms = 0; ms <= 1000; ms += 20) {
    meter.update(ms / 10);
    const std::size_t before = countOf(out.text(), "\r\033[K");
    meter.tick(t0 + std::chrono::milliseconds(ms));
    drawn += countOf(out.text(), "\r\033[K") > before ? 1 : 0;
  }
  EXPECT_EQ(drawn, 11);  // every 100 ms over one second, not every update
  console.line("a message");
  const std::string text = out.text();
  EXPECT_THAT(text, Not(HasSubstr("\n\r")));
  // The message erased the bar, took its line, and the bar came back below it.
  const auto message = text.rfind("\r\033[Ka message\n");
  ASSERT_NE(message, std::string::npos);
  EXPECT_THAT(text.substr(message), HasSubstr("\nf.bin  ["));
  meter.finish("done", t0 + 2s);
  EXPECT_EQ(out.text().back(), '\n');
}

TEST(CliProgress, AResumedTransferAveragesOnlyWhatThisRunFetched) {
  CapturedFile out;
  Console console(out.file, false);
  const auto t0 = ProgressMeter::Clock::time_point{} + 100s;
  ProgressMeter meter(console, "r.bin", 100 * kMiB, t0);
  meter.averageFromFirstUpdate();
  meter.update(90 * kMiB, t0 + 1s);  // mostly fetched by an earlier run
  meter.update(100 * kMiB, t0 + 6s);
  meter.finish("done", t0 + 6s);  // never drawn before: the first update still counts as the start
  EXPECT_THAT(out.text(), HasSubstr("100.0 MiB of 100.0 MiB (100%), 2.0 MiB/s, in 0:06  done"));

  ProgressMeter once(console, "o.bin", 100 * kMiB, t0);
  once.averageFromFirstUpdate();
  once.update(100 * kMiB, t0 + 1s);  // everything in one report: no speed to tell
  once.finish("done", t0 + 1s);
  EXPECT_THAT(out.text(), HasSubstr("o.bin: 100.0 MiB of 100.0 MiB (100%), in 0:01  done"));
}

TEST(CliOutput, TextForATerminalShowsWhatATerminalWouldActOn) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"report 2024 (final).pdf", "report 2024 (final).pdf"},
      {"报告 ✓ \\x1b.txt", "报告 ✓ \\x1b.txt"},  // printable text, backslashes included, is kept
      {"a\x1b]0;title\x07" "b", "a\\x1b]0;title\\x07b"},
      {std::string("nul\0tab\tnl\ncr\rdel\x7f", 18), "nul\\x00tab\\x09nl\\x0acr\\x0ddel\\x7f"},
      {"csi\xc2\x9b" "31m \xc2\x80 \xc2\x9f \xc2\xa0", "csi\\u009b31m \\u0080 \\u009f \xc2\xa0"},
      {"evil\xe2\x80\xae" "exe.txt", "evil\\u202eexe.txt"},
      {"\xe2\x80\xaa\xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c",
       "\\u202a\\u202d\\u2066\\u2069\\u200e\\u200f\\u061c"},
      {"\xe2\x80\xaf\xe2\x81\xa5", "\xe2\x80\xaf\xe2\x81\xa5"},  // their neighbours are ordinary
      // Bytes that are not UTF-8: stray, overlong (a hidden ESC), surrogate, cut short, above U+10FFFF.
      {"\xff\xc1\x9b\xed\xa0\x80", "\\xff\\xc1\\x9b\\xed\\xa0\\x80"},
      {"\xe2\x80", "\\xe2\\x80"},
      {"\xf4\x90\x80\x80 \xf0\x9f\x98\x80", "\\xf4\\x90\\x80\\x80 \xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(forTerminal(c.in), c.out) << c.in;
    EXPECT_EQ(forTerminal(c.out), c.out) << c.out;
  }
}

TEST(CliOutput, TablesAlignByDisplayWidthAndDefuseControlCharacters) {
  Table t{{"NAME", "SIZE"}, {}, {false, true}};
  t.add({"报告.pdf", "1.0 KiB"});
  t.add({"a\x1b[31mred", "12 B"});
  t.add({"plain"});  // a short row
  std::ostringstream out;
  printTable(out, t);
  EXPECT_EQ(out.str(),
            "NAME             SIZE\n"
            "报告.pdf      1.0 KiB\n"
            "a\\x1b[31mred     12 B\n"
            "plain\n");
  EXPECT_EQ(displayWidth("报告"), 4u);
  EXPECT_EQ(displayWidth("\xff"), 1u);  // a stray byte is one column, not a crash

  std::ostringstream fields;
  printFields(fields, {{"Name", std::string("x")}, {"Nothing", std::nullopt}, {"Longer label", std::string("y")}});
  EXPECT_EQ(fields.str(), "Name:          x\nLonger label:  y\n");
}

TEST(CliOutput, SizesTimesAndDurations) {
  EXPECT_EQ(humanSize(0), "0 B");
  EXPECT_EQ(humanSize(1023), "1023 B");
  EXPECT_EQ(humanSize(1024), "1.0 KiB");
  EXPECT_EQ(humanSize(64 * kMiB), "64.0 MiB");
  EXPECT_EQ(humanSize(3LL << 40), "3.0 TiB");
  EXPECT_EQ(humanSize(-5), "-");
  EXPECT_EQ(sizeText(1000, true), "1000");
  EXPECT_EQ(sizeText(1024, false), "1.0 KiB");
  EXPECT_EQ(clockDuration(0), "0:00");
  EXPECT_EQ(clockDuration(61.4), "1:01");
  EXPECT_EQ(clockDuration(3725), "1:02:05");
  EXPECT_EQ(clockDuration(-1), "--:--");
  EXPECT_EQ(shortCodeOf("http://h:1/s/AbC9?x=1"), "AbC9");
  EXPECT_EQ(shortCodeOf("AbC9"), "AbC9");
  EXPECT_EQ(shortCodeOf("https://h/s/AbC9/"), "AbC9");
  EXPECT_EQ(hostOfLink("https://h:8/s/AbC9?x=1"), "https://h:8");
  EXPECT_EQ(hostOfLink("AbC9"), std::nullopt);
  EXPECT_EQ(hostOfLink("http:///s/AbC9"), std::nullopt);
  EXPECT_EQ(withOptionNames("expireTime is a time; myexpireTime, expireTimes stay; (expireTime)",
                            {{"expireTime", "--expire"}}),
            "--expire is a time; myexpireTime, expireTimes stay; (--expire)");
}

TEST(CliOutput, TimesInTheLocalZoneWithItsOffsetOrInUtc) {
  const char* const old = std::getenv("TZ");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("TZ", "QBX-02:30", 1);
  ::tzset();
  const struct {
    std::string iso;
    bool utc;
    std::string shown;
  } cases[] = {
      {"2024-05-01T12:34:56.789Z", false, "2024-05-01 15:04:56 +0230"},
      {"2024-05-01T12:34:56Z", true, "2024-05-01 12:34:56 UTC"},
      {"2024-05-01T12:34:56", true, "2024-05-01 12:34:56 UTC"},
      {"2024-05-01T20:00:00+08:00", true, "2024-05-01 12:00:00 UTC"},
      {"2024-12-31T23:59:59-01:00", true, "2025-01-01 00:59:59 UTC"},
      {"yesterday", false, "yesterday"},
      {"2024-13-01T00:00:00Z", true, "2024-13-01T00:00:00Z"},
      {"2024-05-01T12:00:00+0800", true, "2024-05-01T12:00:00+0800"},
      {"2024-05-01T12:00:00Zulu", false, "2024-05-01T12:00:00Zulu"},
  };
  for (const auto& c : cases) EXPECT_EQ(timeText(c.iso, c.utc), c.shown) << c.iso;
  if (saved) {
    ::setenv("TZ", saved->c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

TEST(CliCodes, NamesShownAndNamesOrNumbersTaken) {
  EXPECT_EQ(nameOf(kJobStatuses, std::optional<std::int64_t>(4)), "cancelled");
  EXPECT_EQ(nameOf(kJobStatuses, std::optional<std::int64_t>(9)), "9");
  EXPECT_EQ(nameOf(kAccessActions, std::optional<std::string>("3")), "uploaded");
  EXPECT_EQ(nameOf(kShareStatuses, std::optional<std::int64_t>()), "-");
  const struct {
    CLI::Validator take;
    std::string in, out, refusal;
  } cases[] = {
      {codeOf(kJobStatuses, "job status"), "done", "2", ""},
      {codeOf(kJobStatuses, "job status"), "3", "3", ""},
      {codeOf(kJobTypes, "job type"), "-1", "-1", ""},
      {codeOf(kJobStatuses, "job status"), "Done", "Done", "accepted: waiting, running, done, failed, cancelled"},
      {fileTypeCodeOf(), "pdf", "45", ""},
      {fileTypeCodeOf(), "15", "15", ""},
      {fileTypeCodeOf(), "pdff", "pdff", "accepted: folder, picture, video, word, excel, ppt, audio, archive"},
      {fileTypeCodeOf(), "150", "150", "unknown file type"},
  };
  for (auto c : cases) {
    std::string value = c.in;
    const std::string said = c.take(value);
    EXPECT_EQ(value, c.out) << c.in;
    if (c.refusal.empty()) {
      EXPECT_EQ(said, "") << c.in;
    } else {
      EXPECT_THAT(said, HasSubstr(c.refusal)) << c.in;
    }
  }
}

TEST(CliDocs, TheManualPageCoversTheCommandTreeAndFormatsCleanly) {
  Client client;
  Action action;
  CLI::App app{"", "quillbox"};
  buildApp(app, client, action);
  const std::string page = manPage(app, "9.8.7");
  for (const char* part : {"\"quillbox 9.8.7\"", ".SS \"quillbox jobs ls\"", ".SS \"quillbox mkdir NAME\"",
                           ".SS \"quillbox share show SHARE\"", "\\-\\-max", ".SH EXIT STATUS\n.TP\n.B 0\ndone",
                           ".B 130\ninterrupted", "QUILLBOX_SHARE_CODE"}) {
    EXPECT_THAT(page, HasSubstr(part));
  }
  EXPECT_THAT(page, Not(HasSubstr(".SS \"quillbox jobs\"\n")));  // a group is not a command of its own
  EXPECT_THAT(page, Not(HasSubstr("\n.quillbox")));
  if (std::system("command -v groff >/dev/null 2>&1") != 0) GTEST_SKIP() << "no groff to check the formatting with";
  test::TempDir dir("quillbox-man");
  std::ofstream(dir.path() / "quillbox.1") << page;
  const std::string command = "groff -man -ww -z " + (dir.path() / "quillbox.1").native() + " 2>&1";
  std::FILE* groff = ::popen(command.c_str(), "r");
  ASSERT_NE(groff, nullptr);
  std::string said;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, groff)) said += buffer;
  EXPECT_EQ(::pclose(groff), 0) << said;
  EXPECT_EQ(said, "");
}

// The server's code and message follow the status only when they add to it;
// the library's own texts for a bare status are never shown as the server's.
TEST(CliFailureText, TheServersWordsFollowOnlyWhenTheyAddSomething) {
  struct Case {
    std::int64_t code;
    std::string message;
    FailureKind kind;
    long httpStatus;
    std::string text;
  };
  const std::vector<Case> cases = {
      {401, "The access token is not valid", FailureKind::httpStatus, 401,
       "the access token is not valid (401); sign in again with quillbox login"},
      {404, "no such share", FailureKind::httpStatus, 404, "not found (404): no such share"},
      {40401, "no such share", FailureKind::httpStatus, 404, "not found (404, code 40401): no such share"},
      {-1, "response status code = 503", FailureKind::httpStatus, 503, "the service is busy (503); try again later"},
      {-1, "request error Recv failure: Connection reset by peer", FailureKind::reset, 0,
       "http://h: the connection was lost before the answer arrived; try again later"},
      {-1, "str to bean error data: expected an array", FailureKind::undecodable, 200,
       "list: unexpected answer from http://h (str to bean error data: expected an array)"},
      {7, "quota exceeded", FailureKind::other, 0, "list: quota exceeded (code 7)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(failureText({c.code, c.message, c.kind, c.httpStatus}, "http://h", "list"), c.text);
  }
}

TEST(CliExitCodes, EachFailureMapsToTheStatusScriptsBranchOn) {
  const struct {
    FailureKind kind;
    long httpStatus;
    int status;
  } cases[] = {
      {FailureKind::httpStatus, 401, kExitRefused},     {FailureKind::httpStatus, 403, kExitRefused},
      {FailureKind::httpStatus, 404, kExitNotFound},    {FailureKind::httpStatus, 410, kExitNotFound},
      {FailureKind::httpStatus, 409, kExitFailure},     {FailureKind::httpStatus, 400, kExitFailure},
      {FailureKind::httpStatus, 503, kExitTemporary},   {FailureKind::httpStatus, 429, kExitTemporary},
      {FailureKind::httpStatus, 502, kExitTemporary},   {FailureKind::connect, 0, kExitTemporary},
      {FailureKind::nameResolution, 0, kExitTemporary}, {FailureKind::timeout, 0, kExitTemporary},
      {FailureKind::reset, 0, kExitTemporary},          {FailureKind::tls, 0, kExitFailure},
      {FailureKind::undecodable, 200, kExitFailure},    {FailureKind::invalidRequest, 0, kExitFailure},
      {FailureKind::other, 0, kExitFailure},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exitCodeForFailure(c.kind, c.httpStatus), c.status) << describe(c.kind) << " " << c.httpStatus;
  }
  EXPECT_EQ(exitCodeForItemCode("404"), kExitNotFound);
  EXPECT_EQ(exitCodeForItemCode("-"), kExitFailure);
  EXPECT_EQ(exitCodeForItemCode(""), kExitFailure);
}

mode_t modeOf(const fs::path& p) {
  struct stat info {};
  EXPECT_EQ(::stat(p.c_str(), &info), 0);
  return info.st_mode & 0777;
}

TEST(CliProfile, SavedPrivatelyWhateverTheUmaskAndReadBack) {
  test::TempDir dir("quillbox-cli");
  const fs::path file = dir.path() / "config" / "quillbox" / "profile.json";
  EXPECT_FALSE(loadProfile(file).has_value());

  const mode_t old = ::umask(0);  // the most permissive umask there is
  saveProfile(file, Profile{"https://drive.example.com", "tok\"en"});
  ::umask(old);
  EXPECT_EQ(modeOf(file), 0600u);
  EXPECT_EQ(modeOf(file.parent_path()), 0700u);
  const auto loaded = loadProfile(file);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->host, "https://drive.example.com");
  EXPECT_EQ(loaded->token, "tok\"en");

  saveProfile(file, Profile{"h2", "t2"});
  EXPECT_EQ(loadProfile(file)->token, "t2");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(file.parent_path())) ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary file left behind

  std::ofstream(file, std::ios::trunc) << "[1, 2]";
  EXPECT_THROW(loadProfile(file), CliError);
  std::ofstream(file, std::ios::trunc) << R"({"host": 5})";
  EXPECT_THROW(loadProfile(file), CliError);

  EXPECT_TRUE(removeProfile(file));
  EXPECT_FALSE(removeProfile(file));
}

TEST(CliProfile, SideFilesFitInNameMaxWhateverTheName) {
  const std::string suffix = ".quillbox-resume";
  std::string accented;
  for (int i = 0; i < 124; ++i) accented += "\xc3\xa9";
  const struct {
    std::string name;
    bool asIs;
  } cases[] = {
      {"a.iso", true},
      {std::string(255 - suffix.size(), 'x'), true},  // just fits
      {std::string(256 - suffix.size(), 'x'), false},
      {accented + "x", false},  // 249 bytes: cut between two characters
      {"x" + accented, false},
      {std::string(255, 'y') + "1", false},  // names that differ only past the cut
      {std::string(255, 'y') + "2", false},
  };
  std::set<std::string> seen;
  for (const auto& c : cases) {
    const fs::path side = sideFile(fs::path("/d") / c.name, suffix);
    const std::string name = side.filename().native();
    EXPECT_EQ(side.parent_path(), "/d");
    EXPECT_LE(name.size(), 255u) << name;
    EXPECT_TRUE(name.ends_with(suffix)) << name;
    EXPECT_EQ(forTerminal(name), name);  // still UTF-8
    if (c.asIs) {
      EXPECT_EQ(name, c.name + suffix);
    }
    EXPECT_EQ(side, sideFile(fs::path("/d") / c.name, suffix));
    EXPECT_TRUE(seen.insert(name).second) << name;
  }
}

TEST(CliProfile, FlagsBeatTheEnvironmentWhichBeatsTheProfile) {
  ::unsetenv("QUILLBOX_E2E_SETTING");
  EXPECT_EQ(pickSetting(std::nullopt, "QUILLBOX_E2E_SETTING", std::nullopt).source, Source::none);
  EXPECT_EQ(pickSetting(std::nullopt, "QUILLBOX_E2E_SETTING", std::string("p")).value, "p");
  ::setenv("QUILLBOX_E2E_SETTING", "e", 1);
  EXPECT_EQ(pickSetting(std::nullopt, "QUILLBOX_E2E_SETTING", std::string("p")).value, "e");
  EXPECT_EQ(pickSetting(std::string("f"), "QUILLBOX_E2E_SETTING", std::string("p")).value, "f");
  EXPECT_EQ(pickSetting(std::string(""), "QUILLBOX_E2E_SETTING", std::string("p")).source, Source::environment);
  ::setenv("QUILLBOX_E2E_SETTING", "", 1);
  EXPECT_EQ(pickSetting(std::nullopt, "QUILLBOX_E2E_SETTING", std::string("p")).source, Source::profile);

  // Secrets: "-" reads one line of standard input.
  ::setenv("QUILLBOX_E2E_SETTING", "e", 1);
  const struct {
    std::optional<std::string> flag;
    std::string input;
    std::optional<std::string> secret;
  } secrets[] = {{"1234", "", "1234"},
                 {"-", "9876\nnext line\n", "9876"},
                 {"-", "9876\r\n", "9876"},
                 {"-", "9876", "9876"},
                 {std::nullopt, "9876\n", "e"}};
  for (const auto& c : secrets) {
    std::istringstream in(c.input);
    EXPECT_EQ(readSecret(c.flag, "QUILLBOX_E2E_SETTING", in), c.secret) << c.input;
  }
  for (const char* nothing : {"", "\n"}) {
    std::istringstream in(nothing);
    EXPECT_THROW(readSecret(std::string("-"), "QUILLBOX_E2E_SETTING", in), CliError);
  }
  ::unsetenv("QUILLBOX_E2E_SETTING");
}

}  // namespace
}  // namespace quillbox::cli
