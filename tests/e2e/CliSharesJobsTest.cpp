// Share links from creation to cancellation (and a visitor's view of one),
// starred files, and background jobs.

#include <gmock/gmock.h>

#include "CliFixture.hpp"

namespace quillbox::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

std::vector<std::string> fileNames(const boost::json::value& v, const char* key) {
  std::vector<std::string> out;
  if (at(v, key).is_array()) {
    for (const auto& f : at(v, key).as_array()) out.push_back(text(f, "fileName"));
  }
  return out;
}

TEST_F(CliTest, ShareLinksFromCreationToCancellation) {
  signIn("owner");
  const std::string owner = text(boost::json::parse(readFile(dir() / "config" / "quillbox" / "profile.json")), "token");
  const std::string shared = text(qj({"mkdir", "/shared"}), "id");
  qj({"mkdir", "/shared/inner"});
  const std::filesystem::path file = randomFile("given.bin", 5000, 7);
  upload(file, "/shared");

  // Codes come from the command line, standard input or the environment.
  EXPECT_THAT(q({"share", "create", "--help"}).out, HasSubstr("QUILLBOX_SHARE_CODE"));
  const Outcome made = qAt(
      dir(), {"--json", "share", "create", "/shared", "--code", "-", "--comment", "hello", "--days", "7"}, "abcd\n");
  ASSERT_EQ(made.status, 0) << made.err;
  const auto created = made.json();
  const std::string shareId = text(created, "shareLink.shareId");
  const std::string link = text(created, "shareLink.linkUrl");
  ASSERT_FALSE(shareId.empty());
  EXPECT_EQ(text(created, "shareLink.extractCode"), "abcd");
  EXPECT_EQ(text(created, "shareLink.comment"), "hello");
  EXPECT_FALSE(text(created, "shareLink.expireTime").empty());
  const std::string code = text(created, "shareLink.shortUrl");

  // Options that contradict each other are refused; refusals name the options typed.
  EXPECT_EQ(q({"share", "create", "/shared", "--days", "7", "--expire", "2030-01-31T23:59:59Z"}).status, 2);
  const Outcome badTime = q({"share", "create", "/shared", "--expire", "soon"});
  expectEnd(badTime, 1, "--expire is a time such as");
  EXPECT_THAT(badTime.err, Not(HasSubstr("expireTime")));

  const auto mine = qj({"share", "ls"});
  ASSERT_EQ(at(mine, "shareLinks").as_array().size(), 1u);
  EXPECT_EQ(text(mine, "shareLinks.0.shareId"), shareId);
  EXPECT_EQ(text(mine, "shareLinks.0.displayName"), "shared");
  // A share is named by its id, its short code or its link.
  for (const std::string& named : {shareId, code, link}) {
    const auto detail = qj({"share", "show", named});
    EXPECT_EQ(text(detail, "shareLink.shareId"), shareId) << named;
    EXPECT_EQ(text(detail, "shareLink.extractCode"), "abcd");
  }
  EXPECT_THAT(q({"share", "show", code}).out, ::testing::ContainsRegex("Status: +active"));
  EXPECT_EQ(q({"share", "show", url() + "/s/nothing"}).status, 3);

  // A visitor needs no host: the link gives it.
  const auto fileShare = q({"--json", "share", "create", "/shared/given.bin"}, {"QUILLBOX_SHARE_CODE=w1"}).json();
  const std::string fileLink = text(fileShare, "shareLink.linkUrl");
  signIn("visitor");
  const std::string visitorToken = text(boost::json::parse(readFile(dir() / "config/quillbox/profile.json")), "token");
  ASSERT_EQ(q({"logout"}).status, 0);
  const Outcome fetched = qAt(dir(), {"download", "--share", fileLink, "-o", (dir() / "fetched.bin").native()},
                              std::nullopt, {"QUILLBOX_TOKEN=" + visitorToken, "QUILLBOX_SHARE_CODE=w1"});
  EXPECT_EQ(fetched.status, 0) << fetched.err;
  EXPECT_EQ(readFile(dir() / "fetched.bin"), readFile(file));
  signIn("owner");

  const auto changed =
      q({"--json", "share", "modify", shareId, "--comment", "bye", "--no-download"}, {"QUILLBOX_SHARE_CODE=n3w"}).json();
  EXPECT_EQ(text(changed, "shareLink.comment"), "bye");
  EXPECT_EQ(text(changed, "shareLink.extractCode"), "n3w");
  const auto after = qj({"share", "show", shareId});
  EXPECT_FALSE(at(after, "shareLink.permission.download").as_bool());
  EXPECT_TRUE(at(after, "shareLink.permission.preview").as_bool());

  // A visitor needs the extract code; the link or its short code both work.
  signIn("visitor");
  expectEnd(q({"share", "files", link}), 4, "access refused (403): this share needs its extract code (--code)");
  const Outcome piped = qAt(dir(), {"--json", "share", "files", link, "--code", "-"}, "n3w\n");
  const auto visible = piped.json();
  EXPECT_THAT(fileNames(visible, "files"), UnorderedElementsAre("shared"));  // the folder itself
  EXPECT_EQ(text(visible, "link.permission"), "READ");
  const auto insideFolder =
      q({"--json", "share", "files", code, "--folder", shared}, {"QUILLBOX_SHARE_CODE=n3w"}).json();
  EXPECT_THAT(fileNames(insideFolder, "files"), UnorderedElementsAre("inner", "given.bin"));

  const Outcome cancelled = q({"--token", owner, "--json", "share", "cancel", link, fileLink});
  ASSERT_EQ(cancelled.status, 0) << cancelled.err;
  EXPECT_EQ(at(cancelled.json(), "subResponseList.0.code").as_int64(), 0);
  const Outcome empty = q({"--token", owner, "--json", "share", "ls"});
  EXPECT_TRUE(at(empty.json(), "shareLinks").as_array().empty());
  const Outcome again = q({"--token", owner, "share", "cancel", shareId});
  EXPECT_EQ(again.status, 3);
  EXPECT_EQ(again.errLines().size(), 1u);
  EXPECT_THAT(again.err, HasSubstr(shareId + " [404] no such share"));
}

