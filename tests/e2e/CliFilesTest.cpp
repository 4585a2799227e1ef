// Folders made like mkdir -p, renaming, listings that follow every page,
// trees, times, sizes and file types, search, details, and file contents
// on standard output, through the command and its /path names.

#include <algorithm>
#include <cstdio>
#include <set>

#include <gmock/gmock.h>

#include "CliFixture.hpp"

namespace quillbox::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> names(const boost::json::value& listing, const char* key = "files",
                               const char* field = "fileName") {
  std::vector<std::string> out;
  const auto& files = at(listing, key);
  if (!files.is_array()) return out;
  for (const auto& f : files.as_array()) out.push_back(text(f, field));
  return out;
}

std::size_t lineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CliTest, FoldersAreMadeLikeMkdirPAndRenamingSaysTheStoredName) {
  signIn();
  // Missing parents are made; a folder that exists is used and said to be.
  const auto made = qj({"mkdir", "/docs/reports"});
  const std::string reportsId = text(made, "id");
  EXPECT_TRUE(at(made, "created").as_bool());
  EXPECT_EQ(text(made, "path"), "/docs/reports");
  const Outcome again = q({"mkdir", "/docs/reports"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_THAT(again.out, HasSubstr("Exists, reused: /docs/reports  id " + reportsId));
  const std::string docs = text(qj({"stat", "/docs"}), "id");
  EXPECT_EQ(text(qj({"mkdir", "reports", "--in", docs}), "id"), reportsId);
  EXPECT_EQ(q({"mkdir", "/docs/reports", "--on-clash", "fail"}).status, 1);
  const auto second = qj({"mkdir", "/docs/reports", "--on-clash", "rename"});
  EXPECT_EQ(text(second, "fileName"), "reports (1)");

  // A rename to a taken name reports the name the drive stored.
  const auto r = qj({"rename", "/docs/reports", "annual"});
  EXPECT_EQ(text(r, "fileId"), reportsId);
  EXPECT_EQ(text(r, "name"), "annual");
  const auto clash = qj({"rename", "/docs/reports (1)", "annual"});
  EXPECT_EQ(text(clash, "name"), "annual (1)");
  EXPECT_EQ(text(clash, "requestedName"), "annual");
  qj({"mkdir", "/docs/x"});
  EXPECT_THAT(q({"rename", "/docs/x", "annual"}).out, HasSubstr("stored as annual (2)"));
  expectEnd(q({"rename", reportsId, "annual (2)", "--on-clash", "fail"}), 1, "(409)");

  const auto path = qj({"path", "/docs/annual"});
  EXPECT_EQ(text(path, "namePath"), "/docs/annual");
  EXPECT_THAT(text(path, "fileIdPath"), HasSubstr("/" + docs + "/" + reportsId));
  EXPECT_EQ(text(qj({"du", "/docs"}), "data.subDirCount"), "3");

  expectEnd(q({"ls", "/docs/nothing-here"}), 3, "no such file or folder: /docs/nothing-here");
}

TEST_F(CliTest, ListingsFollowEveryPageAndSayOnStandardErrorWhereTheyStopped) {
  signIn();
  const std::string big = text(qj({"mkdir", "/big"}), "id");
  for (int i = 0; i < 1000; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "e%04d", i);
    const std::string body = std::string(R"({"fileName":")") + name + R"(","parentFolder":[")" + big +
                             R"("],"renameMode":1,"hidden":false})";
    ASSERT_EQ(api("directory", body), 200);
  }
  const auto all = names(qj({"ls", "/big"}));  // ten pages of a hundred
  ASSERT_EQ(all.size(), 1000u);
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 1000u);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  const Outcome table = q({"ls", "/big"});
  EXPECT_EQ(lineCount(table.out), 1001u);
  EXPECT_EQ(table.err, "");

  // Stopped at a page's end, the listing goes on from the cursor the note names.
  const Outcome first = q({"--json", "ls", "/big", "--max", "300"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(names(first.json()).size(), 300u);
  const std::string cursor = text(first.json(), "nextCursor");
  EXPECT_THAT(first.err, HasSubstr("--cursor " + cursor));
  const auto rest = names(qj({"ls", "/big", "--cursor", cursor, "--max", "300"}));
  ASSERT_EQ(rest.size(), 300u);
  EXPECT_EQ(rest.front(), "e0300");
  const Outcome cut = q({"ls", "/big", "--max", "250"});
  EXPECT_EQ(lineCount(cut.out), 251u);
  EXPECT_THAT(cut.err, HasSubstr("stopped after 250 entries"));
  EXPECT_EQ(q({"-q", "ls", "/big", "--max", "5"}).err, "");
  EXPECT_THAT(names(qj({"ls", "/big", "--desc", "--max", "2"})), ::testing::ElementsAre("e0999", "e0998"));

  qj({"mkdir", "/big/e0003/deep"});
  const auto found = qj({"search", "e099", "--all", "--page-size", "4"});
  EXPECT_EQ(at(found, "total").as_int64(), 10);
  EXPECT_EQ(names(found).size(), 10u);
  EXPECT_EQ(names(qj({"search", "e099", "--in", "/big", "--shallow"})).size(), 10u);
  const auto deep = qj({"search", "deep"});
  EXPECT_EQ(text(deep, "files.0.namePath"), "/big/e0003/deep");
}

TEST_F(CliTest, TreesByPathTimesWithTheirZoneSizesFileTypesAndContentOnStandardOutput) {
  signIn();
  const auto a = dir() / "a.txt";
  const auto pdf = dir() / "photo.jpg";
  writeRandomFile(a, 1000, 1);
  writeRandomFile(pdf, 2048, 2);
  qj({"mkdir", "/t/one"});
  qj({"mkdir", "/t/two/deeper"});
  upload(a, "/t/one");
  upload(a, "/t/two");
  upload(pdf, "/t/two/deeper");

  const auto tree = qj({"ls", "-r", "/t"});
  EXPECT_THAT(names(tree, "files", "path"),
              ::testing::UnorderedElementsAre("one/a.txt", "two/a.txt", "two/deeper/photo.jpg"));
  const Outcome rows = q({"ls", "-r", "/t", "--bytes"});
  EXPECT_THAT(rows.out, ::testing::ContainsRegex("two/deeper/photo.jpg +2048 "));
  EXPECT_THAT(q({"ls", "/t/one"}).out, ::testing::ContainsRegex("a.txt +1000 B "));

  // File types by name or code; an unknown one is refused with the names.
  EXPECT_THAT(names(qj({"ls", "-r", "/t", "--file-type", "picture"}), "files", "path"),
              ::testing::ElementsAre("two/deeper/photo.jpg"));
  EXPECT_THAT(names(qj({"search", "o", "--file-type", "15"})), ::testing::ElementsAre("photo.jpg"));
  EXPECT_THAT(q({"recent"}).out, HasSubstr("uploaded"));
  const Outcome badType = q({"ls", "--file-type", "pdff"});
  expectEnd(badType, 2, "--file-type");
  EXPECT_THAT(badType.err, HasSubstr("accepted: folder, picture, video"));

  // Local time with its offset, or UTC when asked.
  EXPECT_THAT(q({"ls", "/t"}, {"TZ=QBX-02:30"}).out, ::testing::ContainsRegex("one/ .* [0-9:]{8} \\+0230"));
  EXPECT_THAT(q({"--utc", "ls", "/t"}, {"TZ=QBX-02:30"}).out, ::testing::ContainsRegex("one/ .* [0-9:]{8} UTC"));

  expectEnd(q({"mkdir", "/t/one/a.txt"}), 1, "a.txt exists and is a file");

  // Content on standard output, only once complete and checked.
  for (const auto& args : std::vector<std::vector<std::string>>{{"cat", "/t/one/a.txt"},
                                                                {"download", "/t/two/a.txt", "-o", "-"}}) {
    const Outcome shown = q(args);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(shown.out == readFile(a)) << joined(args);
  }
  EXPECT_FALSE(std::filesystem::exists(dir() / "-"));
  armFault(R"({"path":"/_download/*","kind":"corrupt","offset":10})");
  const Outcome corrupt = q({"cat", "/t/two/deeper/photo.jpg"});
  EXPECT_EQ(corrupt.status, 1);
  EXPECT_EQ(corrupt.out, "");
  EXPECT_THAT(corrupt.err, HasSubstr("nothing was written"));
  EXPECT_EQ(q({"cat", "/t/one"}).status, 1);
}

}  // namespace
}  // namespace quillbox::e2e