TEST_F(CliTest, StarsAndJobs) {
  signIn();
  const std::string a = text(qj({"mkdir", "/a"}), "id");
  const std::string b = text(qj({"mkdir", "/b"}), "id");
  qj({"mkdir", "/dest"});

  const auto starred = qj({"star", "add", "/a", b});
  EXPECT_EQ(at(starred, "status").as_int64(), 0);
  EXPECT_EQ(at(starred, "subResponseList").as_array().size(), 2u);
  EXPECT_THAT(fileNames(qj({"star", "ls"}), "starFileList"), UnorderedElementsAre("a", "b"));
  qj({"star", "rm", a});
  EXPECT_THAT(fileNames(qj({"star", "ls"}), "starFileList"), UnorderedElementsAre("b"));
  const Outcome unknown = q({"star", "add", "f-unknown"});
  expectEnd(unknown, 3, "f-unknown [404] no such file");

  const std::string job = text(qj({"jobs", "create", "copy", "/a", "--to", "/dest"}), "data");
  ASSERT_FALSE(job.empty());
  const auto jobs = qj({"jobs", "ls"});
  ASSERT_EQ(at(jobs, "data").as_array().size(), 1u);
  EXPECT_EQ(text(jobs, "data.0.taskId"), job);
  const auto shown = qj({"jobs", "show", job});
  EXPECT_EQ(text(shown, "data.jobInfo.taskId"), job);
  EXPECT_EQ(text(shown, "data.taskInfos.0.fileId"), a);
  EXPECT_EQ(text(qj({"jobs", "cancel", job}), "data"), job);
  expectEnd(q({"jobs", "cancel", job}), 1, "(409)");
  expectEnd(q({"jobs", "show", "job-unknown"}), 3, "not found (404)");
  // Kinds and states by name; filters take names or numbers.
  const Outcome table = q({"jobs", "ls"});
  EXPECT_THAT(table.out, ::testing::ContainsRegex(job + " +copy +cancelled "));
  EXPECT_THAT(q({"jobs", "show", job}).out, ::testing::ContainsRegex("Status: +cancelled"));
  for (const char* status : {"cancelled", "4"}) {
    EXPECT_EQ(at(qj({"jobs", "ls", "--status", status, "--type", "copy"}), "data").as_array().size(), 1u) << status;
  }
  EXPECT_TRUE(at(qj({"jobs", "ls", "--status", "running"}), "data").as_array().empty());
  expectEnd(q({"jobs", "ls", "--status", "finished"}), 2, "accepted: waiting, running, done, failed, cancelled");
}

}  // namespace
}  // namespace quillbox::e2e
